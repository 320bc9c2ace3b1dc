// From a block as the checker recorded it to the search's Puzzle: the rows
// the sums count, the lines that may be out of place or out of the block, the
// addresses that may be mistyped and the rows that may be left out; the
// forms of a row of the wrong length are puzzle_forms.cpp's.
#include "proof/puzzle.h"

#include <cstring>

namespace tsy::proof {
namespace {

// The check line's values against the sums of `rows` of the block.
void Compare(const CheckGiven& given, const BlockRecord& block, Puzzle* puzzle) {
    std::uint32_t columns[kColumnCount] = {};
    std::uint32_t sum = 0;
    std::uint16_t crc = block.crc_start;
    for (const PuzzleRow& row : puzzle->rows) {
        for (int k = 0; k < row.count; ++k) {
            if (k < kColumnCount) {
                columns[k] += row.values[k];
            }
            sum += row.values[k];
            crc = CrcByte(crc, static_cast<std::uint8_t>(row.values[k]));
        }
    }
    puzzle->compared_columns = given.compared_columns;
    for (int c = 0; c < given.compared_columns; ++c) {
        puzzle->column_given[c] = static_cast<std::uint8_t>(given.column[c]);
        puzzle->column_residual[c] =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(given.column[c]) - columns[c]);
    }
    for (int c = given.compared_columns; c < kColumnCount; ++c) {
        puzzle->column_residual[c] = 0;
    }
    puzzle->total = given.total;
    puzzle->crc_start = block.crc_start;
    puzzle->column_unknown = given.column_unknown;
    puzzle->total_unknown = given.total_unknown;
    switch (given.total) {
        case TotalKind::None:
            puzzle->total_residual = 0;
            break;
        case TotalKind::Sum8:
            puzzle->total_given = given.total_value & 0xFFu;
            puzzle->total_residual = (given.total_value - sum) & 0xFFu;
            break;
        case TotalKind::Sum16:
            puzzle->total_given = given.total_value & 0xFFFFu;
            puzzle->total_residual = (given.total_value - sum) & 0xFFFFu;
            break;
        case TotalKind::Crc:
            puzzle->total_residual = given.total_value ^ crc;
            puzzle->crc_given = static_cast<std::uint16_t>(given.total_value);
            break;
    }
}

// Mismatching columns and total of a puzzle as built.
int Faults(const Puzzle& puzzle) {
    int faults = 0;
    for (int c = 0; c < puzzle.compared_columns; ++c) {
        faults += puzzle.column_residual[c] != 0 ? 1 : 0;
    }
    return faults + (puzzle.total_residual != 0 ? 1 : 0);
}

PuzzleRow RowOf(const BlockRecord& block, int i) {
    const RecordedLine& line = block.lines[i];
    PuzzleRow row;
    row.line = i;
    row.count = line.count;
    std::memcpy(row.values, line.values, sizeof row.values);
    row.summed = line.checksum_given && (!line.skipped || line.address >= 0);
    row.unknown_high = line.unknown_high;
    row.unknown_low = line.unknown_low;
    row.residual = line.checksum_wrong && !line.checksum_misread ? line.line_diff : 0;
    row.given = line.line_sum + row.residual;
    return row;
}

void AddRows(const BlockRecord& block, bool skipped, Puzzle* puzzle) {
    puzzle->rows.clear();
    for (int i = 0; i < static_cast<int>(block.lines.size()); ++i) {
        const RecordedLine& line = block.lines[i];
        if (line.counted || (skipped && line.skipped)) {
            puzzle->rows.push_back(RowOf(block, i));
        }
    }
}

int RowOfLine(const Puzzle& puzzle, int line) {
    for (int r = 0; r < static_cast<int>(puzzle.rows.size()); ++r) {
        if (puzzle.rows[r].line == line) {
            return r;
        }
    }
    return -1;
}

}  // namespace

// The puzzle's step for the finding `finding`, made the first time.
std::uint32_t StepBit(int finding, Puzzle* puzzle, PuzzleMap* map) {
    for (int s = 0; s < puzzle->step_count; ++s) {
        if (finding >= 0 && map->step_finding[s] == finding) {
            return 1u << s;
        }
    }
    if (puzzle->step_count == kMaxSteps) {
        return 0;
    }
    map->step_finding.push_back(finding);
    return 1u << puzzle->step_count++;
}

