// A listing with the digits of each byte apart set on one pitch: every
// row's glyphs in the same columns, a byte's two digits side by side and
// one blank column between bytes, whatever the gaps, narrow digits, an
// address printed run together, a short last row, slivers of a box's rule
// between the address and the bytes, or digits broken into pieces; but not
// a listing sheet whose digits stand on one wide pitch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/listing_apart.h"

namespace tsy::scan {
namespace {

constexpr int kHeight = 24;
constexpr int kWidth = 16;

struct Style {
    std::string name;
    int within = 0;             // the gap between a byte's two digits
    int between = 0;            // the gap between bytes
    bool narrow = false;        // every third digit a narrow 1
    bool run_together = false;  // the address one blob
    bool apart = true;          // whether the digits count as apart
    bool slivers = false;       // a piece of a box's rule after every other address
    // Every fifth digit broken as a serif face breaks on light print: into
    // a left and a right piece that touch, and on every other row, its top
    // stroke apart too (too low for a glyph, a line of its own).
    bool broken = false;
    // The last row a SUM line: S, U and an M 1.7 usual widths wide.
    bool sum_line = false;
    // No prose beside it: a listing sheet, or a listing cropped to its box.
    bool sheet = false;
};

// Rows of an address and bytes (the last row three short), as glyph
// boxes, drawn into `page`.
std::vector<std::vector<Box>> DrawListing(const Style& style, PreparedPage* page) {
    std::vector<std::vector<Box>> lines;
    for (int r = 0; r < 8; ++r) {
        const int top = 40 + r * 40;
        std::vector<Box> line;
        std::vector<Box> tops;  // the top strokes of broken digits
        if (style.run_together) {
            line.push_back(Box{30, top, 30 + 4 * kWidth + 6, top + kHeight});
        } else if (style.sum_line && r == 7) {
            line.push_back(Box{30, top, 30 + kWidth, top + kHeight});
            line.push_back(Box{30 + kWidth + 2, top, 30 + 2 * kWidth + 2, top + kHeight});
            line.push_back(Box{30 + 2 * (kWidth + 2), top, 30 + 2 * (kWidth + 2) + kWidth * 17 / 10,
                               top + kHeight});
        } else {
            for (int i = 0; i < 4; ++i) {
                line.push_back(
                    Box{30 + i * (kWidth + 2), top, 30 + i * (kWidth + 2) + kWidth, top + kHeight});
            }
        }
        int x = 30 + 4 * (kWidth + 2) + 3 * kWidth;
        if (style.slivers && r % 2 == 0) {
            line.push_back(Box{x - kWidth, top + 10, x - kWidth + 1, top + 17});
        }
        const int bytes = r == 7 ? 5 : 8;
        for (int b = 0; b < bytes; ++b) {
            for (int digit = 0; digit < 2; ++digit) {
                const bool one = style.narrow && (b * 2 + digit) % 3 == 0;
                const int width = one ? 6 : kWidth;
                const int left = x + (kWidth - width) / 2;
                x += kWidth + (digit == 0 ? style.within : style.between);
                if (style.broken && (b * 2 + digit) % 5 == 1) {
                    const int middle = left + width / 2;
                    const int stroke = r % 2 == 0 ? top + 5 : top;
                    line.push_back(Box{left, stroke, middle, top + kHeight});
                    line.push_back(Box{middle + 1, stroke, left + width, top + kHeight});
                    if (stroke != top) {
                        tops.push_back(Box{left + 2, top, left + width - 2, top + 4});
                    }
                    continue;
                }
                line.push_back(Box{left, top, left + width, top + kHeight});
            }
        }
        for (const std::vector<Box>* boxes : {&line, &tops}) {
            for (const Box& glyph : *boxes) {
                pixRasterop(page->binary.get(), glyph.left, glyph.top, glyph.Width(),
                            glyph.Height(), PIX_SET, nullptr, 0, 0);
            }
        }
        lines.push_back(line);
        if (!tops.empty()) {
            lines.push_back(tops);
        }
    }
    return lines;
}

TEST(ListingApart, SetsEveryRowOnOnePitch) {
    const std::vector<Style> styles = {
        {"spaced", 14, 28, false, false, true},
        {"spaced wide", 18, 44, false, false, true},
        {"narrow ones", 14, 28, true, false, true},
        {"address run together", 14, 28, false, true, true},
        {"digits together", 2, 16, false, false, false},
        {"a box's rule in slivers", 14, 28, false, false, true, true},
        {"broken digits", 14, 28, false, false, true, false, true},
        {"a SUM line with a wide M", 14, 28, false, false, true, false, false, true},
        {"a sheet", 14, 28, false, false, true, false, false, false, true},
        // Two steps from byte to byte: type on a grid of a wide advance,
        // read as it stands.
        {"a sheet on one wide pitch", 14, 44, false, false, false, false, false, false, true},
    };
    for (const Style& style : styles) {
        SCOPED_TRACE(style.name);
        PreparedPage page;
        page.binary.reset(pixCreate(800, 400, 1));
        page.grey.reset(pixCreate(800, 400, 8));
        pixSetAll(page.grey.get());
        PageRegions regions;
        regions.lines.push_back(DrawListing(style, &page));
        regions.regions.push_back(Box{20, 30, 780, 380});
        regions.sheet = style.sheet;
        for (const std::vector<Box>& line : regions.lines.front()) {
            regions.blobs.insert(regions.blobs.end(), line.begin(), line.end());
        }
        std::vector<Box> origins;
        ASSERT_EQ(SetListingOnPitch(&page, &regions, &origins), style.apart);
        if (!style.apart) {
            continue;
        }
        // 8 rows of 4 + 16 glyphs, the last 6 short (and 7 where it is a SUM
        // line, whose M stays one glyph).
        const std::size_t sum_glyphs = style.sum_line ? 3 : 4;
        ASSERT_EQ(regions.blobs.size(), 8u * 20 - 6 - (4 - sum_glyphs));
        // The pitch, from the first row's ends: the last digit in column 27.
        const double pitch = (regions.blobs[19].CenterX() - regions.blobs[0].CenterX()) / 27;
        ASSERT_GT(pitch, kWidth);
        // The columns of the first row: the address, a gap, the bytes.
        std::vector<int> columns;
        for (std::size_t i = 0; i < 20; ++i) {
            const double column = (regions.blobs[i].CenterX() - regions.blobs[0].CenterX()) / pitch;
            EXPECT_NEAR(column, std::round(column), 0.1);
            columns.push_back(static_cast<int>(std::lround(column)));
        }
        const std::vector<int> expected = {0,  1,  2,  3,  5,  6,  8,  9,  11, 12,
                                           14, 15, 17, 18, 20, 21, 23, 24, 26, 27};
        EXPECT_EQ(columns, expected);
        // Every row's glyphs in the first row's places; a SUM line's word in
        // the address's first three.
        for (std::size_t i = 20; i < regions.blobs.size(); ++i) {
            const std::size_t in_row =
                i < 140 ? i % 20 : i - 140 + (i - 140 < 3 ? 0 : 4 - sum_glyphs);
            EXPECT_NEAR(regions.blobs[i].CenterX(), regions.blobs[in_row].CenterX(), 1.0) << i;
        }
    }
}

}  // namespace
}  // namespace tsy::scan
