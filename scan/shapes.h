// The shapes of a page's glyphs. A listing is set in one fixed-pitch font,
// so every glyph of one character looks alike across the page, while the
// engine reads each glyph on its own and errs on a few. The cells are
// grouped by shape, each group takes the reading most of its members got,
// and each cell then gets its readings from its likeness to every group:
// a glyph the engine misread or left unread is read as its look-alikes
// are, and two glyphs of one shape never read differently. Only the few
// cells whose shape lies between groups keep several close readings.
#pragma once

#include <array>
#include <vector>

#include "scan/glyphs.h"

namespace tsy::scan {

constexpr int kShapeWidth = 20;
constexpr int kShapeHeight = 24;

// A glyph's ink sampled on a fixed raster around its centre of ink, less
// its mean and scaled to unit length; all zero when the cell held none.
using Shape = std::array<float, kShapeWidth * kShapeHeight>;

// Scales `shape` to zero mean and unit length; false when it is flat.
bool NormalizeShape(Shape* shape);

// The correlation of two normalised shapes, from -1 to 1.
float Likeness(const Shape& a, const Shape& b);

// A group of cells of one shape and the engine's readings of its members.
struct ShapeGroup {
    Shape prototype{};
    std::vector<Choice> readings;  // by votes, best first; confidence = share of the votes
    int members = 0;
};

struct PageShapes {
    std::vector<ShapeGroup> groups;
};

// Groups the cells of `page` by their shapes (`shapes[row][cell]`, as the
// page's rows and cells), labels the groups by the engine's readings, sets
// each cell's group, and replaces each cell's readings by those of its
// shape, merged with the engine's own.
PageShapes LearnShapes(const std::vector<std::vector<Shape>>& shapes, PageText* page);

}  // namespace tsy::scan
