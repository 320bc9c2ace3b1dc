#include "proof/listing_check.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "listing/line_source.h"
#include "proof/misreading.h"
#include "proof/skipped.h"

namespace tsy::proof {
namespace {

// The most combinations of readings tried for one data line.
constexpr int kMaxTrials = 64;

Quote QuoteToken(Token token) {
    return MakeQuote(token.text, token.length);
}

Quote QuoteWindow(const TokenWindow& window) {
    return MakeQuote(window.text, window.length);
}

// The tokens of a DataLine behind its kept windows, in window order: the
// tokens after the address, less those whose window begins with ':' under
// OhXCrc, at most kMaxWindows. Returns how many.
int KeptTokens(const char* upper, std::size_t length, const ListingOptions& options,
               Token* tokens) {
    Tokenizer tokenizer(upper, length);
    Token token;
    tokenizer.Next(&token);  // the address field
    int count = 0;
    while (count < kMaxWindows && tokenizer.Next(&token)) {
        if (options.ohx_crc && MakeTokenWindow(token, options.ohmz_sum).text[0] == ':') {
            continue;
        }
        tokens[count++] = token;
    }
    return count;
}

// The same bytes in the line as read as `token` covers in its upper-cased copy.
const char* RawText(const char* raw, const char* upper, Token token) {
    return raw + (token.text - upper);
}

// Whether the raw token holds a letter, or a full-width character, that a
// misreading may have put in place of a hexadecimal digit.
bool HasLookAlike(const char* raw, std::size_t length) {
    static const char kLetters[] = "OoIiLlSsZzGgq|";
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char byte = static_cast<unsigned char>(raw[i]);
        if (byte == 0x82 || (byte != 0 && std::strchr(kLetters, byte) != nullptr)) {
            return true;
        }
    }
    return false;
}

// The compared part of a check line's total or CRC token.
Token ComparedPart(Token token, TokenRole role) {
    switch (role) {
        case TokenRole::Total:
            if (token.length > 2) {
                token.text += token.length - 2;
                token.length = 2;
            }
            break;
        case TokenRole::Crc:
            token.length = token.length < 4 ? token.length : 4;
            break;
        case TokenRole::DashedTotal:
            if (token.length > 4) {
                token.text += token.length - 4;
                token.length = 4;
            }
            break;
        case TokenRole::Checksum:
            break;
    }
    return token;
}

}  // namespace

ListingChecker::ListingChecker(const ListingOptions& options, FindingSink* sink)
    : options_(options), sink_(sink) {}

void ListingChecker::Line(const char* line, std::size_t length, std::uint32_t line_number) {
    ++summary_.lines_read;
    const std::size_t upper_length = UpperCaseLine(line, length, upper_);
    switch (ClassifyLine(upper_, upper_length, options_)) {
        case LineKind::DataLine:
            DataLine(line, upper_length, line_number);
            break;
        case LineKind::SumLine:
            SumLine(line, upper_length, line_number);
            break;
        case LineKind::DashedLine:
            DashedLine(line, upper_length, line_number);
            break;
        case LineKind::Ignored:
            SkippedLine(line, upper_length, line_number, false);
            break;
    }
}

void ListingChecker::Finish() {
    ReleaseHeld(-1);
    if (!block_.lines.empty() || !block_.pending.empty()) {
        AnalyseAddresses(options_, &trail_, &block_, -1);
        DiagnoseBlock(options_, CheckGiven(), &block_, nullptr);
        Flush(&block_);
        block_.Clear();
    }
}

void ListingChecker::SkippedLine(const char* raw, std::size_t length, std::uint32_t line_number,
                                 bool five_digits) {
    SkippedRecord skipped;
    RecordedLine line;
    if (!ReadSkippedLine(raw, upper_, length, five_digits, options_, &scratch_, &skipped, &line)) {
        return;
    }
    ReleaseHeld(-1);
    Finding finding;
    finding.kind = FindingKind::SkippedLine;
    finding.code = LineOutcome::Ignored;
    finding.line_number = line_number;
    finding.skip = skipped.reason;
    finding.given = skipped.typed;
    std::memcpy(finding.address_text, skipped.typed.text, sizeof finding.address_text - 1);
    line.line_number = line_number;
    line.finding = Hold(finding);
    skipped.line = static_cast<int>(block_.lines.size());
    block_.lines.push_back(line);
    block_.skipped.push_back(skipped);
    LimitBlock();
}

