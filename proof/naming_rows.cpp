// Naming the rows an explanation puts in, takes out or reads otherwise: a
// line that does not belong to its block (typed twice, or typed out of
// place), a row left out or typed elsewhere and entered here, a row read
// with a byte taken out or put in. Each diagnosis goes on the finding of the
// address step that shows it where there is one, else on the line's or the
// check line's; what is certain is left to the blocks after (BlockLinks).
#include <cstring>

#include "proof/naming.h"

namespace tsy::proof {
namespace {

// A row of a puzzle kept for later blocks, with its line's place.
LooseRow Loose(const PuzzleRow& row, const RecordedLine& line) {
    LooseRow loose;
    loose.address = line.address;
    loose.count = row.count < kColumnCount ? row.count : kColumnCount;
    for (int k = 0; k < loose.count; ++k) {
        loose.values[k] = static_cast<std::uint8_t>(row.values[k]);
    }
    loose.line_number = line.line_number;
    std::memcpy(loose.address_text, line.address_text, sizeof loose.address_text);
    return loose;
}

}  // namespace

void NameRowLeft(const NamingContext& c, const Mistake& m, Certainty certainty) {
    const RecordedLine& line = LineOf(c, m.row);
    const PuzzleRow& row = c.puzzle->rows[m.row];
    Finding* step = StepFinding(c, row.leave_steps);
    const int entered = c.map->row_entered[m.row];
    bool repeat = false;
    for (const RepeatRecord& record : c.block->repeats) {
        repeat = repeat || record.line == row.line;
    }
    if (repeat && step != nullptr) {
        Diagnosis d = AboutLine(DiagnosisKind::Duplicate, certainty, line);
        d.line_number = step->other_line;
        d.by_sums = true;
        step->Add(d);
    } else {
        Diagnosis d = AboutLine(DiagnosisKind::StrayLine, certainty, line);
        if (entered >= 0) {
            const LooseRow& loose = c.links->entered[entered];
            d.kind = DiagnosisKind::MovedLine;
            d.column = -1;  // where another block rebuilt it
            d.other_line = loose.line_number;
            d.right = static_cast<std::uint32_t>(loose.address);
            d.digits = 4;
        }
        Finding* target = step != nullptr ? step : LineFinding(c, m.row);
        target = target != nullptr ? target : c.check;
        if (target != nullptr) {
            target->Add(d);
        }
    }
    if (c.check != nullptr) {
        c.check->Add(AboutLine(repeat ? DiagnosisKind::RepeatCounts : DiagnosisKind::StrayCounts,
                               certainty, line));
    }
    if (certainty == Certainty::Certain && !repeat) {
        BlockLinks::Keep(&c.links->strays, Loose(row, line));
    }
}

void NameEntered(const NamingContext& c, const Mistake& m, Certainty certainty,
                 const Explanation& e) {
    const Puzzle& p = *c.puzzle;
    const PuzzleGap& gap = p.gaps[m.index];
    Finding* step = StepFinding(c, gap.steps);
    auto target_of = [&](Finding* finding) { return finding != nullptr ? finding : c.check; };
    const int stray = c.map->gap_stray[m.index];
    const bool after_last = gap.before >= static_cast<int>(p.rows.size());
    const int next_row = after_last ? -1 : gap.before;
    Diagnosis d;
    d.certainty = certainty;
    d.right = static_cast<std::uint32_t>(gap.address);
    // The line it goes before; 0 after the block's last.
    d.other_line = next_row >= 0 ? LineOf(c, next_row).line_number : 0;
    const bool next = c.map->gap_next[m.index];
    if (stray >= 0) {
        d.kind = DiagnosisKind::MovedHere;
        d.line_number = c.links->strays[stray].line_number;
        std::memcpy(d.address_text, c.links->strays[stray].address_text, sizeof d.address_text);
    } else if (next) {
        d.kind = DiagnosisKind::MovedHere;
        d.line_number = c.block->next_line_number;
        std::memcpy(d.address_text, c.block->next_address_text, sizeof d.address_text);
    } else {
        d.kind = DiagnosisKind::MissingLine;
        const bool known_bytes = gap.width <= p.compared_columns;
        // A row of bytes nothing tells, where no address shows it left out,
        // is only one reading among others; it is not named.
        if (!known_bytes && gap.steps == 0) {
            return;
        }
        // A line an earlier block could not place holds these bytes: it may
        // be the row, typed there.
        const int elsewhere = TypedElsewhere(c, e.entered, gap.width);
        if (known_bytes && elsewhere >= 0 && target_of(step) != nullptr) {
            Diagnosis moved = d;
            moved.kind = DiagnosisKind::MovedHere;
            moved.certainty = Certainty::Likely;
            moved.line_number = c.links->unsettled[elsewhere].line_number;
            std::memcpy(moved.address_text, c.links->unsettled[elsewhere].address_text,
                        sizeof moved.address_text);
            target_of(step)->Add(moved);
        }
        d.byte_count = known_bytes ? gap.width : 0;
        std::uint32_t sum = c.options->address_sum ? AddressPart(*c.options, gap.address) : 0u;
        for (int k = 0; k < d.byte_count; ++k) {
            d.bytes[k] = e.entered[k];
            sum += e.entered[k];
        }
        d.sum = c.options->checksum && known_bytes ? SumState::Right : SumState::NoChecksum;
        d.typed = sum & LineMask(*c.options);
        d.digits = c.options->ohmz_sum ? 3 : 2;
    }
    Finding* target = target_of(step);
    if (target != nullptr) {
        target->Add(d);
    }
    if (c.check != nullptr && target != c.check && next_row >= 0) {
        Diagnosis counts = AboutLine(DiagnosisKind::MissingCounts, certainty, LineOf(c, next_row));
        counts.right = static_cast<std::uint32_t>(gap.address);
        c.check->Add(counts);
    }
    if (certainty == Certainty::Certain && stray < 0 && (next || d.byte_count > 0)) {
        LooseRow loose;
        loose.address = gap.address;
        loose.count = gap.width;
        std::memcpy(loose.values, e.entered, sizeof loose.values);
        loose.line_number = next_row >= 0 ? LineOf(c, next_row).line_number : 0;
        BlockLinks::Keep(&c.links->entered, loose);
    }
}

int TypedElsewhere(const NamingContext& c, const std::uint8_t* values, int width) {
    const std::vector<LooseRow>& rows = c.links->unsettled;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        if (rows[r].count == width && std::memcmp(rows[r].values, values, width) == 0) {
            return r;
        }
    }
    return -1;
}

