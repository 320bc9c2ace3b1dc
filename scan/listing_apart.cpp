#include "scan/listing_apart.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <vector>

namespace tsy::scan {
namespace {

// Glyphs closer than this share of their height are of one token in
// type of one pitch; a region whose tokens are at least this share single
// glyphs has its digits apart.
constexpr double kTogether = 0.45;
constexpr double kApartShare = 0.5;
// The gaps told apart, within a byte and between bytes, are from this to
// that many heights wide (closer glyphs are an address's digits).
constexpr double kLeastGap = 0.25;
constexpr double kMostGap = 2;
// Type on one pitch steps from byte to byte at least this many times its
// step within a byte, and no further than this share of a step from a
// whole number of them; that is judged over this many pairs of bytes.
constexpr double kLeastSteps = 1.5;
constexpr double kOffPitch = 0.1;
constexpr std::size_t kLeastPairs = 8;
// The pitch the glyphs are set on leaves this many pixels beside the
// widest of them, and glyphs wider than this many heights are not counted.
constexpr int kPitchRoom = 4;
constexpr double kWidestPitch = 1.1;
constexpr double kWidestGlyph = 1.2;
// Ink this many times the usual glyph's width is glyphs run together, one
// for each of this many usual widths (a glyph and its room). A serif face's
// M, as in SUM, stands up to 1.75 usual widths wide and stays one glyph.
constexpr double kRunTogether = 1.8;
constexpr double kAdvance = 1.0;
// A sliver: lower than this share of the line's height and narrower than
// this share of it.
constexpr double kSliverHeight = 0.5;
constexpr double kSliverWidth = 0.15;

// The pieces of a broken glyph: lower than this share of the line's height
// (a line of nothing else is no line), or side by side no further apart
// than this share of it and together no wider than this many usual glyphs.
constexpr double kPieceHeight = 0.5;
constexpr double kTouching = 0.15;
constexpr double kWholeGlyph = 1.8;
// Two pieces each narrower than a usual glyph that all but touch are the
// halves of a wide letter (an M) up to this many usual glyphs wide.
constexpr double kJoined = 0.05;
constexpr double kWidestWhole = 2.2;

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

using Lines = std::vector<std::vector<Box>>;

double LineHeight(const Lines& lines) {
    std::vector<double> heights;
    for (const std::vector<Box>& line : lines) {
        for (const Box& glyph : line) {
            heights.push_back(glyph.Height());
        }
    }
    return Median(heights);
}

double UsualWidth(const Lines& lines) {
    std::vector<double> widths;
    for (const std::vector<Box>& line : lines) {
        for (const Box& glyph : line) {
            widths.push_back(glyph.Width());
        }
    }
    return Median(widths);
}

// The lines without slivers: ink much lower than a glyph and thin as a
// stroke is a piece of a ruled box's rule, not a glyph, and would stand as
// a token of its own in its column. Lines left empty are dropped.
Lines WithoutSlivers(const Lines& lines) {
    const double height = LineHeight(lines);
    Lines kept;
    for (const std::vector<Box>& line : lines) {
        std::vector<Box> glyphs;
        for (const Box& glyph : line) {
            if (glyph.Height() >= kSliverHeight * height ||
                glyph.Width() >= kSliverWidth * height) {
                glyphs.push_back(glyph);
            }
        }
        if (!glyphs.empty()) {
            kept.push_back(std::move(glyphs));
        }
    }
    return kept;
}

// The lines with the pieces of broken glyphs put together: a serif face's
// hairlines vanish on a page printed light, and a C or a 2 falls apart
// into its stem, its bowl and the ends of its strokes. A line of pieces
// alone (the tops of such glyphs, too low for a glyph) goes into the line
// it stands within; then pieces one over the other, and pieces that touch
// side by side and together are no wider than a glyph, are one glyph.
Lines JoinBroken(const Lines& lines) {
    const double height = LineHeight(lines);
    const double usual = UsualWidth(lines);
    const auto span = [](const std::vector<Box>& line) {
        Box box = line.front();
        for (const Box& glyph : line) {
            box.top = std::min(box.top, glyph.top);
            box.bottom = std::max(box.bottom, glyph.bottom);
        }
        return box;
    };
    const auto pieces_only = [height](const std::vector<Box>& line) {
        return std::all_of(line.begin(), line.end(), [height](const Box& glyph) {
            return glyph.Height() < kPieceHeight * height;
        });
    };
    Lines joined = lines;
    for (std::size_t l = 0; l < joined.size(); ++l) {
        if (joined[l].empty() || !pieces_only(joined[l])) {
            continue;
        }
        const Box pieces = span(joined[l]);
        for (std::size_t home = 0; home < joined.size(); ++home) {
            if (home == l || joined[home].empty() || pieces_only(joined[home])) {
                continue;
            }
            const Box line = span(joined[home]);
            if (pieces.top >= line.top && pieces.bottom <= line.bottom) {
                joined[home].insert(joined[home].end(), joined[l].begin(), joined[l].end());
                joined[l].clear();
                break;
            }
        }
    }
    Lines out;
    for (std::vector<Box>& line : joined) {
        if (line.empty()) {
            continue;
        }
        std::sort(line.begin(), line.end(),
                  [](const Box& a, const Box& b) { return a.left < b.left; });
        std::vector<Box> glyphs;
        for (const Box& glyph : line) {
            if (!glyphs.empty()) {
                Box& last = glyphs.back();
                const int overlap =
                    std::min(last.right, glyph.right) - std::max(last.left, glyph.left);
                const Box both = Union(last, glyph);
                const bool halves = std::max(last.Width(), glyph.Width()) < usual &&
                                    -overlap <= kJoined * height &&
                                    both.Width() <= kWidestWhole * usual;
                if (2 * overlap >= std::min(last.Width(), glyph.Width()) || halves ||
                    (-overlap <= kTouching * height && both.Width() <= kWholeGlyph * usual)) {
                    last = both;
                    continue;
                }
            }
            glyphs.push_back(glyph);
        }
        out.push_back(std::move(glyphs));
    }
    return out;
}

// The lines with ink of several glyphs run together cut into as many
// glyphs of about the usual width (an address set tight).
Lines CutRunTogether(const Lines& lines) {
    const double usual = UsualWidth(lines);
    Lines cut;
    for (const std::vector<Box>& line : lines) {
        cut.emplace_back();
        for (const Box& glyph : line) {
            const int parts =
                glyph.Width() > kRunTogether * usual
                    ? static_cast<int>(std::lround(glyph.Width() / (usual * kAdvance)))
                    : 1;
            for (int part = 0; part < std::max(parts, 1); ++part) {
                Box piece = glyph;
                piece.left = glyph.left + glyph.Width() * part / std::max(parts, 1);
                piece.right = glyph.left + glyph.Width() * (part + 1) / std::max(parts, 1);
                cut.back().push_back(piece);
            }
        }
    }
    return cut;
}

// The gap between two glyphs of a line, each taken at least as wide as
// `usual`: a narrow glyph (a 1) stands in the middle of its place.
double Gap(const Box& a, const Box& b, double usual) {
    return (b.CenterX() - std::max<double>(b.Width(), usual) / 2) -
           (a.CenterX() + std::max<double>(a.Width(), usual) / 2);
}

// Whether most tokens of the region, as type of one pitch forms them,
// are single glyphs.
bool DigitsApart(const Lines& lines, double height) {
    int tokens = 0;
    int singles = 0;
    for (const std::vector<Box>& line : lines) {
        int length = 0;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            if (i == line.size() ||
                (i > 0 && line[i].left - line[i - 1].right > kTogether * height)) {
                ++tokens;
                singles += length == 1 ? 1 : 0;
                length = 0;
            }
            ++length;
        }
    }
    return tokens > 0 && singles >= kApartShare * tokens;
}

// The gap that parts the gaps within a byte from those between bytes.
double SplitGap(const Lines& lines, double height) {
    const double usual = UsualWidth(lines);
    std::vector<double> gaps;
    for (const std::vector<Box>& line : lines) {
        for (std::size_t i = 1; i < line.size(); ++i) {
            const double gap = Gap(line[i - 1], line[i], usual);
            if (gap >= kLeastGap * height && gap <= kMostGap * height) {
                gaps.push_back(gap);
            }
        }
    }
    if (gaps.empty()) {
        return kTogether * height;
    }
    // Two means, begun at the quarter and three quarters of the gaps: the
    // few wider gaps (before a sum, after an address) move them little.
    std::sort(gaps.begin(), gaps.end());
    double low = gaps[gaps.size() / 4];
    double high = gaps[gaps.size() * 3 / 4];
    for (int round = 0; round < 10; ++round) {
        const double split = (low + high) / 2;
        double sums[2] = {0, 0};
        int counts[2] = {0, 0};
        for (double gap : gaps) {
            sums[gap > split ? 1 : 0] += gap;
            ++counts[gap > split ? 1 : 0];
        }
        if (counts[0] == 0 || counts[1] == 0) {
            break;
        }
        low = sums[0] / counts[0];
        high = sums[1] / counts[1];
    }
    return (low + high) / 2;
}

struct Token {
    std::size_t line = 0;
    std::size_t first = 0;  // its first glyph in the line
    std::size_t count = 0;
    double middle = 0;
    std::size_t column = 0;  // of the table
};

// The tokens of every line, with glyphs closer than `split` joined.
std::vector<Token> Tokens(const Lines& lines, double split) {
    const double usual = UsualWidth(lines);
    std::vector<Token> tokens;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::vector<Box>& line = lines[l];
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (i == 0 || Gap(line[i - 1], line[i], usual) > split) {
                tokens.push_back(Token{l, i, 0, 0, 0});
            }
            ++tokens.back().count;
        }
    }
    for (Token& token : tokens) {
        const std::vector<Box>& line = lines[token.line];
        token.middle = (line[token.first].left + line[token.first + token.count - 1].right) / 2.0;
    }
    return tokens;
}

