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

// How alike two glyphs must be to be taken as one character: a cell joins a
// group as the groups form, two groups merge, and a member stays with its
// group, at these correlations. Glyphs of one character on a page in a clean
// font stay well above them, glyphs printed in dots less so, but the mean
// shapes of two groups of one character are nearly equal; look-alikes (8
// and B, 0 and D, a dotted 0 and 8) fall below the merge in most fonts, in
// some only below the finer one's, where a noisier font's glyphs of one
// character already part.
struct Closeness {
    float join;
    float merge;
    float member;
};

constexpr Closeness kUsualCloseness{0.95f, 0.97f, 0.88f};
constexpr Closeness kFineCloseness{0.97f, 0.985f, 0.9f};

// Groups the cells of `page` by their shapes (`shapes[row][cell]`, as the
// page's rows and cells), labels the groups by the engine's readings, sets
// each cell's group (-1 where it joined none, or one of its own), and
// replaces each cell's readings by those of its shape, merged with the
// engine's own. A cell whose shape is all zero (no ink, or a mark such as
// a dash) keeps what it has.
PageShapes LearnShapes(const std::vector<std::vector<Shape>>& shapes, PageText* page,
                       const Closeness& closeness = kUsualCloseness);

}  // namespace tsy::scan
