// What a scan found on one page, as boxes on the page straightened at its
// own size (the picture ScanImages keeps when asked): each listing row with
// its cells and whether the sums verified it, and each character in doubt
// with its candidates. The front ends draw these (annotation_picture.h) or
// show them their own way.
#pragma once

#include <string>
#include <vector>

#include "scan/glyphs.h"
#include "scan/scan_images.h"

namespace tsy::scan {

struct RowMark {
    int row = 0;  // in the listing, from 0
    Box box;      // around all of its cells
    bool verified = false;
    std::vector<Box> cells;  // each character's cell, the row's blanks left out
};

struct DoubtMark {
    Place place;
    Box box;  // the character's cell
    char read = 0;
    std::string candidates;
};

struct PageMarks {
    std::vector<RowMark> rows;
    std::vector<DoubtMark> doubts;
};

// The marks of page `page` (from 0) of `run`, a scan that read its listing.
// Characters whose place on the page is not known have no box and are left
// out.
PageMarks MarksOfPage(const ScanRun& run, int page);

}  // namespace tsy::scan