// Whether the region's bytes are seen to stand off the pitch of their
// digits: from one byte to the next is not a whole number of the steps
// within a byte, over at least kLeastPairs pairs of bytes. Type set on a
// grid of a wide advance has its digits look apart but stands on one
// pitch.
bool OffPitch(const Lines& lines, double height) {
    const std::vector<Token> tokens = Tokens(lines, SplitGap(lines, height));
    std::vector<double> within;
    std::vector<double> between;
    for (std::size_t t = 0; t < tokens.size(); ++t) {
        const Token& token = tokens[t];
        if (token.count != 2) {
            continue;
        }
        const std::vector<Box>& line = lines[token.line];
        within.push_back(line[token.first + 1].CenterX() - line[token.first].CenterX());
        if (t + 1 < tokens.size() && tokens[t + 1].line == token.line && tokens[t + 1].count == 2) {
            between.push_back(line[tokens[t + 1].first].CenterX() -
                              line[token.first + 1].CenterX());
        }
    }
    const double step = Median(within);
    if (between.size() < kLeastPairs || step <= 0) {
        return false;
    }
    const double steps = Median(between) / step;
    return steps < kLeastSteps || std::fabs(steps - std::round(steps)) > kOffPitch;
}

// Sets each token's column of the table, counted from the left: the rows
// with the usual number of tokens give the columns' middles, and every
// token goes to the nearest. The number of columns.
std::size_t LineUp(std::vector<Token>* tokens, std::size_t lines) {
    std::vector<std::vector<double>> middles(lines);
    for (const Token& token : *tokens) {
        middles[token.line].push_back(token.middle);
    }
    std::map<std::size_t, int> counts;
    for (const std::vector<double>& line : middles) {
        ++counts[line.size()];
    }
    std::size_t usual = 0;
    for (const auto& [count, rows] : counts) {
        if (usual == 0 || rows >= counts[usual]) {
            usual = count;
        }
    }
    std::vector<double> columns;
    for (std::size_t k = 0; k < usual; ++k) {
        std::vector<double> at;
        for (const std::vector<double>& line : middles) {
            if (line.size() == usual) {
                at.push_back(line[k]);
            }
        }
        columns.push_back(Median(at));
    }
    for (Token& token : *tokens) {
        std::size_t nearest = 0;
        for (std::size_t c = 1; c < columns.size(); ++c) {
            if (std::fabs(columns[c] - token.middle) < std::fabs(columns[nearest] - token.middle)) {
                nearest = c;
            }
        }
        token.column = nearest;
    }
    return columns.size();
}

