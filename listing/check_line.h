// The check lines: a SumLine (column sums, then the block total or the
// Oh!X CRC) and an Oh!MZ DashedLine (a 16-bit block total), evaluated
// against the block sums without changing them. On Accepted the caller
// resets the sums (BlockSums::ResetAfterSumLine / ResetAfterDashedLine).
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/outcome.h"
#include "listing/sums.h"
#include "listing/tokens.h"

namespace tsy {

// One column of a SumLine whose given sum differs from the computed one.
struct ColumnMismatch {
    Token given;            // the column token, whole
    int column = 0;         // c, from 0
    std::uint8_t computed;  // ColumnSums[c] & 0xFF; 0 for a column from 16 on
};

// Tokens point into the line passed to the evaluation and stay valid as long
// as it does.
struct CheckLineResult {
    // Accepted, E04, E05, E06, E07 or E08.
    LineOutcome outcome;
    // SumLine: N, the count of two-byte tokens after the first.
    int column_count;
    // E04: the column whose token fails the pair test, and that token.
    int bad_column;
    Token bad_token;
    // E05: every mismatching column, in column order.
    int mismatch_count;
    ColumnMismatch mismatches[kMaxTokensPerLine];
    // E06, E07, E08: the compared bytes of the total or CRC (empty when the
    // SumLine has no token after its columns) and the computed value
    // (BlockSum & 0xFF, BlockCrc, BlockSum & 0xFFFF).
    Token given;
    std::uint32_t computed;
};

// Evaluates the SumLine `upper` (upper-cased, `length` bytes) against `sums`.
// Column tokens failing the pair test give E04 at once; otherwise every
// mismatching column is listed for E05; then the total (its last two bytes,
// or the whole token of one or two) is compared with BlockSum & 0xFF (E06),
// or with `ohx_crc` the first four bytes with BlockCrc (E07).
void EvaluateSumLine(const char* upper, std::size_t length, const BlockSums& sums, bool ohx_crc,
                     CheckLineResult* result);

// Evaluates the DashedLine `upper`: its last four bytes before the line feed
// (trailing blanks included) against BlockSum & 0xFFFF (E08).
void EvaluateDashedLine(const char* upper, std::size_t length, const BlockSums& sums,
                        CheckLineResult* result);

}  // namespace tsy
