// What the program tells the user, as values: a message (its kind and its
// Shift-JIS text), a bounded writer that formats such texts, and the result
// of an operation that carries the message beside its status. The core
// returns these; each front end decides how they reach the user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#if defined(__GNUC__)
#define TSY_PRINTF_FORMAT(format_index, first_argument) \
    __attribute__((format(printf, format_index, first_argument)))
#else
#define TSY_PRINTF_FORMAT(format_index, first_argument)
#endif

namespace tsy {

// How a message is meant to be shown. Question asks Yes or No; Plain is a box
// with an OK button and no icon; Report is a listing's error report (the
// dialog's ResultBox). None: there is nothing to tell.
enum class MessageKind : unsigned char {
    None,
    Error,
    Warning,
    Information,
    Question,
    Plain,
    Report
};

// Room for one message: a zero-terminated Shift-JIS text of at most 511 bytes.
inline constexpr std::size_t kMessageSize = 512;

struct Message {
    MessageKind kind = MessageKind::None;
    char text[kMessageSize] = {};

    bool Empty() const { return kind == MessageKind::None; }
};

// The outcome of an operation: what happened (`status`), the platform's error
// code of the call that failed (0 when none did), and what to tell the user.
template <typename Status>
struct Result {
    Status status{};
    std::uint32_t system_error = 0;
    Message message;
};

// Writes a zero-terminated text into a caller's buffer of `capacity` bytes,
// piece by piece, cutting what does not fit. Wanted() counts every byte the
// pieces asked for, cut or not, as snprintf's return value does.
class TextOut {
  public:
    // Starts the text empty; the buffer is cleared to zero bytes first when
    // `clear` is set, as the reports need.
    TextOut(char* out, std::size_t capacity, bool clear = false);

    // Appends printf-formatted text.
    void Format(const char* format, ...) TSY_PRINTF_FORMAT(2, 3);
    void Append(const char* text, std::size_t length);
    void Append(const char* text);

    std::size_t Length() const { return length_; }
    std::size_t Wanted() const { return wanted_; }
    // Bytes that still fit before the terminator.
    std::size_t Room() const { return capacity_ == 0 ? 0 : capacity_ - 1 - length_; }

  private:
    char* out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
    std::size_t wanted_ = 0;
};

// A message of `kind` whose text `write` produces into a TextOut of
// `capacity` bytes (at most kMessageSize).
template <typename Write>
Message MakeMessage(MessageKind kind, Write write, std::size_t capacity = kMessageSize) {
    Message message;
    message.kind = kind;
    TextOut out(message.text, capacity < kMessageSize ? capacity : kMessageSize);
    write(out);
    return message;
}

// A message with a fixed text.
Message MakeMessage(MessageKind kind, const char* text);

// The text that `write` puts into a TextOut of `capacity` bytes.
template <typename Write>
std::string Written(Write write, std::size_t capacity = kMessageSize) {
    std::string text(capacity, '\0');
    TextOut out(&text[0], capacity);
    write(out);
    text.resize(out.Length());
    return text;
}

// A value in at least `digits` upper-case hexadecimal digits.
struct Hex {
    Hex(std::uint32_t value, int digits);
    char text[12];
};

}  // namespace tsy
