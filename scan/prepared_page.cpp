#include "scan/prepared_page.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "scan/even_columns.h"
#include "scan/grid.h"
#include "scan/page_regions.h"
#include "scan/straighten.h"

namespace tsy::scan {
namespace {

// Background flattening in tiles of this many pixels across and down;
// pixels lighter than kBackground count as paper, and a tile needs
// kPaperCount of them to set its own level.
constexpr int kTileWidth = 10;
constexpr int kTileHeight = 15;
constexpr int kBackground = 100;
constexpr int kPaperCount = 50;
constexpr int kSmoothing = 2;
// Otsu's threshold, in tiles of the flattened page as large as it is, with
// this fraction of the score's range allowed around its best.
constexpr float kOtsuFraction = 0.1f;

// The page is turned straight where its skew is found with at least this
// confidence (Leptonica's measure) and is at least this many degrees.
constexpr float kLeastSkewConfidence = 3.0f;
constexpr float kLeastSkew = 0.1f;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
// Lines are made level where some glyph lies this share of a character's
// height off a level line.
constexpr double kLeastLevelling = 0.25;
// A glyph lower than this (in pixels) is enlarged until it is at least as
// high, by a whole factor of at most kMostEnlargement: the grid and the
// shapes need a few pixels a stroke, the engine likes a cap height of 30.
constexpr double kSmallGlyph = 22;
constexpr int kMostEnlargement = 3;
// Blurs tried against dots and broken strokes, in pixels each way before
// any enlargement; a blur is taken where the share of the ink in blobs of
// a whole glyph's height grows by kBlurGain at least. Dot print gains a
// third or more; solid print up to a fifth, where a blur runs the small
// letters of prose around a listing into words of a glyph's height, and a
// page of solid print blurred so has its look-alikes (0 with a dot, 8, B)
// filled in alike.
constexpr int kMostBlur = 4;
constexpr double kBlurGain = 0.25;
constexpr double kBlurTie = 0.015;
constexpr double kGlyphHeightSpread = 0.2;
// Blobs longer than this many glyph heights are rules, not glyphs run
// together.
constexpr double kLongestRun = 4;
// A speck: a blob smaller across and down than this share of a glyph's
// height, and at least kLeastSpeck pixels.
constexpr double kSpeckShare = 0.1;
constexpr int kLeastSpeck = 4;
// A blob higher than this share of the page is no character (a rule, a
// picture, the page's edge).
constexpr int kPageShare = 8;

// A photo shows the desk around the sheet: the sheet is the largest light
// region, holding at least kLeastPaper of the image, and the desk is
// painted white where it covers at least kLeastDesk, so that its dark
// does not set the threshold between ink and paper. That is tried where
// less than kWholeGlyphs of the ink stands in whole glyphs; a darker
// threshold does better on a page whose glyphs came out whole.
constexpr double kLeastPaper = 0.25;
constexpr double kLeastDesk = 0.02;
constexpr double kWholeGlyphs = 0.7;

// Continuous form paper has its tractor holes down both edges: dark round
// blobs (scanned against a dark lid) far darker than dot print, that would
// set the threshold between ink and paper alone. A hole is a blob at least
// kLeastHole pixels across, about as high as wide (within kHoleRoundness),
// filling at least kHoleFill of its box (a disc fills 0.79), its centre
// within kHoleMargin of the page's width from an edge; at least kLeastHoles
// of the usual size one under the other make a row of holes.
constexpr int kLeastHole = 8;
constexpr double kHoleRoundness = 0.25;
constexpr double kHoleFill = 0.65;
constexpr double kHoleMargin = 0.1;
constexpr int kLeastHoles = 3;

struct BoxaDeleter {
    void operator()(Boxa* boxa) const { boxaDestroy(&boxa); }
};

struct PixaDeleter {
    void operator()(Pixa* pixa) const { pixaDestroy(&pixa); }
};

// Paints white what lies around the sheet of a photo (in `grey`): all but
// the largest region lighter than the level that parts the dark from the
// light, with what that region encloses (the print on it) kept. False
// where no sheet or no desk was seen.
bool WhitenDesk(Pix* grey) {
    l_int32 threshold = 0;
    if (pixSplitDistributionFgBg(grey, 0.1f, 2, &threshold, nullptr, nullptr, nullptr) != 0) {
        return false;
    }
    PixPtr light(pixThresholdToBinary(grey, threshold));
    if (!light || !pixInvert(light.get(), light.get())) {
        return false;
    }
    Pixa* components = nullptr;
    std::unique_ptr<Boxa, BoxaDeleter> boxes(pixConnCompPixa(light.get(), &components, 4));
    std::unique_ptr<Pixa, PixaDeleter> held(components);
    if (!boxes || !components) {
        return false;
    }
    int largest = -1;
    l_int32 most = 0;
    for (int i = 0; i < pixaGetCount(components); ++i) {
        PixPtr component(pixaGetPix(components, i, L_CLONE));
        l_int32 count = 0;
        if (component && pixCountPixels(component.get(), &count, nullptr) == 0 && count > most) {
            most = count;
            largest = i;
        }
    }
    const double area = static_cast<double>(pixGetWidth(grey)) * pixGetHeight(grey);
    if (largest < 0 || most < kLeastPaper * area) {
        return false;
    }
    l_int32 x, y, w, h;
    PixPtr sheet(pixCreate(pixGetWidth(grey), pixGetHeight(grey), 1));
    PixPtr component(pixaGetPix(components, largest, L_CLONE));
    if (!sheet || !component || boxaGetBoxGeometry(boxes.get(), largest, &x, &y, &w, &h) != 0 ||
        pixRasterop(sheet.get(), x, y, w, h, PIX_SRC, component.get(), 0, 0) != 0) {
        return false;
    }
    PixPtr filled(pixFillClosedBorders(sheet.get(), 4));
    l_int32 kept = 0;
    if (!filled || pixCountPixels(filled.get(), &kept, nullptr) != 0 ||
        kept > (1 - kLeastDesk) * area || !pixInvert(filled.get(), filled.get())) {
        return false;
    }
    return pixSetMasked(grey, filled.get(), 255) == 0;
}

// Paints white the strips down the page's edges that hold a row of
// tractor holes (in `grey`), from the top of the page to its foot, so that
// the holes cut in half at the page's top and foot go too.
void WhitenTractorHoles(Pix* grey) {
    l_int32 threshold = 0;
    if (pixSplitDistributionFgBg(grey, 0.1f, 2, &threshold, nullptr, nullptr, nullptr) != 0) {
        return;
    }
    PixPtr dark(pixThresholdToBinary(grey, threshold));
    if (!dark) {
        return;
    }
    Pixa* components = nullptr;
    std::unique_ptr<Boxa, BoxaDeleter> boxes(pixConnCompPixa(dark.get(), &components, 8));
    std::unique_ptr<Pixa, PixaDeleter> held(components);
    if (!boxes || !components) {
        return;
    }
    const int width = pixGetWidth(grey);
    std::vector<Box> sides[2];  // the holes near the left edge, near the right
    for (int i = 0; i < pixaGetCount(components); ++i) {
        l_int32 x, y, w, h;
        if (boxaGetBoxGeometry(boxes.get(), i, &x, &y, &w, &h) != 0 || w < kLeastHole ||
            h < kLeastHole || std::abs(w - h) > kHoleRoundness * std::max(w, h)) {
            continue;
        }
        PixPtr component(pixaGetPix(components, i, L_CLONE));
        l_int32 count = 0;
        if (!component || pixCountPixels(component.get(), &count, nullptr) != 0 ||
            count < kHoleFill * w * h) {
            continue;
        }
        const double centre = x + w / 2.0;
        if (centre < kHoleMargin * width) {
            sides[0].push_back(Box{x, y, x + w, y + h});
        } else if (centre > (1 - kHoleMargin) * width) {
            sides[1].push_back(Box{x, y, x + w, y + h});
        }
    }
    for (std::vector<Box>& blobs : sides) {
        // The holes are those of the usual size (not a round speck).
        std::sort(blobs.begin(), blobs.end(),
                  [](const Box& a, const Box& b) { return a.Width() < b.Width(); });
        const int usual = blobs.empty() ? 0 : blobs[blobs.size() / 2].Width();
        std::vector<Box> holes;
        for (const Box& blob : blobs) {
            if (std::abs(blob.Width() - usual) <= kHoleRoundness * usual) {
                holes.push_back(blob);
            }
        }
        if (static_cast<int>(holes.size()) < kLeastHoles) {
            continue;
        }
        int left = holes[0].left;
        int right = holes[0].right;
        for (const Box& hole : holes) {
            left = std::min(left, hole.left);
            right = std::max(right, hole.right);
        }
        // One under the other: no wider together than two holes side by side.
        if (right - left > 2 * usual) {
            continue;
        }
        const int pad = usual / 4;
        left = std::max(0, left - pad);
        right = std::min(width, right + pad);
        BOX* strip = boxCreate(left, 0, right - left, pixGetHeight(grey));
        if (strip != nullptr) {
            pixSetInRectArbitrary(grey, strip, 255);
            boxDestroy(&strip);
        }
    }
}

PixPtr Grey(Pix* read) {
    return PixPtr(pixGetDepth(read) == 32 ? pixConvertRGBToLuminance(read)
                                          : pixConvertTo8(read, 0));
}

std::vector<Box> Blobs(Pix* binary) {
    std::vector<Box> blobs;
    std::unique_ptr<Boxa, BoxaDeleter> boxa(pixConnCompBB(binary, 8));
    if (!boxa) {
        return blobs;
    }
    const int width = static_cast<int>(pixGetWidth(binary));
    const int height = static_cast<int>(pixGetHeight(binary));
    const int count = boxaGetCount(boxa.get());
    for (int i = 0; i < count; ++i) {
        l_int32 x, y, w, h;
        // Ink that touches the edge is the page's edge or the scanner's.
        if (boxaGetBoxGeometry(boxa.get(), i, &x, &y, &w, &h) == 0 && h < height / kPageShare &&
            x > 0 && y > 0 && x + w < width && y + h < height) {
            blobs.push_back(Box{x, y, x + w, y + h});
        }
    }
    return blobs;
}

// The share of the row's length that blobs of a whole glyph's height
// (`height`) cover: a glyph in pieces lowers it, glyphs run together do
// not.
double Likeness(const std::vector<Box>& blobs, double height) {
    double all = 0;
    double whole = 0;
    for (const Box& blob : blobs) {
        if ((blob.Width() >= kLeastSpeck || blob.Height() >= kLeastSpeck) &&
            blob.Width() <= kLongestRun * height) {
            all += blob.Width();
            whole += blob.Height() >= (1 - kGlyphHeightSpread) * height &&
                             blob.Height() <= (1 + kGlyphHeightSpread) * height
                         ? blob.Width()
                         : 0;
        }
    }
    return all > 0 ? whole / all : 0;
}

// The page binarised after a box blur of `blur` pixels each way: the dots
// of a glyph printed in dots (and the breaks of a broken stroke) run
// together, while the wider gap between two glyphs stays lighter.
struct Binarised {
    PixPtr blurred;  // the grey page as binarised
    PixPtr binary;
    std::vector<Box> blobs;
    double height = 0;
    double likeness = 0;  // how much of the ink stands in whole glyphs
    int threshold = 0;    // the grey level that parted ink from paper
};

// With `threshold` 0, Otsu's threshold is found for the page; otherwise
// that one is used.
Binarised Binarise(Pix* grey, int blur, int threshold = 0) {
    Binarised out;
    out.blurred.reset(blur == 0 ? pixClone(grey) : pixBlockconv(grey, blur, blur));
    if (!out.blurred) {
        return out;
    }
    if (threshold == 0) {
        out.binary.reset(pixOtsuThreshOnBackgroundNorm(
            out.blurred.get(), nullptr, kTileWidth, kTileHeight, kBackground, kPaperCount, 255,
            kSmoothing, kSmoothing, kOtsuFraction, &out.threshold));
    } else {
        PixPtr flat(pixBackgroundNorm(out.blurred.get(), nullptr, nullptr, kTileWidth, kTileHeight,
                                      kBackground, kPaperCount, 255, kSmoothing, kSmoothing));
        if (flat) {
            out.binary.reset(pixThresholdToBinary(flat.get(), threshold));
        }
        out.threshold = threshold;
    }
    if (!out.binary) {
        return out;
    }
    out.blobs = Blobs(out.binary.get());
    out.height = CharacterHeight(out.blobs);
    out.likeness = Likeness(out.blobs, out.height);
    return out;
}

// The likeness of the blobs that stand within `regions` alone, at their
// own glyphs' height.
double LikenessWithin(const std::vector<Box>& blobs, const std::vector<Box>& regions) {
    std::vector<Box> within;
    for (const Box& blob : blobs) {
        for (const Box& region : regions) {
            if (blob.CenterX() >= region.left && blob.CenterX() < region.right &&
                blob.CenterY() >= region.top && blob.CenterY() < region.bottom) {
                within.push_back(blob);
                break;
            }
        }
    }
    return Likeness(within, CharacterHeight(within));
}

// Of the blurs `from` to `to` (and none), the least one whose blobs look
// about as much like whole glyphs as the best; a blur must do clearly
// better than none to be taken. Where the unblurred page shows listing
// regions among other text (a magazine page), only the ink within them is
// measured: a blur runs the letters of the prose around them into words
// of a glyph's height, which would look like whole glyphs.
Binarised BestBlur(Pix* grey, int from, int to, int* chosen) {
    std::vector<Binarised> tried;
    tried.push_back(Binarise(grey, 0));
    std::vector<int> blurs = {0};
    const PageRegions found = FindListingRegions(tried[0].blobs);
    const std::vector<Box> regions = found.sheet ? std::vector<Box>() : found.regions;
    if (!regions.empty()) {
        tried[0].likeness = LikenessWithin(tried[0].blobs, regions);
    }
    double best = 0;
    for (int blur = std::max(from, 1); blur <= to; ++blur) {
        tried.push_back(Binarise(grey, blur));
        blurs.push_back(blur);
        if (!regions.empty()) {
            tried.back().likeness = LikenessWithin(tried.back().blobs, regions);
        }
        if (tried.back().binary) {
            best = std::max(best, tried.back().likeness);
        }
    }
    std::size_t pick = 0;
    if (best > tried[0].likeness + kBlurGain) {
        for (pick = 1; !tried[pick].binary || tried[pick].likeness < best - kBlurTie; ++pick) {
        }
    }
    *chosen = blurs[pick];
    return std::move(tried[pick]);
}

// Takes the grey page `resampled` (turned, its lines levelled or its
// columns evened, owned from here on) with its binarisation at `blur` in
// place of `grey` and `best`, where both were made (and says so);
// otherwise they stay.
bool TakeResampled(Pix* resampled, int blur, PixPtr* grey, Binarised* best) {
    PixPtr page(resampled);
    if (!page) {
        return false;
    }
    Binarised again = Binarise(page.get(), blur);
    if (!again.binary) {
        return false;
    }
    *grey = std::move(page);
    *best = std::move(again);
    return true;
}

}  // namespace

bool PreparePage(Pix* read, PreparedPage* page, bool keep_straight) {
    PixPtr grey = Grey(read);
    if (!grey) {
        return false;
    }
    WhitenTractorHoles(grey.get());
    int blur = 0;
    Binarised best = BestBlur(grey.get(), 1, kMostBlur, &blur);
    if (best.likeness < kWholeGlyphs) {
        PixPtr sheet(pixCopy(nullptr, grey.get()));
        if (sheet && WhitenDesk(sheet.get())) {
            int sheet_blur = 0;
            Binarised on_sheet = BestBlur(sheet.get(), 1, kMostBlur, &sheet_blur);
            if (on_sheet.binary && on_sheet.likeness > best.likeness) {
                grey = std::move(sheet);
                best = std::move(on_sheet);
                blur = sheet_blur;
            }
        }
    }
    // The skew is measured on the binarised glyphs, once the dots of dot
    // print have run together into strokes, and the grey page turned.
    bool resampled = false;
    float angle = 0;
    float confidence = 0;
    if (best.binary && pixFindSkew(best.binary.get(), &angle, &confidence) == 0 &&
        confidence >= kLeastSkewConfidence && std::fabs(angle) >= kLeastSkew) {
        resampled |=
            TakeResampled(pixRotate(grey.get(), static_cast<float>(kRadiansPerDegree * angle),
                                    L_ROTATE_AREA_MAP, L_BRING_IN_WHITE, 0, 0),
                          blur, &grey, &best);
    }
    // Lines still turned or bent after that (a photo taken at a slant, a
    // page curving into the gutter) are made level column by column.
    LineShape shape;
    if (best.binary && best.height > 0 && FindLineShape(best.blobs, best.height, &shape) &&
        LargestOffset(shape, best.blobs) >= kLeastLevelling * best.height) {
        resampled |= TakeResampled(LevelLines(grey.get(), shape), blur, &grey, &best);
    }
    // Glyphs closer together towards one edge (the gutter, the far side
    // of a slanted photo) are set apart evenly.
    ColumnSources sources;
    if (best.binary && FindColumnSources(best.blobs, best.height,
                                         static_cast<int>(pixGetWidth(grey.get())), &sources)) {
        resampled |= TakeResampled(EvenColumns(grey.get(), sources), blur, &grey, &best);
    }
    // A blur chosen on the page as photographed may no longer join the
    // dots once the page is turned and levelled (the glyphs fall apart
    // into their dots and the grid measures the pitch of the dots): the
    // blur is chosen again on the straightened page, by the same measure.
    // A page read unblurred keeps that: a blur would run prose into words.
    if (resampled && blur > 0 && best.binary && best.likeness < kWholeGlyphs) {
        int again_blur = 0;
        Binarised again = BestBlur(grey.get(), 1, kMostBlur, &again_blur);
        if (again.binary && again_blur != blur) {
            best = std::move(again);
            blur = again_blur;
        }
    }
    page->scale = 1;
    if (best.height > 0 && best.height < kSmallGlyph) {
        const int scale =
            std::min(kMostEnlargement, static_cast<int>(std::ceil(kSmallGlyph / best.height)));
        // The blurred page enlarged and cut at the same grey level: its
        // glyphs keep the shape they had.
        PixPtr large(pixScaleGrayLI(best.blurred.get(), static_cast<float>(scale),
                                    static_cast<float>(scale)));
        if (large) {
            Binarised enlarged = Binarise(large.get(), 0, best.threshold);
            if (enlarged.binary) {
                best = std::move(enlarged);
                page->scale = scale;
            }
        }
    }
    if (!best.binary) {
        return false;
    }
    page->blur = blur;
    page->char_height = best.height;
    const int speck =
        std::max(kLeastSpeck, static_cast<int>(std::lround(kSpeckShare * best.height)));
    PixPtr clean(pixSelectBySize(best.binary.get(), speck, speck, 8, L_SELECT_IF_EITHER,
                                 L_SELECT_IF_GTE, nullptr));
    page->binary = clean ? std::move(clean) : std::move(best.binary);
    page->blobs = Blobs(page->binary.get());
    if (keep_straight) {
        page->straight = std::move(grey);
    }
    page->grey.reset(pixBackgroundNorm(best.blurred.get(), nullptr, nullptr, kTileWidth,
                                       kTileHeight, kBackground, kPaperCount, 255, kSmoothing,
                                       kSmoothing));
    return page->grey != nullptr;
}

}  // namespace tsy::scan
