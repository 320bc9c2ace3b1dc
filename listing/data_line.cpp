#include "listing/data_line.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tsy {
namespace {

// Reads the windows after the address field, dropping ':' windows with
// OhXCrc and stopping at kMaxWindows. Each window is made in its place in
// the result; a token of two bytes, the common case, is its own window.
void KeepWindows(Tokenizer* tokens, const ListingOptions& options, DataLineResult* result) {
    Token token;
    while (result->window_count < kMaxWindows && tokens->Next(&token)) {
        TokenWindow& window = result->windows[result->window_count];
        if (token.length == 2) {
            window.text[0] = token.text[0];
            window.text[1] = token.text[1];
            window.text[2] = '\0';
            window.length = 2;
        } else {
            window = MakeTokenWindow(token, options.ohmz_sum);
        }
        if (options.ohx_crc && window.text[0] == ':') {
            continue;
        }
        ++result->window_count;
    }
}

// Takes the tokens LeadingPairs reads from `next` to `end`: their windows,
// values and bytes from window 0 on, their values' sum in `sum`. Each such
// token passes every test of KeepPairs. Returns how many.
int TakeSurePairs(const char* next, const char* end, DataLineResult* result, std::uint32_t* sum) {
    // The tokens are known to be right: each one's digits are read where
    // its window is made, one pass over them.
    const int count = LeadingPairCount(next, end);
    std::uint32_t total = 0;
#if defined(__GNUC__)
#pragma GCC unroll 5
#endif
    for (int k = 0; k < count; ++k) {
        const char* digits = next + 3 * k + 1;
        const std::int32_t value =
            UpperHexDigitValue(digits[0]) * 16 + UpperHexDigitValue(digits[1]);
        // The window's text, its two digits and a zero, in one store.
        std::uint16_t two;
        std::memcpy(&two, digits, 2);
        const std::uint32_t text = two;
        TokenWindow& window = result->windows[k];
        std::memcpy(window.text, &text, 4);
        window.length = 2;
        result->values[k] = value;
        result->bytes[k] = static_cast<std::uint8_t>(value);
        total += static_cast<std::uint32_t>(value);
    }
    *sum = total;
    return count;
}

// Keeps the windows of the common row, each token two hexadecimal digits
// after one space, with their values and bytes, up to the first token of
// another form; returns how many, their values' sum in `pair_sum`.
// KeepWindows goes on from there. A checksum among them is given a value
// too, past the data values.
int KeepPairs(Tokenizer* tokens, DataLineResult* result, std::uint32_t* pair_sum) {
    int count = 0;
    std::uint32_t sum = 0;
    const char* next = tokens->Rest();
    const char* end = tokens->End();
    // Most of a common row at once; the loop goes on from there.
    count = TakeSurePairs(next, end, result, &sum);
    next += 3 * count;
    // The last place a token of three bytes with its space can begin; one
    // there ends the text, one before it must be followed by a separator.
    // (Before `next` when no such token fits: the address field precedes it.)
    const char* last = end - next >= 3 ? end - 3 : next - 1;
    while (count < kMaxWindows && next <= last && next[0] == ' ') {
        const int high = UpperHexDigitValue(next[1]);
        const int low = UpperHexDigitValue(next[2]);
        if ((high | low) < 0 || (next < last && !IsTokenSeparator(next[3]))) {
            break;
        }
        TokenWindow& window = result->windows[count];
        std::memcpy(window.text, next + 1, 2);
        window.text[2] = '\0';
        window.length = 2;
        const int value = high * 16 + low;
        result->values[count] = value;
        result->bytes[count] = static_cast<std::uint8_t>(value);
        sum += static_cast<std::uint32_t>(value);
        ++count;
        next += 3;
    }
    result->window_count = count;
    tokens->Skip(next);
    *pair_sum = sum;
    return count;
}

// The value of a window: its first two bytes as digits, or three when its
// third byte is a digit too (an Oh!MZ window); -1 when it fails the pair
// test. The same as HexValue of a window that passes, without its general
// rules.
std::int32_t PairValue(const TokenWindow& window) {
    const int high = UpperHexDigitValue(window.text[0]);
    const int low = UpperHexDigitValue(window.text[1]);
    if (window.length < 2 || (high | low) < 0) {
        return -1;
    }
    std::int32_t value = high * 16 + low;
    if (window.length == 3) {
        const int third = UpperHexDigitValue(window.text[2]);
        if (third >= 0) {
            value = value * 16 + third;
        }
    }
    return value;
}

// The value of two upper-case hexadecimal digits; -1 when either is none.
inline std::int32_t TwoDigits(const char* text) {
    const int high = UpperHexDigitValue(text[0]);
    const int low = UpperHexDigitValue(text[1]);
    return (high | low) < 0 ? -1 : high * 16 + low;
}

// The value of four upper-case hexadecimal digits; -1 when one is none.
inline std::int32_t FourDigits(const char* text) {
    const std::int32_t high = TwoDigits(text);
    const std::int32_t low = TwoDigits(text + 2);
    return (high | low) < 0 ? -1 : high * 256 + low;
}

// HexValue of a text that is often all digits: those are read directly.
std::int32_t FieldValue(const char* text, std::size_t length) {
    std::int32_t value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int digit = UpperHexDigitValue(text[i]);
        if (digit < 0 || length > 7) {
            return HexValue(text, length);
        }
        value = value * 16 + digit;
    }
    return length == 0 ? HexValue(text, length) : value;
}

}  // namespace

