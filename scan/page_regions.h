// The parts of a page that hold listing rows, found from the boxes of its
// ink blobs before the grid: a magazine page holds prose, headings, rules,
// pictures and captions around its listing, in columns, and a grid laid
// over all of it starts every row with prose. Text lines are cut at wide
// gaps (a column's gutter), and a line whose glyphs stand as a listing's
// do (one height, tops in line, narrow as digits, in short tokens) is a
// listing line; runs of such lines one under the other make a region.
#pragma once

#include <vector>

#include "scan/glyphs.h"

namespace tsy::scan {

struct PageRegions {
    std::vector<Box> regions;  // each run of listing lines, top to bottom
    std::vector<Box> blobs;    // the blobs within them
    // Each region's text lines, top to bottom, as glyph boxes left to right
    // (the pieces of a broken glyph joined).
    std::vector<std::vector<std::vector<Box>>> lines;
    // No other text stands beside the regions: a listing sheet, or a
    // listing's box cut out of a page, with a title or notes above and
    // below. The page is read whole (`blobs` holds every blob as it came)
    // unless the regions' digits stand apart and must be set anew.
    bool sheet = false;
};

// The listing regions among `blobs` and the blobs they hold. Where no region
// is found, none is given and `blobs` holds every blob as it came.
PageRegions FindListingRegions(const std::vector<Box>& blobs);

}  // namespace tsy::scan
