// Readings of the tokens of one line that the reader takes or refuses as
// typed: an unreadable data window read by its look-alikes (O for 0), a
// checksum, column, total or CRC token whose look-alike reading gives the
// computed value. Each works on the line as read (`raw`) and its
// upper-cased copy (`upper`, `length` bytes), and says which reading fits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/check_line.h"
#include "listing/data_line.h"
#include "listing/listing_options.h"
#include "proof/block.h"
#include "proof/finding.h"

namespace tsy::proof {

// The tokens of a DataLine behind its kept windows, in window order: the
// tokens after the address, less those whose window begins with ':' under
// OhXCrc, at most kMaxWindows. Returns how many.
int KeptTokens(const char* upper, std::size_t length, const ListingOptions& options, Token* tokens);

// The same bytes in the line as read as `token` covers in its upper-cased copy.
inline const char* RawText(const char* raw, const char* upper, Token token) {
    return raw + (token.text - upper);
}

// E00: the one reading of the line's unreadable windows that makes its line
// sum right replaces `data` and is named on `finding` (a Misreading per
// window, noted in `line`); false when there is none or several.
bool ReadUnreadable(const char* raw, const char* upper, std::size_t length,
                    const ListingOptions& options, DataLineResult* data, RecordedLine* line,
                    Finding* finding);

// Each data window of the first `count` that is no pair of digits, of two
// characters, noted in `line` as an unknown byte (at most
// kMaxUnknownWindows), its digits that are no hexadecimal digit written as
// 0 into `patched` (a copy of `upper`) unless null; false, noting nothing,
// when a window cannot be so read.
bool MarkUnreadable(const char* raw, const char* upper, std::size_t length,
                    const ListingOptions& options, int count, RecordedLine* line, char* patched);

// E00 with no one reading: each unreadable data window of two characters
// counted as an unknown byte, its digits that are no hexadecimal digit taken
// as 0 (noted in `line`), and the line so read evaluated into `data`; false
// when a window cannot be so read or there are more than kMaxUnknownWindows.
bool StandInUnreadable(const char* raw, const char* upper, std::size_t length,
                       const ListingOptions& options, DataLineResult* data, RecordedLine* line);

// E02, E03: a checksum token whose one reading gives the line sum is named
// on `finding` and noted in `line`.
void ReadChecksum(const char* raw, const char* upper, std::size_t length,
                  const ListingOptions& options, const DataLineResult& data, RecordedLine* line,
                  Finding* finding);

// Whether every byte of `window` is a hexadecimal digit: a window typed so
// has no look-alike letter. Inline, as an apply asks it of every line.
inline bool AllDigits(const TokenWindow& window) {
    for (std::size_t i = 0; i < window.length; ++i) {
        if (!IsUpperHexDigit(window.text[i])) {
            return false;
        }
    }
    return true;
}

// An accepted line's checksum window with a look-alike letter: a LookAlike
// finding into `out`; false when the window has none.
bool LookAlikeChecksum(const char* raw, const char* upper, std::size_t length,
                       const ListingOptions& options, const DataLineResult& data,
                       std::uint32_t line_number, Finding* out);

// E04: the reading of the column token that gives the column's sum
// `computed`, when exactly one does; empty otherwise.
Quote ReadSumColumn(const char* raw, const char* upper, const CheckLineResult& check,
                    std::uint32_t computed);

// The part of a check line's total or CRC token that an apply compares:
// the last two characters of a total, the first four of a CRC, the last
// four of a dashed total.
Token ComparedPart(Token token, TokenRole role);

// Whether a SumLine's total token is four hexadecimal digits, all of which
// check compares with the block's sum in 16 bits.
bool FourDigitTotal(const char* text, std::size_t length);

// The readings of a check line's total or CRC token (`raw`, as read) with
// look-alike letters: `matches` of them give the block's value (`sum`, its
// BlockSum for a total, else the CRC), and `match` is the one when only one
// does (else the first reading). A total read as four digits is compared in
// 16 bits. Returns how many readings there are (0 when the token has no
// look-alike letter).
int ReadTotal(const char* raw, std::size_t length, TokenRole role, std::uint32_t sum, int* matches,
              Quote* match);

// Whether the raw token holds a letter, or a full-width character, that a
// misreading may have put in place of a hexadecimal digit.
bool HasLookAlike(const char* raw, std::size_t length);

}  // namespace tsy::proof
