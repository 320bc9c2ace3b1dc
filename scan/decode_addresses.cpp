// Addresses settled from their sequence.
#include <algorithm>

#include "resources/characters.h"
#include "scan/decode_state.h"

namespace tsy::scan::decode {
namespace {

// An address taken from the sequence may differ from what was read of it
// in this many digits, and still count as read.
constexpr int kMostGuessed = 1;

bool IsHexText(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return IsUpperHexDigit(c); });
}

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

// The characters of `expected` that its slots' glyphs were neither read as
// by the engine nor settled to.
int Guessed(const std::vector<Slot>& slots, const std::string& expected) {
    int guessed = 0;
    for (std::size_t i = 0; i < slots.size() && i < expected.size(); ++i) {
        guessed += !slots[i].settled && slots[i].engine != expected[i] ? 1 : 0;
    }
    return guessed;
}

int ReadAddress(const std::string& text) {
    return text.size() == 4 && IsHexText(text) ? HexValue(text.c_str(), 4) : -1;
}

std::string AddressText(int address) {
    return address >= 0 && address <= 0xFFFF ? Hex(static_cast<unsigned>(address), 4) : "";
}

// Without the address sum no sum reads the address (with the lower address
// only, no sum reads its leading digits): the sequence checks the steps
// only, and a run of addresses is right only where it starts right. The
// leading digits of a run are taken from a row whose leading glyphs are
// trusted: glyphs of a shape group settled under the sums
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

}  // namespace

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
            // Where the sequence calls for more than one digit that neither
            // the engine nor a settled group read, the address was not read
            // (a SUM line's label, say, laid out as an address).
            if (Guessed(row.slots[0], wanted) > kMostGuessed) {
                row.address_ok = false;
                row.address_from_neighbours = true;
            }
        } else if (const int read = ReadAddress(row.read[0]);
                   read >= 0 && (expected < 0 || i + 1 < data.size()) && follows(i, read)) {
            // A new run after rows left out needs the row below to agree: a
            // last row that breaks the sequence (a SUM line whose label was
            // read as an address) begins none.
            if (expected >= 0) {
                out->gaps.push_back(static_cast<int>(data[i]));
            }
            first_run = std::min(first_run, i);
            expected = read;
            ++runs;
        } else {
            row.address_ok = false;
            if (!wanted.empty()) {
                row.chosen[0] = wanted;  // for the sums; the row is not verified
                row.address_from_neighbours = true;
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
        } else if (ReadAddress(row.read[0]) < 0) {
            // Not read as an address at all: the sequence's, marked.
            if (!wanted.empty()) {
                row.chosen[0] = wanted;
                row.address_from_neighbours = true;
            }
        } else if (i + 1 == first_run) {
            out->gaps.push_back(static_cast<int>(data[first_run]));
        }
    }
    // With the lower address only in the sums, the leading digits are as
    // unchecked as without the address sum.
    if (!options.address_sum || options.lower_address_only) {
        AnchorRuns(rows, data, run, runs);
    }
}

}  // namespace tsy::scan::decode
