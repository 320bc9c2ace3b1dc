#include "scan/decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "listing/check_line.h"
#include "listing/data_line.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "resources/characters.h"

namespace tsy::scan {
namespace {

// Costs of a reading, in units of "how unlikely": the recogniser's best
// reading costs nothing, an alternative it offered a little more the less
// sure it was of it, any digit where it read nothing more, and any digit in
// place of a reading it was sure of the most.
constexpr double kAlternativeCost = 1.0;
constexpr double kUnreadCost = 3.0;
constexpr double kWildCost = 5.0;
constexpr float kLeastAlternative = 0.02f;

// Bounds of the searches; beyond them a row or block is not claimed.
constexpr long kMaxRowReadings = 4096;
constexpr long kMaxBlockReadings = 200000;
constexpr std::size_t kMaxSolutions = 16;

struct Option {
    char c = 0;
    double cost = 0;
};

struct Slot {
    char read = '?';
    char engine = '?';            // what the recogniser read before the groups were settled
    bool settled = false;         // a glyph of a shape group settled under the sums
    int support = 0;              // how many checks any other reading of that group breaks
    bool grouped = false;         // a glyph of a shape group
    std::vector<Option> options;  // cheapest first
};

using Fields = std::vector<std::string>;

struct Fit {
    Fields fields;
    double cost = 0;
    DataLineResult line;
};

struct RowState {
    const ListingRow* source = nullptr;
    std::vector<std::vector<Slot>> slots;  // per field, per character
    Fields read;                           // as recognised
    Fields chosen;                         // as decided; `read` until verified
    bool address_ok = true;
    std::vector<Fit> fits;  // data rows: readings whose line checksum agrees
    bool complete = true;   // every reading of the row was tried
    bool verified = false;
    bool checked_once = false;  // no column sums or CRC: only its own checksum
};

Slot MakeSlot(const CharSlot& in) {
    Slot slot;
    slot.settled = in.settled;
    slot.support = in.support;
    slot.grouped = in.shape >= 0;
    if (in.choices.empty()) {
        for (const char* d = kUpperHexDigits; *d != '\0'; ++d) {
            slot.options.push_back(Option{*d, kUnreadCost});
        }
        return slot;
    }
    slot.read = in.choices[0].character;
    slot.engine = in.read != 0 ? in.read : slot.read;
    const double top = std::max(in.choices[0].confidence, 0.01f);
    slot.options.push_back(Option{slot.read, 0});
    for (std::size_t i = 1; i < in.choices.size(); ++i) {
        const float confidence = in.choices[i].confidence;
        if (confidence >= kLeastAlternative) {
            const double cost = kAlternativeCost + std::max(0.0, std::log(top / confidence));
            slot.options.push_back(Option{in.choices[i].character, cost});
        }
    }
    return slot;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string Join(const Fields& fields, std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        text += (i > from ? " " : "") + fields[i];
    }
    return text;
}

bool IsHexText(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return IsUpperHexDigit(c); });
}

// ---- Addresses -------------------------------------------------------------

int ByteCount(const RowState& row, const ListingOptions& options) {
    return static_cast<int>(row.slots.size()) - 1 - (options.checksum ? 1 : 0);
}

// Whether the address slots can read as `expected`: every digit among the
// recogniser's readings, but for `forced` digits at most read otherwise.
bool CanRead(const std::vector<Slot>& slots, const std::string& expected, int forced) {
    if (slots.size() != expected.size()) {
        return false;
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const std::vector<Option>& options = slots[i].options;
        forced -= std::none_of(options.begin(), options.end(),
                               [&](const Option& o) { return o.c == expected[i]; });
    }
    return forced >= 0;
}

int ReadAddress(const std::string& text) {
    return text.size() == 4 && IsHexText(text) ? HexValue(text.c_str(), 4) : -1;
}

std::string AddressText(int address) {
    return address >= 0 && address <= 0xFFFF ? Hex(static_cast<unsigned>(address), 4) : "";
}

