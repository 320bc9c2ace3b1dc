#include "scan/page_regions.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <map>

#include "scan/grid.h"

namespace tsy::scan {
namespace {

// A glyph is neither a speck nor a rule (NeitherSpeckNorRule), nor higher
// than this many times its width (a column's rule), nor this many times the
// page's usual character.
constexpr double kMostThinness = 8;
constexpr double kMostUsualHeights = 4;
// Blobs whose middles lie within this share of a line's height of its
// middle belong to it.
constexpr double kLineReach = 0.3;
// A gap wider than this many heights parts a line into segments: the
// gutter between columns, or a listing beside a picture.
constexpr double kGutter = 2.5;
// A listing line (or the piece of one beside a wide gap, such as its
// address): at least this many glyphs; of its glyphs at least this
// share as high as their median (within the spread), their tops in line
// within the spread, and no wider than this share of their height (a
// digit is narrow, a kanji square).
constexpr int kLeastGlyphs = 4;
constexpr double kHeightSpread = 0.12;
constexpr double kUniformShare = 0.85;
// Within a listing line, glyphs differ this much in height (round letters
// stand a little lower than square ones in proportional type).
constexpr double kLineSpread = 0.2;
constexpr double kNarrowest = 0.15;
constexpr double kWidest = 0.85;
// Inside a run of listing lines, a line may hold wider letters (the round
// capitals of a serif face, a SUM line's M) and still be one of its rows,
// where it stands one pitch below the run's last line and listing lines
// follow it; prose lines do not pass even so (their heights and tops vary,
// their words run long) and end the run.
constexpr double kWidestInRun = 1.05;
constexpr double kPitchSpread = 0.25;
// A line this many heights below a run's last one is a row of its own.
constexpr double kNewRow = 0.5;
// Ink this many heights wide or more is glyphs run together, not a kanji.
constexpr double kRunTogether = 1.3;
// Its tokens (glyphs closer than this share of a height) are mostly short:
// a listing prints bytes of two digits and an address of four or five.
constexpr double kTokenGap = 0.45;
constexpr int kLongestToken = 5;
constexpr double kShortShare = 0.8;
// Listing lines one under the other, at most this many heights apart (a
// dashed line or a rule between them) and sharing this share of the
// narrower's width, make one run; runs side by side, sharing this share of
// the higher's height or that one of the lower's (addresses beside the
// bytes, parted where a SUM line stands among them) and at most this many
// heights apart (the address column beside the bytes), make one region; a
// region holds at least this many lines.
constexpr double kLineGap = 3.2;
constexpr double kRunGap = 5;
constexpr double kSameRows = 0.5;
constexpr double kAlongside = 0.9;
// Fields of a few glyphs beside a region's right edge that join it.
constexpr int kLeastOutsideFields = 2;
constexpr double kLeastOverlap = 0.5;
constexpr std::size_t kLeastLines = 3;
// A region reaches this many heights beyond its lines to the sides and
// this many above and below (a heading row, the rules of a box).
constexpr double kSideMargin = 1.0;
constexpr double kEndMargin = 0.4;
// Ink in a region higher than this many heights is a rule of its box or a
// picture, not a glyph.
constexpr double kTallest = 2.0;
// Where fewer glyphs than this stand beside the regions (level with one,
// outside it) in lines of prose (this many glyphs or more), the page is a
// listing sheet, whatever it holds above and below.
constexpr int kLeastBeside = 80;
constexpr int kLeastProse = 8;

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Ink of a glyph's size: neither a speck nor a rule, nor a picture or a
// box (more than a few times the page's usual character high).
bool IsGlyph(const Box& blob, double usual_height) {
    return NeitherSpeckNorRule(blob) && blob.Height() <= kMostThinness * blob.Width() &&
           blob.Height() <= kMostUsualHeights * usual_height;
}

// A run of glyphs on one text line, left to right.
struct Segment {
    std::vector<Box> glyphs;
    Box box;
    double height = 0;     // the median height of its glyphs
    std::size_t line = 0;  // the text line it is part of
};

// The text lines of the page: glyphs grouped by their middles, the
// tallest first so that a line's height is set by its letters, not by the
// pieces of one; each line then cut at its wide gaps.
std::vector<Segment> Segments(const std::vector<Box>& blobs, double usual_height) {
    std::vector<Box> glyphs;
    for (const Box& blob : blobs) {
        if (IsGlyph(blob, usual_height)) {
            glyphs.push_back(blob);
        }
    }
    // Ink higher than kTallest characters (a piece of a box's rule, a
    // heading's capital) comes last: set first, its height would take the
    // two text lines it stands over into one.
    const auto tall = [usual_height](const Box& glyph) {
        return glyph.Height() > kTallest * usual_height;
    };
    std::sort(glyphs.begin(), glyphs.end(), [&tall](const Box& a, const Box& b) {
        return tall(a) != tall(b) ? tall(b) : a.Height() > b.Height();
    });
    struct Line {
        double middle = 0;
        double height = 0;
        std::vector<Box> glyphs;

        // A glyph of the line's height about its middle, or a piece of a
        // broken glyph within its height.
        bool Holds(const Box& glyph) const {
            const double reach = (0.5 + kHeightSpread) * height;
            return glyph.Height() <= (1 + kHeightSpread) * height &&
                   (std::fabs(glyph.CenterY() - middle) <= kLineReach * height ||
                    (glyph.top >= middle - reach && glyph.bottom <= middle + reach));
        }
    };
    std::vector<Line> lines;
    for (const Box& glyph : glyphs) {
        auto home = std::find_if(lines.begin(), lines.end(),
                                 [&glyph](const Line& line) { return line.Holds(glyph); });
        if (home == lines.end()) {
            lines.push_back(Line{glyph.CenterY(), static_cast<double>(glyph.Height()), {}});
            home = lines.end() - 1;
        }
        home->glyphs.push_back(glyph);
    }
    // The pieces of a broken glyph, one over the other, make one glyph.
    for (Line& line : lines) {
        std::sort(line.glyphs.begin(), line.glyphs.end(),
                  [](const Box& a, const Box& b) { return a.left < b.left; });
        std::vector<Box> merged;
        for (const Box& glyph : line.glyphs) {
            if (!merged.empty()) {
                Box& last = merged.back();
                const int overlap =
                    std::min(last.right, glyph.right) - std::max(last.left, glyph.left);
                if (2 * overlap >= std::min(last.Width(), glyph.Width())) {
                    last = Union(last, glyph);
                    continue;
                }
            }
            merged.push_back(glyph);
        }
        line.glyphs = merged;
    }
    std::vector<Segment> segments;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const Line& line = lines[l];
        std::vector<double> heights;
        for (const Box& glyph : line.glyphs) {
            heights.push_back(glyph.Height());
        }
        const double height = Median(heights);
        Segment segment;
        segment.line = l;
        for (const Box& glyph : line.glyphs) {
            if (!segment.glyphs.empty() && glyph.left - segment.box.right > kGutter * height) {
                segments.push_back(segment);
                segment = Segment();
                segment.line = l;
            }
            segment.box = segment.glyphs.empty() ? glyph : Union(segment.box, glyph);
            segment.glyphs.push_back(glyph);
        }
        if (!segment.glyphs.empty()) {
            segments.push_back(segment);
        }
    }
    for (Segment& segment : segments) {
        std::vector<double> heights;
        for (const Box& glyph : segment.glyphs) {
            heights.push_back(glyph.Height());
        }
        segment.height = Median(heights);
    }
    return segments;
}

// Whether the segment's glyphs stand as a listing line's do, and it holds
// at least `least` of them, none wider than `widest` of its height but
// those run together.
bool IsListingLine(const Segment& segment, double widest = kWidest, int least = kLeastGlyphs) {
    const std::vector<Box>& glyphs = segment.glyphs;
    if (glyphs.size() < static_cast<std::size_t>(least)) {
        return false;
    }
    const double height = segment.height;
    std::vector<double> tops;
    for (const Box& glyph : glyphs) {
        if (std::fabs(glyph.Height() - height) <= kHeightSpread * height) {
            tops.push_back(glyph.top);
        }
    }
    const double top = Median(tops);
    int uniform = 0;
    for (const Box& glyph : glyphs) {
        const double shape = glyph.Width() / height;
        if (std::fabs(glyph.Height() - height) <= kLineSpread * height &&
            std::fabs(glyph.top - top) <= kLineSpread * height && shape >= kNarrowest &&
            (shape <= widest || shape >= kRunTogether)) {
            ++uniform;
        }
    }
    if (uniform < kUniformShare * static_cast<double>(glyphs.size())) {
        return false;
    }
    int tokens = 0;
    int short_tokens = 0;
    int length = 0;
    for (std::size_t i = 0; i <= glyphs.size(); ++i) {
        if (i == glyphs.size() ||
            (i > 0 && glyphs[i].left - glyphs[i - 1].right > kTokenGap * height)) {
            ++tokens;
            short_tokens += length <= kLongestToken ? 1 : 0;
            length = 0;
        }
        ++length;
    }
    return short_tokens >= kShortShare * tokens;
}

// Whether two boxes share at least the given share of the narrower's width.
bool SideBySide(const Box& a, const Box& b) {
    const int overlap = std::min(a.right, b.right) - std::max(a.left, b.left);
    return overlap >= kLeastOverlap * std::min(a.Width(), b.Width());
}

// The listing regions among `blobs`, a listing line's glyphs no wider
// than `widest` of their height.
PageRegions FindRegions(const std::vector<Box>& blobs, double widest) {
    PageRegions found;
    found.blobs = blobs;
    const double usual_height = CharacterHeight(blobs);
    std::vector<Segment> segments = Segments(blobs, usual_height);
    std::sort(segments.begin(), segments.end(),
              [](const Segment& a, const Segment& b) { return a.box.top < b.box.top; });
    struct Run {
        Box box;
        double height = 0;
        std::size_t lines = 0;
        int last_top = 0;  // the top of its last line, held or not
        int pitch = 0;     // from one of its lines to the next; 0 while unknown
        // The lines of wider letters below it (`held` of them), joined once
        // a listing line follows.
        Box held;
        std::size_t held_lines = 0;

        int Bottom() const { return held_lines > 0 ? held.bottom : box.bottom; }
        // Whether `segment` stands in the run's column, below it and near.
        bool Continues(const Segment& segment) const {
            return SideBySide(box, segment.box) && segment.box.top >= box.top &&
                   segment.box.top - Bottom() <= kLineGap * height;
        }
        // Whether `segment` stands one pitch below the run's last line.
        bool NextRow(const Segment& segment) const {
            return pitch > 0 &&
                   std::abs(segment.box.top - last_top - pitch) <= kPitchSpread * height;
        }
    };
    std::vector<Run> runs;
    for (const Segment& segment : segments) {
        const bool listing = IsListingLine(segment, widest);
        if (!listing && !IsListingLine(segment, std::max(widest, kWidestInRun))) {
            continue;
        }
        Run* home = nullptr;
        for (Run& run : runs) {
            if (run.Continues(segment) && (listing || run.NextRow(segment))) {
                home = &run;
            }
        }
        if (home == nullptr) {
            if (!listing) {
                continue;
            }
            runs.push_back(Run{segment.box, segment.height, 0, segment.box.top, 0, {}, 0});
            home = &runs.back();
        } else if (segment.box.top - home->last_top >= kNewRow * home->height) {
            // The run's pitch is its closest step, not one over a blank line.
            const int step = segment.box.top - home->last_top;
            home->pitch = home->pitch > 0 ? std::min(home->pitch, step) : step;
            home->last_top = segment.box.top;
        }
        if (!listing) {
            home->held = home->held_lines > 0 ? Union(home->held, segment.box) : segment.box;
            ++home->held_lines;
            continue;
        }
        if (home->held_lines > 0) {
            home->box = Union(home->box, home->held);
            home->lines += home->held_lines;
            home->held_lines = 0;
        }
        home->box = Union(home->box, segment.box);
        ++home->lines;
    }
    // Runs side by side over the same rows are the fields of one listing.
    for (std::size_t i = 0; i < runs.size(); ++i) {
        for (std::size_t j = i + 1; j < runs.size(); ++j) {
            Run& a = runs[i];
            const Run& b = runs[j];
            const int shared =
                std::min(a.box.bottom, b.box.bottom) - std::max(a.box.top, b.box.top);
            const int gap = std::max(a.box.left, b.box.left) - std::min(a.box.right, b.box.right);
            if (a.lines >= kLeastLines && b.lines >= kLeastLines &&
                (shared >= kSameRows * std::max(a.box.Height(), b.box.Height()) ||
                 shared >= kAlongside * std::min(a.box.Height(), b.box.Height())) &&
                gap <= kRunGap * std::max(a.height, b.height)) {
                a.box = Union(a.box, b.box);
                a.lines = std::max(a.lines, b.lines);
                runs.erase(runs.begin() + static_cast<long>(j));
                j = i;
            }
        }
    }
    // The short fields at a row's end (a checksum behind a colon, in
    // brackets) join the region they stand beside, as a column of them on
    // most of its lines,
    // in as many steps as there are such columns.
    for (int step = 0; step < kLeastOutsideFields; ++step) {
        for (Run& run : runs) {
            std::vector<const Segment*> fields;
            for (const Segment& segment : segments) {
                const double middle = segment.box.CenterY();
                const int gap = segment.box.left - run.box.right;
                if (middle > run.box.top && middle < run.box.bottom && gap > 0 &&
                    gap <= kRunGap * run.height &&
                    segment.glyphs.size() < static_cast<std::size_t>(kLeastProse)) {
                    fields.push_back(&segment);
                }
            }
            for (const Segment* field : fields) {
                const auto column = std::count_if(
                    fields.begin(), fields.end(),
                    [field](const Segment* other) { return SideBySide(field->box, other->box); });
                if (static_cast<double>(column) >= std::max<double>(kLeastLines, run.lines / 2.0)) {
                    run.box = Union(run.box, field->box);
                }
            }
        }
    }
    std::vector<Run> kept;
    for (const Run& run : runs) {
        if (run.lines >= kLeastLines) {
            kept.push_back(run);
        }
    }
    if (kept.empty()) {
        return found;
    }
    std::vector<Box> regions;
    std::vector<Box> inside;
    int glyphs_beside = 0;
    for (const Run& run : kept) {
        const int side = static_cast<int>(std::lround(kSideMargin * run.height));
        const int end = static_cast<int>(std::lround(kEndMargin * run.height));
        regions.push_back(Box{run.box.left - side, run.box.top - end, run.box.right + side,
                              run.box.bottom + end});
    }
    for (const Box& blob : blobs) {
        std::size_t at = 0;
        while (at < regions.size() &&
               !(blob.CenterX() >= regions[at].left && blob.CenterX() < regions[at].right &&
                 blob.CenterY() >= regions[at].top && blob.CenterY() < regions[at].bottom)) {
            ++at;
        }
        if (at < regions.size()) {
            if (blob.Height() <= kTallest * kept[at].height) {
                inside.push_back(blob);
            }
        }
    }
    for (const Segment& segment : segments) {
        const Box& box = segment.box;
        const auto within = [&box](const Box& region) {
            return box.CenterX() >= region.left && box.CenterX() < region.right &&
                   box.CenterY() >= region.top && box.CenterY() < region.bottom;
        };
        const auto level = [&box](const Box& region) {
            return box.CenterY() >= region.top && box.CenterY() < region.bottom;
        };
        if (segment.glyphs.size() >= static_cast<std::size_t>(kLeastProse) &&
            std::none_of(regions.begin(), regions.end(), within) &&
            std::any_of(regions.begin(), regions.end(), level)) {
            glyphs_beside += static_cast<int>(segment.glyphs.size());
        }
    }
    found.regions = regions;
    found.sheet = glyphs_beside < kLeastBeside;
    if (!found.sheet) {
        found.blobs = inside;
    }
    // Each region's text lines, from the segments that lie within it.
    for (const Box& region : regions) {
        std::map<std::size_t, std::vector<Box>> by_line;
        for (const Segment& segment : segments) {
            if (segment.box.CenterX() >= region.left && segment.box.CenterX() < region.right &&
                segment.box.CenterY() >= region.top && segment.box.CenterY() < region.bottom) {
                std::vector<Box>& line = by_line[segment.line];
                line.insert(line.end(), segment.glyphs.begin(), segment.glyphs.end());
            }
        }
        std::vector<std::vector<Box>> lines;
        for (auto& [index, glyphs] : by_line) {
            std::sort(glyphs.begin(), glyphs.end(),
                      [](const Box& a, const Box& b) { return a.left < b.left; });
            lines.push_back(glyphs);
        }
        std::sort(lines.begin(), lines.end(),
                  [](const std::vector<Box>& a, const std::vector<Box>& b) {
                      return a.front().top < b.front().top;
                  });
        found.lines.push_back(lines);
    }
    return found;
}

}  // namespace

PageRegions FindListingRegions(const std::vector<Box>& blobs) {
    const PageRegions found = FindRegions(blobs, kWidest);
    if (!found.regions.empty() && !found.sheet) {
        return found;
    }
    // A listing set wholly in a serif face's digits, nearly as wide as
    // high, has few lines that pass as listing lines alone, and its region
    // misses rows or is not found. Where no prose stands beside the
    // listing, to be taken for rows, its lines may be as wide as a run's.
    PageRegions wide = FindRegions(blobs, kWidestInRun);
    return wide.sheet ? wide : found;
}

}  // namespace tsy::scan
