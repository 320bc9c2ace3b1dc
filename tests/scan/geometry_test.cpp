// The geometry of a photographed page without the engine: glyph boxes laid
// out as a phone shows a listing (rows wider down the page, starts that
// wander, lines turned by different angles, a bend at the gutter), and
// what the grid and the levelling make of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "scan/even_columns.h"
#include "scan/grid.h"
#include "scan/prepared_page.h"
#include "scan/straighten.h"

namespace tsy::scan {
namespace {

constexpr int kRows = 40;
constexpr double kHeight = 20;
const std::string kRow = "C000 3E 01 CD 12 C0 21 00 D0 11 22 33 44 55 66 77 88 :2D";

std::vector<int> Columns(const std::string& text) {
    std::vector<int> columns;
    for (std::size_t c = 0; c < text.size(); ++c) {
        if (text[c] != ' ') {
            columns.push_back(static_cast<int>(c));
        }
    }
    return columns;
}

struct Slant {
    const char* name;
    double pitch;        // of the top row
    double widening;     // share the bottom row is wider than the top
    double drift;        // px a row that the rows' starts move right
    double turn;         // slope of the lines
    double turn_change;  // change of slope from the top row to the bottom
    double gutter;       // px the lines sink at the right edge
};

const Slant kSlants[] = {
    {"flat", 12, 0, 0, 0, 0, 0},
    {"keystone 8% near edge at the foot", 12, 0.08, -0.3, 0, 0, 0},
    {"keystone 8% near edge at the head", 12.96, -0.074, 0.3, 0, 0, 0},
    {"starts drifting 0.55 px a row", 12, 0, 0.55, 0, 0, 0},
    {"starts drifting back", 14, 0.03, -0.8, 0, 0, 0},
    {"turned 3 degrees", 12, 0, 0, 0.052, 0, 0},
    {"turned by side keystone", 12, 0.02, 0, 0.03, -0.06, 0},
    {"bent into the gutter", 12, 0, 0, 0, 0, 18},
};

// A serif face on a grid of more than its height: neighbours one pitch
// apart stand as far apart as a narrow face's two pitches do.
const Slant kWideSlants[] = {
    {"type set wider than high", 26, 0, 0, 0, 0, 0},
    {"type set wider than high, keystone 5%", 25, 0.05, -0.2, 0, 0, 0},
};

// A glyph's box at column c of row r, and where its line runs at x.
struct Page {
    const Slant& slant;

