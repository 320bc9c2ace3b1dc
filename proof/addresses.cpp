#include "proof/addresses.h"

#include <cstdio>
#include <cstring>

namespace tsy::proof {
namespace {

// A gap of up to this many whole rows is taken for lines left out.
constexpr int kMaxMissingRows = 4;
// Ranges left out that the trail keeps.
constexpr std::size_t kMaxMissing = 16;
// A new region starting at a multiple of this is a jump on purpose.
constexpr std::int32_t kRegionAlignment = 0x100;
// Lines looked at around a line for its neighbours or its repeated address.
constexpr int kNearby = 64;

std::int32_t End(const RecordedLine& line) {
    return line.address + line.count;
}

bool Overlaps(const AddressTrail& trail, std::int32_t first, std::int32_t end) {
    for (std::size_t i = 0; i < trail.written_first.size(); ++i) {
        if (first < trail.written_end[i] && trail.written_first[i] < end) {
            return true;
        }
    }
    return false;
}

void MarkWritten(AddressTrail* trail, std::int32_t first, std::int32_t end) {
    if (end <= first) {
        return;
    }
    std::vector<std::int32_t>& firsts = trail->written_first;
    std::vector<std::int32_t>& ends = trail->written_end;
    if (firsts.size() == 1 && firsts[0] <= end && first <= ends[0]) {
        // The common case, a listing written in one run: that range grows.
        firsts[0] = firsts[0] < first ? firsts[0] : first;
        ends[0] = ends[0] > end ? ends[0] : end;
        return;
    }
    // Merges every range it touches into one.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < firsts.size(); ++i) {
        if (firsts[i] <= end && first <= ends[i]) {
            first = firsts[i] < first ? firsts[i] : first;
            end = ends[i] > end ? ends[i] : end;
        } else {
            firsts[kept] = firsts[i];
            ends[kept] = ends[i];
            ++kept;
        }
    }
    firsts.resize(kept);
    ends.resize(kept);
    firsts.push_back(first);
    ends.push_back(end);
}

void MarkMissing(AddressTrail* trail, std::int32_t first, std::int32_t end) {
    if (trail->missing_first.size() == kMaxMissing) {
        trail->missing_first.erase(trail->missing_first.begin());
        trail->missing_end.erase(trail->missing_end.begin());
    }
    trail->missing_first.push_back(first);
    trail->missing_end.push_back(end);
}

// Whether [first, end) lies in a range left out earlier that no line has
// written since: the row an earlier block lacks, typed here.
bool LeftOutEarlier(const AddressTrail& trail, std::int32_t first, std::int32_t end) {
    for (std::size_t i = 0; i < trail.missing_first.size(); ++i) {
        if (trail.missing_first[i] <= first && end <= trail.missing_end[i]) {
            return !Overlaps(trail, first, end);
        }
    }
    return false;
}

// The most common count of data bytes among the block's lines and the line
// before them: the row width of the listing there.
int RowWidth(const BlockRecord& block, const AddressTrail& trail) {
    int tally[kMaxWindows + 1] = {};
    for (const RecordedLine& line : block.lines) {
        ++tally[line.count];
    }
    if (trail.has_previous) {
        ++tally[trail.previous.count];
    }
    int width = 0;
    for (int n = 1; n <= kMaxWindows; ++n) {
        if (tally[n] > tally[width] || (width == 0 && tally[n] > 0)) {
            width = n;
        }
    }
    return width;
}

int NextKnown(const std::vector<RecordedLine>& lines, int i) {
    for (int j = i + 1; j < static_cast<int>(lines.size()); ++j) {
        if (lines[j].address >= 0) {
            return j;
        }
    }
    return -1;
}

// Adds the finding of a step at `line`; returns its index in the pending findings.
int AddStep(BlockRecord* block, const RecordedLine& line, StepKind step, std::int32_t expected,
            std::uint32_t other_line) {
    Finding finding;
    finding.kind = step == StepKind::Jump ? FindingKind::Jump : FindingKind::AddressStep;
    finding.step = step;
    finding.line_number = line.line_number;
    std::memcpy(finding.address_text, line.address_text, sizeof finding.address_text);
    finding.first_address = expected;
    finding.last_address = line.address;
    finding.other_line = other_line;
    block->pending.push_back(finding);
    return static_cast<int>(block->pending.size()) - 1;
}

bool SumRight(const ListingOptions& options, const SkippedRecord& skipped, std::int32_t address) {
    const std::uint32_t part = options.address_sum ? AddressPart(options, address) : 0u;
    return ((skipped.data_sum + part) & LineMask(options)) == skipped.given;
}

// Chooses the address of a skipped line from its candidates, its line sum
// (with AddressSum) and the lines around it, and notes it on its finding.
void ReadSkipped(const ListingOptions& options, const RecordedLine* before,
                 const RecordedLine* after, const SkippedRecord& skipped, BlockRecord* block) {
    RecordedLine& line = block->lines[skipped.line];
    const std::int32_t from_before = before != nullptr ? End(*before) : -1;
    const std::int32_t from_after = after != nullptr ? after->address - line.count : -1;
    const bool by_sum = options.checksum && options.address_sum;
    int pool = 0;
    for (int i = 0; i < skipped.candidate_count; ++i) {
        pool += !by_sum || SumRight(options, skipped, skipped.candidates[i]) ? 1 : 0;
    }
    const bool filter = by_sum && pool > 0;
    if (!filter) {
        pool = skipped.candidate_count;
    }
    std::int32_t reading = -1;
    std::int32_t only = -1;
    for (int i = 0; i < skipped.candidate_count; ++i) {
        const std::int32_t candidate = skipped.candidates[i];
        if (filter && !SumRight(options, skipped, candidate)) {
            continue;
        }
        only = candidate;
        if (candidate == from_before || (reading < 0 && candidate == from_after)) {
            reading = candidate;
        }
    }
    if (reading < 0 && pool == 1) {
        reading = only;
    }
    if (reading < 0) {
        return;
    }
    // A line after that begins a new region says nothing of this line's
    // address: the line before alone places it.
    const std::int32_t after_says =
        from_after != reading && after != nullptr && NewRegion(after->address, reading + line.count)
            ? -1
            : from_after;
    // Likewise a line that itself begins a new region says nothing of the
    // line before: the line after alone places it.
    const std::int32_t before_says =
        from_before != reading && from_before >= 0 && NewRegion(reading, from_before) ? -1
                                                                                      : from_before;
    line.address = reading;
    std::snprintf(line.address_text, sizeof line.address_text, "%04X",
                  static_cast<unsigned>(reading) & 0xFFFFu);
    SumState sum = SumState::NoChecksum;
    if (options.checksum) {
        const std::uint32_t part = options.address_sum ? AddressPart(options, reading) : 0u;
        line.line_sum = (skipped.data_sum + part) & LineMask(options);
        line.line_diff = (skipped.given - line.line_sum) & LineMask(options);
        line.checksum_wrong = line.line_diff != 0;
        sum = line.checksum_wrong ? SumState::Wrong : SumState::Right;
    }
    const bool neighbour = before_says >= 0 || after_says >= 0;
    const bool agree =
        (before_says < 0 || reading == before_says) && (after_says < 0 || reading == after_says);
    line.address_confirmed = neighbour && agree;
    const bool certain = neighbour && agree && sum != SumState::Wrong &&
                         (pool == 1 || (before_says >= 0 && after_says >= 0));
    Diagnosis diagnosis = AboutLine(DiagnosisKind::AddressReading,
                                    certain ? Certainty::Certain : Certainty::Likely, line);
    diagnosis.token = skipped.typed;
    diagnosis.right = static_cast<std::uint32_t>(reading);
    diagnosis.digits = 4;
    diagnosis.sum = sum;
    block->pending[line.finding].Add(diagnosis);
}

void ReadSkippedLines(const ListingOptions& options, const AddressTrail& trail,
                      BlockRecord* block) {
    std::vector<RecordedLine>& lines = block->lines;
    for (const SkippedRecord& skipped : block->skipped) {
        const RecordedLine* before = trail.has_previous ? &trail.previous : nullptr;
        for (int j = skipped.line - 1; j >= 0 && j >= skipped.line - kNearby; --j) {
            if (lines[j].address >= 0) {
                before = &lines[j];
                break;
            }
        }
        const RecordedLine* after = nullptr;
        const std::size_t last = static_cast<std::size_t>(skipped.line + kNearby);
        for (std::size_t j = skipped.line + 1; j < lines.size() && j <= last; ++j) {
            if (!lines[j].skipped) {
                after = &lines[j];
                break;
            }
        }
        // A line before whose address was mistyped continues from its own.
        RecordedLine continued;
        if (before != nullptr && before->continuing >= 0) {
            continued = *before;
            continued.address = before->continuing;
            before = &continued;
        }
        ReadSkipped(options, before, after, skipped, block);
    }
}

// Whether every line of the block continues the line before it, its first
// line the trail's last: the common block, with no step to look at.
bool ContinuesThroughout(const AddressTrail& trail, const BlockRecord& block) {
    if (!trail.has_previous || block.lines.empty() || !block.skipped.empty() ||
        !block.strays.empty()) {
        return false;
    }
    std::int32_t expected = End(trail.previous);
    for (const RecordedLine& line : block.lines) {
        if (line.address < 0 || line.address != expected) {
            return false;
        }
        expected = End(line);
    }
    return true;
}

// What AnalyseAddresses does for a block ContinuesThroughout takes, at once:
// each line's address confirmed, the bytes the lines write marked as one
// range, a row left out after the last line found, the last line kept.
void AnalyseContinuingBlock(AddressTrail* trail, BlockRecord* block, std::int32_t next_address) {
    std::vector<RecordedLine>& lines = block->lines;
    for (RecordedLine& line : lines) {
        line.address_confirmed = true;
    }
    block->anchored_start = true;
    const RecordedLine& last = lines.back();
    MarkWritten(trail, lines.front().address, End(last));
    block->anchored_end = next_address == End(last);
    // The row width counts the trail's last line as it was before this block.
    if (next_address > End(last)) {
        const int width = RowWidth(*block, *trail);
        if (width > 0 && next_address - End(last) == width) {
            block->gaps.push_back(
                GapRecord{static_cast<int>(lines.size()), -1, End(last), 1, width});
            MarkMissing(trail, End(last), next_address);
        }
    }
    trail->previous = last;
}

}  // namespace