void EvaluateDataLine(const char* upper, std::size_t length, const ListingOptions& options,
                      DataLineResult* result) {
    // Every field a reader of the result may look at is set here; the
    // arrays hold meaning only up to the counts, so they are not cleared.
    result->outcome = LineOutcome::Ignored;
    result->window_count = 0;
    result->count = 0;
    result->bad_window = -1;
    result->checksum_given = false;
    result->given_checksum = TokenWindow();
    result->given_value = 0;
    result->line_sum = 0;
    Tokenizer tokens(upper, length);
    const std::int32_t four = length > 4 && IsTokenSeparator(upper[4]) ? FourDigits(upper) : -1;
    if (four >= 0) {
        // The common address field, four digits and a separator.
        std::memcpy(result->address_text, upper, 4);
        result->address_text[4] = '\0';
        result->address = four;
        tokens.Skip(upper + 4);
    } else {
        Token field;
        tokens.Next(&field);  // a DataLine begins with four digits, so this token exists
        const std::size_t text_length = field.length < 5 ? field.length : 5;
        for (std::size_t i = 0; i < text_length; ++i) {
            result->address_text[i] = field.text[i];
        }
        result->address_text[text_length] = '\0';
        result->address = text_length == 4 && FourDigits(field.text) >= 0
                              ? FourDigits(field.text)
                              : FieldValue(result->address_text, text_length);
    }
    if (result->address > kHighestEmulatedAddress) {
        result->outcome = LineOutcome::Ignored;
        return;
    }

    std::uint32_t pair_sum = 0;
    const int pair_count = KeepPairs(&tokens, result, &pair_sum);
    KeepWindows(&tokens, options, result);
    result->count = result->window_count;
    if (options.checksum && result->count > 0) {
        --result->count;
    }

    // The values read with their windows are in place and pass the pair
    // test; the checksum's among them is no data. The rest are tested here.
    std::uint32_t line_sum = pair_sum;
    if (pair_count > result->count) {
        line_sum -= static_cast<std::uint32_t>(result->values[result->count]);
    }
    for (int k = pair_count; k < result->count; ++k) {
        const std::int32_t value = PairValue(result->windows[k]);
        if (value < 0) {
            result->bad_window = k;
            result->outcome = LineOutcome::E00;
            return;
        }
        result->values[k] = value;
        result->bytes[k] = static_cast<std::uint8_t>(value & 0xFF);
        line_sum += static_cast<std::uint32_t>(value);
    }

    result->outcome = LineOutcome::Accepted;
    if (!options.checksum) {
        return;
    }
    const std::uint32_t address = static_cast<std::uint32_t>(result->address);
    if (options.address_sum) {
        line_sum += address & 0xFFu;
        if (!options.lower_address_only) {
            line_sum += address >> 8;
        }
    }
    line_sum &= options.ohmz_sum ? 0xFFFu : 0xFFu;
    result->line_sum = line_sum;
    result->checksum_given = result->window_count > 0;
    if (result->checksum_given) {
        result->given_checksum = result->windows[result->window_count - 1];
        const TokenWindow& given = result->given_checksum;
        const std::int32_t pair = given.length == 2 ? TwoDigits(given.text) : -1;
        result->given_value = pair >= 0 ? pair : FieldValue(given.text, given.length);
    }
    if (!result->checksum_given || result->given_value != static_cast<std::int32_t>(line_sum)) {
        result->outcome = options.ohmz_sum ? LineOutcome::E02 : LineOutcome::E03;
    }
}

