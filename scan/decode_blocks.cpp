// Blocks read under their check lines: the readings of the rows whose sums
// the check line agrees with, and each row settled where they all agree.
#include <algorithm>

#include "listing/check_line.h"
#include "listing/sums.h"
#include "scan/decode_state.h"
#include "scan/row_text.h"

namespace tsy::scan::decode {
namespace {

// Bounds of the search: beyond them a block is not claimed.
constexpr long kMaxBlockReadings = 200000;
constexpr std::size_t kMaxSolutions = 16;

// The check line's reading that the block's sums call for, where the
// recogniser's readings allow it (with `wildcards` characters allowed to
// be any digit), confirmed by the reader's own evaluation.
bool MatchCheck(const RowState& check, const BlockSums& sums, const ListingOptions& options,
                int wildcards, Fields* fields, double* cost) {
    *fields = check.read;
    *cost = 0;
    const bool sum_line = check.source->kind == RowKind::Sum;
    const std::size_t count = check.slots.size();
    for (std::size_t f = 0; f < count; ++f) {
        const std::vector<Slot>& slots = check.slots[f];
        const bool total = f + 1 == count;
        std::string wanted;
        std::size_t compared_from = 0;
        if (!total) {
            wanted = Hex(f < kColumnCount ? sums.column_sums[f] & 0xFFu : 0u, 2);
        } else if (sum_line && options.ohx_crc) {
            wanted = Hex(sums.block_crc, 4);
        } else {
            wanted = Hex(sums.block_sum & 0xFFFFu, 4);
            // A SUM line's total is compared by its last two digits only.
            compared_from = sum_line ? 2 : 0;
        }
        if (slots.size() != wanted.size()) {
            return false;
        }
        for (std::size_t i = 0; i < slots.size(); ++i) {
            const auto option = std::find_if(slots[i].options.begin(), slots[i].options.end(),
                                             [&](const Option& o) { return o.c == wanted[i]; });
            if (option != slots[i].options.end()) {
                (*fields)[f][i] = wanted[i];
                *cost += option->cost;
            } else if (i < compared_from) {
                // not compared by the reader: left as read
            } else if (wildcards-- > 0) {
                (*fields)[f][i] = wanted[i];
                *cost += kWildCost;
            } else {
                return false;
            }
        }
    }
    const std::string text = FormatRow(check.source->kind, *fields, options);
    CheckLineResult result;
    if (sum_line) {
        EvaluateSumLine(text.c_str(), text.size(), sums, options.ohx_crc, &result);
    } else {
        EvaluateDashedLine(text.c_str(), text.size(), sums, &result);
    }
    return result.outcome == LineOutcome::Accepted;
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
                int wildcards)
        : data_(std::move(data)), check_(check), options_(options), wildcards_(wildcards) {}

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
            if (++leaves_ > kMaxBlockReadings) {
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
    std::vector<std::size_t> picks_;
    std::vector<Solution> solutions_;
    long leaves_ = 0;
    bool cut_ = false;
};

void DoubtSlots(const RowState& row, int index, Decoding* out) {
    for (std::size_t f = 0; f < row.slots.size(); ++f) {
        for (std::size_t i = 0; i < row.slots[f].size(); ++i) {
            const Slot& slot = row.slots[f][i];
            if (slot.options.size() < 2) {
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
        DoubtSlots(row, index, out);
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

int Changes(const RowState& row, const Fields& fields) {
    int changes = 0;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        for (std::size_t i = 0; i < fields[f].size(); ++i) {
            changes += fields[f][i] != row.read[f][i] ? 1 : 0;
        }
    }
    return changes;
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
        readings.push_back(row.read);
    }
    Settle(row, index, readings, exhaustive, out);
}

namespace {

// The data rows `first` .. `check` - 1 of a dashed line whose total no
// reading meets, each taken on its own checksum (the total adds nothing to
// those: each row is checked once, and taken with one correction at most),
// and the total read as the verified rows add up to, with one digit at
// most read otherwise. With one digit free, the total can meet any rows,
// so searching the rows' readings under it would find too many to verify
// any.
void DecodeRowsAlone(std::vector<RowState>& rows, std::size_t first, std::size_t check,
                     const ListingOptions& options, bool gap_inside, Decoding* out) {
    BlockSums sums;
    bool all = true;
    for (std::size_t r = first; r < check; ++r) {
        RowState& row = rows[r];
        SettleOnItsOwn(row, static_cast<int>(r), !gap_inside, true, out);
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
    if (all && MatchCheck(rows[check], sums, options, 1, &total, &cost)) {
        Settle(rows[check], static_cast<int>(check), {total}, true, out);
    } else {
        Settle(rows[check], static_cast<int>(check), {}, false, out);
    }
}

}  // namespace

// Decodes the data rows `first` .. `check` - 1 under the check line `check`.
void DecodeBlock(std::vector<RowState>& rows, std::size_t first, std::size_t check,
                 const ListingOptions& options, const std::vector<int>& gaps, Decoding* out) {
    std::vector<RowState*> data;
    for (std::size_t r = first; r < check; ++r) {
        data.push_back(&rows[r]);
    }
    bool gap_inside = false;
    for (int gap : gaps) {
        gap_inside =
            gap_inside || (gap > static_cast<int>(first) && gap <= static_cast<int>(check));
    }
    // A dashed line's total adds nothing to the line checksums, so each row
    // there is checked once only: it is taken with one correction at most.
    const bool row_checks_only = rows[check].source->kind == RowKind::Dashed;
    std::vector<Solution> solutions;
    bool exhaustive = true;
    for (int level = 0; level < 2 && solutions.empty(); ++level) {
        if (level == 1 && row_checks_only) {
            DecodeRowsAlone(rows, first, check, options, gap_inside, out);
            return;
        }
        if (level == 1) {
            for (RowState* row : data) {
                if (row->fits.empty()) {
                    ReadRowWithOneWildcard(*row, options);
                }
            }
        }
        BlockSearch search(data, rows[check], options, level);
        solutions = search.Run(&exhaustive);
    }
    for (const RowState* row : data) {
        exhaustive = exhaustive && row->complete && row->address_ok;
    }
    exhaustive = exhaustive && !gap_inside;
    for (std::size_t d = 0; d < data.size(); ++d) {
        data[d]->checked_once = row_checks_only;
        std::vector<Fields> readings;
        for (const Solution& solution : solutions) {
            readings.push_back(data[d]->fits[solution.picks[d]].fields);
        }
        if (row_checks_only && readings.size() == 1 && Changes(*data[d], readings[0]) > 1) {
            readings.push_back(data[d]->read);
        }
        Settle(*data[d], static_cast<int>(first + d), readings, exhaustive, out);
    }
    std::vector<Fields> checks;
    for (const Solution& solution : solutions) {
        checks.push_back(solution.check);
    }
    Settle(rows[check], static_cast<int>(check), checks, exhaustive, out);
}

}  // namespace tsy::scan::decode
