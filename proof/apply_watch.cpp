#include "proof/apply_watch.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "listing/check_line.h"
#include "listing/line_source.h"
#include "listing/sums.h"
#include "proof/misreading.h"
#include "proof/skipped.h"
#include "proof/token_readings.h"

namespace tsy::proof {
namespace {

// Whether a byte of the line has its high bit set: a Shift-JIS character,
// full-width ones among them.
bool HasHighByte(const char* text, std::size_t length) {
    // The bytes are gathered into one word and tested once: a line of
    // Shift-JIS is rare, and a test per word costs every other line.
    std::uint64_t gathered = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen at a time where the processor has SSE2, the last sixteen
    // bytes of the line overlapping bytes already gathered.
    if (length >= 16) {
        __m128i blocks = _mm_setzero_si128();
        for (; i + 16 <= length; i += 16) {
            blocks =
                _mm_or_si128(blocks, _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i)));
        }
        blocks = _mm_or_si128(
            blocks, _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + length - 16)));
        return _mm_movemask_epi8(blocks) != 0;
    }
#endif
    for (std::uint64_t word; i + 8 <= length; i += 8) {
        std::memcpy(&word, text + i, 8);
        gathered |= word;
    }
    for (; i < length; ++i) {
        gathered |= static_cast<unsigned char>(text[i]);
    }
    return (gathered & 0x8080808080808080u) != 0;
}

const RecordedLine kBlankLine;

}  // namespace

ApplyWatch::ApplyWatch(const ListingOptions& options, FindingSink* sink)
    : options_(options), sink_(sink) {}

void ApplyWatch::Line(const ObservedLine& observed) {
    const char* raw = observed.raw;
    const char* upper = observed.upper;
    const std::size_t length = observed.length;
    const std::uint32_t line_number = observed.line_number;
    switch (observed.kind) {
        case LineKind::DataLine: {
            const DataLineResult* data = observed.data;
            std::memcpy(address_text_, data->address_text, sizeof address_text_);
            if (data->outcome == LineOutcome::Ignored) {
                Skipped(raw, upper, length, true, line_number);
                return;
            }
            Release(data->address);
            // Copied from a blank one: quicker than filling each new line.
            block_->lines.push_back(kBlankLine);
            RecordedLine& line = block_->lines.back();
            line.line_number = line_number;
            std::memcpy(line.address_text, data->address_text, sizeof line.address_text);
            line.address = data->address;
            line.expected_address = next_address_;
            line.count = data->count;
            line.counted = true;
            next_address_ = data->address + data->count;
            if (data->outcome == LineOutcome::Accepted && data->checksum_given &&
                !AllDigits(data->given_checksum) &&
                LookAlikeChecksum(raw, upper, length, options_, *data, line_number, &found_)) {
                block_->pending.push_back(found_);
            }
            if (data->outcome == LineOutcome::Accepted && HasHighByte(raw, length)) {
                FullWidthTaken(raw, length, line_number);
            }
            break;
        }
        case LineKind::SumLine:
        case LineKind::DashedLine:
            CheckLine(observed);
            // The block ends; its last line waits for the next data line.
            Release(-1);
            std::swap(block_, held_block_);  // the blocks, not their lines
            block_->Clear();
            held_ = true;
            return;
        case LineKind::Ignored:
            Skipped(raw, upper, length, false, line_number);
            return;
    }
    if (block_->lines.size() >= ListingChecker::kMaxHeldLines) {
        Report(block_, -1);
        block_->Clear();
        trail_.after_check_line = false;
    }
}

void ApplyWatch::FullWidthTaken(const char* raw, std::size_t length, std::uint32_t line_number) {
    // What check says of full-width characters in a line it takes depends
    // on that line alone: a checker of the line on its own names them.
    struct Wide final : FindingSink {
        void Report(const Finding& finding) override {
            if (finding.kind == FindingKind::FullWidth) {
                found.push_back(finding);
            }
        }
        std::vector<Finding> found;
    };
    Wide wide;
    auto checker = std::make_unique<ListingChecker>(options_, &wide);
    checker->Line(raw, length, line_number);
    checker->Finish();
    for (const Finding& finding : wide.found) {
        block_->pending.push_back(finding);
    }
}