bool NewRegion(std::int32_t address, std::int32_t expected) {
    return address % kRegionAlignment == 0 && DigitsDiffering(address, expected) > 1;
}

void AnalyseAddresses(const ListingOptions& options, AddressTrail* trail, BlockRecord* block,
                      std::int32_t next_address, bool sums_disagree) {
    if (ContinuesThroughout(*trail, *block)) {
        AnalyseContinuingBlock(trail, block, next_address);
        return;
    }
    ReadSkippedLines(options, *trail, block);
    std::vector<RecordedLine>& lines = block->lines;
    const int width = RowWidth(*block, *trail);
    RecordedLine previous = trail->previous;
    int previous_index = -1;  // in the block; -1 for the trail's
    bool has_previous = trail->has_previous;
    bool first_in_block = true;
    int swapped_with = -1;  // the later line of a swapped pair, already placed
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        RecordedLine& line = lines[i];
        if (line.address < 0 || i == swapped_with) {
            continue;
        }
        const bool block_start = first_in_block && trail->after_check_line;
        const bool block_start_line = first_in_block;
        first_in_block = false;
        const int next = NextKnown(lines, i);
        const std::int32_t after_this = next >= 0 ? lines[next].address : next_address;
        if (!has_previous) {
            // The first data line of the listing: the two lines after it may
            // agree on another address for it, one digit away. When that
            // address is one row on, a second line may be left out instead.
            const int after = next >= 0 ? NextKnown(lines, next) : -1;
            previous = line;
            has_previous = true;
            previous_index = i;
            if (next >= 0 && End(line) == lines[next].address) {
                line.address_confirmed = true;
            } else if (after >= 0 && End(lines[next]) == lines[after].address &&
                       lines[next].address >= line.count) {
                const std::int32_t continuing = lines[next].address - line.count;
                if (continuing == End(line) && width == line.count) {
                    block->first_lines.push_back(FirstLineRecord{i, -1, continuing});
                } else if (DigitsDiffering(line.address, continuing) != 1 ||
                           NewRegion(lines[next].address, End(line))) {
                    // A first region of its own, or a line typed out of place.
                    block->strays.push_back(StrayRecord{i, -1});
                } else {
                    line.continuing = continuing;
                    const int step = AddStep(block, line, StepKind::OffAddress, continuing, 0);
                    Diagnosis diagnosis =
                        AboutLine(DiagnosisKind::AddressField, Certainty::Likely, line);
                    diagnosis.typed = static_cast<std::uint32_t>(line.address);
                    diagnosis.right = static_cast<std::uint32_t>(continuing);
                    diagnosis.digits = 4;
                    block->pending[step].Add(diagnosis);
                    previous.address = continuing;
                }
            }
            MarkWritten(trail, previous.address, End(previous));
            continue;
        }

        const std::int32_t expected = End(previous);
        if (line.address == expected) {
            block->anchored_start = block->anchored_start || block_start_line;
            line.address_confirmed = true;
            if (previous_index >= 0 && lines[previous_index].continuing < 0) {
                lines[previous_index].address_confirmed = true;
            }
            previous = line;
            previous_index = i;
            MarkWritten(trail, line.address, End(line));
            continue;
        }
        if (after_this >= 0 && after_this == expected + line.count) {
            // The lines before and after agree: this address is mistyped.
            line.continuing = expected;
            line.neighbours_agree = true;
            block->anchored_start = block->anchored_start || block_start_line;
            // With AddressSum the line's own sum finding names the address.
            // Where an earlier block lacks the row at the typed address,
            // the line may be that row, typed out of its block.
            if (!(options.checksum && options.address_sum && line.checksum_wrong)) {
                const int step =
                    AddStep(block, line, StepKind::OffAddress, expected, previous.line_number);
                const bool moved = LeftOutEarlier(*trail, line.address, End(line));
                Diagnosis diagnosis =
                    AboutLine(DiagnosisKind::AddressField,
                              moved ? Certainty::Likely : Certainty::Certain, line);
                diagnosis.typed = static_cast<std::uint32_t>(line.address);
                diagnosis.right = static_cast<std::uint32_t>(expected);
                diagnosis.digits = 4;
                block->pending[step].Add(diagnosis);
            }
            previous = line;
            previous.address = expected;
            previous_index = i;
            MarkWritten(trail, expected, expected + line.count);
            continue;
        }
        if (next >= 0 && after_this == expected && line.address == expected + lines[next].count) {
            // This line and the next in each other's place, when the line
            // after them continues this one.
            const int then = NextKnown(lines, next);
            const std::int32_t after_pair = then >= 0 ? lines[then].address : next_address;
            if (after_pair == End(line) || (after_pair < 0 && then < 0)) {
                const int step =
                    AddStep(block, line, StepKind::Swapped, expected, previous.line_number);
                block->swaps.push_back(LineSwapRecord{i, next, step});
                swapped_with = next;
                lines[next].address_confirmed = true;
                line.address_confirmed = true;
                previous = line;
                previous_index = i;
                MarkWritten(trail, expected, End(line));
                continue;
            }
        }

        const bool new_place = block_start || NewRegion(line.address, expected);
        const bool overlap = Overlaps(*trail, line.address, End(line) + (line.count == 0 ? 1 : 0));
        const bool row_off =
            width > 0 && previous.count != width && previous.address + width == line.address;
        if (row_off) {
            // The line before holds more or fewer bytes than the rows around.
            const int step =
                AddStep(block, line, StepKind::RowLength, expected, previous.line_number);
            Diagnosis diagnosis = AboutLine(DiagnosisKind::RowLength, Certainty::Likely, previous);
            diagnosis.typed = static_cast<std::uint32_t>(previous.count);
            diagnosis.right = static_cast<std::uint32_t>(width);
            block->pending[step].Add(diagnosis);
        } else if (line.address < expected && overlap) {
            int same = -1;
            for (int j = i - 1; j >= 0 && j >= i - kNearby && same < 0; --j) {
                same = lines[j].address == line.address ? j : -1;
            }
            const bool earlier =
                same < 0 && trail->has_previous && trail->previous.address == line.address;
            if (same >= 0 || earlier) {
                const std::uint32_t other =
                    same >= 0 ? lines[same].line_number : trail->previous.line_number;
                const int step = AddStep(block, line, StepKind::Repeat, expected, other);
                block->repeats.push_back(RepeatRecord{i, step, same});
                // A line typed twice is out of the run when the next line
                // continues the one before it; otherwise the run goes on
                // from here (memory written over on purpose).
                if (after_this < 0 || after_this == expected) {
                    continue;
                }
            } else if (after_this == expected ||
                       (after_this < 0 && line.address < previous.address)) {
                // The line after continues the line before, or there is none
                // and this one goes back before the line before.
                const int step =
                    AddStep(block, line, StepKind::Stray, expected, previous.line_number);
                block->strays.push_back(StrayRecord{i, step});
                continue;
            } else {
                const int step =
                    AddStep(block, line, StepKind::Overlap, expected, previous.line_number);
                block->pending[step].index = line.count;
            }
        } else if (after_this == expected) {
            // Out of place: the line after continues the line before.
            const int step = AddStep(block, line, StepKind::Stray, expected, previous.line_number);
            block->strays.push_back(StrayRecord{i, step});
            continue;
        } else if (line.address > expected && width > 0 && (line.address - expected) % width == 0 &&
                   (line.address - expected) / width <= kMaxMissingRows &&
                   (sums_disagree || !NewRegion(line.address, expected))) {
            const int rows = (line.address - expected) / width;
            const int step = AddStep(block, line, StepKind::Gap, expected, previous.line_number);
            block->pending[step].index = rows;
            block->gaps.push_back(GapRecord{i, step, expected, rows, width});
            MarkMissing(trail, expected, line.address);
            for (FirstLineRecord& first : block->first_lines) {
                first.finding = first.finding < 0 && rows == 1 ? step : first.finding;
            }
        } else if (new_place && !overlap) {
            const int step = AddStep(block, line, StepKind::Jump, expected, previous.line_number);
            block->pending[step].index = block_start ? 1 : 0;
        } else {
            const StepKind kind = line.address < previous.address ? StepKind::Backward
                                  : line.address < expected       ? StepKind::Overlap
                                                                  : StepKind::Gap;
            const int step = AddStep(block, line, kind, expected, previous.line_number);
            block->pending[step].index = kind == StepKind::Overlap ? line.count : -1;
        }
        previous = line;
        previous_index = i;
        MarkWritten(trail, line.address, End(line));
    }
    // A first line out of place answers the step at the line after it.
    for (StrayRecord& stray : block->strays) {
        const int next = stray.finding < 0 ? NextKnown(lines, stray.line) : -1;
        for (int f = 0; next >= 0 && f < static_cast<int>(block->pending.size()); ++f) {
            const Finding& finding = block->pending[f];
            if (finding.kind == FindingKind::AddressStep &&
                finding.line_number == lines[next].line_number) {
                stray.finding = f;
            }
        }
    }
    block->anchored_end = has_previous && next_address == End(previous);
    // A whole row left out after the block's last line, before the next.
    if (has_previous && width > 0 && next_address - End(previous) == width) {
        block->gaps.push_back(
            GapRecord{static_cast<int>(lines.size()), -1, End(previous), 1, width});
        MarkMissing(trail, End(previous), next_address);
    }
    trail->previous = previous;
    trail->has_previous = has_previous;
}

}  // namespace tsy::proof