void ListingChecker::LimitBlock() {
    if (block_.lines.size() < kMaxHeldLines) {
        return;
    }
    AnalyseAddresses(options_, &trail_, &block_, -1);
    DiagnoseBlock(options_, CheckGiven(), &block_, nullptr);
    Flush(&block_);
    block_.Clear();
    trail_.after_check_line = false;
    block_cut_ = true;
}

void ListingChecker::DataLine(const char* raw, std::size_t length, std::uint32_t line_number) {
    ++summary_.data_lines;
    EvaluateDataLine(upper_, length, options_, &data_);
    std::memcpy(address_text_, data_.address_text, sizeof address_text_);
    if (data_.outcome == LineOutcome::Ignored) {
        SkippedLine(raw, length, line_number, true);
        return;
    }
    ReleaseHeld(data_.address);

    RecordedLine line;
    line.line_number = line_number;
    std::memcpy(line.address_text, data_.address_text, sizeof line.address_text);
    line.address = data_.address;
    line.expected_address = next_address_;
    line.count = data_.count;
    next_address_ = data_.address + data_.count;

    Finding finding;
    finding.line_number = line_number;
    finding.code = data_.outcome;
    std::memcpy(finding.address_text, data_.address_text, sizeof finding.address_text);
    switch (data_.outcome) {
        case LineOutcome::Accepted:
            line.counted = true;
            if (!WithinAddressSpace(data_)) {
                finding.code = LineOutcome::E09;
                finding.first_address = data_.address;
                finding.last_address = data_.address + data_.count - 1;
            }
            break;
        case LineOutcome::E02:
        case LineOutcome::E03:
            line.counted = true;
            finding.given = QuoteWindow(data_.given_checksum);
            finding.computed = data_.line_sum;
            line.line_sum = data_.line_sum;
            if (data_.checksum_given) {
                const std::uint32_t mask = options_.ohmz_sum ? 0xFFFu : 0xFFu;
                line.checksum_wrong = true;
                line.line_diff =
                    (static_cast<std::uint32_t>(data_.given_value) - data_.line_sum) & mask;
                ReadChecksum(raw, length, &line, &finding);
            }
            break;
        case LineOutcome::E00:
            finding.index = data_.bad_window;
            finding.given = QuoteWindow(data_.windows[data_.bad_window]);
            line.counted = ReadUnreadable(raw, length, &line, &finding);
            break;
        default:
            break;
    }
    if (line.counted) {
        for (int k = 0; k < data_.count; ++k) {
            line.values[k] = static_cast<std::uint16_t>(data_.values[k]);
        }
        AddToBlock(data_, options_.ohx_crc, &sums_);
    }
    if (finding.code != LineOutcome::Accepted) {
        line.finding = Hold(finding);
    }
    block_.lines.push_back(line);
    if (data_.outcome == LineOutcome::Accepted && data_.checksum_given) {
        LookAlikeChecksum(raw, length, line_number);
    }
    LimitBlock();
}

void ListingChecker::LookAlikeChecksum(const char* raw, std::size_t length,
                                       std::uint32_t line_number) {
    const TokenWindow& window = data_.given_checksum;
    bool digits = true;
    for (std::size_t i = 0; i < window.length; ++i) {
        digits = digits && IsUpperHexDigit(window.text[i]);
    }
    if (digits) {
        return;
    }
    Token tokens[kMaxWindows];
    const int count = KeptTokens(upper_, length, options_, tokens);
    const Token& token = tokens[count - 1];
    const char* text = RawText(raw, upper_, token);
    if (!HasLookAlike(text, token.length)) {
        return;
    }
    Reading readings[kMaxReadings];
    const int reading_count = ReadAsHex(text, token.length, options_.ohmz_sum, readings);
    if (reading_count == 0) {
        return;
    }
    const Reading* reading = &readings[0];
    for (int i = 0; i < reading_count; ++i) {
        if (readings[i].value == static_cast<std::int32_t>(data_.line_sum)) {
            reading = &readings[i];
        }
    }
    Finding finding;
    finding.kind = FindingKind::LookAlike;
    finding.role = TokenRole::Checksum;
    finding.line_number = line_number;
    std::memcpy(finding.address_text, data_.address_text, sizeof finding.address_text);
    finding.given = MakeQuote(text, token.length);
    finding.computed = static_cast<std::uint32_t>(data_.given_value);
    Diagnosis diagnosis;
    diagnosis.kind = DiagnosisKind::TokenMisreading;
    diagnosis.role = TokenRole::Checksum;
    // The line sum agrees with the reading, or the data differ from it too.
    diagnosis.certainty = reading->value == static_cast<std::int32_t>(data_.line_sum)
                              ? Certainty::Certain
                              : Certainty::Likely;
    diagnosis.token = finding.given;
    diagnosis.reading = reading->text;
    finding.Add(diagnosis);
    Hold(finding);
}