// Sets the region's lines on `pitch` into `binary` and `grey` from the
// page's images, from x `left`; the glyphs' new boxes go to `blobs`, their
// boxes on the page to `origins`.
void SetRegion(const Lines& lines, double height, int left, int pitch, const PreparedPage& page,
               Pix* binary, Pix* grey, std::vector<Box>* blobs, std::vector<Box>* origins) {
    std::vector<Token> tokens = Tokens(lines, SplitGap(lines, height));
    const std::size_t columns = LineUp(&tokens, lines.size());
    if (columns == 0) {
        return;
    }
    // Each column of the table is as wide as its longest token in any row.
    std::vector<std::size_t> width(columns, 0);
    std::vector<std::vector<std::size_t>> used(lines.size(), std::vector<std::size_t>(columns, 0));
    for (const Token& token : tokens) {
        used[token.line][token.column] += token.count;
        width[token.column] = std::max(width[token.column], used[token.line][token.column]);
    }
    std::vector<std::size_t> start(columns, 0);
    for (std::size_t c = 1; c < columns; ++c) {
        start[c] = start[c - 1] + width[c - 1] + 1;
    }
    std::vector<std::vector<std::size_t>> placed(lines.size(),
                                                 std::vector<std::size_t>(columns, 0));
    for (const Token& token : tokens) {
        for (std::size_t i = 0; i < token.count; ++i) {
            const Box& glyph = lines[token.line][token.first + i];
            const std::size_t cell = start[token.column] + placed[token.line][token.column]++;
            const int x = left + static_cast<int>(cell) * pitch +
                          (pitch - std::min(glyph.Width(), pitch)) / 2;
            const int w = std::min(glyph.Width(), pitch);
            pixRasterop(binary, x, glyph.top, w, glyph.Height(), PIX_SRC, page.binary.get(),
                        glyph.left, glyph.top);
            pixRasterop(grey, x, glyph.top, w, glyph.Height(), PIX_SRC, page.grey.get(), glyph.left,
                        glyph.top);
            blobs->push_back(Box{x, glyph.top, x + w, glyph.bottom});
            origins->push_back(glyph);
        }
    }
}

}  // namespace

