#include "proof/apply_watch.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "listing/line_source.h"
#include "proof/misreading.h"
#include "proof/skipped.h"

namespace tsy::proof {

ApplyWatch::ApplyWatch(const ListingOptions& options, FindingSink* sink)
    : options_(options), sink_(sink) {}

void ApplyWatch::Line(const char* raw, const char* upper, std::size_t length, LineKind kind,
                      const DataLineResult* data, std::uint32_t line_number) {
    switch (kind) {
        case LineKind::DataLine: {
            if (data->outcome == LineOutcome::Ignored) {
                Skipped(raw, upper, length, true, line_number);
                return;
            }
            Release(data->address);
            RecordedLine line;
            line.line_number = line_number;
            std::memcpy(line.address_text, data->address_text, sizeof line.address_text);
            line.address = data->address;
            line.expected_address = next_address_;
            line.count = data->count;
            line.counted = true;
            next_address_ = data->address + data->count;
            block_.lines.push_back(line);
            break;
        }
        case LineKind::SumLine:
        case LineKind::DashedLine:
            // The block ends; its last line waits for the next data line.
            Release(-1);
            std::swap(block_, held_block_);
            block_.Clear();
            held_ = true;
            return;
        case LineKind::Ignored:
            Skipped(raw, upper, length, false, line_number);
            return;
    }
    if (block_.lines.size() >= ListingChecker::kMaxHeldLines) {
        Report(&block_, -1);
        block_.Clear();
        trail_.after_check_line = false;
    }
}

void ApplyWatch::Skipped(const char* raw, const char* upper, std::size_t length, bool five_digits,
                         std::uint32_t line_number) {
    SkippedRecord skipped;
    RecordedLine line;
    if (!ReadSkippedLine(raw, upper, length, five_digits, options_, &scratch_, &skipped, &line) &&
        !FullWidth(raw, length, &skipped, &line)) {
        return;
    }
    Release(-1);
    Finding finding;
    finding.kind = FindingKind::SkippedLine;
    finding.code = LineOutcome::Ignored;
    finding.line_number = line_number;
    finding.skip = skipped.reason;
    finding.given = skipped.typed;
    std::memcpy(finding.address_text, skipped.typed.text, sizeof finding.address_text - 1);
    line.line_number = line_number;
    block_.pending.push_back(finding);
    line.finding = static_cast<int>(block_.pending.size()) - 1;
    skipped.line = static_cast<int>(block_.lines.size());
    block_.lines.push_back(line);
    block_.skipped.push_back(skipped);
}

bool ApplyWatch::FullWidth(const char* raw, std::size_t length, SkippedRecord* skipped,
                           RecordedLine* line) {
    // A line typed in full-width characters that reads as a data line half-width.
    char half[kLineBufferSize];
    char upper[kLineBufferSize];
    std::uint16_t from[kLineBufferSize];
    const std::size_t half_length = HalfWidthLine(raw, length, half, from);
    if (half_length == 0) {
        return false;
    }
    UpperCaseLine(half, half_length, upper);
    if (ClassifyLine(upper, half_length, options_) != LineKind::DataLine) {
        return false;
    }
    EvaluateDataLine(upper, half_length, options_, &scratch_);
    if (scratch_.outcome == LineOutcome::Ignored || scratch_.outcome == LineOutcome::E00) {
        return false;
    }
    Tokenizer tokens(half, half_length);
    Token field;
    tokens.Next(&field);
    const std::size_t first = from[field.text - half];
    const std::size_t last = from[field.text - half + field.length - 1];
    const bool wide = IsShiftJisLead(static_cast<unsigned char>(raw[last]));
    skipped->reason = SkipReason::FullWidth;
    skipped->typed = MakeQuote(raw + first, last + (wide ? 2 : 1) - first);
    skipped->candidate_count = 1;
    skipped->candidates[0] = scratch_.address;
    *line = RecordedLine();
    line->address = -1;
    line->skipped = true;
    line->count = scratch_.count;
    return true;
}

void ApplyWatch::Release(std::int32_t next_address) {
    if (!held_) {
        return;
    }
    held_ = false;
    Report(&held_block_, next_address);
    held_block_.Clear();
    trail_.after_check_line = true;
}

void ApplyWatch::Report(BlockRecord* block, std::int32_t next_address) {
    // A block the apply took agrees with its check line, if it has one.
    AnalyseAddresses(options_, &trail_, block, next_address, false);
    std::stable_sort(
        block->pending.begin(), block->pending.end(),
        [](const Finding& a, const Finding& b) { return a.line_number < b.line_number; });
    for (const Finding& finding : block->pending) {
        if (finding.kind == FindingKind::SkippedLine || finding.kind == FindingKind::AddressStep) {
            sink_->Report(finding);
        }
    }
    block->pending.clear();
}

void ApplyWatch::Finish() {
    Release(-1);
    if (!block_.lines.empty() || !block_.pending.empty()) {
        Report(&block_, -1);
        block_.Clear();
    }
}

CheckRun WatchListing(ByteSource& bytes, const ListingOptions& options, FindingSink* sink) {
    // The line source and the watch hold large fixed buffers; one
    // allocation each for the run.
    struct Buffers {
        char line[kLineBufferSize];
        char upper[kLineBufferSize];
        DataLineResult data;
    };
    auto source = std::make_unique<LineSource>(bytes);
    auto watch = std::make_unique<ApplyWatch>(options, sink);
    auto buffers = std::make_unique<Buffers>();
    CheckRun run;
    std::size_t length;
    while ((length = source->Next(buffers->line)) != 0) {
        ++run.summary.lines_read;
        const std::size_t upper = UpperCaseLine(buffers->line, length, buffers->upper);
        const LineKind kind = ClassifyLine(buffers->upper, upper, options);
        if (kind == LineKind::DataLine) {
            ++run.summary.data_lines;
            EvaluateDataLine(buffers->upper, upper, options, &buffers->data);
        }
        watch->Line(buffers->line, buffers->upper, upper, kind, &buffers->data,
                    source->LineNumber());
    }
    watch->Finish();
    if (source->ReadFailed()) {
        run.status = CheckStatus::ReadFailed;
    }
    return run;
}

CheckRun WatchListing(const char* path, const ListingOptions& options, FindingSink* sink) {
    FileByteSource file;
    if (!file.Open(path)) {
        CheckRun run;
        run.status = CheckStatus::OpenFailed;
        run.system_error = file.Error();
        return run;
    }
    CheckRun run = WatchListing(file, options, sink);
    if (run.status == CheckStatus::ReadFailed) {
        run.system_error = file.Error();
    }
    return run;
}

}  // namespace tsy::proof
