// What the recogniser saw on a page: rows of fixed-pitch cells, each with
// its ranked readings. The layout and the decoder work on these alone, so
// they can be tested without the engine.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace tsy::scan {

// One reading of a glyph and how sure the recogniser is of it, 0 to 1.
struct Choice {
    char character = 0;
    float confidence = 0;
};

// A box on the page in pixels; right and bottom are exclusive.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    double CenterX() const { return (left + right) / 2.0; }
    double CenterY() const { return (top + bottom) / 2.0; }
};

// The smallest box that holds both.
inline Box Union(const Box& a, const Box& b) {
    return Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
}

// One cell of the page's grid that holds ink, and what the recogniser read
// in it; no choices when it read nothing there.
struct Cell {
    int column = 0;
    std::vector<Choice> choices;  // best first
    int shape = -1;               // the page's group of glyphs of this shape; -1 none
    // Ink too small for a character (a speck of dirt, a point), which
    // neither starts nor ends a token of the row.
    bool speck = false;
};

// One text row of the page: its cells, by ascending column, and where the
// row lies on the page straightened at its own size (all 0 when unknown),
// so that every column, blank or not, has its box. A row whose glyphs were
// moved to be read (digits set apart, set anew on one pitch) has no pitch
// on the page; only its cells with ink have boxes there, each its own.
struct PageRow {
    std::vector<Cell> cells;
    double top = 0;
    double bottom = 0;
    double origin = 0;  // x of the centre of column 0
    double pitch = 0;   // 0: no place on the page known
    // Without a pitch: where each cell's glyph stands on the page, by the
    // cells' order (empty boxes where not known).
    std::vector<Box> places;

    // The box of column `column`: the full cell width and row height; empty
    // when the row's place is not known.
    Box CellBox(int column) const {
        if (pitch <= 0) {
            for (std::size_t i = 0; i < cells.size() && i < places.size(); ++i) {
                if (cells[i].column == column) {
                    return places[i];
                }
            }
            return Box{};
        }
        const double left = origin + (column - 0.5) * pitch;
        return Box{static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)),
                   static_cast<int>(std::lround(left + pitch)),
                   static_cast<int>(std::lround(bottom))};
    }
};

struct PageText {
    std::vector<PageRow> rows;  // top to bottom
};

}  // namespace tsy::scan
