// Hexadecimal readings of a token that fails the pair test, for the common
// misreadings of a printed listing: O for 0, I or l for 1, S for 5, G for 6
// or C, and full-width Shift-JIS digits and letters for their ASCII forms.
#pragma once

#include <cstddef>
#include <cstdint>

#include "proof/finding.h"

namespace tsy::proof {

inline constexpr int kMaxReadings = 8;

// The ASCII spellings the raw token `raw` of `length` bytes may stand for,
// each character read as itself or as the digit it resembles. Writes at most
// `capacity` into `spellings` and returns how many; 0 when a character has
// no reading, when the token is too long to quote, or when more than
// `capacity` would arise.
int Respell(const char* raw, std::size_t length, Quote* spellings, int capacity);

// One reading of a token: the token as it would have been typed, and the
// value of its window.
struct Reading {
    Quote text;
    std::int32_t value = 0;
};

// The readings of the raw (not upper-cased) token `raw` of `length` bytes
// whose window, taken as MakeTokenWindow takes it with `ohmz_sum`, passes the
// hexadecimal pair test. Writes at most kMaxReadings into `readings` and
// returns how many; 0 when a byte has no reading, when the token is too long
// to quote, or when more than kMaxReadings would arise.
int ReadAsHex(const char* raw, std::size_t length, bool ohmz_sum, Reading* readings);

// The half-width form of a line `raw` of `length` bytes as an IME may type
// it: every full-width digit, letter and space, and the full-width point,
// colon and brackets, becomes its ASCII byte; every other byte stays.
// Writes it to `out` (at least `length` + 1 bytes, zero-terminated) and, for
// each byte of it, the offset in `raw` it comes from to `from`. Returns its
// length; 0 when the line holds no such full-width character.
std::size_t HalfWidthLine(const char* raw, std::size_t length, char* out, std::uint16_t* from);

}  // namespace tsy::proof