bool SetListingOnPitch(PreparedPage* page, PageRegions* regions, std::vector<Box>* origins) {
    // Print whose strokes were joined by a blur is too smeared to be read
    // glyph by glyph once its gaps are gone.
    if (page->blur > 0) {
        return false;
    }
    std::vector<bool> apart(regions->regions.size(), false);
    bool any = false;
    for (std::size_t r = 0; r < regions->regions.size(); ++r) {
        const Lines& lines = regions->lines[r];
        apart[r] = !lines.empty() && DigitsApart(lines, LineHeight(lines));
        // A listing sheet is read as it stands unless its bytes are seen
        // off the pitch of their digits.
        if (apart[r] && regions->sheet) {
            const Lines cut = CutRunTogether(JoinBroken(WithoutSlivers(lines)));
            apart[r] = OffPitch(cut, LineHeight(cut));
        }
        any = any || apart[r];
    }
    if (!any) {
        return false;
    }
    std::vector<Lines> cut(regions->regions.size());
    for (std::size_t r = 0; r < regions->regions.size(); ++r) {
        cut[r] = CutRunTogether(JoinBroken(WithoutSlivers(regions->lines[r])));
    }
    // The pitch of the new setting: the widest glyph and some room, but no
    // more than the grid takes for one (a glyph wider is cut to it).
    int widest = 0;
    double height = 0;
    for (std::size_t r = 0; r < regions->regions.size(); ++r) {
        height = std::max(height, LineHeight(cut[r]));
        for (const std::vector<Box>& line : cut[r]) {
            for (const Box& glyph : line) {
                if (glyph.Width() <= kWidestGlyph * LineHeight(cut[r])) {
                    widest = std::max(widest, glyph.Width());
                }
            }
        }
    }
    const int pitch =
        std::min(widest + kPitchRoom, static_cast<int>(std::lround(kWidestPitch * height)));
    // The page grows to the right where a region set on the pitch needs it.
    const int page_height = static_cast<int>(pixGetHeight(page->binary.get()));
    const int page_width = 2 * static_cast<int>(pixGetWidth(page->binary.get()));
    PixPtr binary(pixCreate(page_width, page_height, 1));
    PixPtr grey(pixCreate(page_width, page_height, 8));
    if (!binary || !grey) {
        return false;
    }
    pixSetAll(grey.get());
    std::vector<Box> blobs;
    std::vector<Box> from;
    for (std::size_t r = 0; r < regions->regions.size(); ++r) {
        const Box& region = regions->regions[r];
        if (apart[r]) {
            SetRegion(cut[r], LineHeight(cut[r]), region.left, pitch, *page, binary.get(),
                      grey.get(), &blobs, &from);
            continue;
        }
        pixRasterop(binary.get(), region.left, region.top, region.Width(), region.Height(), PIX_SRC,
                    page->binary.get(), region.left, region.top);
        pixRasterop(grey.get(), region.left, region.top, region.Width(), region.Height(), PIX_SRC,
                    page->grey.get(), region.left, region.top);
        for (const Box& blob : regions->blobs) {
            if (blob.CenterX() >= region.left && blob.CenterX() < region.right &&
                blob.CenterY() >= region.top && blob.CenterY() < region.bottom) {
                blobs.push_back(blob);
                from.push_back(blob);
            }
        }
    }
    page->binary = std::move(binary);
    page->grey = std::move(grey);
    regions->blobs = std::move(blobs);
    *origins = std::move(from);
    return true;
}

}  // namespace tsy::scan