void BuildPuzzle(const ListingOptions& options, const CheckGiven& given, const BlockRecord& block,
                 const BlockLinks& links, Puzzle* puzzle, PuzzleMap* map) {
    *puzzle = Puzzle();
    *map = PuzzleMap();
    puzzle->options = options;
    // A skipped line that looks like data is counted when that brings the
    // check line's values closer.
    AddRows(block, false, puzzle);
    Compare(given, block, puzzle);
    if (!block.skipped.empty()) {
        Puzzle with = *puzzle;
        AddRows(block, true, &with);
        Compare(given, block, &with);
        if (Faults(with) < Faults(*puzzle)) {
            *puzzle = with;
            map->skipped_taken = true;
        }
    }
    const int width = BlockWidth(block);
    std::vector<PuzzleRow>& rows = puzzle->rows;
    map->row_entered.assign(rows.size(), -1);

    for (const RepeatRecord& repeat : block.repeats) {
        const int r = RowOfLine(*puzzle, repeat.line);
        if (r >= 0) {
            rows[r].may_leave = true;
            rows[r].leave_steps |= StepBit(repeat.finding, puzzle, map);
        }
    }
    for (const StrayRecord& stray : block.strays) {
        const int r = RowOfLine(*puzzle, stray.line);
        if (r >= 0) {
            rows[r].may_leave = true;
            rows[r].leave_steps |= stray.finding >= 0 ? StepBit(stray.finding, puzzle, map) : 0u;
        }
    }
    // A line typed out of place may belong elsewhere in the block: after
    // the row its address continues.
    for (const StrayRecord& stray : block.strays) {
        const int r = RowOfLine(*puzzle, stray.line);
        if (r < 0 || stray.finding < 0) {
            continue;
        }
        const std::int32_t address = block.lines[rows[r].line].address;
        const std::int32_t end = address + rows[r].count;
        for (int t = 0; t < static_cast<int>(rows.size()); ++t) {
            const RecordedLine& line = block.lines[rows[t].line];
            if (t == r || line.address < 0) {
                continue;
            }
            // After the row it continues, or before the row that continues it.
            const int before = line.address + line.count == address ? t + 1
                               : line.address == end                ? t
                                                                    : -1;
            if (before >= 0 && before != r && before != r + 1) {
                PuzzleReorder move;
                move.row = r;
                move.before = before;
                move.steps = StepBit(stray.finding, puzzle, map);
                puzzle->reorders.push_back(move);
            }
        }
    }
    // A line whose address does not continue may be typed out of place;
    // not at a gap whose row the block before rebuilt.
    for (int f = 0; f < static_cast<int>(block.pending.size()); ++f) {
        const Finding& finding = block.pending[f];
        if (finding.kind != FindingKind::AddressStep ||
            (finding.step != StepKind::Backward && finding.step != StepKind::Overlap &&
             finding.step != StepKind::Gap)) {
            continue;
        }
        bool claimed = false;
        for (const LooseRow& loose : links.entered) {
            claimed = claimed ||
                      (finding.step == StepKind::Gap && loose.address == finding.first_address);
        }
        if (claimed) {
            continue;
        }
        for (PuzzleRow& row : rows) {
            if (block.lines[row.line].line_number == finding.line_number && !row.may_leave) {
                row.may_leave = true;
                row.leave_steps = StepBit(f, puzzle, map);
            }
        }
    }
    for (const LineSwapRecord& swap : block.swaps) {
        const int first = RowOfLine(*puzzle, swap.first);
        const int second = RowOfLine(*puzzle, swap.second);
        if (first >= 0 && second >= 0) {
            const std::uint32_t step = StepBit(swap.finding, puzzle, map);
            puzzle->reorders.push_back({second, first, step, true});
            // Either may instead be a line out of place.
            for (const int r : {first, second}) {
                rows[r].may_leave = true;
                rows[r].leave_steps |= step;
            }
        }
    }
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const RecordedLine& line = block.lines[rows[r].line];
        // A row that fills a gap another block left: it may be the line
        // typed out of place there.
        for (std::size_t e = 0; e < links.entered.size(); ++e) {
            const LooseRow& loose = links.entered[e];
            if (loose.address == line.address && loose.count == rows[r].count &&
                map->row_entered[r] < 0) {
                bool same = true;
                for (int k = 0; k < loose.count && same; ++k) {
                    same = loose.values[k] == rows[r].values[k];
                }
                if (same) {
                    rows[r].may_leave = true;
                    rows[r].leave_cost = 0;
                    map->row_entered[r] = static_cast<int>(e);
                }
            }
        }
        // With AddressSum an address the lines around continue otherwise.
        if (options.checksum && options.address_sum && line.neighbours_agree &&
            line.checksum_wrong && rows[r].summed) {
            rows[r].address_alternative = true;
            rows[r].address_right = line.continuing;
            rows[r].address_steps = StepBit(-1, puzzle, map);
        }
        AddForms(options, block, r, width, puzzle, map);
    }
    // The first line's address, where a second line may be left out.
    for (const FirstLineRecord& first : block.first_lines) {
        const int r = RowOfLine(*puzzle, first.line);
        if (r >= 0 && first.finding >= 0 && !rows[r].address_alternative) {
            rows[r].address_alternative = true;
            rows[r].address_right = first.address;
            rows[r].address_steps = StepBit(first.finding, puzzle, map);
        }
    }
    // The last line's address, when only the line before tells it: also
    // where it was taken for a line typed out of place.
    if (!rows.empty()) {
        const int r = static_cast<int>(rows.size()) - 1;
        const RecordedLine& line = block.lines[rows[r].line];
        for (int f = 0; f < static_cast<int>(block.pending.size()); ++f) {
            const Finding& finding = block.pending[f];
            if (finding.kind == FindingKind::AddressStep &&
                finding.line_number == line.line_number && line.expected_address >= 0 &&
                !block.anchored_end && !rows[r].address_alternative &&
                (finding.step == StepKind::Gap || finding.step == StepKind::Overlap ||
                 finding.step == StepKind::Backward || finding.step == StepKind::Stray) &&
                DigitsDiffering(line.address, line.expected_address) == 1) {
                rows[r].address_alternative = true;
                rows[r].address_right = line.expected_address;
                rows[r].address_steps = StepBit(f, puzzle, map);
            }
        }
    }
    for (PuzzleRow& row : rows) {
        if (row.address_alternative && options.checksum && options.address_sum) {
            const std::int32_t typed = block.lines[row.line].address;
            row.address_change =
                (AddressPart(options, row.address_right) - AddressPart(options, typed)) &
                LineMask(options);
        }
    }

    // Rows that may be left out: a gap of one row, and an end of the block
    // that no line around continues; a row another block put out of its
    // sums where it would fit here; the next block's first row at the end.
    if (!given.judged) {
        return;
    }
    auto add_gap = [&](PuzzleGap gap, int record, int stray, bool next) {
        if (stray >= 0) {
            gap.known = true;
            gap.cost = 0;
            std::memcpy(gap.values, links.strays[stray].values, sizeof gap.values);
        }
        puzzle->gaps.push_back(gap);
        map->gap_record.push_back(record);
        map->gap_stray.push_back(stray);
        map->gap_next.push_back(next);
    };
    auto stray_at = [&](std::int32_t address, int width) {
        int found = -1;
        for (int s = 0; s < static_cast<int>(links.strays.size()); ++s) {
            if (links.strays[s].address == address && links.strays[s].count == width) {
                found = s;
            }
        }
        return found;
    };
    bool gap_at_start = false;
    bool gap_at_end = false;
    for (int g = 0; g < static_cast<int>(block.gaps.size()); ++g) {
        const GapRecord& record = block.gaps[g];
        if (record.rows != 1) {
            continue;
        }
        PuzzleGap gap;
        gap.before = record.line == static_cast<int>(block.lines.size())
                         ? static_cast<int>(rows.size())
                         : RowOfLine(*puzzle, record.line);
        if (gap.before < 0) {
            continue;
        }
        gap.address = record.address;
        gap.width = record.width < kColumnCount ? record.width : kColumnCount;
        // A row the block before rebuilt at this address was left out there.
        bool claimed = false;
        for (const LooseRow& loose : links.entered) {
            claimed = claimed || loose.address == record.address;
        }
        if (claimed) {
            continue;
        }
        // A gap after the block's last line is a step of the next block's
        // first line: a step of this block's too, which the row answers.
        gap.steps = StepBit(record.finding, puzzle, map);
        gap_at_start = gap_at_start || gap.before == 0;
        gap_at_end = gap_at_end || gap.before == static_cast<int>(rows.size());
        add_gap(gap, g, stray_at(record.address, gap.width), false);
    }
    if (rows.empty() || width <= 0) {
        return;
    }
    const RecordedLine& first = block.lines[rows.front().line];
    const RecordedLine& last = block.lines[rows.back().line];
    // Listings begin at round addresses: where the columns would tell a row
    // left out before a first row at a multiple of 0x100, none is taken for
    // it (a row rebuilt there would only stand for typos elsewhere). Without
    // columns nothing but the total tells, and it stays a reading.
    const bool round = first.address % 0x100 == 0 && given.compared_columns >= width;
    if (!gap_at_start && first.address >= width && (block.anchored_start || !round)) {
        PuzzleGap gap;
        gap.before = 0;
        gap.address = first.address - width;
        gap.width = width;
        const int stray = stray_at(gap.address, width);
        if (stray >= 0 || !block.anchored_start) {
            add_gap(gap, -1, stray, false);
        }
    }
    if (!gap_at_end && last.address >= 0 &&
        last.address + last.count + width <= kHighestEmulatedAddress + 1) {
        PuzzleGap gap;
        gap.before = static_cast<int>(rows.size());
        gap.address = last.address + last.count;
        gap.width = width;
        const int stray = stray_at(gap.address, width);
        if (stray >= 0 || !block.anchored_end) {
            add_gap(gap, -1, stray, false);
        } else if (block.next_count == width) {
            // The next block's first line, typed after this block's check line.
            gap.address = block.next_address;
            gap.known = true;
            for (int k = 0; k < width; ++k) {
                gap.values[k] = static_cast<std::uint8_t>(block.next_values[k]);
            }
            add_gap(gap, -1, -1, true);
        }
    }
    // The rows at the block's ends that continue the blocks around: each may
    // belong to the block next to it.
    if (block.anchored_start) {
        rows.front().may_leave = true;
    }
    if (block.anchored_end) {
        rows.back().may_leave = true;
    }
}

}  // namespace tsy::proof
