#include "listing/tokens.h"

#include <cstring>

namespace tsy {
namespace {

constexpr char kDashes[] = "------------------------------";  // 30 dashes
constexpr std::size_t kDashCount = sizeof kDashes - 1;

bool IsSeparator(char c) {
    return c == ' ' || c == '\n';
}

// White space as the C library's isspace sees it in the "C" locale.
bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::size_t UpperCaseLine(const char* line, std::size_t length, char* upper) {
    if (length > kMaxLineLength) {
        length = kMaxLineLength;
    }
    std::size_t i = 0;
    for (; i < length && line[i] != '\0'; ++i) {
        const char c = line[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    upper[i] = '\0';
    return i;
}

LineKind ClassifyLine(const char* upper, std::size_t length, const ListingOptions& options) {
    if (length < 4) {
        return LineKind::Ignored;
    }
    if (IsUpperHexDigit(upper[0]) && IsUpperHexDigit(upper[1]) && IsUpperHexDigit(upper[2]) &&
        IsUpperHexDigit(upper[3])) {
        return LineKind::DataLine;
    }
    if (options.checksum && std::memcmp(upper, "SUM", 3) == 0) {
        return LineKind::SumLine;
    }
    if (options.ohmz_sum && length >= kDashCount && std::memcmp(upper, kDashes, kDashCount) == 0) {
        return LineKind::DashedLine;
    }
    return LineKind::Ignored;
}

bool Tokenizer::Next(Token* token) {
    while (next_ < end_ && IsSeparator(*next_)) {
        ++next_;
    }
    if (next_ == end_) {
        return false;
    }
    const char* start = next_;
    while (next_ < end_ && !IsSeparator(*next_)) {
        ++next_;
    }
    token->text = start;
    token->length = static_cast<std::size_t>(next_ - start);
    return true;
}

TokenWindow MakeTokenWindow(Token token, bool ohmz_sum) {
    TokenWindow window;
    if (token.length <= 2) {
        std::memcpy(window.text, token.text, token.length);
        window.length = token.length;
    } else if (!ohmz_sum) {
        std::memcpy(window.text, token.text + token.length - 2, 2);
        window.length = 2;
    } else {
        // Positions 2, 4 and 5 counted from 1: the digits h, h, h of ?h.hh?.
        static constexpr std::size_t kPicked[] = {1, 3, 4};
        for (std::size_t index : kPicked) {
            if (index < token.length) {
                window.text[window.length++] = token.text[index];
            }
        }
    }
    window.text[window.length] = '\0';
    return window;
}

bool PassesPairTest(const char* text, std::size_t length) {
    return length >= 2 && IsUpperHexDigit(text[0]) && IsUpperHexDigit(text[1]);
}

std::int32_t HexValue(const char* text, std::size_t length) {
    const char* p = text;
    const char* end = text + length;
    while (p < end && IsCSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (end - p >= 3 && p[0] == '0' && (p[1] == 'X' || p[1] == 'x') && HexDigitValue(p[2]) >= 0) {
        p += 2;
    }
    // The magnitude stops growing once past every 32-bit limit.
    constexpr std::uint64_t kLimit = 0x80000000u;
    std::uint64_t magnitude = 0;
    for (; p < end && HexDigitValue(*p) >= 0; ++p) {
        if (magnitude <= kLimit) {
            magnitude = magnitude * 16 + static_cast<std::uint64_t>(HexDigitValue(*p));
        }
    }
    if (negative) {
        return magnitude >= kLimit ? INT32_MIN : -static_cast<std::int32_t>(magnitude);
    }
    return magnitude >= kLimit ? INT32_MAX : static_cast<std::int32_t>(magnitude);
}

}  // namespace tsy
