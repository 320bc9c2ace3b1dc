// Blocks read under their check lines: the readings of the rows whose sums
// the check line agrees with, and each row settled where they all agree.
#include <algorithm>
#include <cctype>
#include <numeric>

#include "listing/check_line.h"
#include "listing/sums.h"
#include "scan/decode_state.h"
#include "scan/row_text.h"

namespace tsy::scan::decode {

// Names the characters of a row no reading of which met its sums: those
// that might read otherwise, or, where each has one reading only, all of
// them, so that a row left unverified always says where to look.
void DoubtRow(const RowState& row, int index, Decoding* out) {
    bool any = false;
    for (const std::vector<Slot>& field : row.slots) {
        for (const Slot& slot : field) {
            any = any || slot.options.size() >= 2;
        }
    }
    for (std::size_t f = 0; f < row.slots.size(); ++f) {
        for (std::size_t i = 0; i < row.slots[f].size(); ++i) {
            const Slot& slot = row.slots[f][i];
            if (any && slot.options.size() < 2) {
                continue;
            }
            Doubt doubt;
            doubt.place = Place{index, static_cast<int>(f), static_cast<int>(i)};
            doubt.read = slot.read;
            for (const Option& option : slot.options) {
                doubt.candidates += option.c;
            }
            out->doubts.push_back(doubt);
        }
    }
}

namespace {

// Bounds of the search: beyond them a block is not claimed.
constexpr long kMaxBlockReadings = 200000;
constexpr std::size_t kMaxSolutions = 16;

// What each field of the check line should read by the block's sums.
std::vector<std::string> WantedCheck(const RowState& check, const BlockSums& sums,
                                     const ListingOptions& options) {
    const bool sum_line = check.source->kind == RowKind::Sum;
    const std::size_t count = check.slots.size();
    std::vector<std::string> wanted(count);
    for (std::size_t f = 0; f < count; ++f) {
        const bool total = f + 1 == count;
        if (!total) {
            wanted[f] = Hex(f < kColumnCount ? sums.column_sums[f] & 0xFFu : 0u, 2);
        } else if (sum_line && options.ohx_crc) {
            wanted[f] = Hex(sums.block_crc, 4);
        } else if (sum_line && check.slots[f].size() == 2) {
            wanted[f] = Hex(sums.block_sum & 0xFFu, 2);  // a total of two digits
        } else {
            // All four digits: the apply compares a SUM line's last two
            // only, but a reading that is off by a multiple of 0x100 fits
            // every other sum of the block (four misread digits at the
            // corners of a rectangle), and only the first two catch it.
            wanted[f] = Hex(sums.block_sum & 0xFFFFu, 4);
        }
    }
    return wanted;
}

// Whether a character was read with no other reading: a glyph of a settled
// shape group, or one the recogniser offered nothing else for.
bool Sure(const Slot& slot) {
    return slot.options.size() == 1 && slot.read != '?';
}

// The check line's reading that the block's sums call for, where the
// recogniser's readings allow it (with `wildcards` characters allowed to
// be any digit), confirmed by the reader's own evaluation. A character of
// the total read surely is never taken as a wildcard: rows whose
// misreadings cancel in every column but carry into the total would then
// be matched by changing a digit of the total that was printed plainly. A
// column's sum, though, follows from the total and the other columns (the
// total's low byte is the sum of the columns; a CRC vouches for every
// byte): where they all read as the rows add up to, a column digit read
// surely otherwise is the misreading (a dot-matrix 8 that joined the Bs'
// shape group), not the rows.
bool MatchCheck(const RowState& check, const BlockSums& sums, const ListingOptions& options,
                int wildcards, Fields* fields, double* cost) {
    *fields = check.read;
    *cost = 0;
    const std::vector<std::string> wanted = WantedCheck(check, sums, options);
    for (std::size_t f = 0; f < wanted.size(); ++f) {
        const std::vector<Slot>& slots = check.slots[f];
        if (slots.size() != wanted[f].size()) {
            return false;
        }
        for (std::size_t i = 0; i < slots.size(); ++i) {
            const char want = wanted[f][i];
            const auto option = std::find_if(slots[i].options.begin(), slots[i].options.end(),
                                             [&](const Option& o) { return o.c == want; });
            if (option != slots[i].options.end()) {
                (*fields)[f][i] = want;
                *cost += option->cost;
            } else if (Sure(slots[i]) && f + 1 == wanted.size()) {
                return false;
            } else if (wildcards-- > 0) {
                (*fields)[f][i] = want;
                *cost += kWildCost;
            } else {
                return false;
            }
        }
    }
    const std::string text = FormatRow(check.source->kind, *fields, options);
    CheckLineResult result;
    if (check.source->kind == RowKind::Sum) {
        EvaluateSumLine(text.c_str(), text.size(), sums, options.ohx_crc, &result);
    } else {
        EvaluateDashedLine(text.c_str(), text.size(), sums, &result);
    }
    return result.outcome == LineOutcome::Accepted;
}

// The fields of the check line where a character read with no other
// reading differs from what the block's sums call for: there the sums
// prove that the rows hold a misreading.
std::vector<std::size_t> SureDisagreements(const RowState& check, const BlockSums& sums,
                                           const ListingOptions& options) {
    std::vector<std::size_t> fields;
    const std::vector<std::string> wanted = WantedCheck(check, sums, options);
    for (std::size_t f = 0; f < wanted.size(); ++f) {
        const std::vector<Slot>& slots = check.slots[f];
        for (std::size_t i = 0; i < slots.size() && i < wanted[f].size(); ++i) {
            if (Sure(slots[i]) && slots[i].options[0].c != wanted[f][i]) {
                fields.push_back(f);
                break;
            }
        }
    }
    return fields;
}

struct Solution {
    std::vector<std::size_t> picks;  // the fit of each data row
    Fields check;
    double cost = 0;
};

// Every choice of one fitting reading per data row whose sums the check
// line agrees with, up to kMaxSolutions; `exhaustive` false when the search
// was cut short.
class BlockSearch {
  public:
    BlockSearch(std::vector<RowState*> data, const RowState& check, const ListingOptions& options,
                int wildcards, Budget& budget)
        : data_(std::move(data)),
          check_(check),
          options_(options),
          wildcards_(wildcards),
          budget_(budget) {}

