#include "resources/message.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tsy {

TextOut::TextOut(char* out, std::size_t capacity, bool clear) : out_(out), capacity_(capacity) {
    if (capacity_ == 0) {
        return;
    }
    if (clear) {
        std::memset(out_, 0, capacity_);
    }
    out_[0] = '\0';
}

void TextOut::Format(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    char* at = capacity_ == 0 ? nullptr : out_ + length_;
    const int written = std::vsnprintf(at, capacity_ == 0 ? 0 : capacity_ - length_, format, args);
    va_end(args);
    if (written < 0) {
        if (capacity_ > 0) {
            out_[length_] = '\0';
        }
        return;
    }
    wanted_ += static_cast<std::size_t>(written);
    length_ +=
        static_cast<std::size_t>(written) < Room() ? static_cast<std::size_t>(written) : Room();
}

void TextOut::Append(const char* text, std::size_t length) {
    wanted_ += length;
    if (capacity_ == 0) {
        return;
    }
    if (length > Room()) {
        length = Room();
    }
    std::memcpy(out_ + length_, text, length);
    length_ += length;
    out_[length_] = '\0';
}

void TextOut::Append(const char* text) {
    Append(text, std::strlen(text));
}

Hex::Hex(std::uint32_t value, int digits) {
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
}

Message MakeMessage(MessageKind kind, const char* text) {
    return MakeMessage(kind, [text](TextOut& out) { out.Append(text); });
}

}  // namespace tsy
