#include "listing/check_line.h"

namespace tsy {
namespace {

void Clear(CheckLineResult* result) {
    result->outcome = LineOutcome::Accepted;
    result->column_count = 0;
    result->bad_column = -1;
    result->bad_token = Token();
    result->mismatch_count = 0;
    result->given = Token();
    result->computed = 0;
}

// The compared bytes of the total: its last two, or all of one or two.
Token TotalPart(Token total) {
    if (total.length > 2) {
        total.text += total.length - 2;
        total.length = 2;
    }
    return total;
}

// The compared bytes of the CRC: its first four.
Token CrcPart(Token crc) {
    if (crc.length > 4) {
        crc.length = 4;
    }
    return crc;
}

}  // namespace

void EvaluateSumLine(const char* upper, std::size_t length, const BlockSums& sums, bool ohx_crc,
                     CheckLineResult* result) {
    Clear(result);
    // One pass over the tokens counts the columns and keeps the first ones,
    // as many as a line usually has; a longer line is read a second time.
    constexpr int kKept = kColumnCount + 2;
    // Plain arrays, filled as far as they are read: not cleared for each line.
    const char* kept_text[kKept];
    std::size_t kept_length[kKept];
    int token_count = 0;
    // The common columns, " HH" each after "SUM", read several at a time;
    // each is a column token that passes the pair test.
    std::uint8_t values[kMaxLeadingPairs];
    const int pairs =
        length > 3 && upper[3] == ' ' ? LeadingPairs(upper + 3, upper + length, values) : 0;
    {
        Tokenizer tokens(upper, length);
        Token token;
        tokens.Next(&token);  // the "SUM..." token
        for (; token_count < pairs; ++token_count) {
            kept_text[token_count] = upper + 3 * token_count + 4;
            kept_length[token_count] = 2;
        }
        result->column_count = pairs;
        if (pairs > 0) {
            tokens.Skip(upper + 3 * pairs + 3);
        }
        while (tokens.Next(&token)) {
            if (token_count < kKept) {
                kept_text[token_count] = token.text;
                kept_length[token_count] = token.length;
            }
            ++token_count;
            result->column_count += token.length == 2 ? 1 : 0;
        }
    }
    const bool all_kept = token_count <= kKept;

    // The second reading, of a line with more tokens than kept.
    Tokenizer tokens(upper, all_kept ? 0 : length);
    Token token;
    tokens.Next(&token);
    for (int c = 0; c < result->column_count; ++c) {
        if (c < pairs) {
            const std::uint32_t computed = c < kColumnCount ? sums.column_sums[c] & 0xFFu : 0u;
            if (values[c] != computed) {
                ColumnMismatch& mismatch = result->mismatches[result->mismatch_count++];
                mismatch.given = Token{upper + 3 * c + 4, 2};
                mismatch.column = c;
                mismatch.computed = static_cast<std::uint8_t>(computed);
            }
            if (!all_kept) {
                tokens.Next(&token);
            }
            continue;
        }
        if (all_kept) {
            token = Token{kept_text[c], kept_length[c]};
        } else {
            tokens.Next(&token);  // N never exceeds the tokens after the first
        }
        if (!PassesPairTest(token.text, token.length)) {
            result->outcome = LineOutcome::E04;
            result->bad_column = c;
            result->bad_token = token;
            result->mismatch_count = 0;
            return;
        }
        const std::uint32_t computed = c < kColumnCount ? sums.column_sums[c] & 0xFFu : 0u;
        // Two digits, the common token, read directly.
        const std::int32_t value =
            token.length == 2 && UpperHexDigitValue(token.text[0]) >= 0 &&
                    UpperHexDigitValue(token.text[1]) >= 0
                ? UpperHexDigitValue(token.text[0]) * 16 + UpperHexDigitValue(token.text[1])
                : HexValue(token.text, token.length);
        if (value != static_cast<std::int32_t>(computed)) {
            ColumnMismatch& mismatch = result->mismatches[result->mismatch_count++];
            mismatch.given = token;
            mismatch.column = c;
            mismatch.computed = static_cast<std::uint8_t>(computed);
        }
    }
    if (result->mismatch_count > 0) {
        result->outcome = LineOutcome::E05;
        return;
    }

    Token total;
    const bool has_total = all_kept ? result->column_count < token_count : tokens.Next(&total);
    if (all_kept && has_total) {
        total = Token{kept_text[result->column_count], kept_length[result->column_count]};
    }
    if (ohx_crc) {
        result->computed = sums.block_crc;
        result->given = has_total ? CrcPart(total) : Token{upper + length, 0};
    } else {
        result->computed = sums.block_sum & 0xFFu;
        result->given = has_total ? TotalPart(total) : Token{upper + length, 0};
    }
    const std::int32_t given = HexValue(result->given.text, result->given.length);
    if (!has_total || given != static_cast<std::int32_t>(result->computed)) {
        result->outcome = ohx_crc ? LineOutcome::E07 : LineOutcome::E06;
    }
}

void EvaluateDashedLine(const char* upper, std::size_t length, const BlockSums& sums,
                        CheckLineResult* result) {
    Clear(result);
    if (length > 0 && upper[length - 1] == '\n') {
        --length;
    }
    const std::size_t part = length < 4 ? length : 4;
    result->given = Token{upper + length - part, part};
    result->computed = sums.block_sum & 0xFFFFu;
    if (HexValue(result->given.text, result->given.length) !=
        static_cast<std::int32_t>(result->computed)) {
        result->outcome = LineOutcome::E08;
    }
}

}  // namespace tsy
