// Reading the page's shape groups under the sums. Every glyph of one group
// is one character, so a group's reading is one decision for the whole
// page: the engine may have read all of a group wrong (every E as F), and
// the sums of the rows that hold it then disagree together. Starting from
// each group's best reading, a group is read otherwise where that makes at
// least two more checks agree (line checksums, check-line columns and
// totals, address steps); a group whose reading every other digit would
// break at least two checks for is settled, and its glyphs keep only that
// reading. The decoder then deals with the glyphs that remain in doubt.
#pragma once

#include <vector>

#include "listing/listing_options.h"
#include "scan/layout.h"

namespace tsy::scan {

// The rows with the readings of their shape groups settled where the sums
// allow; glyphs of no group are left as they are.
std::vector<ListingRow> SettleShapes(const std::vector<ListingRow>& rows,
                                     const ListingOptions& options);

}  // namespace tsy::scan
