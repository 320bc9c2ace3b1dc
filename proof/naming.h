// Naming what the search found: each mistake of the explanations with the
// fewest mistakes becomes a diagnosis on the finding of the line it
// concerns, and on the check line's finding where the check line's
// difference comes from it. A mistake is certain when every explanation
// holds it, the search found them all, and the sums cross at what it
// changes (a byte pinned by its line and its column, or the CRC; a row
// rebuilt from its columns; a line put out whose bytes the sums see).
#pragma once

#include "proof/block.h"
#include "proof/explain.h"
#include "proof/puzzle.h"

namespace tsy::proof {

struct NamingContext {
    const ListingOptions* options = nullptr;
    const CheckGiven* given = nullptr;
    const Puzzle* puzzle = nullptr;
    const PuzzleMap* map = nullptr;
    BlockRecord* block = nullptr;
    Finding* check = nullptr;  // null when the check line was accepted
    BlockLinks* links = nullptr;
};

// Names the mistakes of `result`; returns false when it names none (too
// many explanations, or none).
bool NameExplanations(const NamingContext& context, const SearchResult& result);

// How plausibly `right` was typed as `typed` (both of `digits` hexadecimal
// digits), lower first: 0 one look-alike digit changed, 1 one digit changed,
// 2 two digits swapped, 3 anything else.
int TypoScore(std::uint32_t typed, std::uint32_t right, int digits);

// Shared by the naming files: the line of row `row`, its finding (null when
// none), the finding of the first step in `steps` (null when none).
const RecordedLine& LineOf(const NamingContext& c, int row);
Finding* LineFinding(const NamingContext& c, int row);
Finding* StepFinding(const NamingContext& c, std::uint32_t steps);

// The rows of an explanation named (naming_rows.cpp): a row put out of the
// block, a row put in at a gap, a row read in another form.
void NameRowLeft(const NamingContext& c, const Mistake& m, Certainty certainty);
void NameEntered(const NamingContext& c, const Mistake& m, Certainty certainty,
                 const Explanation& e);
void NameForm(const NamingContext& c, const Mistake& m, Certainty certainty);

// The row of an earlier block whose sums disagreed that holds the `width`
// bytes `values` (in BlockLinks::unsettled); -1 for none. A row rebuilt
// from the columns that such a line holds may be that line, typed there
// out of its block, rather than a row left out where it is rebuilt.
int TypedElsewhere(const NamingContext& c, const std::uint8_t* values, int width);

// Keeps the rows of a block whose sums disagreed for the blocks after it.
void KeepUnsettled(const Puzzle& puzzle, const BlockRecord& block, BlockLinks* links);

// At most this many readings of a block are named.
inline constexpr int kMaxNamed = 4;

}  // namespace tsy::proof