// Without the address sum no sum reads the address: the sequence checks
// the steps only, and a run of addresses is right only where it starts
// right. The leading digits of a run are taken from a row whose leading
// glyphs are trusted: glyphs of a shape group settled under the sums
// elsewhere on the page, or, for glyphs of no group, ones the recogniser
// offered no other digit for. A run stays in doubt, and none of its rows
// verified, without such a row, or where a trusted glyph reads otherwise
// than the run. A run anchored by glyphs of no group alone also stays in
// doubt where the recogniser offered another digit for any of its leading
// glyphs: an engine that misreads one letter misreads it in every row, and
// only sometimes says so.
void AnchorRuns(std::vector<RowState>& rows, const std::vector<std::size_t>& data,
                const std::vector<int>& run, int runs) {
    constexpr std::size_t kLeading = 2;
    // A group that anchors addresses must be settled by this many checks:
    // a few could be met by errors elsewhere that make up for each other.
    constexpr int kAnchorSupport = 4;
    const std::size_t count = static_cast<std::size_t>(runs);
    std::vector<bool> by_shapes(count, false);  // a row's leading glyphs all of settled groups
    std::vector<bool> by_engine(count, false);  // or all read with no other digit offered
    std::vector<bool> contradicted(count, false);
    std::vector<bool> offered(count, false);  // another digit offered for a glyph of no group
    for (std::size_t i = 0; i < data.size(); ++i) {
        const RowState& row = rows[data[i]];
        const std::size_t k = static_cast<std::size_t>(run[i]);
        bool settled = row.address_ok;
        bool single = row.address_ok;
        for (std::size_t d = 0; d < kLeading && d < row.slots[0].size(); ++d) {
            const Slot& slot = row.slots[0][d];
            const bool sure = slot.settled || (!slot.grouped && slot.options.size() == 1);
            settled = settled && slot.settled && slot.support >= kAnchorSupport;
            single = single && sure;
            contradicted[k] = contradicted[k] || (sure && slot.options[0].c != row.chosen[0][d]);
            offered[k] = offered[k] || (!slot.grouped && slot.options.size() > 1);
        }
        by_shapes[k] = by_shapes[k] || settled;
        by_engine[k] = by_engine[k] || single;
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::size_t k = static_cast<std::size_t>(run[i]);
        const bool anchored = by_shapes[k] || (by_engine[k] && !offered[k]);
        RowState& row = rows[data[i]];
        row.address_ok = row.address_ok && anchored && !contradicted[k];
    }
}

// Settles each data row's address from the sequence. A row continues the
// run above it when its readings allow the address that follows, or when
// one digit was read otherwise but the row below continues from it too. A
// row that reads as the start of a new run, with the row below agreeing,
// begins one: rows were left out before it. Rows before the first run are
// settled back from it.
void SettleAddresses(std::vector<RowState>& rows, const ListingOptions& options, Decoding* out) {
    std::vector<std::size_t> data;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].source->kind == RowKind::Data) {
            data.push_back(r);
        }
    }
    auto follows = [&](std::size_t i, int address) {
        return i + 1 >= data.size() ||
               CanRead(rows[data[i + 1]].slots[0],
                       AddressText(address + ByteCount(rows[data[i]], options)), 0);
    };
    int expected = -1;
    std::size_t first_run = data.size();
    std::vector<int> run(data.size(), 0);  // the run of addresses each row belongs to
    int runs = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        RowState& row = rows[data[i]];
        const std::string wanted = AddressText(expected);
        if (!wanted.empty() && (CanRead(row.slots[0], wanted, 0) ||
                                (CanRead(row.slots[0], wanted, 1) && follows(i, expected)))) {
            row.chosen[0] = wanted;
        } else if (const int read = ReadAddress(row.read[0]); read >= 0 && follows(i, read)) {
            if (expected >= 0) {
                out->gaps.push_back(static_cast<int>(data[i]));
            }
            first_run = std::min(first_run, i);
            expected = read;
            ++runs;
        } else {
            row.address_ok = false;
            if (!wanted.empty()) {
                row.chosen[0] = wanted;  // for the sums only; the row is not verified
            }
        }
        run[i] = std::max(runs - 1, 0);
        if (expected >= 0) {
            expected += ByteCount(row, options);
        }
    }
    if (first_run == data.size()) {
        return;
    }
    int before = ReadAddress(rows[data[first_run]].chosen[0]);
    for (std::size_t i = first_run; i-- > 0;) {
        RowState& row = rows[data[i]];
        before -= ByteCount(row, options);
        const std::string wanted = AddressText(before);
        row.address_ok = !wanted.empty() && CanRead(row.slots[0], wanted, 0);
        if (row.address_ok) {
            row.chosen[0] = wanted;
        } else if (i + 1 == first_run && ReadAddress(row.read[0]) >= 0) {
            out->gaps.push_back(static_cast<int>(data[first_run]));
        }
    }
    if (!options.address_sum) {
        AnchorRuns(rows, data, run, runs);
    }
}

// ---- Data rows ---------------------------------------------------------------

