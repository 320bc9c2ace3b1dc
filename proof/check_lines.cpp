// The check lines of a proofread listing: a SumLine or DashedLine is
// evaluated as an apply evaluates it, and what it gives is kept for the
// block's diagnosis: its columns, its total read in all four digits when it
// has four (the digits an apply does not compare a warning of their own when
// they alone differ), a column token or total read by its look-alike
// reading when one gives the block's value.
#include <cstring>
#include <optional>

#include "proof/listing_check.h"
#include "proof/token_readings.h"

namespace tsy::proof {
namespace {

Quote QuoteToken(Token token) {
    return MakeQuote(token.text, token.length);
}

}  // namespace

CheckGiven SumLineGiven(const char* upper, std::size_t length, const CheckLineResult& check,
                        const ListingOptions& options, int width) {
    CheckGiven given;
    given.judged = true;
    const int tokens_after = check.column_count;
    // A last token of two characters one column past the block's width, with
    // nothing after it, is a total written in two digits.
    Tokenizer tokens(upper, length);
    Token token;
    tokens.Next(&token);
    Token columns[kColumnCount + 1];
    bool pairs = true;
    for (int c = 0; c < tokens_after; ++c) {
        tokens.Next(&token);
        pairs = pairs && token.length == 2;
        if (c <= kColumnCount) {
            columns[c] = token;
        }
    }
    Token total;
    const bool has_total = tokens.Next(&total);
    given.two_digit_total =
        !options.ohx_crc && width > 0 && tokens_after == width + 1 && pairs && !has_total;
    const int compared = given.two_digit_total ? width : tokens_after;
    given.compared_columns = compared < kColumnCount ? compared : kColumnCount;
    for (int c = 0; c < given.compared_columns; ++c) {
        given.column[c] = HexValue(columns[c].text, columns[c].length);
        given.column_token[c] = QuoteToken(columns[c]);
    }
    for (int i = 0; i < check.mismatch_count; ++i) {
        const ColumnMismatch& mismatch = check.mismatches[i];
        if (given.two_digit_total && mismatch.column == width) {
            continue;
        }
        given.malformed =
            given.malformed || mismatch.column >= kColumnCount || mismatch.given.length != 2;
    }
    if (given.two_digit_total) {
        given.total = TotalKind::Sum8;
        given.total_value = static_cast<std::uint32_t>(HexValue(columns[width].text, 2));
        given.total_token = QuoteToken(columns[width]);
        given.two_digit_token = given.total_token;
    } else if (has_total && !options.ohx_crc && FourDigitTotal(total.text, total.length)) {
        // Four digits: all of them are the block's sum in 16 bits.
        given.total = TotalKind::Sum16;
        given.total_value = static_cast<std::uint32_t>(HexValue(total.text, total.length));
        given.total_token = QuoteToken(total);
    } else if (has_total) {
        const TokenRole role = options.ohx_crc ? TokenRole::Crc : TokenRole::Total;
        const Token part = ComparedPart(total, role);
        given.total = options.ohx_crc ? TotalKind::Crc : TotalKind::Sum8;
        given.total_value = static_cast<std::uint32_t>(HexValue(part.text, part.length));
        given.total_token = QuoteToken(part);
    }
    return given;
}

void ListingChecker::SumLine(const char* raw, std::size_t length, std::uint32_t line_number) {
    ++summary_.blocks;
    EvaluateSumLine(upper_, length, sums_, options_.ohx_crc, &check_);
    Finding finding = CheckFinding(line_number, check_.outcome);
    CheckGiven given;
    if (check_.outcome == LineOutcome::E04) {
        finding.index = check_.bad_column;
        finding.given = QuoteToken(check_.bad_token);
        const int column = check_.bad_column;
        const Quote reading =
            column < kColumnCount
                ? ReadSumColumn(raw, upper_, check_, sums_.column_sums[column] & 0xFFu)
                : Quote();
        if (reading.text[0] != '\0') {
            Diagnosis diagnosis;
            diagnosis.kind = DiagnosisKind::SumMisreading;
            diagnosis.column = column;
            diagnosis.token =
                MakeQuote(RawText(raw, upper_, check_.bad_token), check_.bad_token.length);
            diagnosis.reading = reading;
            finding.Add(diagnosis);
            // The line read with that reading gives the block's values.
            char patched[kLineBufferSize];
            const std::size_t at = static_cast<std::size_t>(check_.bad_token.text - upper_);
            const std::size_t reading_length = std::strlen(reading.text);
            const std::size_t rest = length - at - check_.bad_token.length;
            if (at + reading_length + rest < kLineBufferSize) {
                std::memcpy(patched, upper_, at);
                std::memcpy(patched + at, reading.text, reading_length);
                std::memcpy(patched + at + reading_length, upper_ + at + check_.bad_token.length,
                            rest);
                const std::size_t patched_length = at + reading_length + rest;
                patched[patched_length] = '\0';
                CheckLineResult read;
                EvaluateSumLine(patched, patched_length, sums_, options_.ohx_crc, &read);
                if (read.outcome != LineOutcome::E04) {
                    given =
                        SumLineGiven(patched, patched_length, read, options_, BlockWidth(block_));
                    given.column_misread = column;
                    given.column_unknown = 1u << column;
                    given.column_token[column] = diagnosis.token;
                }
            }
        } else {
            given = UnreadableColumns(raw, length);
        }
    } else {
        for (int i = 0; i < check_.mismatch_count; ++i) {
            const ColumnMismatch& mismatch = check_.mismatches[i];
            if (finding.column_count < kMaxColumnEntries) {
                ColumnEntry& entry = finding.columns[finding.column_count++];
                entry.column = mismatch.column;
                entry.given = QuoteToken(mismatch.given);
                entry.computed = mismatch.computed;
            } else {
                ++finding.columns_left_out;
            }
        }
        if (check_.outcome == LineOutcome::E06 || check_.outcome == LineOutcome::E07) {
            finding.given = QuoteToken(check_.given);
            finding.computed = check_.computed;
        }
        given = SumLineGiven(upper_, length, check_, options_, BlockWidth(block_));
        // The total or CRC token as a whole, for its look-alike letters: the
        // token after "SUM" and the columns.
        Tokenizer tokens(upper_, length);
        Token token;
        for (int skipped = 0; skipped <= check_.column_count; ++skipped) {
            tokens.Next(&token);
        }
        Token total;
        if (!given.two_digit_total && tokens.Next(&total) &&
            check_.outcome == LineOutcome::Accepted && !options_.ohx_crc &&
            HighDigitsUnread(raw, upper_, total, sums_.block_sum)) {
            // High digits typed as no hexadecimal digit, which no look-alike
            // reading makes the block's sum: the token is wrong whatever the
            // bytes, and the block's sum in four digits is what it should read.
            given.total = TotalKind::Sum16;
            given.total_value = sums_.block_sum & 0xFFFFu;
            given.total_token = MakeQuote(RawText(raw, upper_, total), total.length);
            given.total_unknown = true;
            Finding digits = CheckFinding(line_number, LineOutcome::Accepted);
            digits.kind = FindingKind::TotalDigits;
            digits.given = given.total_token;
            digits.computed = given.total_value;
            Hold(digits);
        } else if (!given.two_digit_total && total.length > 0) {
            const TokenRole role = options_.ohx_crc ? TokenRole::Crc : TokenRole::Total;
            Quote reading;
            given.total_misread =
                LookAlikeTotal(raw, total, role, given.total_value,
                               options_.ohx_crc ? sums_.block_crc : sums_.block_sum, line_number,
                               IsError(finding.code) ? &finding : nullptr, &reading);
            if (given.total_misread) {
                // A refused line's token: wrong as typed, whatever the block's bytes.
                given.total_unknown = IsError(finding.code);
                given.total = given.total == TotalKind::Sum8 && FourDigitTotal(reading.text, 4)
                                  ? TotalKind::Sum16
                                  : given.total;
                given.total_value = options_.ohx_crc                  ? sums_.block_crc
                                    : given.total == TotalKind::Sum16 ? sums_.block_sum & 0xFFFFu
                                                                      : sums_.block_sum & 0xFFu;
            } else if (check_.outcome == LineOutcome::Accepted && given.total == TotalKind::Sum16 &&
                       given.total_value != (sums_.block_sum & 0xFFFFu)) {
                // The digits an apply does not compare differ.
                Finding digits = CheckFinding(line_number, LineOutcome::Accepted);
                digits.kind = FindingKind::TotalDigits;
                digits.given = given.total_token;
                digits.computed = sums_.block_sum & 0xFFFFu;
                Hold(digits);
            }
        }
    }
    EndBlock(given, IsError(finding.code) ? &finding : nullptr);
    sums_.ResetAfterSumLine();
    block_.crc_start = 0;
}

CheckGiven ListingChecker::UnreadableColumns(const char* raw, std::size_t length) const {
    // Each unreadable column token read as 00 in turn, the line evaluated again.
    char patched[kLineBufferSize];
    if (length >= kLineBufferSize) {
        return CheckGiven();
    }
    std::memcpy(patched, upper_, length + 1);
    CheckLineResult read = check_;
    std::uint32_t unknown = 0;
    Quote tokens[kColumnCount];
    for (int count = 0; read.outcome == LineOutcome::E04; ++count) {
        const int column = read.bad_column;
        if (count == kMaxUnknownWindows || column >= kColumnCount || read.bad_token.length != 2) {
            return CheckGiven();
        }
        const char* evaluated = count == 0 ? upper_ : patched;
        const std::size_t at = static_cast<std::size_t>(read.bad_token.text - evaluated);
        tokens[column] = MakeQuote(raw + at, 2);
        unknown |= 1u << column;
        patched[at] = '0';
        patched[at + 1] = '0';
        EvaluateSumLine(patched, length, sums_, options_.ohx_crc, &read);
    }
    CheckGiven given = SumLineGiven(patched, length, read, options_, BlockWidth(block_));
    given.column_unknown = unknown;
    for (int c = 0; c < given.compared_columns; ++c) {
        if ((unknown >> c) & 1u) {
            given.column_token[c] = tokens[c];
        }
    }
    if (given.two_digit_total && ((unknown >> given.compared_columns) & 1u)) {
        // The total in two digits: a token no sum of bytes reads as it stands.
        given.total_token = tokens[given.compared_columns];
        given.two_digit_token = given.total_token;
        given.column_unknown &= ~(1u << given.compared_columns);
        given.total_unknown = true;
    }
    return given;
}

void ListingChecker::DashedLine(const char* raw, std::size_t length, std::uint32_t line_number) {
    ++summary_.blocks;
    EvaluateDashedLine(upper_, length, sums_, &check_);
    Finding finding = CheckFinding(line_number, check_.outcome);
    if (check_.outcome == LineOutcome::E08) {
        finding.given = QuoteToken(check_.given);
        finding.computed = check_.computed;
    }
    CheckGiven given;
    given.judged = true;
    given.total = TotalKind::Sum16;
    given.total_value =
        static_cast<std::uint32_t>(HexValue(check_.given.text, check_.given.length));
    given.total_token = QuoteToken(check_.given);
    // The last token, for its look-alike letters.
    Tokenizer tokens(upper_, length);
    Token token;
    Token last;
    while (tokens.Next(&token)) {
        last = token;
    }
    if (last.length > 0 && last.text + last.length == check_.given.text + check_.given.length) {
        Quote reading;
        given.total_misread =
            LookAlikeTotal(raw, last, TokenRole::DashedTotal, given.total_value, sums_.block_sum,
                           line_number, IsError(finding.code) ? &finding : nullptr, &reading);
        if (given.total_misread) {
            given.total_value = sums_.block_sum & 0xFFFFu;
            given.total_unknown = IsError(finding.code);
        }
    }
    EndBlock(given, IsError(finding.code) ? &finding : nullptr);
    sums_.ResetAfterDashedLine();
    block_.crc_start = sums_.block_crc;
}

bool HighDigitsUnread(const char* raw, const char* upper, Token total, std::uint32_t sum) {
    if (total.length != 4 || !PassesPairTest(total.text + 2, 2) ||
        FourDigitTotal(total.text, total.length)) {
        return false;
    }
    int matches = 0;
    Quote reading;
    ReadTotal(RawText(raw, upper, total), total.length, TokenRole::Total, sum, &matches, &reading);
    return matches != 1;
}

bool ListingChecker::LookAlikeTotal(const char* raw, Token token, TokenRole role,
                                    std::uint32_t read, std::uint32_t sum,
                                    std::uint32_t line_number, Finding* check, Quote* reading) {
    const char* text = RawText(raw, upper_, token);
    int matches = 0;
    const int count = ReadTotal(text, token.length, role, sum, &matches, reading);
    if (count == 0) {
        return false;
    }
    Diagnosis diagnosis;
    diagnosis.kind = DiagnosisKind::TokenMisreading;
    diagnosis.role = role;
    diagnosis.token = MakeQuote(text, token.length);
    diagnosis.reading = *reading;
    if (check != nullptr) {
        // A refused line: the reading that gives the block's value, certain
        // once the rest of the block agrees.
        if (matches != 1) {
            return false;
        }
        check->Add(diagnosis);
        return true;
    }
    Finding finding = CheckFinding(line_number, LineOutcome::Accepted);
    NameLookAlike(diagnosis, read, matches, &finding);
    Hold(finding);
    return matches == 1;
}

void NameLookAlike(Diagnosis diagnosis, std::uint32_t read, int matches, Finding* finding) {
    finding->kind = FindingKind::LookAlike;
    finding->role = diagnosis.role;
    finding->given = diagnosis.token;
    finding->computed = read;
    diagnosis.certainty = matches == 1 ? Certainty::Certain : Certainty::Likely;
    finding->Add(diagnosis);
}

int AcceptedTotalWarnings(const char* raw, const char* upper, std::size_t length, LineKind kind,
                          const CheckLineResult& check, const BlockSums& sums,
                          const ListingOptions& options, int width, const Finding& base,
                          Finding* out) {
    Token total;
    TokenRole role = TokenRole::DashedTotal;
    std::uint32_t read = 0;
    std::uint32_t sum = sums.block_sum;
    // Made only for a total that may warn: most check lines end before.
    std::optional<CheckGiven> given;
    if (kind == LineKind::SumLine) {
        if (check.given.length > 0) {
            // The compared part lies in the total's token: the token is the
            // run of bytes around it up to the separators.
            const char* start = check.given.text;
            const char* stop = check.given.text + check.given.length;
            while (start > upper && !IsTokenSeparator(start[-1])) {
                --start;
            }
            while (stop < upper + length && !IsTokenSeparator(*stop)) {
                ++stop;
            }
            total = Token{start, static_cast<std::size_t>(stop - start)};
        } else {
            Tokenizer tokens(upper, length);
            Token token;
            for (int skipped = 0; skipped <= check.column_count; ++skipped) {
                tokens.Next(&token);
            }
            if (!tokens.Next(&total)) {
                return 0;
            }
        }
        // The common line, a total of four digits that agree or a CRC with
        // no look-alike letter, gives nothing: its block's width is not
        // looked for.
        const bool four = !options.ohx_crc && FourDigitTotal(total.text, total.length);
        if (!four && !options.ohx_crc && HighDigitsUnread(raw, upper, total, sums.block_sum)) {
            out[0] = base;
            out[0].kind = FindingKind::TotalDigits;
            out[0].given = MakeQuote(RawText(raw, upper, total), total.length);
            out[0].computed = sums.block_sum & 0xFFFFu;
            return 1;
        }
        if (!HasLookAlike(RawText(raw, upper, total), total.length) &&
            (!four || static_cast<std::uint32_t>(HexValue(total.text, total.length)) ==
                          (sums.block_sum & 0xFFFFu))) {
            return 0;
        }
        given.emplace(SumLineGiven(upper, length, check, options, width));
        if (given->two_digit_total) {
            return 0;
        }
        role = options.ohx_crc ? TokenRole::Crc : TokenRole::Total;
        read = given->total_value;
        sum = options.ohx_crc ? sums.block_crc : sums.block_sum;
    } else {
        Tokenizer tokens(upper, length);
        Token token;
        while (tokens.Next(&token)) {
            total = token;
        }
        if (total.length == 0 ||
            total.text + total.length != check.given.text + check.given.length) {
            return 0;
        }
        read = static_cast<std::uint32_t>(HexValue(check.given.text, check.given.length));
    }
    int count = 0;
    const char* text = RawText(raw, upper, total);
    int matches = 0;
    Quote reading;
    if (ReadTotal(text, total.length, role, sum, &matches, &reading) > 0) {
        Diagnosis diagnosis;
        diagnosis.kind = DiagnosisKind::TokenMisreading;
        diagnosis.role = role;
        diagnosis.token = MakeQuote(text, total.length);
        diagnosis.reading = reading;
        out[count] = base;
        NameLookAlike(diagnosis, read, matches, &out[count++]);
        if (matches == 1) {
            return count;
        }
    }
    if (kind == LineKind::SumLine && given.has_value() && given->total == TotalKind::Sum16 &&
        given->total_value != (sums.block_sum & 0xFFFFu)) {
        out[count] = base;
        out[count].kind = FindingKind::TotalDigits;
        out[count].given = given->total_token;
        out[count].computed = sums.block_sum & 0xFFFFu;
        ++count;
    }
    return count;
}

}  // namespace tsy::proof
