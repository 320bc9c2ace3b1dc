// When a mistake the search found is certain: when the sums cross at what
// it changes. A byte needs its place pinned by the columns (or the CRC,
// among few trials) and its value by two sums; a token, the bytes around it
// confirmed; a row put in, out or moved, a sum of the block that sees it.
// Whatever a row rebuilt from the columns, a row moved, or an address step
// left unanswered makes a check line's token read is only as sure as they.
#include "proof/certainty.h"

#include "proof/crc_maps.h"

namespace tsy::proof {
namespace {

// A 16-bit CRC lets about one combination in 65,536 through by chance: it
// alone pins a byte among this many at most, so that a chance fit stays
// below one in a thousand.
constexpr long kMaxCrcOnlyTrials = 64;

int BitCount(unsigned bits) {
    int count = 0;
    for (; bits != 0; bits &= bits - 1) {
        ++count;
    }
    return count;
}

// Whether the CRC, at the place of row `before` (the rows' count for after
// the last), still stands at zero: zero bytes typed there change nothing.
bool CrcAtZero(const Puzzle& p, int before) {
    bool zero = p.crc_start == 0;
    for (int r = 0; r < before && r < static_cast<int>(p.rows.size()); ++r) {
        for (int k = 0; k < p.rows[r].count; ++k) {
            zero = zero && p.rows[r].values[k] == 0;
        }
    }
    return zero;
}

// Whether a sum of the block that the explanation leaves standing sees a
// row of `count` bytes come or go: its columns, a 16-bit total, the CRC.
// With the row's `values` (at row `before`), only what they change counts:
// zeros change no column and no total, nor the CRC while it stands at zero.
template <typename Value>
bool BlockSees(const NamingContext& c, const Explanation& e, int count,
               const Value* values = nullptr, int before = 0) {
    const Puzzle& p = *c.puzzle;
    const int width = count < kColumnCount ? count : kColumnCount;
    bool columns = p.compared_columns >= width;
    for (const Mistake& other : e.mistakes) {
        columns = columns && other.kind != MistakeKind::ColumnToken;
    }
    bool total = p.total == TotalKind::Sum16 && !Has(e, MistakeKind::TotalToken);
    bool crc = p.total == TotalKind::Crc && !Has(e, MistakeKind::CrcToken);
    if (values != nullptr) {
        std::uint32_t sum = 0;
        bool nonzero = false;
        for (int k = 0; k < width; ++k) {
            sum += values[k] & 0xFFu;
            nonzero = nonzero || (k < p.compared_columns && (values[k] & 0xFFu) != 0);
        }
        columns = columns && nonzero;
        total = total && (sum & 0xFFFFu) != 0;
        crc = crc && (sum != 0 || !CrcAtZero(p, before));
    }
    return columns || total || crc;
}

// Whether row `row` has an address before, or after, every other row of
// the block.
bool OutsideTheOthers(const NamingContext& c, int row) {
    const Puzzle& p = *c.puzzle;
    const std::int32_t address = LineOf(c, row).address;
    bool before = true;
    bool after = true;
    for (std::size_t r = 0; r < p.rows.size(); ++r) {
        if (static_cast<int>(r) != row) {
            const std::int32_t other = LineOf(c, static_cast<int>(r)).address;
            before = before && address < other;
            after = after && address > other;
        }
    }
    return address >= 0 && (before || after);
}

// Whether the last row of the block before, which this block's first
// continues, taken into this block's sums makes them all agree: the line
// may belong here, typed before the check line, as one typo too.
bool PreviousRowFits(const NamingContext& c) {
    const Puzzle& p = *c.puzzle;
    const BlockRecord& block = *c.block;
    if (!block.anchored_start || block.previous_count <= 0 ||
        (p.compared_columns == 0 && p.total == TotalKind::None)) {
        return false;
    }
    std::uint32_t sum = 0;
    for (int k = 0; k < block.previous_count; ++k) {
        sum += block.previous_values[k];
        if (k < p.compared_columns && p.column_residual[k] != (block.previous_values[k] & 0xFFu)) {
            return false;
        }
    }
    for (int k = block.previous_count; k < p.compared_columns; ++k) {
        if (p.column_residual[k] != 0) {
            return false;
        }
    }
    const std::uint32_t mask = p.total == TotalKind::Sum16 ? 0xFFFFu : 0xFFu;
    return !((p.total == TotalKind::Sum8 || p.total == TotalKind::Sum16) &&
             p.total_residual != (sum & mask));
}

// Whether a row of zeros taken out of the block gives the CRC printed: a
// line of zeros typed where it does not belong changes no other sum, and
// one typo explains the block as well as the CRC token does.
bool ZeroRowFitsCrc(const NamingContext& c) {
    const Puzzle& p = *c.puzzle;
    for (std::size_t out = 0; out < p.rows.size(); ++out) {
        const PuzzleRow& row = p.rows[out];
        bool zeros = row.count > 0;
        for (int k = 0; k < row.count; ++k) {
            zeros = zeros && row.values[k] == 0;
        }
        if (!zeros) {
            continue;
        }
        std::uint16_t crc = p.crc_start;
        for (std::size_t r = 0; r < p.rows.size(); ++r) {
            for (int k = 0; r != out && k < p.rows[r].count; ++k) {
                crc = CrcByte(crc, static_cast<std::uint8_t>(p.rows[r].values[k]));
            }
        }
        if (crc == p.crc_given) {
            return true;
        }
    }
    return false;
}

// An unreadable byte is a typo known to be there, at a known place, so its
// line sum (or the total) gives its value unless a second typo in its line
// shifts that sum too. Where the explanation changes nothing else in its
// line but needs a mistake elsewhere that is no typo known beforehand, the
// block's differences are not those of its line alone: one more typo in its
// line would not explain them with as few typos.
bool UnreadableSettled(const NamingContext& c, const Mistake& m, const Explanation& e) {
    const Puzzle& p = *c.puzzle;
    auto unreadable = [&](const Mistake& byte) {
        const PuzzleRow& row = p.rows[byte.row];
        return byte.kind == MistakeKind::Byte &&
               (((row.unknown_high | row.unknown_low) >> byte.column) & 1u) != 0;
    };
    if (!unreadable(m)) {
        return false;
    }
    bool elsewhere = false;
    for (const Mistake& other : e.mistakes) {
        if (other == m) {
            continue;
        }
        if (other.row == m.row && other.kind != MistakeKind::LineToken) {
            return false;  // another change of its line
        }
        switch (other.kind) {
            case MistakeKind::Byte:
                elsewhere = elsewhere || !unreadable(other);
                break;
            case MistakeKind::ColumnToken:
                elsewhere = elsewhere || ((p.column_unknown >> other.column) & 1u) == 0;
                break;
            case MistakeKind::TotalToken:
            case MistakeKind::CrcToken:
                elsewhere = elsewhere || !p.total_unknown;
                break;
            case MistakeKind::LineToken:
            case MistakeKind::Swap:
            case MistakeKind::Form:
            case MistakeKind::Leave:
            case MistakeKind::Enter:
            case MistakeKind::Pair:
                elsewhere = true;
                break;
            default:  // changes no sum
                break;
        }
    }
    return elsewhere;
}

// Whether the explanation takes the checksum token of a row as mistyped
// whose bytes no compared column sees: only the total sees them then, and a
// byte of it typed wrong would shift the total as a typo of the total does.
bool RowSeenByTotalAlone(const NamingContext& c, const Explanation& e) {
    for (const Mistake& other : e.mistakes) {
        if (other.kind == MistakeKind::LineToken &&
            c.puzzle->rows[other.row].count > c.puzzle->compared_columns) {
            return true;
        }
    }
    return false;
}

// Whether one row taken out of the block makes its columns and total agree:
// a line typed in the wrong block explains them as well as a typo of the
// total does.
bool RowOutFits(const NamingContext& c) {
    const Puzzle& p = *c.puzzle;
    if (p.total != TotalKind::Sum8 && p.total != TotalKind::Sum16) {
        return false;
    }
    const std::uint32_t mask = p.total == TotalKind::Sum16 ? 0xFFFFu : 0xFFu;
    for (const PuzzleRow& row : p.rows) {
        std::uint32_t sum = 0;
        bool columns = true;
        for (int k = 0; k < row.count; ++k) {
            sum += row.values[k];
            columns = columns && (k >= p.compared_columns ||
                                  ((p.column_residual[k] + row.values[k]) & 0xFFu) == 0);
        }
        if (columns && ((p.total_residual + sum) & mask) == 0) {
            return true;
        }
    }
    return false;
}

// Whether a line an earlier block could not place, taken into this block,
// makes its columns and total agree: a line typed into a block before its
// own explains them as well as a typo of the total does.
bool RowInFits(const NamingContext& c) {
    const Puzzle& p = *c.puzzle;
    if (p.total != TotalKind::Sum8 && p.total != TotalKind::Sum16) {
        return false;
    }
    const std::uint32_t mask = p.total == TotalKind::Sum16 ? 0xFFFFu : 0xFFu;
    for (const LooseRow& row : c.links->unsettled) {
        std::uint32_t sum = 0;
        bool columns = true;
        for (int k = 0; k < p.compared_columns; ++k) {
            const std::uint32_t value = k < row.count ? row.values[k] : 0u;
            columns = columns && ((p.column_residual[k] - value) & 0xFFu) == 0;
        }
        for (int k = 0; k < row.count; ++k) {
            sum += row.values[k];
        }
        if (columns && ((p.total_residual - sum) & mask) == 0) {
            return true;
        }
    }
    return false;
}

// The hex digits in which two byte values differ.
int DigitsChanged(int a, int b) {
    return (((a ^ b) & 0xF0) != 0 ? 1 : 0) + (((a ^ b) & 0x0F) != 0 ? 1 : 0);
}

// Whether the changes `change` of the typed bytes `typed` at four places
// give byte values with no more than `digits` hex digits typed wrong.
bool NoMoreDigits(const int (&typed)[4], const int (&change)[4], int digits) {
    int alternative = 0;
    for (int k = 0; k < 4; ++k) {
        const int meant = typed[k] + change[k];
        if (meant < 0 || meant > 0xFF) {
            return false;
        }
        alternative += DigitsChanged(typed[k], meant);
    }
    return alternative <= digits;
}

// Whether byte `m` and another byte of the explanation, in another row,
// may be three bytes at the corners of a rectangle instead, with no more
// digits typed wrong: changes that keep every line sum, column and total
// as the two do. In other columns, the rectangle is the one they span; in
// one column, any other column compared gives one. The sums cannot tell
// the two readings apart; only a CRC can.
bool CornersFit(const NamingContext& c, const Mistake& m, const Explanation& e) {
    const Puzzle& p = *c.puzzle;
    if (p.total == TotalKind::Crc && !Has(e, MistakeKind::CrcToken)) {
        return false;
    }
    const PuzzleRow& row1 = p.rows[m.row];
    for (const Mistake& o : e.mistakes) {
        if (o.kind != MistakeKind::Byte || o.row == m.row || o.column >= p.compared_columns ||
            m.column >= p.compared_columns) {
            continue;
        }
        const PuzzleRow& row2 = p.rows[o.row];
        if (o.column >= row1.count || m.column >= row2.count ||
            ((row1.unknown_high | row1.unknown_low | row2.unknown_high | row2.unknown_low) != 0)) {
            continue;
        }
        const int d1 = m.value - row1.values[m.column];
        const int d2 = o.value - row2.values[o.column];
        const int digits = DigitsChanged(row1.values[m.column], m.value) +
                           DigitsChanged(row2.values[o.column], o.value);
        if (o.column != m.column) {
            // The typed bytes at the corners: m's, m's row in o's column,
            // o's row in m's column, o's; without o's corner, or without
            // m's, each corner's change.
            const int typed[4] = {row1.values[m.column], row1.values[o.column],
                                  row2.values[m.column], row2.values[o.column]};
            if (NoMoreDigits(typed, {d1 - d2, d2, d2, 0}, digits) ||
                NoMoreDigits(typed, {0, d1, d1, d2 - d1}, digits)) {
                return true;
            }
            continue;
        }
        for (int k = 0; k < p.compared_columns && k < row1.count && k < row2.count; ++k) {
            if (k == m.column) {
                continue;
            }
            // The typed bytes: m's, m's row in column k, o's row in column
            // k, o's; one of the two bytes takes both changes, and column
            // k carries the other's from row to row.
            const int typed[4] = {row1.values[m.column], row1.values[k], row2.values[k],
                                  row2.values[o.column]};
            if (NoMoreDigits(typed, {d1 + d2, -d2, d2, 0}, digits) ||
                NoMoreDigits(typed, {0, d1, -d1, d1 + d2}, digits)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

int ExtraColumnFits(const Puzzle& p) {
    const int compared = p.compared_columns;
    if (compared < 2 || p.total_residual != 0 || p.column_unknown != 0 || p.total_unknown) {
        return -1;
    }
    for (const PuzzleRow& row : p.rows) {
        if ((row.summed && row.residual != 0) || row.count >= compared ||
            (row.unknown_high | row.unknown_low) != 0) {
            return -1;
        }
    }
    for (int out = 0; out < compared; ++out) {
        bool fits = true;
        for (int k = 0; k + 1 < compared && fits; ++k) {
            const std::uint32_t computed = (p.column_given[k] - p.column_residual[k]) & 0xFFu;
            fits = computed == p.column_given[k < out ? k : k + 1];
        }
        if (fits) {
            return out;
        }
    }
    return -1;
}

bool Has(const Explanation& e, MistakeKind kind) {
    for (const Mistake& m : e.mistakes) {
        if (m.kind == kind) {
            return true;
        }
    }
    return false;
}

bool Crossed(const NamingContext& c, const Mistake& m, std::uint8_t confirmed, const Explanation& e,
             const SearchResult& result) {
    const Puzzle& p = *c.puzzle;
    // A row rebuilt from what the columns lack takes up any column's
    // difference: the other block sums then confirm nothing.
    bool rebuilt = false;
    bool moved = false;  // rows put in, put out or put in another order
    for (const Mistake& other : e.mistakes) {
        rebuilt = rebuilt || (other.kind == MistakeKind::Enter && !p.gaps[other.index].known);
        moved = moved || other.kind == MistakeKind::Enter || other.kind == MistakeKind::Leave ||
                other.kind == MistakeKind::Reorder;
    }
    if (rebuilt && (m.kind == MistakeKind::ColumnToken || m.kind == MistakeKind::TotalToken ||
                    m.kind == MistakeKind::CrcToken || m.kind == MistakeKind::Swap ||
                    m.kind == MistakeKind::Form || m.kind == MistakeKind::Leave)) {
        return false;
    }
    // What a check line's token should read depends on which rows are the
    // block's: with rows moved, or a step of the addresses unanswered, it is
    // only as sure as their places.
    // A line typed with full-width characters reads one way as typed and
    // another half-width: its row, and what the check line should read,
    // are only as sure as the reading.
    bool full_width = false;
    for (const PuzzleRow& row : p.rows) {
        full_width = full_width || (row.line >= 0 && c.block->lines[row.line].full_width);
    }
    if ((moved || full_width || Has(e, MistakeKind::Step)) &&
        (m.kind == MistakeKind::ColumnToken || m.kind == MistakeKind::TotalToken ||
         m.kind == MistakeKind::CrcToken)) {
        return false;
    }
    // A column token and the total (or CRC) typed wrong leave the column's
    // bytes confirmed by nothing but the line sums, which a byte and its
    // line's checksum typed wrong alike keep right.
    const bool block_total = Has(e, MistakeKind::TotalToken) || Has(e, MistakeKind::CrcToken);
    if (block_total && Has(e, MistakeKind::ColumnToken) &&
        (m.kind == MistakeKind::ColumnToken || m.kind == MistakeKind::TotalToken ||
         m.kind == MistakeKind::CrcToken)) {
        return false;
    }
    switch (m.kind) {
        case MistakeKind::Byte: {
            // A row whose line sum is right as typed shows no typo of its
            // own: bytes changed there must cancel in it, and a row left
            // out or typed elsewhere may change the columns as well.
            const PuzzleRow& row = p.rows[m.row];
            if (row.summed && row.residual == 0 && (row.unknown_high | row.unknown_low) == 0) {
                return false;
            }
            // Its place: the columns compared show every other column right;
            // or the CRC, among few enough trials.
            if (CornersFit(c, m, e)) {
                return false;
            }
            const bool pinned = m.column < p.compared_columns ||
                                ((confirmed & 8) != 0 && result.crc_trials <= kMaxCrcOnlyTrials);
            return (pinned && BitCount(confirmed) >= 2) ||
                   (confirmed != 0 && UnreadableSettled(c, m, e));
        }
        case MistakeKind::LineToken: {
            // The row's bytes must stand confirmed by a sum of the block.
            const RecordedLine& line = LineOf(c, m.row);
            bool columns = p.compared_columns >= p.rows[m.row].count;
            for (const Mistake& other : e.mistakes) {
                columns = columns && !(other.kind == MistakeKind::ColumnToken &&
                                       other.column < p.rows[m.row].count);
            }
            const bool total = (p.total == TotalKind::Sum8 || p.total == TotalKind::Sum16) &&
                               !Has(e, MistakeKind::TotalToken);
            const bool crc = p.total == TotalKind::Crc && !Has(e, MistakeKind::CrcToken);
            return !rebuilt && (columns || total || crc) &&
                   (!c.options->address_sum || line.address_confirmed);
        }
        case MistakeKind::ColumnToken:
            return !PreviousRowFits(c) && c.options->checksum && p.total != TotalKind::None &&
                   !Has(e, MistakeKind::TotalToken);
        case MistakeKind::TotalToken:
            return !PreviousRowFits(c) && !RowSeenByTotalAlone(c, e) && !RowOutFits(c) &&
                   !RowInFits(c) &&
                   (p.total != TotalKind::Sum8 || p.compared_columns >= BlockWidth(*c.block));
        case MistakeKind::CrcToken: {
            // Zero bytes left out at the end change nothing but the CRC: the
            // line after must continue the block's last, or no such bytes
            // give the CRC printed.
            if (PreviousRowFits(c) || ZeroRowFitsCrc(c)) {
                return false;
            }
            if (c.block->anchored_end) {
                return true;
            }
            const int width = BlockWidth(*c.block);
            for (int n = 1; n <= width; ++n) {
                if (CrcAfterZeros(m.value, static_cast<std::uint32_t>(n)) == p.crc_given) {
                    return false;
                }
            }
            return true;
        }
        case MistakeKind::Reorder: {
            // With rows put out of the block or into it, the order of the
            // rest is only as sure as which rows they are.
            if (Has(e, MistakeKind::Leave) || Has(e, MistakeKind::Enter)) {
                return false;
            }
            // A row of zeros that no sum sees, at an address before or
            // after all the others, fits the block next to it as well.
            for (std::size_t r = 0; r < p.rows.size(); ++r) {
                if (!BlockSees(c, e, p.rows[r].count, p.rows[r].values, static_cast<int>(r)) &&
                    OutsideTheOthers(c, static_cast<int>(r))) {
                    return false;
                }
            }
            return true;
        }
        case MistakeKind::Swap:
            return (m.column2 < p.compared_columns && !Has(e, MistakeKind::ColumnToken)) ||
                   (p.total == TotalKind::Crc && !Has(e, MistakeKind::CrcToken));
        case MistakeKind::Form: {
            // A sum must see the row change: its line's difference, a
            // compared column, or the CRC. A zero typed twice among zeros,
            // or left out there, changes none of them; only the addresses
            // then tell, and a line they skipped may answer them as well.
            const RowForm& form = p.forms[m.index];
            const PuzzleRow& row = p.rows[m.row];
            if (LineOf(c, m.row).full_width) {
                return false;  // a full-width space or digit read as one token
            }
            // A byte left out of a row that the check line's columns alone
            // show short: a column token typed twice fits as well.
            if (form.insert && ExtraColumnFits(p) >= 0) {
                return false;
            }
            bool zeros = true;
            for (int k = 0; k < row.count; ++k) {
                zeros = zeros && row.values[k] == 0;
            }
            bool seen = form.residual != row.residual ||
                        (p.total == TotalKind::Crc && !Has(e, MistakeKind::CrcToken) &&
                         !(zeros && CrcAtZero(p, m.row)));
            const int widest = form.count > row.count ? form.count : row.count;
            for (int k = 0; k < widest && k < p.compared_columns; ++k) {
                const std::uint32_t typed = k < row.count ? row.values[k] : 0u;
                const std::uint32_t meant = k < form.count ? form.values[k] : 0u;
                seen = seen || typed != meant;
            }
            return seen && row.summed && BlockSees<std::uint8_t>(c, e, form.count);
        }
        case MistakeKind::Leave:
            return BlockSees(c, e, p.rows[m.row].count, p.rows[m.row].values, m.row);
        case MistakeKind::Enter: {
            // A row rebuilt from the columns stands only where nothing else
            // of the explanation changes them or the total.
            const PuzzleGap& gap = p.gaps[m.index];
            if (!BlockSees(c, e, gap.width, gap.known ? gap.values : e.entered, gap.before) ||
                (!gap.known && gap.width > p.compared_columns)) {
                return false;
            }
            // A line an earlier block could not place that holds the row's
            // bytes may be the row, typed there: moved, not left out here.
            if (!gap.known && TypedElsewhere(c, e.entered, gap.width) >= 0) {
                return false;
            }
            // After the last row, zeros at its end may be bytes it never had.
            if (!gap.known && gap.before >= static_cast<int>(p.rows.size()) &&
                e.entered[gap.width - 1] == 0) {
                return false;
            }
            // Where no address shows a row left out, the columns alone tell
            // it: a row of mostly zeros is likelier a typo elsewhere.
            if (!gap.known && gap.steps == 0) {
                int nonzero = 0;
                for (int k = 0; k < gap.width; ++k) {
                    nonzero += e.entered[k] != 0 ? 1 : 0;
                }
                if (2 * nonzero < gap.width) {
                    return false;
                }
            }
            for (const Mistake& other : e.mistakes) {
                const bool alone =
                    other.kind == MistakeKind::Enter || other.kind == MistakeKind::Step ||
                    other.kind == MistakeKind::Reorder || other.kind == MistakeKind::LineToken ||
                    other.kind == MistakeKind::Address;
                if (!gap.known && !alone) {
                    return false;
                }
            }
            return true;
        }
        case MistakeKind::Address: {
            // The line sum confirms it only where the digits differing are
            // summed (not the high byte with the lower address only).
            if (c.options->checksum && c.options->address_sum &&
                p.rows[m.row].address_change != 0) {
                return true;
            }
            // Otherwise an address one digit off the address continuing the
            // line before, which its own neighbour confirms (else its address
            // may be the one mistyped), that goes back into the bytes already
            // written or forward by what no whole rows left out make up: the
            // block's sums see the row and agree with it there, so it is no
            // line typed out of place, and nothing is left out before it (a
            // row of zeros left out would answer a step of whole rows as
            // well).
            const Finding* step = StepFinding(c, p.rows[m.row].address_steps);
            const PuzzleRow& row = p.rows[m.row];
            bool rows_left_out = false;
            for (const GapRecord& gap : c.block->gaps) {
                rows_left_out =
                    rows_left_out || (gap.finding >= 0 && &c.block->pending[gap.finding] == step);
            }
            const RecordedLine* before = m.row > 0 ? &LineOf(c, m.row - 1) : nullptr;
            return e.mistakes.size() == 1 && step != nullptr && before != nullptr &&
                   before->address_confirmed &&
                   before->address + before->count == LineOf(c, m.row).expected_address &&
                   (step->step == StepKind::Backward || step->step == StepKind::Overlap ||
                    step->step == StepKind::Stray ||
                    (step->step == StepKind::Gap && !rows_left_out)) &&
                   BlockSees(c, e, row.count, row.values, m.row);
        }
        case MistakeKind::Step:
        case MistakeKind::Pair:
            break;
    }
    return false;
}

}  // namespace tsy::proof
