// The text lines of a photographed page made level. A photo taken at a
// slant from one side turns the lines by different angles down the page,
// and a page curving into the book's gutter bends them down at that edge;
// turning the whole page straightens neither. The lines are found by
// chaining neighbouring glyphs, and the page is moved up or down, column
// by column, by a slope that changes evenly down the page and a bend that
// depends on x alone.
#pragma once

#include <leptonica/allheaders.h>

#include <vector>

#include "scan/glyphs.h"
#include "scan/page_image.h"

namespace tsy::scan {

// How the lines of a page lie: the line through y at the page's middle
// column reaches y + (slope + slope_change * y) * (x - middle) + Bend(x).
struct LineShape {
    double middle = 0;
    double slope = 0;
    double slope_change = 0;
    double bend_from = 0;      // x of the first knot of the bend
    double bend_step = 1;      // between knots
    std::vector<double> bend;  // at the knots; none when the lines are straight

    double Bend(double x) const;
    // How far from y a line through y at the middle lies at x.
    double Offset(double x, double y) const {
        return (slope + slope_change * y) * (x - middle) + Bend(x);
    }
};

// The shape of the lines of glyphs among `blobs` (characters `height`
// high); false when too few lines were found or they fit no such shape.
bool FindLineShape(const std::vector<Box>& blobs, double height, LineShape* shape);

// The largest distance, over the ink of `blobs`, by which a line moves
// when `shape` is made level.
double LargestOffset(const LineShape& shape, const std::vector<Box>& blobs);

// A copy of the 8-bit page `grey` with the lines of `shape` level.
Pix* LevelLines(Pix* grey, const LineShape& shape);

}  // namespace tsy::scan
