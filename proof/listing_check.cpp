#include "proof/listing_check.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "listing/line_source.h"
#include "proof/diagnose.h"
#include "proof/misreading.h"
#include "proof/skipped.h"
#include "proof/token_readings.h"

namespace tsy::proof {
namespace {

Quote QuoteWindow(const TokenWindow& window) {
    return MakeQuote(window.text, window.length);
}

// The value of a window as a row's byte or checksum: two digits, or three
// for an Oh!MZ window; -1 when it is no pair of digits.
std::int16_t WindowValue(const TokenWindow& window) {
    if (!PassesPairTest(window.text, window.length)) {
        return -1;
    }
    return static_cast<std::int16_t>(HexValue(window.text, window.length));
}

}  // namespace

ListingChecker::ListingChecker(const ListingOptions& options, FindingSink* sink)
    : options_(options), sink_(sink) {}

void ListingChecker::Line(const char* line, std::size_t length, std::uint32_t line_number) {
    ++summary_.lines_read;
    const std::size_t upper_length = UpperCaseLine(line, length, upper_);
    // The line as it reads with its full-width characters made half-width.
    half_length_ = HalfWidthLine(line, upper_length, half_, half_from_);
    if (half_length_ > 0) {
        UpperCaseLine(half_, half_length_, half_upper_);
    }
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
            if (half_length_ == 0 || !FullWidthLine(line, line_number)) {
                SkippedLine(line, upper_length, line_number, false);
            }
            break;
    }
}

void ListingChecker::Finish() {
    ReleaseHeld(-1);
    if (!block_.lines.empty() || !block_.pending.empty()) {
        Judge(&block_, -1, CheckGiven(), nullptr);
        block_.Clear();
    }
}

void ListingChecker::Judge(BlockRecord* block, std::int32_t next_address, const CheckGiven& given,
                           Finding* check) {
    AnalyseAddresses(options_, &trail_, block, next_address, given.judged && check != nullptr);
    // A block whose lines and check line all read right needs no diagnosis.
    if (!block->pending.empty() || check != nullptr) {
        DiagnoseBlock(options_, given, block, check, &links_);
    }
    Flush(block);
}

void ListingChecker::SkippedLine(const char* raw, std::size_t length, std::uint32_t line_number,
                                 bool five_digits) {
    SkippedRecord skipped;
    RecordedLine line;
    if (!ReadSkippedLine(raw, upper_, length, five_digits, next_address_, options_, &scratch_,
                         &skipped, &line)) {
        return;
    }
    ReleaseHeld(-1);
    const Finding finding = SkippedFinding(skipped, line_number);
    line.line_number = line_number;
    line.checksum_given = skipped.checksum_given;
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
    Judge(&block_, -1, CheckGiven(), nullptr);
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
    if (held_ && (data_.outcome == LineOutcome::Accepted || data_.outcome == LineOutcome::E02 ||
                  data_.outcome == LineOutcome::E03)) {
        held_block_.next_count = data_.count;
        held_block_.next_address = data_.address;
        for (int k = 0; k < data_.count; ++k) {
            held_block_.next_values[k] = static_cast<std::uint16_t>(data_.values[k]);
        }
        held_block_.next_line_number = line_number;
        std::memcpy(held_block_.next_address_text, data_.address_text,
                    sizeof held_block_.next_address_text);
    }
    ReleaseHeld(data_.address);

    // Typed with full-width characters: counted as their half-width
    // reading when that reads as a data line.
    const bool half = half_length_ > 0 && data_.outcome != LineOutcome::Accepted &&
                      ReadsAsData(half_upper_, half_length_);

    RecordedLine line;
    line.line_number = line_number;
    std::memcpy(line.address_text, data_.address_text, sizeof line.address_text);
    line.address = data_.address;
    line.expected_address = next_address_;
    line.full_width = half_length_ > 0;
    line.count = half ? scratch_.count : data_.count;
    next_address_ = data_.address + line.count;
    KeepWindows(half ? half_upper_ : upper_, half ? half_length_ : length, half ? scratch_ : data_,
                &line);

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
                line.checksum_wrong = true;
                line.line_diff = (static_cast<std::uint32_t>(data_.given_value) - data_.line_sum) &
                                 LineMask(options_);
                if (!half) {
                    ReadChecksum(raw, upper_, length, options_, data_, &line, &finding);
                }
            }
            break;
        case LineOutcome::E00:
            finding.index = data_.bad_window;
            finding.given = QuoteWindow(data_.windows[data_.bad_window]);
            line.counted =
                !half && ReadUnreadable(raw, upper_, length, options_, &data_, &line, &finding);
            // Each unreadable byte is one typo known to be there, its value
            // left to the block's sums: a reading the line sum found is
            // where they begin.
            if (line.counted) {
                MarkUnreadable(raw, upper_, length, options_, data_.count, &line, nullptr);
            } else if (!half && StandInUnreadable(raw, upper_, length, options_, &data_, &line)) {
                line.counted = true;
                if (data_.checksum_given && data_.outcome != LineOutcome::Accepted) {
                    line.checksum_wrong = true;
                    line.line_diff =
                        (static_cast<std::uint32_t>(data_.given_value) - data_.line_sum) &
                        LineMask(options_);
                }
            }
            line.line_sum = data_.line_sum;
            break;
        default:
            break;
    }
    if (half) {
        CountHalfWidth(raw, &line, &finding);
    }
    line.checksum_given = data_.checksum_given;
    line.line_sum = data_.line_sum;
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
    Finding look_alike;
    if (data_.outcome == LineOutcome::Accepted && data_.checksum_given &&
        LookAlikeChecksum(raw, upper_, length, options_, data_, line_number, &look_alike)) {
        Hold(look_alike);
    }
    Finding unread;
    if (finding.code == LineOutcome::Accepted && half_length_ == 0 &&
        UnreadTokens(raw, length, line_number, &unread)) {
        Hold(unread);
    }
    if (half_length_ > 0 && finding.code == LineOutcome::Accepted) {
        // Read as meant, full-width characters and all.
        Finding wide;
        wide.kind = FindingKind::FullWidth;
        wide.line_number = line_number;
        std::memcpy(wide.address_text, data_.address_text, sizeof wide.address_text);
        // Certain when the half-width line reads as the same bytes.
        const DataLineResult typed = data_;
        bool same = ReadsAsData(half_upper_, half_length_) && scratch_.count == typed.count;
        for (int k = 0; same && k < typed.count; ++k) {
            same = scratch_.values[k] == typed.values[k];
        }
        NameFullWidth(raw, same ? Certainty::Certain : Certainty::Likely, &wide);
        data_ = typed;
        Hold(wide);
    }
    LimitBlock();
}

