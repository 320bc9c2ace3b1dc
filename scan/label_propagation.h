// The state of the search for a LabelModel's digits (label_search.cpp)
// along one path, and how deciding a unit carries through its checks: each
// check keeps the sum of its decided terms and names the digit of a unit
// where it can (its last undecided unit, or the only one of its lowest
// place), and every unit a check names is decided in turn.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scan/label_model.h"

namespace tsy::scan::labels {

constexpr int kFree = -1;
// The cost of a digit a unit may not be.
constexpr double kBarred = 1e9;

// Per unit, the cost of each digit.
using DigitCosts = std::vector<std::array<double, kDigits>>;

struct Vote {
    int unit = kFree;
    int digit = 0;
};

struct SearchState {
    std::vector<int> digits;
    std::vector<std::uint32_t> partial;           // each check's sum of its decided terms
    std::vector<int> open;                        // each check's undecided units
    std::vector<Vote> vote;                       // the digit each check names, if any
    std::vector<char> failed;                     // checks that can no longer hold
    std::vector<std::array<int, kDigits>> votes;  // per unit: checks naming each digit
    std::vector<int> named;                       // units some check may name
    int holding = 0;
    int failing = 0;
    double spent = 0;  // the weighed costs of the decided units
};

class Propagation {
  public:
    // `cost`: how unlikely each digit of each unit is; `weighed`: that
    // times the unit's glyphs counted, as a path adds it up. Both are held,
    // not copied.
    Propagation(const LabelModel& model, const DigitCosts& cost, const DigitCosts& weighed)
        : model_(model), cost_(cost), weighed_(weighed) {}

    // The state before any unit is decided, each check naming what it can.
    SearchState Start() const;
    // Decides `unit` as `digit` and updates its checks.
    void Assign(SearchState& s, int unit, int digit) const;
    // Decides every unit that a check names, the most named first.
    void Propagate(SearchState& s) const;

  private:
    std::size_t OpenUnits(const Check& check) const;
    // The digit `check` names, if one: the check's last undecided unit, or
    // the only one of its lowest place (a low digit under high ones, whose
    // place values are 16 times or more its own). Sets `failed` when no
    // digit of its undecided units can make it hold.
    Vote Determine(SearchState& s, int index, bool* failed) const;
    void Revote(SearchState& s, int index) const;

    const LabelModel& model_;
    const DigitCosts& cost_;
    const DigitCosts& weighed_;
};

}  // namespace tsy::scan::labels