bool ListingChecker::ReadUnreadable(const char* raw, std::size_t length, RecordedLine* line,
                                    Finding* finding) {
    // Only a line sum can tell a right reading from a wrong one.
    if (!options_.checksum) {
        return false;
    }
    Token tokens[kMaxWindows];
    KeptTokens(upper_, length, options_, tokens);
    int unreadable[kMaxWindows];
    int unreadable_count = 0;
    Reading readings[kMaxWindows][kMaxReadings];
    int reading_counts[kMaxWindows] = {};
    int trials = 1;
    for (int k = 0; k < data_.count; ++k) {
        const TokenWindow& window = data_.windows[k];
        if (PassesPairTest(window.text, window.length)) {
            continue;
        }
        const int count = ReadAsHex(RawText(raw, upper_, tokens[k]), tokens[k].length,
                                    options_.ohmz_sum, readings[unreadable_count]);
        trials *= count;
        if (count == 0 || trials > kMaxTrials) {
            return false;
        }
        reading_counts[unreadable_count] = count;
        unreadable[unreadable_count++] = k;
    }

    // Each trial is the line with its unreadable tokens replaced by one
    // reading each, evaluated as any data line; it must come out accepted.
    int matches = 0;
    int match = 0;
    DataLineResult trial;
    DataLineResult matched;
    char patched[kLineBufferSize];
    for (int t = 0; t < trials; ++t) {
        std::size_t at = 0;
        const char* from = upper_;
        int pick = t;
        for (int u = 0; u < unreadable_count; ++u) {
            const Token& token = tokens[unreadable[u]];
            const Quote& text = readings[u][pick % reading_counts[u]].text;
            pick /= reading_counts[u];
            const std::size_t before = static_cast<std::size_t>(token.text - from);
            std::memcpy(patched + at, from, before);
            at += before;
            const std::size_t text_length = std::strlen(text.text);
            std::memcpy(patched + at, text.text, text_length);
            at += text_length;
            from = token.text + token.length;
        }
        const std::size_t rest = static_cast<std::size_t>(upper_ + length - from);
        std::memcpy(patched + at, from, rest);
        at += rest;
        patched[at] = '\0';
        EvaluateDataLine(patched, at, options_, &trial);
        if (trial.outcome == LineOutcome::Accepted) {
            ++matches;
            match = t;
            matched = trial;
        }
    }
    if (matches != 1) {
        return false;
    }
    data_ = matched;
    for (int u = 0, pick = match; u < unreadable_count; ++u) {
        const int k = unreadable[u];
        Diagnosis diagnosis;
        diagnosis.kind = DiagnosisKind::Misreading;
        diagnosis.column = k;
        diagnosis.token = MakeQuote(RawText(raw, upper_, tokens[k]), tokens[k].length);
        diagnosis.reading = readings[u][pick % reading_counts[u]].text;
        pick /= reading_counts[u];
        finding->Add(diagnosis);
        line->misread_windows |= 1u << k;
    }
    return true;
}

void ListingChecker::ReadChecksum(const char* raw, std::size_t length, RecordedLine* line,
                                  Finding* finding) {
    // A window of hexadecimal digits only reads as it stands.
    const TokenWindow& given = data_.given_checksum;
    bool all_digits = true;
    for (std::size_t i = 0; i < given.length; ++i) {
        all_digits = all_digits && IsUpperHexDigit(given.text[i]);
    }
    if (all_digits) {
        return;
    }
    Token tokens[kMaxWindows];
    const int count = KeptTokens(upper_, length, options_, tokens);
    const Token& token = tokens[count - 1];
    Reading readings[kMaxReadings];
    const int reading_count =
        ReadAsHex(RawText(raw, upper_, token), token.length, options_.ohmz_sum, readings);
    int matches = 0;
    const Reading* match = nullptr;
    for (int i = 0; i < reading_count; ++i) {
        if (readings[i].value == static_cast<std::int32_t>(data_.line_sum)) {
            ++matches;
            match = &readings[i];
        }
    }
    if (matches != 1) {
        return;
    }
    Diagnosis diagnosis;
    diagnosis.kind = DiagnosisKind::Misreading;
    diagnosis.column = -1;
    diagnosis.token = MakeQuote(RawText(raw, upper_, token), token.length);
    diagnosis.reading = match->text;
    finding->Add(diagnosis);
    line->checksum_misread = true;
}

