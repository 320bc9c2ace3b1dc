// Reading the page's glyphs under the sums. Every glyph of one shape group
// is one character, so a group's reading is one decision for the whole
// page: the engine may have read all of a group wrong (every slashed zero
// as B), or nothing at all. The character of each group (and of each glyph
// of no group) is solved from the listing's sums (LabelModel, SolveLabels),
// with the engine's readings as hints only. A glyph whose character every
// other digit would break at least two independent checks for, and which
// no equally good solution reads otherwise, is settled and keeps only that
// reading; the others keep the solved one first and the engine's after it,
// and the decoder deals with them.
#pragma once

#include <vector>

#include "listing/listing_options.h"
#include "scan/budget.h"
#include "scan/layout.h"
#include "scan/shapes.h"

namespace tsy::scan {

// `shapes`, where given, are the shape groups of each page (as the rows'
// glyphs name them).
std::vector<ListingRow> SettleShapes(const std::vector<ListingRow>& rows,
                                     const ListingOptions& options, Budget& budget,
                                     const std::vector<PageShapes>* shapes = nullptr);

}  // namespace tsy::scan
