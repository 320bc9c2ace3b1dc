// The listing regions of a page found from glyph boxes alone: a listing
// column beside prose of either script, a rule and a picture, SUM lines
// among its addresses, a box's rule and heading, rows of wide letters
// within it, and a listing sheet (or a listing cropped out of its page) left
// whole with its region at hand; and the blur a page beside
// prose is prepared with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/page_regions.h"
#include "scan/prepared_page.h"

namespace tsy::scan {
namespace {

constexpr int kHeight = 20;
constexpr int kPitch = 30;  // from one text line to the next

enum class Prose { None, English, Japanese };

struct Page {
    std::vector<Box> blobs;
    std::vector<Box> listing;  // the blobs of the listing's rows
};

// `rows` listing rows at x `left`: an address of four glyphs, then eight
// bytes, their two digits together or set apart, and with `sums` a sum in
// brackets, far to the right; `broken` cuts every fifth glyph into an upper
// and a lower piece. With `sum_lines`, the address stands well apart and
// every ninth row is a SUM line with a blank line after it. Every other
// glyph of `wide_count` rows from `wide_first` is nearly as wide as high
// (the round capitals and digits of a serif face).
void AddListing(Page* page, int left, int rows, bool spaced, bool broken, bool sums,
                bool sum_lines = false, int wide_first = 0, int wide_count = 0) {
    for (int r = 0, line = 0; r < rows; ++r, ++line) {
        const int top = 100 + line * kPitch;
        const bool sum = sum_lines && r % 9 == 8;
        line += sum ? 1 : 0;
        std::vector<int> lefts;
        for (int i = 0; i < (sum ? 3 : 4); ++i) {
            lefts.push_back(left + i * 13);
        }
        for (int b = 0; b < 8; ++b) {
            const int start = left + (sum_lines ? 130 : 80) + b * (spaced ? 60 : 40);
            lefts.push_back(start);
            lefts.push_back(start + (spaced ? 22 : 13));
        }
        if (sums) {
            const int start = lefts.back() + 60;
            page->listing.push_back(Box{start, top - 3, start + 6, top + kHeight + 3});
            page->listing.push_back(Box{start + 10, top, start + 21, top + kHeight});
            page->listing.push_back(Box{start + 30, top, start + 41, top + kHeight});
            page->listing.push_back(Box{start + 43, top, start + 54, top + kHeight});
            page->listing.push_back(Box{start + 58, top - 3, start + 64, top + kHeight + 3});
        }
        for (std::size_t i = 0; i < lefts.size(); ++i) {
            const bool round = r >= wide_first && r < wide_first + wide_count && i % 2 == 0;
            const Box glyph{lefts[i], top, lefts[i] + (round ? 18 : 11), top + kHeight};
            if (broken && i % 5 == 2) {
                page->listing.push_back(Box{glyph.left, glyph.top, glyph.right, top + 9});
                page->listing.push_back(Box{glyph.left, top + 11, glyph.right, glyph.bottom});
            } else {
                page->listing.push_back(glyph);
            }
        }
    }
    page->blobs.insert(page->blobs.end(), page->listing.begin(), page->listing.end());
}

// Prose lines in the column at x `left`: English words of lower case
// letters with ascenders, or Japanese characters as wide as high.
void AddProse(Page* page, int left, Prose prose) {
    for (int r = 0; prose != Prose::None && r < 30; ++r) {
        const int top = 60 + r * kPitch;
        for (int i = 0, x = left; i < 28; ++i) {
            if (prose == Prose::Japanese) {
                page->blobs.push_back(Box{x, top + i % 3, x + 19, top + 18 + i % 2});
                x += 21;
            } else {
                const bool tall = i % 3 == 0;
                page->blobs.push_back(Box{x, tall ? top : top + 7, x + 10, top + kHeight});
                x += i % 5 == 4 ? 20 : 12;
            }
        }
    }
}

TEST(PageRegions, KeepsTheListingAndNothingElse) {
    struct Case {
        std::string name;
        Prose prose;
        bool spaced;
        bool broken;
        bool sums;
        bool region;  // whether a region is given
        bool sheet;   // whether no prose stands beside it (the page is left whole)
        bool sum_lines = false;
        // A heading row (`ADRS +0 +1 ...`) over the rows, and a piece of a
        // box's rule as high as the heading and the first row together.
        bool heading = false;
        int wide_first = 0;
        int wide_count = 0;
    };
    const std::vector<Case> cases = {
        {"beside English prose", Prose::English, false, false, false, true, false},
        {"beside Japanese prose", Prose::Japanese, false, false, false, true, false},
        {"digits set apart", Prose::English, true, false, false, true, false},
        {"broken glyphs", Prose::Japanese, false, true, false, true, false},
        {"a listing sheet", Prose::None, false, false, false, true, true},
        {"a sheet with sums in brackets", Prose::None, false, false, true, true, true},
        {"a sheet with digits apart", Prose::None, true, false, false, true, true},
        {"a sheet of wide digits apart", Prose::None, true, false, false, true, true, false, false,
         0, 24},
        {"wide digits beside prose", Prose::English, false, false, false, false, false, false,
         false, 0, 24},
        {"SUM lines part the addresses", Prose::English, false, false, false, true, false, true},
        {"a rule over the heading", Prose::English, false, false, false, true, false, false, true},
        {"three rows of wide letters", Prose::Japanese, false, false, false, true, false, false,
         false, 10, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page page;
        AddProse(&page, 40, c.prose);
        AddListing(&page, 800, 24, c.spaced, c.broken, c.sums, c.sum_lines, c.wide_first,
                   c.wide_count);
        for (int i = 0; c.heading && i < 20; ++i) {
            const int left = i < 4 ? 800 + i * 13 : 880 + (i - 4) / 2 * 40 + (i - 4) % 2 * 13;
            const bool plus = i >= 4 && i % 2 == 0;
            page.blobs.push_back(Box{left, plus ? 75 : 70, left + 11, plus ? 86 : 90});
        }
        if (c.heading) {
            page.blobs.push_back(Box{855, 65, 875, 125});
        }
        page.blobs.push_back(Box{760, 40, 763, 1000});    // the rule between the columns
        page.blobs.push_back(Box{40, 950, 600, 1200});    // a picture
        page.blobs.push_back(Box{800, 900, 1000, 1010});  // another, under the listing
        const PageRegions found = FindListingRegions(page.blobs);
        ASSERT_EQ(found.regions.size(), c.region ? 1u : 0u);
        EXPECT_EQ(found.sheet, c.sheet);
        if (c.sheet || !c.region) {
            // Left whole; a sheet with the region's rows at hand for
            // setting digits apart anew.
            EXPECT_EQ(found.blobs.size(), page.blobs.size());
            ASSERT_EQ(found.lines.size(), c.region ? 1u : 0u);
            if (c.region) {
                EXPECT_EQ(found.lines[0].size(), 24u);
            }
            continue;
        }
        EXPECT_EQ(found.blobs.size(), page.listing.size());
        for (const Box& blob : found.blobs) {
            EXPECT_GE(blob.left, 800);
            EXPECT_LT(blob.bottom, 900);
        }
    }
}

// A page of solid print, English prose beside a listing whose digits
// stand apart: a blur would run the prose's letters into words of a
// glyph's height, which look like whole glyphs, and the listing's gaps
// with them. It is judged on the listing's ink, which needs none.
TEST(PageRegions, ASolidPageBesideProseIsNotBlurred) {
    PixPtr grey(pixCreate(1400, 1100, 8));
    pixSetAll(grey.get());
    const auto ink = [&grey](int left, int top, int width, int height) {
        pixRasterop(grey.get(), left, top, width, height, PIX_CLR, nullptr, 0, 0);
    };
    for (int r = 0; r < 30; ++r) {
        const int top = 60 + r * kPitch;
        for (int i = 0, x = 40; i < 40; ++i) {
            const bool tall = i % 3 == 0;
            ink(x, tall ? top : top + 7, 8, tall ? kHeight : kHeight - 7);
            x += i % 5 == 4 ? 20 : 11;
        }
        for (int i = 0; r > 2 && i < 20; ++i) {
            const int left = i < 4 ? 700 + i * 14 : 790 + (i - 4) / 2 * 60 + (i - 4) % 2 * 24;
            ink(left, top, 11, kHeight);
        }
    }
    PreparedPage page;
    ASSERT_TRUE(PreparePage(grey.get(), &page));
    EXPECT_EQ(page.blur, 0);
}

}  // namespace
}  // namespace tsy::scan