void ListingChecker::ReadSumColumn(const char* raw, Finding* finding) {
    const int column = check_.bad_column;
    if (column >= kColumnCount) {
        return;
    }
    const std::int32_t computed = static_cast<std::int32_t>(sums_.column_sums[column] & 0xFFu);
    Reading readings[kMaxReadings];
    const int count =
        ReadAsHex(RawText(raw, upper_, check_.bad_token), check_.bad_token.length, false, readings);
    int matches = 0;
    const Reading* match = nullptr;
    for (int i = 0; i < count; ++i) {
        if (readings[i].value == computed) {
            ++matches;
            match = &readings[i];
        }
    }
    if (matches != 1) {
        return;
    }
    Diagnosis diagnosis;
    diagnosis.kind = DiagnosisKind::SumMisreading;
    diagnosis.column = column;
    diagnosis.token = MakeQuote(RawText(raw, upper_, check_.bad_token), check_.bad_token.length);
    diagnosis.reading = match->text;
    finding->Add(diagnosis);
}

CheckGiven ListingChecker::SumLineGiven(std::size_t length) const {
    CheckGiven given;
    given.judged = true;
    const int width = BlockWidth(block_);
    const int tokens_after = check_.column_count;
    // A last token of two characters one column past the block's width, with
    // nothing after it, is a total written in two digits.
    Tokenizer tokens(upper_, length);
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
        !options_.ohx_crc && width > 0 && tokens_after == width + 1 && pairs && !has_total;
    const int compared = given.two_digit_total ? width : tokens_after;
    given.compared_columns = compared < kColumnCount ? compared : kColumnCount;
    for (int c = 0; c < given.compared_columns; ++c) {
        given.column[c] = HexValue(columns[c].text, columns[c].length);
        given.column_token[c] = QuoteToken(columns[c]);
    }
    for (int i = 0; i < check_.mismatch_count; ++i) {
        const ColumnMismatch& mismatch = check_.mismatches[i];
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
    } else if (has_total) {
        const TokenRole role = options_.ohx_crc ? TokenRole::Crc : TokenRole::Total;
        const Token part = ComparedPart(total, role);
        given.total = options_.ohx_crc ? TotalKind::Crc : TotalKind::Sum8;
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
        ReadSumColumn(raw, &finding);
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
        given = SumLineGiven(length);
        // The total or CRC token as a whole, for its look-alike letters: the
        // token after "SUM" and the columns.
        Tokenizer tokens(upper_, length);
        Token token;
        for (int skipped = 0; skipped <= check_.column_count; ++skipped) {
            tokens.Next(&token);
        }
        Token total;
        if (!given.two_digit_total && tokens.Next(&total)) {
            const TokenRole role = options_.ohx_crc ? TokenRole::Crc : TokenRole::Total;
            const std::uint32_t computed =
                options_.ohx_crc ? sums_.block_crc : sums_.block_sum & 0xFFu;
            given.total_misread =
                LookAlikeTotal(raw, total, role, given.total_value, computed, line_number,
                               IsError(finding.code) ? &finding : nullptr);
        }
    }
    EndBlock(given, IsError(finding.code) ? &finding : nullptr);
    sums_.ResetAfterSumLine();
    block_.crc_start = 0;
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
        given.total_misread =
            LookAlikeTotal(raw, last, TokenRole::DashedTotal, given.total_value, check_.computed,
                           line_number, IsError(finding.code) ? &finding : nullptr);
    }
    EndBlock(given, IsError(finding.code) ? &finding : nullptr);
    sums_.ResetAfterDashedLine();
    block_.crc_start = sums_.block_crc;
}

bool ListingChecker::LookAlikeTotal(const char* raw, Token token, TokenRole role,
                                    std::uint32_t read, std::uint32_t computed,
                                    std::uint32_t line_number, Finding* check) {
    const char* text = RawText(raw, upper_, token);
    if (!HasLookAlike(text, token.length)) {
        return false;
    }
    Quote spellings[kMaxReadings];
    const int count = Respell(text, token.length, spellings, kMaxReadings);
    int match = -1;
    int matches = 0;
    for (int i = 0; i < count; ++i) {
        const Token spelled{spellings[i].text, std::strlen(spellings[i].text)};
        const Token part = ComparedPart(spelled, role);
        if (PassesPairTest(part.text, part.length) &&
            static_cast<std::uint32_t>(HexValue(part.text, part.length)) == computed) {
            match = i;
            ++matches;
        }
    }
    Diagnosis diagnosis;
    diagnosis.kind = DiagnosisKind::TokenMisreading;
    diagnosis.role = role;
    diagnosis.token = MakeQuote(text, token.length);
    if (check != nullptr) {
        // A refused line: the reading that gives the computed value.
        if (matches != 1) {
            return false;
        }
        diagnosis.reading = spellings[match];
        check->Add(diagnosis);
        return true;
    }
    if (count == 0) {
        return false;
    }
    Finding finding = CheckFinding(line_number, LineOutcome::Accepted);
    finding.kind = FindingKind::LookAlike;
    finding.role = role;
    finding.given = diagnosis.token;
    finding.computed = read;
    diagnosis.certainty = matches == 1 ? Certainty::Certain : Certainty::Likely;
    diagnosis.reading = spellings[matches == 1 ? match : 0];
    finding.Add(diagnosis);
    Hold(finding);
    return matches == 1;
}

