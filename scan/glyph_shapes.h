// The shape of each glyph of the grid, cut from the grey page: its ink
// around its centre, on a raster of fixed size, as the shape groups
// compare them.
#pragma once

#include <leptonica/allheaders.h>

#include <vector>

#include "scan/grid.h"
#include "scan/shapes.h"

namespace tsy::scan {

// The shapes of the glyphs of `grid` (`[row][cell]`, as the grid's rows
// and cells) on the grey page `grey` (8 bits, white paper).
std::vector<std::vector<Shape>> CutShapes(Pix* grey, const Grid& grid);

}  // namespace tsy::scan