void KeepUnsettled(const Puzzle& puzzle, const BlockRecord& block, BlockLinks* links) {
    for (const PuzzleRow& row : puzzle.rows) {
        if (row.line < 0) {
            continue;
        }
        const RecordedLine& line = block.lines[row.line];
        BlockLinks::Keep(&links->unsettled, Loose(row, line), BlockLinks::kMaxUnsettled);
    }
}

void NameForm(const NamingContext& c, const Mistake& m, Certainty certainty) {
    const RowForm& form = c.puzzle->forms[m.index];
    const RecordedLine& line = LineOf(c, m.row);
    Diagnosis d = AboutLine(form.insert ? DiagnosisKind::DroppedByte : DiagnosisKind::DoubledByte,
                            certainty, line);
    d.column = form.position;
    d.typed = form.insert ? 0u : static_cast<std::uint32_t>(line.windows[form.position]);
    d.right = form.value;
    d.byte_count = form.count < kColumnCount ? form.count : kColumnCount;
    for (int k = 0; k < d.byte_count; ++k) {
        d.bytes[k] = static_cast<std::uint8_t>(form.values[k]);
    }
    Finding* target = LineFinding(c, m.row);
    target = target != nullptr ? target : StepFinding(c, form.steps);
    target = target != nullptr ? target : c.check;
    if (target != nullptr) {
        target->Add(d);
    }
}

}  // namespace tsy::proof