    double Pitch(int r) const { return slant.pitch * (1 + slant.widening * r / kRows); }
    double Start(int r) const { return 100 + slant.drift * r; }
    double Level(int r) const { return 60 + 36.0 * r; }
    double Sink(double x) const {
        const double from = 600;  // the gutter's bend starts here
        return x <= from ? 0 : slant.gutter * std::pow((x - from) / 200, 2);
    }
    double LineY(int r, double x) const {
        const double slope = slant.turn + slant.turn_change * r / kRows;
        return Level(r) + slope * (x - 400) + Sink(x);
    }
    std::vector<Box> Blobs(bool level_rows) const {
        std::vector<Box> blobs;
        for (int r = 0; r < kRows; ++r) {
            for (int c : Columns(kRow)) {
                const double x = Start(r) + c * Pitch(r);
                const double y = level_rows ? Level(r) : LineY(r, x);
                const double w = 0.7 * Pitch(r);
                blobs.push_back(Box{static_cast<int>(std::lround(x - w / 2)),
                                    static_cast<int>(std::lround(y - kHeight / 2)),
                                    static_cast<int>(std::lround(x + w / 2)),
                                    static_cast<int>(std::lround(y + kHeight / 2))});
            }
        }
        return blobs;
    }
};

TEST(GeometryTest, EveryRowKeepsItsColumnsDownASlantedPage) {
    std::vector<Slant> slants(std::begin(kSlants), std::end(kSlants));
    slants.insert(slants.end(), std::begin(kWideSlants), std::end(kWideSlants));
    for (const Slant& slant : slants) {
        if (slant.turn != 0 || slant.turn_change != 0 || slant.gutter != 0) {
            continue;  // the levelling's (below)
        }
        SCOPED_TRACE(slant.name);
        const Grid grid = FindGrid(Page{slant}.Blobs(true));
        ASSERT_EQ(grid.rows.size(), static_cast<std::size_t>(kRows));
        for (std::size_t r = 0; r < grid.rows.size(); ++r) {
            EXPECT_EQ(grid.rows[r].cells, Columns(kRow)) << "row " << r;
        }
    }
}

// Wide type of thin strokes printed light: every round glyph falls apart
// into its left and right halves, and the pitch is still the glyphs'.
TEST(GeometryTest, GlyphsInHalvesKeepTheirColumns) {
    for (const Slant& slant : kWideSlants) {
        SCOPED_TRACE(slant.name);
        std::vector<Box> blobs;
        for (const Box& glyph : Page{slant}.Blobs(true)) {
            const int middle = (glyph.left + glyph.right) / 2;
            const int half = static_cast<int>(0.2 * slant.pitch);
            blobs.push_back(Box{middle - 2 - half, glyph.top, middle - 2, glyph.bottom});
            blobs.push_back(Box{middle + 2, glyph.top, middle + 2 + half, glyph.bottom});
        }
        const Grid grid = FindGrid(blobs);
        ASSERT_EQ(grid.rows.size(), static_cast<std::size_t>(kRows));
        for (std::size_t r = 0; r < grid.rows.size(); ++r) {
            EXPECT_EQ(grid.rows[r].cells, Columns(kRow)) << "row " << r;
        }
    }
}

// Specks between two rows, run together with the glyphs over and under
// them, bridge the rows' middles: the rows are still two.
TEST(GeometryTest, RowsBridgedBySpecksStayApart) {
    std::vector<Box> blobs = Page{kSlants[0]}.Blobs(true);
    const int bridged = kRows / 2;
    const int top = static_cast<int>(Page{kSlants[0]}.Level(bridged));
    for (int k = 0; k < 4; ++k) {
        const int middle = top + 6 + 7 * k;
        const int x = 100 + 12 * (5 + 3 * k);
        blobs.push_back(Box{x, middle - 13, x + 8, middle + 13});
    }
    const Grid grid = FindGrid(blobs);
    EXPECT_EQ(grid.rows.size(), static_cast<std::size_t>(kRows));
}

// Rows of a printout whose glyphs all run together in pairs (runs of
// "00", the address one box), with specks half a column off the grid: the
// specks move no row a column aside, nor the rows after them.
TEST(GeometryTest, RowsOfPairsKeepTheirColumnsDespiteSpecks) {
    const Page page{kSlants[0]};
    std::vector<Box> blobs;
    for (int r = 0; r < kRows; ++r) {
        const bool pairs = r >= 10 && r < 14;
        const int top = static_cast<int>(page.Level(r) - kHeight / 2);
        for (int c : Columns(kRow)) {
            const double x = page.Start(r) + c * page.Pitch(r);
            const bool joined = c > 0 && kRow[static_cast<std::size_t>(c - 1)] != ' ';
            if (pairs && joined) {
                blobs.back().right = static_cast<int>(std::lround(x + 0.35 * page.Pitch(r)));
                continue;
            }
            blobs.push_back(Box{static_cast<int>(std::lround(x - 0.35 * page.Pitch(r))), top,
                                static_cast<int>(std::lround(x + 0.35 * page.Pitch(r))),
                                top + static_cast<int>(kHeight)});
        }
        if (pairs) {
            for (int c : {34, 46}) {  // blank columns
                const int x = static_cast<int>(page.Start(r) + (c + 0.45) * page.Pitch(r));
                blobs.push_back(Box{x - 2, top + 6, x + 2, top + 13});
            }
        }
    }
    const Grid grid = FindGrid(blobs);
    ASSERT_EQ(grid.rows.size(), static_cast<std::size_t>(kRows));
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        // The specks' own cells aside.
        std::vector<int> glyphs;
        for (int c : grid.rows[r].cells) {
            if (c != 34 && c != 35 && c != 46 && c != 47) {
                glyphs.push_back(c);
            }
        }
        std::vector<int> expected;
        for (int c : Columns(kRow)) {
            if (c != 35 && c != 47) {
                expected.push_back(c);
            }
        }
        EXPECT_EQ(glyphs, expected) << "row " << r;
    }
}

TEST(GeometryTest, TurnedAndBentLinesAreFoundAndMadeLevel) {
    for (const Slant& slant : kSlants) {
        SCOPED_TRACE(slant.name);
        const Page page{slant};
        const std::vector<Box> blobs = page.Blobs(false);
        LineShape shape;
        ASSERT_TRUE(FindLineShape(blobs, kHeight, &shape));
        const bool straight = slant.turn == 0 && slant.turn_change == 0 && slant.gutter == 0;
        EXPECT_EQ(LargestOffset(shape, blobs) >= 0.25 * kHeight, !straight);
        // Where the line of each row runs, relative to its level at the
        // middle, as told by the shape.
        for (int r : {0, kRows / 2, kRows - 1}) {
            const double at_middle = page.LineY(r, shape.middle);
            for (double x : {150.0, 400.0, 650.0, 760.0}) {
                EXPECT_NEAR(at_middle + shape.Offset(x, at_middle), page.LineY(r, x),
                            0.15 * kHeight)
                    << "row " << r << " x " << x;
            }
        }
    }
}

TEST(GeometryTest, LevellingMovesTheInkOfALineOntoOneRow) {
    // A dark line falling 40 px across the page, with a bend at its end.
    const Slant slant{"drawn", 12, 0, 0, 0.05, 0, 10};
    const Page page{slant};
    Pix* grey = pixCreate(800, 200, 8);
    ASSERT_NE(grey, nullptr);
    pixSetAllArbitrary(grey, 255);
    // Drawn as short glyph-high bars.
    for (int x = 40; x < 790; x += 12) {
        const double y = 90 + 0.05 * (x - 400) + page.Sink(x);
        pixRasterop(grey, x, static_cast<int>(y) - 10, 8, 20, PIX_CLR, nullptr, 0, 0);
    }
    LineShape shape;
    shape.middle = 400;
    shape.slope = 0.05;
    shape.bend_from = 600;
    shape.bend_step = 20;
    for (int k = 0; k <= 10; ++k) {
        shape.bend.push_back(page.Sink(600 + 20.0 * k));
    }
    Pix* level = LevelLines(grey, shape);
    ASSERT_NE(level, nullptr);
    // Every bar now covers the same rows: the line's height at the middle.
    for (int x : {44, 404, 704, 788}) {
        l_uint32 value = 255;
        pixGetPixel(level, static_cast<l_uint32>(x), 90, &value);
        EXPECT_LT(value, 128u) << "x " << x;
        pixGetPixel(level, static_cast<l_uint32>(x), 70, &value);
        EXPECT_GT(value, 128u) << "x " << x;
    }
    pixDestroy(&level);
    pixDestroy(&grey);
}

// Rows of two-glyph tokens whose spacing grows by `growth` of itself from
// the left edge to the right (the gutter at the left): set evenly, every
// pair of a token stands as far apart as any other; an even page is left.
// A sheet of a few rows is measured as well as a page of many.
TEST(GeometryTest, ColumnsCloserAtOneEdgeAreSetEvenly) {
    constexpr int kWidth = 1000;
    struct Case {
        double growth;
        int rows;
    };
    for (const Case& c : {Case{0.0, 20}, Case{0.2, 20}, Case{0.2, 4}}) {
        const double growth = c.growth;
        SCOPED_TRACE(testing::Message() << growth << " over " << c.rows << " rows");
        std::vector<Box> blobs;
        std::vector<double> lefts;  // the first glyph of each token
        for (int r = 0; r < c.rows; ++r) {
            for (double x = 100; x < 900;) {
                const double spacing = 14 * (1 + growth * x / kWidth);
                for (int digit = 0; digit < 2; ++digit, x += spacing) {
                    const int left = static_cast<int>(std::lround(x));
                    blobs.push_back(Box{left, 40 + 36 * r, left + 10, 40 + 36 * r + 20});
                    if (r == 0 && digit == 0) {
                        lefts.push_back(x + 5);
                    }
                }
                x += spacing;
            }
        }
        ColumnSources sources;
        ASSERT_EQ(FindColumnSources(blobs, kHeight, kWidth, &sources), growth > 0);
        if (growth == 0) {
            continue;
        }
        // Where each token's two glyphs land on the evened page.
        const auto evened = [&sources](double x) {
            std::size_t at = 0;
            while (at + 1 < sources.size() && sources[at + 1] <= x) {
                ++at;
            }
            return static_cast<double>(at);
        };
        double least = 1e9;
        double most = 0;
        for (double left : lefts) {
            const double apart = evened(left + 14 * (1 + growth * left / kWidth)) - evened(left);
            least = std::min(least, apart);
            most = std::max(most, apart);
        }
        EXPECT_LE(most - least, 2) << least << " to " << most;
    }
}

// Continuous form paper scanned against a dark lid: rows of tractor holes
// down both edges, far darker than the faint print between them. The
// print is still found as glyphs, and no hole is taken for one.
TEST(GeometryTest, TractorHolesLeaveTheFaintPrintItsInk) {
    constexpr int kWidth = 700;
    constexpr int kGlyphRows = 10;
    constexpr int kGlyphs = 20;
    PixPtr grey(pixCreate(kWidth, 440, 8));
    ASSERT_NE(grey, nullptr);
    pixSetAllArbitrary(grey.get(), 250);
    auto disc = [&](int cx, int cy, int radius) {
        for (int dy = -radius; dy <= radius; ++dy) {
            for (int dx = -radius; dx <= radius; ++dx) {
                if (dx * dx + dy * dy <= radius * radius && cy + dy >= 0 && cy + dy < 440) {
                    pixSetPixel(grey.get(), cx + dx, cy + dy, 60);
                }
            }
        }
    };
    for (int y = 0; y < 440; y += 36) {
        disc(20, y, 13);
        disc(kWidth - 20, y, 13);
    }
    disc(60, 300, 5);  // a round speck near the edge, of no hole's size
    for (int r = 0; r < kGlyphRows; ++r) {
        for (int c = 0; c < kGlyphs; ++c) {
            BOX* ink = boxCreate(120 + 22 * c + (c / 2) * 8, 20 + 40 * r, 14, 24);
            pixSetInRectArbitrary(grey.get(), ink, 200);
            boxDestroy(&ink);
        }
    }
    PreparedPage page;
    ASSERT_TRUE(PreparePage(grey.get(), &page));
    int glyphs = 0;
    for (const Box& blob : page.blobs) {
        EXPECT_TRUE(blob.left > 40 && blob.right < kWidth - 40) << blob.left;
        glyphs += blob.Height() >= 20 * page.scale && blob.Height() <= 28 * page.scale ? 1 : 0;
    }
    EXPECT_EQ(glyphs, kGlyphRows * kGlyphs);
}

}  // namespace
}  // namespace tsy::scan
