// Lines of a listing as text: upper-casing, classification, tokens, the
// TokenWindow of a data token, the hexadecimal pair test and the strtol-style
// value. Everything here works on an upper-cased line held by the caller and
// keeps no state between lines.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/listing_options.h"
#include "resources/characters.h"

namespace tsy {

// A line as read: at most 1023 bytes plus the terminator.
inline constexpr std::size_t kLineBufferSize = 1024;
inline constexpr std::size_t kMaxLineLength = kLineBufferSize - 1;

// At most this many windows of a DataLine are kept; the rest of the line is
// not looked at.
inline constexpr int kMaxWindows = 17;

// The most tokens a line of kMaxLineLength bytes can hold (one-byte tokens
// between single separators).
inline constexpr int kMaxTokensPerLine = static_cast<int>((kMaxLineLength + 1) / 2);

// A part of the caller's line buffer; not zero-terminated.
struct Token {
    const char* text = nullptr;
    std::size_t length = 0;
};

// The part of a data token that is examined: at most 3 bytes, zero-terminated.
struct TokenWindow {
    char text[4] = {};
    std::size_t length = 0;
};

enum class LineKind { Ignored, DataLine, SumLine, DashedLine };

// Copies `line` (`length` bytes as read) to `upper` (kLineBufferSize bytes),
// turning 'a'..'z' into 'A'..'Z' byte by byte, and zero-terminates it. The
// text ends at the first zero byte, as a C string would; returns its length.
std::size_t UpperCaseLine(const char* line, std::size_t length, char* upper);

// The kind of an upper-cased line of `length` bytes; the first matching rule
// decides: shorter than 4 bytes (line feed included) is Ignored; four
// hexadecimal digits make a DataLine; "SUM" with `checksum` on a SumLine;
// 30 dashes with `ohmz_sum` on a DashedLine; anything else is Ignored.
LineKind ClassifyLine(const char* upper, std::size_t length, const ListingOptions& options);

// Space and line feed, the only separators of tokens.
inline bool IsTokenSeparator(char c) {
    return c == ' ' || c == '\n';
}

// Splits a line into tokens: maximal runs of bytes other than space and line
// feed. Inline, as the reader calls it for every token of every line.
class Tokenizer {
  public:
    Tokenizer(const char* text, std::size_t length) : next_(text), end_(text + length) {}

    // Gives the next token; false when none is left.
    bool Next(Token* token) {
        // The common token of a listing, two bytes after one separator and
        // before another or the end, by one test.
        const std::ptrdiff_t left = end_ - next_;
        if (left >= 3 && IsTokenSeparator(next_[0]) && !IsTokenSeparator(next_[1]) &&
            !IsTokenSeparator(next_[2]) && (left == 3 || IsTokenSeparator(next_[3]))) {
            token->text = next_ + 1;
            token->length = 2;
            next_ += 3;
            return true;
        }
        while (next_ < end_ && IsTokenSeparator(*next_)) {
            ++next_;
        }
        if (next_ == end_) {
            return false;
        }
        const char* start = next_;
        while (next_ < end_ && !IsTokenSeparator(*next_)) {
            ++next_;
        }
        token->text = start;
        token->length = static_cast<std::size_t>(next_ - start);
        return true;
    }

    // Where the next token is looked for, and the end of the text.
    const char* Rest() const { return next_; }
    const char* End() const { return end_; }
    // Goes on from `rest`, a point between Rest() and End() where a token
    // has just ended.
    void Skip(const char* rest) { next_ = rest; }

  private:
    const char* next_;
    const char* end_;
};

// The window of a data token: the whole token of 1 or 2 bytes; of a longer
// one its last two bytes, or with `ohmz_sum` its bytes at positions 2, 4 and
// 5 (from 1) as far as it has them.
inline TokenWindow MakeTokenWindow(Token token, bool ohmz_sum) {
    TokenWindow window;
    const char* text = token.text;
    if (token.length <= 2) {
        window.length = token.length;
    } else if (!ohmz_sum) {
        text += token.length - 2;
        window.length = 2;
    } else {
        // Positions 2, 4 and 5 counted from 1: the digits h, h, h of ?h.hh?.
        window.text[0] = text[1];
        window.length = 1;
        if (token.length > 3) {
            window.text[window.length++] = text[3];
        }
        if (token.length > 4) {
            window.text[window.length++] = text[4];
        }
        window.text[window.length] = '\0';
        return window;
    }
    for (std::size_t i = 0; i < window.length; ++i) {
        window.text[i] = text[i];
    }
    window.text[window.length] = '\0';
    return window;
}

// The most tokens LeadingPairs reads.
inline constexpr int kMaxLeadingPairs = 15;

// Reads the tokens of the form " HH" (a space, then two upper-case
// hexadecimal digits) that begin the text from `text` to `end`, each
// followed by a space, as far as blocks of sixteen bytes reach within the
// text: their values into `values`, in order. Returns how many, at most
// kMaxLeadingPairs; none where the processor has no SSE2. The common row of
// a listing is read this way several tokens at a time.
int LeadingPairs(const char* text, const char* end, std::uint8_t* values);

// How many tokens LeadingPairs reads from the same text, without their
// values, for a caller that takes each token's digits itself.
int LeadingPairCount(const char* text, const char* end);

// Whether the first two bytes of `text` are both hexadecimal digits.
inline bool PassesPairTest(const char* text, std::size_t length) {
    return length >= 2 && (UpperHexDigitValue(text[0]) | UpperHexDigitValue(text[1])) >= 0;
}

// The value of `text` as strtol reads it in base 16 with a 32-bit long:
// leading white space, a sign, a 0X prefix, then digits up to the first
// other byte; 0 without digits; saturated at the 32-bit limits. Reads no
// more than `length` bytes.
std::int32_t HexValue(const char* text, std::size_t length);

}  // namespace tsy