Finding ListingChecker::CheckFinding(std::uint32_t line_number, LineOutcome code) const {
    Finding finding;
    finding.line_number = line_number;
    finding.check_line = true;
    finding.code = code;
    std::memcpy(finding.address_text, address_text_, sizeof finding.address_text);
    return finding;
}

int ListingChecker::Hold(const Finding& finding) {
    block_.pending.push_back(finding);
    return static_cast<int>(block_.pending.size()) - 1;
}

void ListingChecker::EndBlock(const CheckGiven& given, const Finding* check) {
    // A block with no data line releases the one before it unjudged by a
    // next line.
    ReleaseHeld(-1);
    std::swap(block_, held_block_);
    block_.Clear();
    held_ = true;
    held_given_ = given;
    // The lines of a cut block are gone: its sums cannot be matched to them.
    held_given_.judged = given.judged && !block_cut_;
    block_cut_ = false;
    held_has_check_ = check != nullptr;
    if (check != nullptr) {
        held_check_ = *check;
        if (!held_given_.judged && given.judged) {
            // Say why a mismatch of a cut block names no line.
            Diagnosis note;
            note.kind = DiagnosisKind::BlockTooLong;
            note.certainty = Certainty::Certain;
            note.line_number = static_cast<std::uint32_t>(kMaxHeldLines);
            held_check_.Add(note);
        }
    }
}

void ListingChecker::ReleaseHeld(std::int32_t next_address) {
    if (!held_) {
        return;
    }
    held_ = false;
    AnalyseAddresses(options_, &trail_, &held_block_, next_address);
    DiagnoseBlock(options_, held_given_, &held_block_, held_has_check_ ? &held_check_ : nullptr);
    Flush(&held_block_);
    if (held_has_check_) {
        Emit(held_check_);
    }
    held_block_.Clear();
    trail_.after_check_line = true;
}

void ListingChecker::Flush(BlockRecord* block) {
    // Findings of the address analysis come after the lines' own; listing
    // order puts each at its line.
    std::stable_sort(
        block->pending.begin(), block->pending.end(),
        [](const Finding& a, const Finding& b) { return a.line_number < b.line_number; });
    for (const Finding& finding : block->pending) {
        Emit(finding);
    }
    block->pending.clear();
}

void ListingChecker::Emit(const Finding& finding) {
    switch (finding.kind) {
        case FindingKind::Refusal:
            ++summary_.findings;
            break;
        case FindingKind::Jump:
            ++summary_.notes;
            break;
        default:
            ++summary_.warnings;
            break;
    }
    sink_->Report(finding);
}

CheckRun CheckListing(ByteSource& bytes, const ListingOptions& options, FindingSink* sink) {
    CheckRun run;
    // The line source and the checker hold large fixed buffers; one
    // allocation each for the run.
    auto source = std::make_unique<LineSource>(bytes);
    auto checker = std::make_unique<ListingChecker>(options, sink);
    char line[kLineBufferSize];
    std::size_t length;
    while ((length = source->Next(line)) != 0) {
        checker->Line(line, length, source->LineNumber());
    }
    checker->Finish();
    if (source->ReadFailed()) {
        run.status = CheckStatus::ReadFailed;
    }
    run.summary = checker->Summary();
    return run;
}

CheckRun CheckListing(const char* path, const ListingOptions& options, FindingSink* sink) {
    FileByteSource file;
    if (!file.Open(path)) {
        CheckRun run;
        run.status = CheckStatus::OpenFailed;
        run.system_error = file.Error();
        return run;
    }
    CheckRun run = CheckListing(file, options, sink);
    run.source = file.Facts();
    if (run.status == CheckStatus::ReadFailed) {
        run.system_error = file.Error();
    }
    return run;
}

}  // namespace tsy::proof
