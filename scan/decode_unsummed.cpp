// A listing without sums: no row can be verified. The addresses are still
// settled from their sequence (SettleAddresses), and of the characters the
// recogniser offered other readings for, the least certain are named; the
// glyphs of one shape group in doubt alike, once.
#include <algorithm>
#include <cstddef>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "scan/decode_state.h"

namespace tsy::scan::decode {
namespace {

// How far the slot's best reading stands from its next: 0 where nothing
// was read, infinity where no other reading was offered.
double Margin(const Slot& slot) {
    if (slot.options.size() < 2) {
        return std::numeric_limits<double>::infinity();
    }
    return slot.options[1].cost - slot.options[0].cost;
}

struct Candidate {
    Place place;
    double margin = 0;
    int shape = -1;
};

std::string Candidates(const Slot& slot) {
    std::string candidates;
    for (const Option& option : slot.options) {
        candidates += option.c;
    }
    return candidates;
}

}  // namespace

void DoubtUnsummed(const std::vector<RowState>& rows, Decoding* out) {
    std::vector<Candidate> uncertain;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const RowState& row = rows[r];
        // An address that continues the sequence is as certain as the
        // rows around it.
        const std::size_t from = row.address_from_neighbours ? 0 : 1;
        for (std::size_t f = from; f < row.slots.size(); ++f) {
            for (std::size_t i = 0; i < row.slots[f].size(); ++i) {
                const double margin = Margin(row.slots[f][i]);
                if (margin < std::numeric_limits<double>::infinity()) {
                    uncertain.push_back(Candidate{
                        Place{static_cast<int>(r), static_cast<int>(f), static_cast<int>(i)},
                        margin, row.source->fields[f].chars[i].shape});
                }
            }
        }
    }
    out->uncertain_chars = static_cast<int>(uncertain.size());
    std::stable_sort(uncertain.begin(), uncertain.end(),
                     [](const Candidate& a, const Candidate& b) { return a.margin < b.margin; });
    auto slot_of = [&rows](const Place& p) -> const Slot& {
        return rows[static_cast<std::size_t>(p.row)]
            .slots[static_cast<std::size_t>(p.field)][static_cast<std::size_t>(p.index)];
    };
    std::vector<Candidate> named;
    std::set<std::pair<int, std::string>> groups_named;
    for (const Candidate& c : uncertain) {
        if (named.size() == kMostUnsummedDoubts) {
            break;
        }
        const Slot& slot = slot_of(c.place);
        if (c.shape < 0 || groups_named.insert({c.shape, Candidates(slot)}).second) {
            named.push_back(c);
        }
    }
    uncertain.swap(named);
    // Named in the listing's order, where the user reads them on the paper.
    std::sort(uncertain.begin(), uncertain.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.place.row, a.place.field, a.place.index) <
               std::tie(b.place.row, b.place.field, b.place.index);
    });
    for (const Candidate& c : uncertain) {
        const Slot& slot = slot_of(c.place);
        out->doubts.push_back(Doubt{c.place, slot.read, Candidates(slot)});
    }
}

}  // namespace tsy::scan::decode