void AddToBlock(const DataLineResult& line, bool ohx_crc, BlockSums* sums) {
    // The columns first, then a 17th value, which belongs to none; the
    // total is kept apart so that each value is added once to it.
    const int columns = line.count < kColumnCount ? line.count : kColumnCount;
    std::uint32_t total = 0;
    if (columns == kColumnCount) {
#if defined(__SSE2__)
        // A full row, the common one: four columns at a time where the
        // processor has SSE2, the total gathered alike.
        __m128i sum = _mm_setzero_si128();
        for (int k = 0; k < kColumnCount; k += 4) {
            const __m128i values =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.values + k));
            __m128i* column = reinterpret_cast<__m128i*>(sums->column_sums + k);
            _mm_storeu_si128(column, _mm_add_epi32(_mm_loadu_si128(column), values));
            sum = _mm_add_epi32(sum, values);
        }
        sum = _mm_add_epi32(sum, _mm_srli_si128(sum, 8));
        sum = _mm_add_epi32(sum, _mm_srli_si128(sum, 4));
        total = static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum));
#else
        // A full row, the common one: a loop of known length over copies
        // that nothing else may change, which the compiler can do several
        // values at a time.
        std::int32_t values[kColumnCount];
        std::uint32_t column_sums[kColumnCount];
        std::memcpy(values, line.values, sizeof values);
        std::memcpy(column_sums, sums->column_sums, sizeof column_sums);
        for (int k = 0; k < kColumnCount; ++k) {
            const std::uint32_t value = static_cast<std::uint32_t>(values[k]);
            column_sums[k] += value;
            total += value;
        }
        std::memcpy(sums->column_sums, column_sums, sizeof column_sums);
#endif
    } else {
        for (int k = 0; k < columns; ++k) {
            const std::uint32_t value = static_cast<std::uint32_t>(line.values[k]);
            sums->column_sums[k] += value;
            total += value;
        }
    }
    for (int k = columns; k < line.count; ++k) {
        total += static_cast<std::uint32_t>(line.values[k]);
    }
    sums->block_sum += total;
    if (ohx_crc) {
        sums->block_crc = CrcBytes(sums->block_crc, line.bytes, line.count);
    }
}

bool WithinAddressSpace(const DataLineResult& line) {
    return line.count == 0 || line.address + line.count - 1 <= kHighestEmulatedAddress;
}

bool FitsImage(const StateImage& image, const DataLineResult& line) {
    if (line.count == 0) {
        return true;
    }
    return WithinAddressSpace(line) && image.Fits(static_cast<std::uint32_t>(line.address),
                                                  static_cast<std::uint32_t>(line.count));
}

void AddressRange::Add(const DataLineResult& line) {
    if (line.address < lowest) {
        lowest = line.address;
    }
    const std::int32_t last = line.address + line.count - 1;
    if (last > highest) {
        highest = last;
    }
    bytes += static_cast<std::uint32_t>(line.count);
}

}  // namespace tsy
