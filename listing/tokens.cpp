#include "listing/tokens.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tsy {
namespace {

constexpr char kDashes[] = "------------------------------";  // 30 dashes
constexpr std::size_t kDashCount = sizeof kDashes - 1;

// White space as the C library's isspace sees it in the "C" locale.
bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::size_t UpperCaseLine(const char* line, std::size_t length, char* upper) {
    if (length > kMaxLineLength) {
        length = kMaxLineLength;
    }
    // The text ends at its first zero byte. Eight bytes at a time while
    // none of them is zero: a byte is a lower-case letter when its low
    // seven bits are at least 'a' and at most 'z' and its high bit is clear;
    // its bit 5 is then cleared. Other bytes, Shift-JIS ones included, stay.
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen at a time where the processor has SSE2: the same tests, a
    // byte being lower-case when it less 'a' is at most 25 without sign.
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_set1_epi8('a');
    const __m128i z_offset = _mm_set1_epi8(25);
    const __m128i case_bit = _mm_set1_epi8(0x20);
    // Converts the sixteen bytes at `at`; false, with nothing stored, when
    // one of them is zero.
    const auto convert = [&](std::size_t at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + at));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)) != 0) {
            return false;
        }
        const __m128i offset = _mm_sub_epi8(bytes, a);
        const __m128i lower = _mm_cmpeq_epi8(_mm_min_epu8(offset, z_offset), offset);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(upper + at),
                         _mm_xor_si128(bytes, _mm_and_si128(lower, case_bit)));
        return true;
    };
    bool whole_blocks = true;
    for (; i + 16 <= length; i += 16) {
        if (!convert(i)) {
            whole_blocks = false;
            break;
        }
    }
    // The rest as the last sixteen bytes of the line, which overlap bytes
    // already converted alike.
    if (whole_blocks && i < length && length >= 16 && convert(length - 16)) {
        i = length;
    }
#endif
    for (; i + 8 <= length; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, line + i, 8);
        if (((word - kOnes) & ~word & (0x80 * kOnes)) != 0) {
            break;  // a zero byte among them: the bytes one by one
        }
        const std::uint64_t low7 = word & (0x7F * kOnes);
        const std::uint64_t at_least_a = low7 + (0x80 - 'a') * kOnes;
        const std::uint64_t above_z = low7 + (0x80 - 'z' - 1) * kOnes;
        const std::uint64_t lower = at_least_a & ~above_z & ~word & (0x80 * kOnes);
        word ^= lower >> 2;
        std::memcpy(upper + i, &word, 8);
    }
    for (; i < length && line[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        const unsigned char lower = static_cast<unsigned char>(c - 'a') < 26 ? 0x20 : 0;
        upper[i] = static_cast<char>(c - lower);
    }
    upper[i] = '\0';
    return i;
}

LineKind ClassifyLine(const char* upper, std::size_t length, const ListingOptions& options) {
    if (length < 4) {
        return LineKind::Ignored;
    }
    if ((UpperHexDigitValue(upper[0]) | UpperHexDigitValue(upper[1]) |
         UpperHexDigitValue(upper[2]) | UpperHexDigitValue(upper[3])) >= 0) {
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

namespace {

#if defined(__SSE2__)
// How many tokens of the form " HH" begin the text, as LeadingPairs
// describes them; with `kValues` their values into `values` too.
template <bool kValues>
int ReadLeadingPairs(const char* text, const char* end, std::uint8_t* values) {
    // Each block of sixteen bytes from a multiple of 15 holds five tokens
    // and the space of the next: its bytes at 0, 3, ... 15 are spaces.
    const __m128i spaces = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1);
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i zero_digit = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i letter_a = _mm_set1_epi8('A');
    const __m128i five = _mm_set1_epi8(5);
    const __m128i low_nibble = _mm_set1_epi8(0x0F);
    const __m128i letter_bit = _mm_set1_epi8(0x40);
    std::uint64_t good = 0;
    alignas(16) std::uint8_t pairs[3][16];
    int blocks = 0;
    for (; blocks < 3 && end - text >= 15 * blocks + 16; ++blocks) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 15 * blocks));
        // A byte is a digit when it less '0' is at most 9, or less 'A' at
        // most 5, without sign.
        const __m128i from_zero = _mm_sub_epi8(bytes, zero_digit);
        const __m128i from_a = _mm_sub_epi8(bytes, letter_a);
        const __m128i digit = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(from_zero, nine), from_zero),
                                           _mm_cmpeq_epi8(_mm_min_epu8(from_a, five), from_a));
        const __m128i is_space = _mm_cmpeq_epi8(bytes, space);
        // Right where a space stands at a space's place and a digit at a digit's.
        const __m128i right =
            _mm_or_si128(_mm_and_si128(spaces, is_space), _mm_andnot_si128(spaces, digit));
        good |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(right)))
                << (15 * blocks);
        if (kValues) {
            // A digit's value is its low four bits, and 9 more for a letter;
            // a token's value, its first digit's times 16 and its second's,
            // lands on its first digit (a space's value is 0, so nothing
            // spills over).
            const __m128i letter = _mm_cmpeq_epi8(_mm_and_si128(bytes, letter_bit), letter_bit);
            const __m128i nibbles =
                _mm_add_epi8(_mm_and_si128(bytes, low_nibble), _mm_and_si128(letter, nine));
            _mm_store_si128(reinterpret_cast<__m128i*>(pairs[blocks]),
                            _mm_add_epi8(_mm_slli_epi16(nibbles, 4), _mm_srli_si128(nibbles, 1)));
        }
    }
    // A token is read when its bytes and the space after it are right,
    // before the first wrong byte (or the first not looked at).
    const int right_bytes = __builtin_ctzll(~good);
    const int count = right_bytes > 0 ? (right_bytes - 1) / 3 : 0;
    if (kValues) {
        int k = 0;
        for (int block = 0; k + 5 <= count; ++block) {
            for (int i = 0; i < 5; ++i, ++k) {
                values[k] = pairs[block][i * 3 + 1];
            }
        }
        for (; k < count; ++k) {
            values[k] = pairs[k / 5][(k % 5) * 3 + 1];
        }
    }
    return count;
}
#endif

}  // namespace

int LeadingPairs(const char* text, const char* end, std::uint8_t* values) {
#if defined(__SSE2__)
    return ReadLeadingPairs<true>(text, end, values);
#else
    static_cast<void>(text);
    static_cast<void>(end);
    static_cast<void>(values);
    return 0;
#endif
}

int LeadingPairCount(const char* text, const char* end) {
#if defined(__SSE2__)
    return ReadLeadingPairs<false>(text, end, nullptr);
#else
    static_cast<void>(text);
    static_cast<void>(end);
    return 0;
#endif
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
