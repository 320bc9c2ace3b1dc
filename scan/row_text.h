// A listing row as text: the fields of a row in the layout of the
// convention, as the listing reader reads it.
#pragma once

#include <string>
#include <vector>

#include "listing/listing_options.h"
#include "scan/layout.h"

namespace tsy::scan {

// The listing line of `fields` (one string of characters per field) for a
// row of `kind`, in the layout of the convention: "C000  21 00 .. 77  2D",
// "C000 : 21 .. 77 : 2D", "C000 21 .. 00 (4.25)", "SUM  DF .. EC 0876" (a
// total of two digits after a colon: "SUM  DF .. EC :76"), thirty dashes
// and the total.
std::string FormatRow(RowKind kind, const std::vector<std::string>& fields,
                      const ListingOptions& options);

}  // namespace tsy::scan
