#include "scan/settle_shapes.h"

#include <algorithm>

#include "resources/characters.h"
#include "scan/label_model.h"
#include "scan/label_search.h"

namespace tsy::scan {
namespace {

// A digit the engine never offered for a glyph, kept among its readings
// for the decoder, as sure as this.
constexpr float kUnofferedDigit = 0.05f;

// The readings of a glyph whose unit reads `digit` without being settled:
// that digit first, then what the engine read (or, where it read nothing,
// every other digit).
std::vector<Choice> UnsettledChoices(const CharSlot& slot, char digit) {
    std::vector<Choice> choices = {Choice{digit, 1.0f}};
    for (const Choice& choice : slot.choices) {
        if (choice.character != digit) {
            choices.push_back(choice);
        }
    }
    if (slot.choices.empty()) {
        for (const char* d = kUpperHexDigits; *d != '\0'; ++d) {
            if (*d != digit) {
                choices.push_back(Choice{*d, kUnofferedDigit});
            }
        }
    }
    return choices;
}

}  // namespace

std::vector<ListingRow> SettleShapes(const std::vector<ListingRow>& rows,
                                     const ListingOptions& options, Budget& budget,
                                     const std::vector<PageShapes>* shapes) {
    const LabelModel model = BuildLabelModel(rows, options, shapes);
    const LabelSolution solution = SolveLabels(model, budget);
    // A unit read otherwise than the engine read it is settled where the
    // checks it is in pin it, up to kOverrulingChecks of them: a group
    // that holds a look-alike meets some of its checks only.
    std::vector<int> overruling(model.units.size(), 0);
    std::vector<bool> outweighed(model.units.size(), false);
    for (std::size_t u = 0; u < model.units.size(); ++u) {
        int independent = 0;
        int held = 0;
        for (int index : model.checks_of[u]) {
            const Check& check = model.checks[static_cast<std::size_t>(index)];
            if (check.independent) {
                ++independent;
                held += CheckHolds(check, solution.digits) ? 1 : 0;
            }
        }
        const int least =
            model.units[u].members < kGroupMembers ? kLeastOverrulingChecks : kSettlingChecks;
        overruling[u] = std::max(least, std::min(kOverrulingChecks, independent));
        outweighed[u] = held < kHeldPerBroken * (independent - held);
    }
    std::vector<ListingRow> out = rows;
    for (std::size_t r = 0; r < out.size(); ++r) {
        for (std::size_t f = 0; f < out[r].fields.size(); ++f) {
            for (std::size_t i = 0; i < out[r].fields[f].chars.size(); ++i) {
                CharSlot& slot = out[r].fields[f].chars[i];
                const std::size_t unit = static_cast<std::size_t>(model.unit_of[r][f][i]);
                const char digit = kUpperHexDigits[solution.digits[unit]];
                slot.read = slot.choices.empty() ? 0 : slot.choices[0].character;
                // A search cut short has not seen the readings that would
                // contest its best: nothing it found is settled.
                slot.support = solution.contested[unit] || !solution.complete || outweighed[unit]
                                   ? 0
                                   : solution.support[unit];
                slot.settled =
                    slot.support >= (slot.read == digit ? kSettlingChecks : overruling[unit]);
                slot.choices = slot.settled ? std::vector<Choice>{Choice{digit, 1.0f}}
                                            : UnsettledChoices(slot, digit);
            }
        }
    }
    return out;
}

}  // namespace tsy::scan