// Evaluates one reading of a data row with the reader's own line evaluation.
bool Evaluate(const Fields& fields, const ListingOptions& options, DataLineResult* line) {
    const std::string text = FormatRow(RowKind::Data, fields, options);
    if (ClassifyLine(text.c_str(), text.size(), options) != LineKind::DataLine) {
        return false;
    }
    EvaluateDataLine(text.c_str(), text.size(), options, line);
    return line->outcome == LineOutcome::Accepted;
}

void AddFit(RowState& row, const Fields& fields, double cost, const DataLineResult& line) {
    for (const Fit& fit : row.fits) {
        if (fit.fields == fields) {
            return;
        }
    }
    row.fits.push_back(Fit{fields, cost, line});
}

// Every reading of the row's data and checksum characters from the
// recogniser's readings (the address as settled), keeping those whose
// checksum agrees. Too many readings: the costliest alternatives are left
// out and the row is marked incomplete.
void ReadRow(RowState& row, const ListingOptions& options) {
    std::vector<std::vector<Slot>> slots = row.slots;
    auto count = [&]() {
        long product = 1;
        for (std::size_t f = 1; f < slots.size(); ++f) {
            for (const Slot& slot : slots[f]) {
                product *= static_cast<long>(slot.options.size());
                if (product > kMaxRowReadings) {
                    return product;
                }
            }
        }
        return product;
    };
    while (count() > kMaxRowReadings) {
        row.complete = false;
        Slot* costliest = nullptr;
        for (std::size_t f = 1; f < slots.size(); ++f) {
            for (Slot& slot : slots[f]) {
                if (slot.options.size() > 1 &&
                    (costliest == nullptr ||
                     slot.options.back().cost > costliest->options.back().cost)) {
                    costliest = &slot;
                }
            }
        }
        costliest->options.pop_back();
    }
    std::vector<Slot*> flat;
    for (std::size_t f = 1; f < slots.size(); ++f) {
        for (Slot& slot : slots[f]) {
            flat.push_back(&slot);
        }
    }
    std::vector<std::size_t> pick(flat.size(), 0);
    Fields fields = row.chosen;
    DataLineResult line;
    for (;;) {
        double cost = 0;
        std::size_t k = 0;
        for (std::size_t f = 1; f < slots.size(); ++f) {
            for (std::size_t i = 0; i < slots[f].size(); ++i, ++k) {
                const Option& option = flat[k]->options[pick[k]];
                fields[f][i] = option.c;
                cost += option.cost;
            }
        }
        if (Evaluate(fields, options, &line)) {
            AddFit(row, fields, cost, line);
        }
        std::size_t digit = 0;
        while (digit < pick.size() && ++pick[digit] == flat[digit]->options.size()) {
            pick[digit++] = 0;
        }
        if (digit == pick.size()) {
            break;
        }
    }
}

// Readings of a row with no fitting reading: its best reading with any one
// character replaced by any digit.
void ReadRowWithOneWildcard(RowState& row, const ListingOptions& options) {
    Fields base = row.chosen;
    for (std::size_t f = 1; f < row.slots.size(); ++f) {
        for (std::size_t i = 0; i < row.slots[f].size(); ++i) {
            base[f][i] = row.slots[f][i].options[0].c;
        }
    }
    DataLineResult line;
    for (std::size_t f = 1; f < row.slots.size(); ++f) {
        for (std::size_t i = 0; i < row.slots[f].size(); ++i) {
            Fields fields = base;
            for (const char* d = kUpperHexDigits; *d != '\0'; ++d) {
                if (*d == base[f][i]) {
                    continue;
                }
                fields[f][i] = *d;
                if (Evaluate(fields, options, &line)) {
                    AddFit(row, fields, kWildCost, line);
                }
            }
        }
    }
}

// ---- Check lines -------------------------------------------------------------

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

// ---- Blocks ------------------------------------------------------------------

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

