#include "listing/data_line.h"

#include <cstring>

namespace tsy {
namespace {

// Reads the windows after the address field, dropping ':' windows with
// OhXCrc and stopping at kMaxWindows.
void KeepWindows(Tokenizer* tokens, const ListingOptions& options, DataLineResult* result) {
    Token token;
    while (result->window_count < kMaxWindows && tokens->Next(&token)) {
        const TokenWindow window = MakeTokenWindow(token, options.ohmz_sum);
        if (options.ohx_crc && window.text[0] == ':') {
            continue;
        }
        result->windows[result->window_count++] = window;
    }
}

// The value of a window that passed the pair test: its two digits, or three
// when its third byte is a digit too (an Oh!MZ window). The same as
// HexValue of the window, without its general rules.
std::int32_t PairValue(const TokenWindow& window) {
    std::int32_t value = HexDigitValue(window.text[0]) * 16 + HexDigitValue(window.text[1]);
    if (window.length == 3 && IsUpperHexDigit(window.text[2])) {
        value = value * 16 + HexDigitValue(window.text[2]);
    }
    return value;
}

}  // namespace

void EvaluateDataLine(const char* upper, std::size_t length, const ListingOptions& options,
                      DataLineResult* result) {
    *result = DataLineResult();
    Tokenizer tokens(upper, length);
    Token field;
    tokens.Next(&field);  // a DataLine begins with four digits, so this token exists
    const std::size_t text_length = field.length < 5 ? field.length : 5;
    std::memcpy(result->address_text, field.text, text_length);
    result->address_text[text_length] = '\0';
    result->address = HexValue(result->address_text, text_length);
    if (result->address > kHighestEmulatedAddress) {
        result->outcome = LineOutcome::Ignored;
        return;
    }

    KeepWindows(&tokens, options, result);
    result->count = result->window_count;
    if (options.checksum && result->count > 0) {
        --result->count;
    }

    std::uint32_t line_sum = 0;
    for (int k = 0; k < result->count; ++k) {
        const TokenWindow& window = result->windows[k];
        if (!PassesPairTest(window.text, window.length)) {
            result->bad_window = k;
            result->outcome = LineOutcome::E00;
            return;
        }
        const std::int32_t value = PairValue(window);
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
        result->given_value = HexValue(result->given_checksum.text, result->given_checksum.length);
    }
    if (!result->checksum_given || result->given_value != static_cast<std::int32_t>(line_sum)) {
        result->outcome = options.ohmz_sum ? LineOutcome::E02 : LineOutcome::E03;
    }
}

void AddToBlock(const DataLineResult& line, bool ohx_crc, BlockSums* sums) {
    for (int k = 0; k < line.count; ++k) {
        const std::uint32_t value = static_cast<std::uint32_t>(line.values[k]);
        if (k < kColumnCount) {
            sums->column_sums[k] += value;
        }
        sums->block_sum += value;
    }
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
}

}  // namespace tsy
