// Listings set in proportional type with the two digits of a byte spaced
// apart and wider gaps between bytes (`0 D  2 7  0 1`): no one pitch fits
// them. The columns are read from the rows' own spacing instead: the gaps
// within a byte and between bytes told apart over the region, each row's
// glyphs joined into tokens, the tokens of all rows lined up in the
// table's columns, and the glyphs set anew on a fixed pitch, token by
// token, where the grid can take them.
#pragma once

#include <vector>

#include "scan/page_regions.h"
#include "scan/prepared_page.h"

namespace tsy::scan {

// Sets the glyphs of every region of `regions` whose digits stand apart
// anew on a fixed pitch, in `page`'s grey and binary images (which then
// hold only the regions' ink), and puts their boxes in `regions->blobs`
// and where each of them stood before in `origins` (the same box where it
// was not moved). False, and nothing changed, where no region's digits
// stand apart.
bool SetListingOnPitch(PreparedPage* page, PageRegions* regions, std::vector<Box>* origins);

}  // namespace tsy::scan
