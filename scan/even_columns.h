// The columns of a photographed page set evenly across it. A page curving
// into the book's gutter, or photographed from one side, shows the glyphs
// near that edge closer together than elsewhere, so that no one pitch
// fits a whole row. The spacing of neighbouring glyphs is measured across
// the page, and the page is stretched or squeezed column by column until
// it is the same everywhere.
#pragma once

#include <leptonica/allheaders.h>

#include <vector>

#include "scan/glyphs.h"

namespace tsy::scan {

// For each x of the evened page, the x of the page it is taken from.
using ColumnSources = std::vector<double>;

// The sources that even out the spacing of the glyphs among `blobs`
// (characters `height` high) across a page `width` pixels wide; false
// where it is even already, or changes too unevenly to be a page's curve.
bool FindColumnSources(const std::vector<Box>& blobs, double height, int width,
                       ColumnSources* sources);

// A copy of the 8-bit page `grey` with its columns taken from `sources`.
Pix* EvenColumns(Pix* grey, const ColumnSources& sources);

}  // namespace tsy::scan