    std::vector<Solution> Run(bool* exhaustive) {
        picks_.assign(data_.size(), 0);
        Visit(0, BlockSums(), 0);
        *exhaustive = !cut_;
        return solutions_;
    }

  private:
    void Visit(std::size_t depth, const BlockSums& sums, double cost) {
        if (cut_) {
            return;
        }
        if (depth == data_.size()) {
            if (++leaves_ > kMaxBlockReadings || budget_.Spent()) {
                cut_ = true;
                return;
            }
            Solution solution;
            double check_cost = 0;
            if (MatchCheck(check_, sums, options_, wildcards_, &solution.check, &check_cost)) {
                solution.picks = picks_;
                solution.cost = cost + check_cost;
                solutions_.push_back(solution);
                cut_ = solutions_.size() >= kMaxSolutions;
            }
            return;
        }
        const RowState& row = *data_[depth];
        for (std::size_t i = 0; i < row.fits.size() && !cut_; ++i) {
            BlockSums next = sums;
            AddToBlock(row.fits[i].line, options_.ohx_crc, &next);
            picks_[depth] = i;
            Visit(depth + 1, next, cost + row.fits[i].cost);
        }
    }

    std::vector<RowState*> data_;
    const RowState& check_;
    const ListingOptions& options_;
    int wildcards_;
    Budget& budget_;
    std::vector<std::size_t> picks_;
    std::vector<Solution> solutions_;
    long leaves_ = 0;
    bool cut_ = false;
};

// The fields of `row` in each solution: the same in all, or the characters
// that differ named as doubts.
void Settle(RowState& row, int index, const std::vector<Fields>& readings, bool exhaustive,
            Decoding* out) {
    bool same = exhaustive && !readings.empty();
    for (const Fields& fields : readings) {
        same = same && fields == readings[0];
    }
    if (same && row.address_ok && row.complete) {
        row.chosen = readings[0];
        row.verified = true;
        return;
    }
    if (readings.empty()) {
        DoubtRow(row, index, out);
        return;
    }
    for (std::size_t f = 0; f < row.slots.size(); ++f) {
        for (std::size_t i = 0; i < row.slots[f].size(); ++i) {
            std::string seen(1, row.read[f][i]);
            auto add = [&seen](char c) {
                if (seen.find(c) == std::string::npos) {
                    seen += c;
                }
            };
            for (const Fields& fields : readings) {
                add(fields[f][i]);
            }
            // An address the sequence could not settle was taken as read for
            // the sums: each of its digits may still be any of its readings.
            if (f == 0 && !row.address_ok) {
                for (const Option& option : row.slots[f][i].options) {
                    add(option.c);
                }
            }
            if (seen.size() > 1 || (!exhaustive && row.slots[f][i].options.size() > 1)) {
                out->doubts.push_back(Doubt{Place{index, static_cast<int>(f), static_cast<int>(i)},
                                            row.read[f][i], seen});
            }
        }
    }
}

// Whether the row's glyphs were grouped by shape: then one that joined no
// group (a blot on it, a break) is one the engine may have misread surely.
bool Grouped(const RowState& row) {
    for (const std::vector<Slot>& field : row.slots) {
        for (const Slot& slot : field) {
            if (slot.grouped) {
                return true;
            }
        }
    }
    return false;
}

// Whether the character at `slot`, taken as `c`, is staked on the row's own
// checksum: read otherwise than the engine read it, or a glyph of a grouped
// row that joined no group or whose group was left unsettled with other
// readings offered (a blot, which joins only other blots), where no
// settled shape group pins it.
bool Staked(const Slot& slot, char c, bool grouped_row) {
    return !slot.settled &&
           (c != slot.engine || (grouped_row && (!slot.grouped || slot.options.size() > 1)));
}

// The characters of `fields` staked on the row's one checksum (Staked): two
// misreadings can keep a checksum, as a blotted 3D read 0D keeps it with
// 8B read BB. A glyph the engine did not read is a change whatever it is
// taken for, and a digit the shape search put first counts as the engine's
// only where the engine read it so. An address the sequence settled is
// checked by its neighbours, not by the checksum.
int Changes(const RowState& row, const Fields& fields) {
    const bool grouped_row = Grouped(row);
    int changes = 0;
    for (std::size_t f = row.address_ok ? 1 : 0; f < fields.size(); ++f) {
        for (std::size_t i = 0; i < fields[f].size(); ++i) {
            changes += Staked(row.slots[f][i], fields[f][i], grouped_row) ? 1 : 0;
        }
    }
    return changes;
}

// `fields` with each character that Changes counts read otherwise: as the
// engine read it, or else as the first other reading of its slot (any
// other digit where it has none). A rival to a reading that stakes too
// much on one checksum, so that its row is left in doubt with those
// characters named.
Fields Rival(const RowState& row, const Fields& fields) {
    const bool grouped_row = Grouped(row);
    Fields rival = fields;
    for (std::size_t f = row.address_ok ? 1 : 0; f < fields.size(); ++f) {
        for (std::size_t i = 0; i < fields[f].size(); ++i) {
            const Slot& slot = row.slots[f][i];
            char& c = rival[f][i];
            if (!Staked(slot, c, grouped_row)) {
                continue;
            }
            if (c != slot.engine && std::isxdigit(static_cast<unsigned char>(slot.engine)) != 0) {
                c = slot.engine;
                continue;
            }
            const char taken = c;
            for (const Option& option : slot.options) {
                if (option.c != taken) {
                    c = option.c;
                    break;
                }
            }
            if (c == taken) {
                c = taken == '0' ? '1' : '0';  // nothing else offered: any other digit
            }
        }
    }
    return rival;
}

// The fields of `fields` where `row` stakes a character (Staked), taken
// from `first` on.
std::vector<std::size_t> StakedFields(const RowState& row, const Fields& fields,
                                      std::size_t first) {
    const bool grouped_row = Grouped(row);
    std::vector<std::size_t> staked;
    for (std::size_t f = first; f < fields.size() && f < row.slots.size(); ++f) {
        for (std::size_t i = 0; i < fields[f].size() && i < row.slots[f].size(); ++i) {
            if (Staked(row.slots[f][i], fields[f][i], grouped_row)) {
                staked.push_back(f);
                break;
            }
        }
    }
    return staked;
}

// The data rows of a solved block whose staked characters its sums cannot
// pin. A row staking one field is pinned by its own checksum, and a column
// holding one unknown by its sum; but where the rows staking several fields
// and their columns close a cycle (two rows each doubtful in the same two
// columns, the corners of a rectangle), a misreading of one corner is made
// good by the others, in every row and column sum alike. Such a solution
// was found only because the readings tried left the true ones out, so
// those rows are not vouched for. The check line counts as one more row,
// its total in the checksum's column.
std::vector<bool> Unpinned(const std::vector<RowState*>& data, const RowState& check,
                           const Solution& solution) {
    const std::size_t lines = data.size() + 1;
    std::vector<std::vector<std::size_t>> staked(lines);
    for (std::size_t d = 0; d < data.size(); ++d) {
        const RowState& row = *data[d];
        staked[d] = StakedFields(row, row.fits[solution.picks[d]].fields, row.address_ok ? 1 : 0);
    }
    for (std::size_t f : StakedFields(check, solution.check, 0)) {
        staked[data.size()].push_back(f + 1);  // after the address
    }
    std::size_t columns = 0;
    for (const std::vector<std::size_t>& fields : staked) {
        for (std::size_t f : fields) {
            columns = std::max(columns, f + 1);
        }
    }
    // Lines and columns as the nodes of a graph, each staked field of a
    // line staking several an edge; an edge within one component closes a
    // cycle.
    std::vector<std::size_t> parent(lines + columns);
    std::iota(parent.begin(), parent.end(), 0);
    std::vector<bool> cyclic(parent.size(), false);
    auto root = [&parent](std::size_t node) {
        while (parent[node] != node) {
            node = parent[node] = parent[parent[node]];
        }
        return node;
    };
    for (std::size_t line = 0; line < lines; ++line) {
        for (std::size_t f : staked[line]) {
            if (staked[line].size() < 2) {
                break;  // pinned by its own checksum
            }
            const std::size_t a = root(line);
            const std::size_t b = root(lines + f);
            if (a == b) {
                cyclic[a] = true;
            } else {
                parent[b] = a;
                cyclic[a] = cyclic[a] || cyclic[b];
            }
        }
    }
    std::vector<bool> unpinned(data.size(), false);
    for (std::size_t d = 0; d < data.size(); ++d) {
        unpinned[d] = staked[d].size() >= 2 && cyclic[root(d)];
    }
    return unpinned;
}

}  // namespace

// Settles a data row on its own line checksum, from the readings that meet
// it; with `one_correction`, a reading that corrects more than one
// character is not taken alone.
void SettleOnItsOwn(RowState& row, int index, bool exhaustive, bool one_correction, Decoding* out) {
    row.checked_once = true;
    std::vector<Fields> readings;
    for (const Fit& fit : row.fits) {
        readings.push_back(fit.fields);
    }
    if (one_correction && readings.size() == 1 && Changes(row, readings[0]) > 1) {
        readings.push_back(Rival(row, readings[0]));
    }
    Settle(row, index, readings, exhaustive, out);
}

namespace {

// How many column sums the SUM line `check` lacks of the bytes of its data
// rows `first` .. `check` - 1 (none for a dashed line): columns the layout
// lost, so that which of its sums belongs to which column is not known.
int MissingColumns(const std::vector<RowState>& rows, std::size_t first, std::size_t check,
                   const ListingOptions& options) {
    if (rows[check].source->kind != RowKind::Sum || rows[check].slots.empty()) {
        return 0;
    }
    const std::size_t columns = rows[check].slots.size() - 1;  // before the total
    const std::size_t other = 1 + (options.checksum ? 1 : 0);  // the address, the checksum
    std::size_t bytes = 0;
    for (std::size_t r = first; r < check; ++r) {
        if (rows[r].slots.size() > other) {
            bytes = std::max(bytes, rows[r].slots.size() - other);
        }
    }
    return bytes > columns ? static_cast<int>(bytes - columns) : 0;
}

// The data rows `first` .. `check` - 1 of a check line that no reading of
// the block meets, or whose block could not be searched whole (a row with
// too many readings, rows left out), each taken on its own checksum (each
// row is then checked once, and taken with one correction at most), and
// the check line read as the verified rows add up to, with one digit at
// most read otherwise, where every row was verified. With one digit free,
// a total can meet any rows, so searching the rows' readings under it
// would find too many to verify any. A SUM line short of columns is left
// unverified and compared with nothing.
void DecodeRowsAlone(std::vector<RowState>& rows, std::size_t first, std::size_t check,
                     const ListingOptions& options, bool gap_inside, Decoding* out) {
    const bool whole_check = rows[check].missing_columns == 0;
    BlockSums sums;
    bool all = !gap_inside && first < check;
    for (std::size_t r = first; r < check; ++r) {
        RowState& row = rows[r];
        SettleOnItsOwn(row, static_cast<int>(r), !gap_inside, true, out);
        row.alone = row.verified && row.source->kind == RowKind::Data &&
                    rows[check].source->kind == RowKind::Sum;
        all = all && row.verified;
        for (const Fit& fit : row.fits) {
            if (row.verified && fit.fields == row.chosen) {
                AddToBlock(fit.line, options.ohx_crc, &sums);
                break;
            }
        }
    }
    Fields total;
    double cost = 0;
    if (all && whole_check && MatchCheck(rows[check], sums, options, 1, &total, &cost)) {
        Settle(rows[check], static_cast<int>(check), {total}, true, out);
        for (std::size_t r = first; r < check; ++r) {
            rows[r].alone = false;  // the check line agrees after all
        }
        return;
    }
    Settle(rows[check], static_cast<int>(check), {}, false, out);
    if (!all || !whole_check || rows[check].source->kind != RowKind::Sum) {
        return;
    }
    // Every row meets its checksum, yet a column the check line reads
    // surely disagrees: a row holds misreadings that keep its checksum.
    // None is verified, and each row's byte in such a column is named.
    const std::vector<std::size_t> columns = SureDisagreements(rows[check], sums, options);
    if (columns.empty()) {
        return;
    }
    for (std::size_t r = first; r < check; ++r) {
        RowState& row = rows[r];
        row.verified = false;
        row.alone = false;
        for (std::size_t column : columns) {
            const std::size_t f = column + 1;  // after the address
            if (options.ohx_crc || f + (options.checksum ? 1 : 0) >= row.slots.size()) {
                continue;  // a CRC or total: every byte counts
            }
            for (std::size_t i = 0; i < row.slots[f].size(); ++i) {
                out->doubts.push_back(
                    Doubt{Place{static_cast<int>(r), static_cast<int>(f), static_cast<int>(i)},
                          row.read[f][i], std::string(1, row.chosen[f][i])});
            }
        }
    }
}

}  // namespace

void DecodeBlock(std::vector<RowState>& rows, std::size_t first, std::size_t check,
                 const ListingOptions& options, const std::vector<int>& gaps, Budget& budget,
                 Decoding* out) {
    std::vector<RowState*> data;
    for (std::size_t r = first; r < check; ++r) {
        data.push_back(&rows[r]);
    }
    bool gap_inside = false;
    for (int gap : gaps) {
        gap_inside =
            gap_inside || (gap > static_cast<int>(first) && gap <= static_cast<int>(check));
    }
    // The block is searched whole where every row's readings were all
    // tried, no row is missing and the check line has a sum for every
    // column; otherwise, or where no reading meets the check line, each row
    // stands on its own checksum.
    rows[check].missing_columns = MissingColumns(rows, first, check, options);
    bool whole = !data.empty() && !gap_inside && rows[check].missing_columns == 0;
    for (const RowState* row : data) {
        whole = whole && row->complete;
    }
    // A dashed line's total adds nothing to the line checksums, so each row
    // there is checked once only: it is taken with one correction at most.
    const bool row_checks_only = rows[check].source->kind == RowKind::Dashed;
    std::vector<Solution> solutions;
    bool exhaustive = whole;
    for (int level = 0; whole && level < 2 && solutions.empty(); ++level) {
        if (level == 1 && row_checks_only) {
            break;
        }
        if (level == 1) {
            for (RowState* row : data) {
                if (row->fits.empty()) {
                    ReadRowWithOneWildcard(*row, options);
                }
            }
        }
        BlockSearch search(data, rows[check], options, level, budget);
        solutions = search.Run(&exhaustive);
    }
    if (solutions.empty() || !exhaustive) {
        DecodeRowsAlone(rows, first, check, options, gap_inside, out);
        return;
    }
    const std::vector<bool> unpinned = Unpinned(data, rows[check], solutions[0]);
    for (std::size_t d = 0; d < data.size(); ++d) {
        data[d]->checked_once = row_checks_only;
        std::vector<Fields> readings;
        for (const Solution& solution : solutions) {
            readings.push_back(data[d]->fits[solution.picks[d]].fields);
        }
        if (readings.size() == 1 &&
            (unpinned[d] || (row_checks_only && Changes(*data[d], readings[0]) > 1))) {
            readings.push_back(Rival(*data[d], readings[0]));
        }
        Settle(*data[d], static_cast<int>(first + d), readings, true, out);
    }
    std::vector<Fields> checks;
    for (const Solution& solution : solutions) {
        checks.push_back(solution.check);
    }
    // The check line reads as its rows add up: where any of them is in
    // doubt, so is the check line, however the solutions agree on it.
    const bool rows_verified =
        std::all_of(data.begin(), data.end(), [](const RowState* row) { return row->verified; });
    Settle(rows[check], static_cast<int>(check), checks, rows_verified, out);
    if (rows_verified) {
        return;
    }
    // A row in doubt may hold misreadings that the column sums take for the
    // others' (a byte read 30 too high in one row, 30 too low in another):
    // the block then vouches for none of its rows, and each stands on its
    // own checksum, with one correction at most.
    for (std::size_t d = 0; d < data.size(); ++d) {
        RowState& row = *data[d];
        if (!row.verified) {
            continue;
        }
        row.verified = false;
        row.chosen = row.read;
        SettleOnItsOwn(row, static_cast<int>(first + d), true, true, out);
        row.alone = row.verified && rows[check].source->kind == RowKind::Sum;
    }
}

}  // namespace tsy::scan::decode
