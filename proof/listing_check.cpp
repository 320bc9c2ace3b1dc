#include "proof/listing_check.h"

#include <cstring>
#include <memory>

#include "listing/line_source.h"
#include "proof/misreading.h"

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

void SetTotal(const CheckLineResult& result, TotalKind kind, BlockEvidence* evidence) {
    if (result.given.length == 0 && result.outcome != LineOutcome::Accepted) {
        return;  // no total token: nothing to compare
    }
    evidence->total = kind;
    evidence->total_right = result.outcome == LineOutcome::Accepted;
    evidence->total_token = QuoteToken(result.given);
    const std::uint32_t given =
        static_cast<std::uint32_t>(HexValue(result.given.text, result.given.length));
    const std::uint32_t mask = kind == TotalKind::Sum8 ? 0xFFu : 0xFFFFu;
    evidence->total_computed = result.computed;
    evidence->total_given = given;
    evidence->total_diff = (given - result.computed) & mask;
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
            DashedLine(upper_length, line_number);
            break;
        case LineKind::Ignored:
            break;
    }
}

void ListingChecker::Finish() {
    if (block_has_lines_ || !block_.pending.empty()) {
        EndBlock(BlockEvidence(), nullptr);
    }
}

void ListingChecker::DataLine(const char* raw, std::size_t length, std::uint32_t line_number) {
    ++summary_.data_lines;
    EvaluateDataLine(upper_, length, options_, &data_);
    std::memcpy(address_text_, data_.address_text, sizeof address_text_);
    if (data_.outcome == LineOutcome::Ignored) {
        return;
    }
    block_has_lines_ = true;

    RecordedLine line;
    line.line_number = line_number;
    std::memcpy(line.address_text, data_.address_text, sizeof line.address_text);
    line.address = data_.address;
    line.expected_address = next_address_;
    line.crc_offset = crc_bytes_;
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
        line.count = data_.count;
        for (int k = 0; k < data_.count; ++k) {
            line.values[k] = static_cast<std::uint16_t>(data_.values[k]);
        }
        AddToBlock(data_, options_.ohx_crc, &sums_);
        if (options_.ohx_crc) {
            crc_bytes_ += static_cast<std::uint32_t>(data_.count);
        }
    }
    block_.lines.push_back(line);
    if (finding.code != LineOutcome::Accepted) {
        Hold(finding, line);
    }
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

Finding ListingChecker::CheckFinding(std::uint32_t line_number, LineOutcome code) const {
    Finding finding;
    finding.line_number = line_number;
    finding.check_line = true;
    finding.code = code;
    std::memcpy(finding.address_text, address_text_, sizeof finding.address_text);
    return finding;
}

void ListingChecker::SumLine(const char* raw, std::size_t length, std::uint32_t line_number) {
    EvaluateSumLine(upper_, length, sums_, options_.ohx_crc, &check_);
    Finding finding = CheckFinding(line_number, check_.outcome);
    BlockEvidence evidence;
    const TotalKind total = options_.ohx_crc ? TotalKind::Crc : TotalKind::Sum8;
    if (check_.outcome == LineOutcome::E04) {
        finding.index = check_.bad_column;
        finding.given = QuoteToken(check_.bad_token);
        ReadSumColumn(raw, &finding);
    } else {
        evidence.judged = true;
        evidence.compared_columns =
            check_.column_count < kColumnCount ? check_.column_count : kColumnCount;
        // The sums with every mismatching column as given, to compare the
        // total or CRC too, which the apply skips after a column mismatch.
        BlockSums as_given = sums_;
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
            const int c = mismatch.column;
            if (c >= kColumnCount || mismatch.given.length != 2) {
                evidence.malformed = true;
                continue;
            }
            const std::uint32_t given =
                static_cast<std::uint32_t>(HexValue(mismatch.given.text, mismatch.given.length));
            evidence.mismatched[c] = true;
            evidence.column_diff[c] = static_cast<std::uint8_t>(given - mismatch.computed);
            evidence.column_computed[c] = mismatch.computed;
            evidence.column_given[c] = QuoteToken(mismatch.given);
            ++evidence.mismatch_count;
            as_given.column_sums[c] = given;
        }
        if (check_.outcome == LineOutcome::E06 || check_.outcome == LineOutcome::E07) {
            finding.given = QuoteToken(check_.given);
            finding.computed = check_.computed;
        }
        if (check_.outcome != LineOutcome::E05) {
            SetTotal(check_, total, &evidence);
        } else if (!evidence.malformed) {
            EvaluateSumLine(upper_, length, as_given, options_.ohx_crc, &check_);
            SetTotal(check_, total, &evidence);
        }
    }
    EndBlock(evidence, IsError(finding.code) ? &finding : nullptr);
    if (IsError(finding.code)) {
        Emit(finding);
    }
    sums_.ResetAfterSumLine();
    crc_bytes_ = 0;
}

void ListingChecker::DashedLine(std::size_t length, std::uint32_t line_number) {
    EvaluateDashedLine(upper_, length, sums_, &check_);
    Finding finding = CheckFinding(line_number, check_.outcome);
    if (check_.outcome == LineOutcome::E08) {
        finding.given = QuoteToken(check_.given);
        finding.computed = check_.computed;
    }
    BlockEvidence evidence;
    evidence.judged = true;
    SetTotal(check_, TotalKind::Sum16, &evidence);
    EndBlock(evidence, IsError(finding.code) ? &finding : nullptr);
    if (IsError(finding.code)) {
        Emit(finding);
    }
    sums_.ResetAfterDashedLine();
}

void ListingChecker::Hold(const Finding& finding, const RecordedLine& line) {
    block_.pending.push_back(PendingFinding{finding, line});
}

void ListingChecker::EndBlock(const BlockEvidence& evidence, Finding* check) {
    ++summary_.blocks;
    DiagnoseBlock(options_, evidence, crc_bytes_, &block_, check);
    Flush();
    block_.Clear();
    block_has_lines_ = false;
}

void ListingChecker::Flush() {
    for (const PendingFinding& pending : block_.pending) {
        Emit(pending.finding);
    }
    block_.pending.clear();
}

void ListingChecker::Emit(const Finding& finding) {
    ++summary_.findings;
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
    if (run.status == CheckStatus::ReadFailed) {
        run.system_error = file.Error();
    }
    return run;
}

}  // namespace tsy::proof