void ListingChecker::KeepWindows(const char* upper, std::size_t length, const DataLineResult& data,
                                 RecordedLine* line) const {
    line->window_count = data.window_count;
    for (int w = 0; w < data.window_count; ++w) {
        line->windows[w] = WindowValue(data.windows[w]);
    }
    if (data.window_count < kMaxWindows) {
        return;
    }
    // The windows the reader leaves unread, after its last.
    Tokenizer tokens(upper, length);
    Token token;
    tokens.Next(&token);  // the address field
    int kept = 0;
    while (tokens.Next(&token)) {
        const TokenWindow window = MakeTokenWindow(token, options_.ohmz_sum);
        if (options_.ohx_crc && window.text[0] == ':') {
            continue;
        }
        if (++kept > kMaxWindows) {
            if (line->window_count == kMaxWindows + kMaxExtraWindows) {
                break;
            }
            line->windows[line->window_count++] = WindowValue(window);
        }
    }
}

bool ListingChecker::UnreadTokens(const char* raw, std::size_t length, std::uint32_t line_number,
                                  Finding* finding) const {
    if (data_.window_count < kMaxWindows) {
        return false;
    }
    Token kept[kMaxWindows];
    if (KeptTokens(upper_, length, options_, kept) < kMaxWindows) {
        return false;
    }
    // What follows the last kept token, less blanks, control characters
    // and the ':' tokens the reader passes over with OhXCrc.
    const Token& last = kept[kMaxWindows - 1];
    const std::size_t after = static_cast<std::size_t>(last.text + last.length - upper_);
    Tokenizer tokens(upper_ + after, length - after);
    Token token;
    const char* first = nullptr;
    const char* end = nullptr;
    while (tokens.Next(&token)) {
        const bool skipped =
            static_cast<unsigned char>(token.text[0]) < 0x21 ||
            (options_.ohx_crc && MakeTokenWindow(token, options_.ohmz_sum).text[0] == ':');
        if (!skipped) {
            first = first != nullptr ? first : token.text;
            end = token.text + token.length;
        }
    }
    if (first == nullptr) {
        return false;
    }
    finding->kind = FindingKind::UnreadTokens;
    finding->line_number = line_number;
    std::memcpy(finding->address_text, data_.address_text, sizeof finding->address_text);
    finding->index = options_.checksum ? 1 : 0;
    finding->given = MakeQuote(raw + (first - upper_), static_cast<std::size_t>(end - first));
    return true;
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
    for (auto line = held_block_.lines.rbegin(); line != held_block_.lines.rend(); ++line) {
        if (line->counted && !line->skipped) {
            block_.previous_count = line->count;
            std::memcpy(block_.previous_values, line->values, sizeof block_.previous_values);
            break;
        }
    }
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
    Judge(&held_block_, next_address, held_given_, held_has_check_ ? &held_check_ : nullptr);
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
    if (source->LimitReached() != InputLimit::None) {
        run.status = CheckStatus::TooLarge;
        run.limit = source->LimitReached();
    }
    run.summary = checker->Summary();
    return run;
}

CheckRun CheckListing(const ListingInput& listing, const ListingOptions& options,
                      FindingSink* sink) {
    FileByteSource file;
    if (!listing.Open(&file)) {
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