void ApplyWatch::CheckLine(const ObservedLine& line) {
    if (line.check == nullptr || line.check->outcome != LineOutcome::Accepted) {
        return;
    }
    // Only these fields of the base ever change, so the held one is set
    // anew rather than a fresh one made for every check line.
    Finding& base = check_base_;
    base.line_number = line.line_number;
    base.check_line = true;
    base.code = LineOutcome::Accepted;
    std::memcpy(base.address_text, address_text_, sizeof base.address_text);
    const int count =
        AcceptedTotalWarnings(line.raw, line.upper, line.length, line.kind, *line.check, *line.sums,
                              options_, BlockWidth(*block_), base, check_found_);
    for (int i = 0; i < count; ++i) {
        block_->pending.push_back(check_found_[i]);
    }
}

void ApplyWatch::Skipped(const char* raw, const char* upper, std::size_t length, bool five_digits,
                         std::uint32_t line_number) {
    SkippedRecord skipped;
    RecordedLine line;
    if (!ReadSkippedLine(raw, upper, length, five_digits, next_address_, options_, &scratch_,
                         &skipped, &line) &&
        !FullWidth(raw, length, &skipped, &line)) {
        return;
    }
    Release(-1);
    const Finding finding = SkippedFinding(skipped, line_number);
    line.line_number = line_number;
    block_->pending.push_back(finding);
    line.finding = static_cast<int>(block_->pending.size()) - 1;
    skipped.line = static_cast<int>(block_->lines.size());
    block_->lines.push_back(line);
    block_->skipped.push_back(skipped);
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
    Report(held_block_, next_address);
    held_block_->Clear();
    trail_.after_check_line = true;
}

void ApplyWatch::Report(BlockRecord* block, std::int32_t next_address) {
    // A block the apply took agrees with its check line, if it has one.
    AnalyseAddresses(options_, &trail_, block, next_address, false);
    std::stable_sort(
        block->pending.begin(), block->pending.end(),
        [](const Finding& a, const Finding& b) { return a.line_number < b.line_number; });
    for (const Finding& finding : block->pending) {
        if (IsWarning(finding.kind)) {
            sink_->Report(finding);
        }
    }
    block->pending.clear();
}

void ApplyWatch::Finish() {
    Release(-1);
    if (!block_->lines.empty() || !block_->pending.empty()) {
        Report(block_, -1);
        block_->Clear();
    }
}

CheckRun WatchListing(ByteSource& bytes, const ListingOptions& options, FindingSink* sink) {
    // What the reader does, but for the image, and on past an E code as
    // check goes on: a block's sums reset by its check line.
    struct Run {
        char line[kLineBufferSize];
        char upper[kLineBufferSize];
        DataLineResult data;
        CheckLineResult check;
        BlockSums sums;
    };
    auto source = std::make_unique<LineSource>(bytes);
    auto watch = std::make_unique<ApplyWatch>(options, sink);
    auto run = std::make_unique<Run>();
    CheckRun result;
    std::size_t read;
    while ((read = source->Next(run->line)) != 0) {
        ++result.summary.lines_read;
        ObservedLine line;
        line.raw = run->line;
        line.upper = run->upper;
        line.length = UpperCaseLine(run->line, read, run->upper);
        line.kind = ClassifyLine(run->upper, line.length, options);
        line.line_number = source->LineNumber();
        switch (line.kind) {
            case LineKind::DataLine:
                ++result.summary.data_lines;
                EvaluateDataLine(run->upper, line.length, options, &run->data);
                line.data = &run->data;
                if (run->data.outcome == LineOutcome::Accepted) {
                    AddToBlock(run->data, options.ohx_crc, &run->sums);
                }
                break;
            case LineKind::SumLine:
                EvaluateSumLine(run->upper, line.length, run->sums, options.ohx_crc, &run->check);
                break;
            case LineKind::DashedLine:
                EvaluateDashedLine(run->upper, line.length, run->sums, &run->check);
                break;
            case LineKind::Ignored:
                break;
        }
        if (line.kind == LineKind::SumLine || line.kind == LineKind::DashedLine) {
            line.check = &run->check;
            line.sums = &run->sums;
        }
        watch->Line(line);
        if (line.kind == LineKind::SumLine) {
            run->sums.ResetAfterSumLine();
        } else if (line.kind == LineKind::DashedLine) {
            run->sums.ResetAfterDashedLine();
        }
    }
    watch->Finish();
    if (source->ReadFailed()) {
        result.status = CheckStatus::ReadFailed;
    }
    if (source->LimitReached() != InputLimit::None) {
        result.status = CheckStatus::TooLarge;
        result.limit = source->LimitReached();
    }
    return result;
}

}  // namespace tsy::proof