// A row checked by its own checksum alone cannot tell two look-alike
// digits that swapped places at the same weight (4 read as A in one byte, A
// as 4 in another): the sum stays the same. Where the recogniser was shown
// wrong about such a pair elsewhere on the pages, a row holding both at one
// weight is not taken as verified, unless one of the two is a glyph of a
// settled shape group, which reads as the rest of its group does.
void DoubtSwaps(std::vector<RowState>& rows, const ListingOptions& options, Decoding* out) {
    std::vector<std::pair<char, char>> confused;
    for (const RowState& row : rows) {
        if (!row.verified) {
            continue;
        }
        for (std::size_t f = 0; f < row.read.size(); ++f) {
            for (std::size_t i = 0; i < row.read[f].size(); ++i) {
                if (row.read[f][i] != row.chosen[f][i] && row.read[f][i] != '?') {
                    confused.emplace_back(row.read[f][i], row.chosen[f][i]);
                }
            }
        }
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        RowState& row = rows[r];
        if (!row.verified || !row.checked_once || row.source->kind != RowKind::Data) {
            continue;
        }
        const std::size_t data_end = row.chosen.size() - (options.checksum ? 1 : 0);
        for (const auto& [a, b] : confused) {
            for (std::size_t weight = 0; weight < 2; ++weight) {
                std::size_t with_a = 0;
                std::size_t with_b = 0;
                for (std::size_t f = 1; f < data_end; ++f) {
                    if (!row.slots[f][weight].settled) {
                        with_a = row.chosen[f][weight] == a ? f : with_a;
                        with_b = row.chosen[f][weight] == b ? f : with_b;
                    }
                }
                if (with_a == 0 || with_b == 0 || !row.verified) {
                    continue;
                }
                row.verified = false;
                for (std::size_t f : {with_a, with_b}) {
                    const char chosen = row.chosen[f][weight];
                    out->doubts.push_back(Doubt{
                        Place{static_cast<int>(r), static_cast<int>(f), static_cast<int>(weight)},
                        row.read[f][weight], std::string(1, chosen) + (chosen == a ? b : a)});
                }
            }
        }
    }
}

}  // namespace

std::string FormatRow(RowKind kind, const std::vector<std::string>& fields,
                      const ListingOptions& options) {
    if (fields.empty()) {
        return "";
    }
    switch (kind) {
        case RowKind::Sum:
            return (options.ohx_crc ? "SUM    " : "SUM  ") + Join(fields, 0, fields.size());
        case RowKind::Dashed:
            return std::string(30, '-') + " " + fields.back();
        case RowKind::Data:
            break;
    }
    const std::size_t count = fields.size();
    if (!options.checksum || count < 3) {
        return fields[0] + " " + Join(fields, 1, count);
    }
    const std::string data = Join(fields, 1, count - 1);
    const std::string& sum = fields.back();
    if (options.ohmz_sum && sum.size() == 3) {
        return fields[0] + " " + data + " (" + sum[0] + "." + sum.substr(1) + ")";
    }
    if (options.ohx_crc) {
        return fields[0] + " : " + data + " : " + sum;
    }
    return fields[0] + "  " + data + "  " + sum;
}

Decoding Decode(const std::vector<ListingRow>& listing, const ListingOptions& options) {
    Decoding out;
    std::vector<RowState> rows(listing.size());
    for (std::size_t r = 0; r < listing.size(); ++r) {
        RowState& row = rows[r];
        row.source = &listing[r];
        for (const Field& field : listing[r].fields) {
            row.slots.emplace_back();
            std::string read;
            for (const CharSlot& c : field.chars) {
                row.slots.back().push_back(MakeSlot(c));
                read += row.slots.back().back().read;
            }
            row.read.push_back(read);
        }
        row.chosen = row.read;
    }
    SettleAddresses(rows, options, &out);

    std::size_t first = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].source->kind == RowKind::Data) {
            if (options.checksum) {
                ReadRow(rows[r], options);
            }
            continue;
        }
        DecodeBlock(rows, first, r, options, out.gaps, &out);
        first = r + 1;
    }
    // Data rows after the last check line: each on its own line checksum.
    for (std::size_t r = first; r < rows.size() && options.checksum; ++r) {
        SettleOnItsOwn(rows[r], static_cast<int>(r), true, false, &out);
    }
    DoubtSwaps(rows, options, &out);

    for (std::size_t r = 0; r < rows.size(); ++r) {
        const RowState& row = rows[r];
        DecodedRow decoded;
        decoded.kind = row.source->kind;
        decoded.page = row.source->page;
        decoded.verified = row.verified;
        decoded.text = FormatRow(decoded.kind, row.verified ? row.chosen : row.read, options);
        out.verified_rows += row.verified ? 1 : 0;
        out.rows.push_back(decoded);
        if (!row.verified) {
            continue;
        }
        for (std::size_t f = 0; f < row.read.size(); ++f) {
            for (std::size_t i = 0; i < row.read[f].size(); ++i) {
                const char engine = row.slots[f][i].engine;
                if (engine != row.chosen[f][i]) {
                    out.corrections.push_back(Correction{
                        Place{static_cast<int>(r), static_cast<int>(f), static_cast<int>(i)},
                        engine, row.chosen[f][i]});
                }
            }
        }
    }
    return out;
}

}  // namespace tsy::scan
