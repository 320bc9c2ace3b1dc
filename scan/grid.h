// The fixed-pitch grid of a listing page, found from the boxes of the ink
// blobs alone: the text rows, the character pitch, and for each row the
// cells (column k of the grid) that hold ink. Each row has its own origin
// and pitch, fitted to its glyphs and smoothed over its neighbours, as a
// photographed page is wider at its near edge than at its far one. A blob wider than a cell,
// two characters run together, is split over the cells it covers, so a
// merged or split character still lands in its own column.
#pragma once

#include <vector>

#include "scan/glyphs.h"

namespace tsy::scan {

struct GridRow {
    int top = 0;
    int bottom = 0;
    double origin = 0;        // x of the centre of cell 0 in this row
    double pitch = 0;         // this row's cell width (a photo's rows differ)
    std::vector<int> cells;   // the columns that hold ink, ascending
    std::vector<Box> boxes;   // the ink of each of those cells
    std::vector<int> pieces;  // the blobs that make up each of those cells
};

struct Grid {
    double pitch = 0;           // the usual cell width in pixels; 0 when no text was found
    int char_height = 0;        // the usual height of a character
    std::vector<GridRow> rows;  // top to bottom

    // The box of cell `column` of `row`, the full cell width and row height.
    Box CellBox(const GridRow& row, int column) const;
};

// Whether a blob may be a character: neither a speck, a dash or a point
// (too low) nor a rule (many times wider than high).
bool NeitherSpeckNorRule(const Box& blob);

// The usual height of a character among `blobs`: the median height of
// those that are neither specks nor long rules; 0 when there are none.
double CharacterHeight(const std::vector<Box>& blobs);

// Finds the grid from the boxes of the page's ink blobs (in any order).
// Blobs much smaller than a character only count inside a row.
Grid FindGrid(const std::vector<Box>& blobs);

}  // namespace tsy::scan
