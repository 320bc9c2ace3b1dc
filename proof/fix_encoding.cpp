#include "proof/fix_encoding.h"

#include "platform/text.h"

namespace tsy::proof {
namespace {

constexpr std::size_t kChunk = 16384;

bool IsLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The length of a UTF-8 sequence that starts with `c`; 0 for no start byte.
int Utf8Length(unsigned char c) {
    return c < 0x80 ? 1 : c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
}

}  // namespace

void EncodingSink::Keep(const char16_t* units, std::size_t count, const std::string& stored) {
    char sjis[8];
    std::uint32_t unconvertible = 0;
    const std::size_t n = platform::Utf16ToShiftJis(units, count, sjis, &unconvertible);
    stored_.emplace(std::string(sjis, n), stored);
}

bool EncodingSink::Learn(ByteSource& raw) {
    if (encoding_ == TextEncoding::ShiftJis) {
        return true;
    }
    unsigned char buffer[kChunk + 4];
    std::size_t held = 0;  // bytes of an unfinished character at the buffer's start
    bool first = true;
    for (;;) {
        std::size_t got = 0;
        if (!raw.Read(buffer + held, kChunk, &got)) {
            return false;
        }
        const std::size_t end = held + got;
        std::size_t at = 0;
        if (first && end >= 2) {
            first = false;
            const std::size_t mark =
                Utf16()                                                                   ? 2
                : end >= 3 && buffer[0] == 0xEF && buffer[1] == 0xBB && buffer[2] == 0xBF ? 3
                                                                                          : 0;
            mark_.assign(reinterpret_cast<const char*>(buffer), mark);
            at = mark;
        }
        while (at < end) {
            char16_t units[2];
            std::size_t count = 0;
            std::size_t length = 0;
            if (Utf16()) {
                auto unit = [&](std::size_t i) {
                    return static_cast<char16_t>(encoding_ == TextEncoding::Utf16Le
                                                     ? buffer[i] | (buffer[i + 1] << 8)
                                                     : (buffer[i] << 8) | buffer[i + 1]);
                };
                if (end - at < 2) {
                    break;
                }
                units[0] = unit(at);
                count = 1;
                length = 2;
                if (units[0] >= 0xD800 && units[0] < 0xDC00) {
                    if (end - at < 4) {
                        break;
                    }
                    units[1] = unit(at + 2);
                    count = 2;
                    length = 4;
                }
            } else {
                const int n = Utf8Length(buffer[at]);
                if (n == 0) {
                    ++at;
                    continue;
                }
                if (end - at < static_cast<std::size_t>(n)) {
                    break;
                }
                std::uint32_t code = n == 1 ? buffer[at] : buffer[at] & (0x7Fu >> n);
                for (int i = 1; i < n; ++i) {
                    code = (code << 6) | (buffer[at + static_cast<std::size_t>(i)] & 0x3Fu);
                }
                if (code >= 0x10000) {
                    units[0] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
                    units[1] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
                    count = 2;
                } else {
                    units[0] = static_cast<char16_t>(code);
                    count = 1;
                }
                length = static_cast<std::size_t>(n);
            }
            if (count > 1 || units[0] >= 0x80) {
                Keep(units, count, std::string(reinterpret_cast<const char*>(buffer + at), length));
            }
            at += length;
        }
        if (got == 0) {
            return true;
        }
        held = end - at;
        for (std::size_t i = 0; i < held; ++i) {
            buffer[i] = buffer[at + i];
        }
    }
}

void EncodingSink::PutAscii(unsigned char c, std::string* out) const {
    if (encoding_ == TextEncoding::Utf16Le) {
        out->push_back(static_cast<char>(c));
        out->push_back('\0');
    } else if (encoding_ == TextEncoding::Utf16Be) {
        out->push_back('\0');
        out->push_back(static_cast<char>(c));
    } else {
        out->push_back(static_cast<char>(c));
    }
}

bool EncodingSink::Write(const char* bytes, std::size_t size) {
    if (encoding_ == TextEncoding::ShiftJis) {
        return out_->Write(bytes, size);
    }
    std::string text;
    if (!started_) {
        started_ = true;
        text = mark_;
    }
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::string character;
        if (lead_ >= 0) {
            character = {static_cast<char>(lead_), static_cast<char>(c)};
            lead_ = -1;
        } else if (IsLead(c)) {
            lead_ = c;
            continue;
        } else if (c < 0x80) {
            PutAscii(c, &text);
            continue;
        } else {
            character = std::string(1, static_cast<char>(c));
        }
        const auto found = stored_.find(character);
        if (found != stored_.end()) {
            text += found->second;
        } else {
            unknown_ = true;
            PutAscii('?', &text);
        }
    }
    return out_->Write(text.data(), text.size());
}

}  // namespace tsy::proof
