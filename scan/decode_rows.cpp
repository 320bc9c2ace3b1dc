// The readings of a data row that meet its own checksum.
#include <algorithm>
#include <cmath>

#include "listing/tokens.h"
#include "resources/characters.h"
#include "scan/decode_state.h"
#include "scan/row_text.h"

namespace tsy::scan::decode {
namespace {

// A row with more readings than this is read in part, and not claimed.
constexpr long kMaxRowReadings = 4096;

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

}  // namespace

// Every reading of the row's data and checksum characters from the
// recogniser's readings (the address as settled), keeping those whose
// checksum agrees. Too many readings: the costliest alternatives are left
// out and the row is marked incomplete.
void ReadRow(RowState& row, const ListingOptions& options, Budget& budget) {
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
        if (budget.Spent()) {
            row.complete = false;
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

}  // namespace tsy::scan::decode
