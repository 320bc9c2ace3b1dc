// The digits of a LabelModel's units found from its checks, as one breaks
// a cipher: a unit that is the last unknown of a check (or the last of its
// lowest place, a low digit under high ones) follows from it; where no
// check names a unit, the search tries each digit for the unit that would
// let most checks name others, likeliest first by the engine's readings.
// Every way of trying is followed to the end, and the digits that make the
// most checks hold are kept. The search stops when its budget is spent and
// keeps the best digits found so far.
#pragma once

#include <vector>

#include "scan/budget.h"
#include "scan/label_model.h"

namespace tsy::scan {

// How many independent checks every other digit of a unit must break for
// its digit to be settled. One check holds by chance now and then; two
// independent ones hardly ever.
constexpr int kSettlingChecks = 2;
// A digit other than the one the engine read a glyph as is settled on more:
// a group that holds a look-alike or two (a dot-matrix 8 among the Bs) may
// meet two checks read wrongly, with other glyphs read otherwise to match.
constexpr int kOverrulingChecks = 6;
// ... and, for a unit of fewer than kGroupMembers glyphs, never on fewer
// than this many: a glyph alone in its shape sits in its row's checksum and
// its column only, and where a neighbour in either is misread too, both can
// be met with the glyph read wrongly.
constexpr int kLeastOverrulingChecks = 3;
// A unit is settled only where the checks it is in that hold outnumber
// those that fail by this many times at least: a group that holds a
// look-alike (a dot-matrix 8 among the Bs) breaks the checks of the glyphs
// it reads wrongly, however many the others meet.
constexpr int kHeldPerBroken = 4;

struct LabelSolution {
    std::vector<int> digits;  // per unit, 0 to 15
    int holding = 0;          // the checks that hold
    // Per unit: how many independent checks every other digit of it would
    // break (the least over the other digits), counted up to a few; a check
    // counts only where no other unit of it could be read otherwise to meet
    // it again without breaking a check of its own.
    std::vector<int> support;
    // Per unit: another way of reading the page as good as this one, or
    // nearly, gives it another digit.
    std::vector<bool> contested;
    bool complete = true;  // the search ran to its end within the budget
};

LabelSolution SolveLabels(const LabelModel& model, Budget& budget);

// How many checks hold with `digits`.
int HoldingChecks(const LabelModel& model, const std::vector<int>& digits);

}  // namespace tsy::scan
