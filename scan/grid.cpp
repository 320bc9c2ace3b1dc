#include "scan/grid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace tsy::scan {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The least height of a character, in pixels: anything lower is a speck,
// a dash or a point.
constexpr double kLeastCharHeight = 6;
// A blob this many times wider than high is a rule, not a character.
constexpr double kRuleLength = 3;
// Glyphs of one font differ in height by this share of it at most.
constexpr double kHeightSpread = 0.1;
// Blobs from this share of a character's height to that make rows (lower
// case and brackets too); the middle of each covers this share of a
// character's height either way; a row is at least this share of it high.
constexpr double kLeastInRow = 0.6;
constexpr double kMostInRow = 1.6;
constexpr double kRowCore = 0.3;
constexpr double kLeastRow = 0.5;
// A run of cover longer than this share of a character's height holds two
// rows bridged by a glyph run together with a speck between them: it is cut
// where the fewest middles cover it.
constexpr double kMostRow = 1.4;
// The page's pitch is sought within this share either way of the one
// measured between neighbours, a row's within this share of the page's.
// A row is fitted on its own with this many glyphs at least, lined up
// with this share of their count at least; its pitch is the median of the
// rows this many either side.
constexpr double kPagePitchRange = 0.05;
constexpr double kRowPitchRange = 0.04;
constexpr int kLeastFitted = 8;
constexpr double kLeastLinedUp = 0.3;
constexpr std::size_t kSmoothRows = 3;
// Neighbouring glyphs one pitch apart stand more than this share of a
// character's height apart, and less than that one (in type set wide, less
// than the last); a glyph as wide as that one is glyphs run together.
constexpr double kNarrowestStep = 0.35;
constexpr double kWideStep = 1.2;
constexpr double kWidestStep = 1.6;
// Halves of a broken glyph: each at most this share of a character's height
// wide, at most this far apart, together at most this wide.
constexpr double kHalfWidth = 0.45;
constexpr double kHalvesGap = 0.25;
constexpr double kWholeWidth = 0.8;
// A row's origin follows the median of this many rows above it.
constexpr long kTrackedRows = 3;
// A box at most this many cells wide is glyphs run together; wider ones
// are rules or ink run along a row, no guide to where its cells fall.
constexpr long kMostRunTogether = 4;

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Rows: runs of y that the middles of character-sized blobs cover (a
// glyph run together with a speck below it reaches no further), then as
// high as the usual glyphs of each reach.
std::vector<GridRow> FindRows(const std::vector<Box>& blobs, double height) {
    int bottom_most = 0;
    for (const Box& blob : blobs) {
        bottom_most = std::max(bottom_most, blob.bottom);
    }
    std::vector<int> cover(static_cast<std::size_t>(bottom_most) + 1, 0);
    const int reach = static_cast<int>(std::lround(kRowCore * height));
    for (const Box& blob : blobs) {
        if (blob.Height() >= kLeastInRow * height && blob.Height() <= kMostInRow * height) {
            const int middle = static_cast<int>(std::lround(blob.CenterY()));
            for (int y = std::max(middle - reach, 0); y < std::min(middle + reach, bottom_most);
                 ++y) {
                ++cover[static_cast<std::size_t>(y)];
            }
        }
    }
    std::vector<GridRow> rows;
    for (int y = 0; y <= bottom_most; ++y) {
        if (cover[static_cast<std::size_t>(y)] == 0) {
            continue;
        }
        GridRow row;
        row.top = y;
        while (y <= bottom_most && cover[static_cast<std::size_t>(y)] > 0) {
            ++y;
        }
        row.bottom = y;
        while (row.bottom - row.top > kMostRow * height) {
            int cut = row.top + reach;
            for (int at = cut; at < row.bottom - reach; ++at) {
                if (cover[static_cast<std::size_t>(at)] < cover[static_cast<std::size_t>(cut)]) {
                    cut = at;
                }
            }
            GridRow upper = row;
            upper.bottom = cut;
            if (upper.bottom - upper.top >= kLeastRow * height) {
                rows.push_back(upper);
            }
            row.top = cut + 1;
        }
        if (row.bottom - row.top >= kLeastRow * height) {
            rows.push_back(row);
        }
    }
    for (GridRow& row : rows) {
        const int core_top = row.top;
        const int core_bottom = row.bottom;
        row.top = core_top - reach / 2;
        row.bottom = core_bottom + reach / 2;
        for (const Box& blob : blobs) {
            if (blob.Height() >= (1 - kHeightSpread) * height &&
                blob.Height() <= (1 + kHeightSpread) * height && blob.CenterY() >= core_top &&
                blob.CenterY() < core_bottom) {
                row.top = std::min(row.top, blob.top);
                row.bottom = std::max(row.bottom, blob.bottom);
            }
        }
    }
    return rows;
}

// The blobs of each row, left to right, with blobs stacked over each other
// (the dots of a colon, a broken stroke) merged into one glyph box; the
// blobs themselves of each row go to `pieces`.
std::vector<std::vector<Box>> GlyphsByRow(const std::vector<Box>& blobs,
                                          const std::vector<GridRow>& rows, double height,
                                          std::vector<std::vector<Box>>* pieces) {
    std::vector<std::vector<Box>> glyphs(rows.size());
    for (const Box& blob : blobs) {
        const double y = blob.CenterY();
        std::size_t best = rows.size();
        double best_distance = 0.35 * height;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const double distance = y < rows[r].top      ? rows[r].top - y
                                    : y > rows[r].bottom ? y - rows[r].bottom
                                                         : 0;
            if (distance <= best_distance) {
                best = r;
                best_distance = distance;
            }
        }
        if (best < rows.size()) {
            glyphs[best].push_back(blob);
        }
    }
    *pieces = glyphs;
    for (std::vector<Box>& row : glyphs) {
        std::sort(row.begin(), row.end(),
                  [](const Box& a, const Box& b) { return a.left < b.left; });
        std::vector<Box> merged;
        for (const Box& box : row) {
            if (!merged.empty()) {
                Box& last = merged.back();
                const int overlap = std::min(last.right, box.right) - std::max(last.left, box.left);
                if (overlap * 2 >= std::min(last.Width(), box.Width())) {
                    last = Union(last, box);
                    continue;
                }
            }
            merged.push_back(box);
        }
        row = merged;
    }
    return glyphs;
}

// The pitch: the distance between neighbouring glyphs, which is one pitch
// within a token and a few pitches across a gap. Type set wide (a serif
// face on a grid of more than its height) has its neighbours further apart
// than a narrow face's two pitches: its steps are taken where at least
// twice as many of them fall there as where a narrower pitch's would.
double FindPitch(const std::vector<std::vector<Box>>& pieces, double height) {
    // A thin-stroked face printed light falls apart into the left and right
    // halves of its round glyphs: two narrow pieces close side by side, no
    // wider together than a glyph, are measured as one.
    std::vector<std::vector<Box>> glyphs;
    for (const std::vector<Box>& line : pieces) {
        glyphs.emplace_back();
        std::vector<Box>& row = glyphs.back();
        for (const Box& piece : line) {
            if (!row.empty() && piece.left - row.back().right <= kHalvesGap * height &&
                std::max(row.back().Width(), piece.Width()) <= kHalfWidth * height &&
                piece.right - row.back().left <= kWholeWidth * height) {
                row.back() = Union(row.back(), piece);
            } else {
                row.push_back(piece);
            }
        }
    }
    std::vector<double> steps;
    std::vector<double> wide_steps;
    for (const std::vector<Box>& row : glyphs) {
        for (std::size_t i = 1; i < row.size(); ++i) {
            const double d = row[i].CenterX() - row[i - 1].CenterX();
            if (row[i].Width() >= kWideStep * height) {
                continue;
            }
            if (d > kNarrowestStep * height && d < kWideStep * height) {
                steps.push_back(d);
            } else if (d >= kWideStep * height && d < kWidestStep * height) {
                wide_steps.push_back(d);
            }
        }
    }
    const double first =
        Median(wide_steps.size() >= 2 * steps.size() && !wide_steps.empty() ? wide_steps : steps);
    if (first <= 0) {
        return 0;
    }
    std::vector<double> refined;
    for (const std::vector<Box>& row : glyphs) {
        for (std::size_t i = 1; i < row.size(); ++i) {
            const double d = row[i].CenterX() - row[i - 1].CenterX();
            const double k = std::round(d / first);
            if (k >= 1 && k <= 4 && std::fabs(d / k - first) < 0.2 * first) {
                refined.push_back(d / k);
            }
        }
    }
    return Median(refined);
}

// The sum of unit vectors, one per glyph box of up to four cells, at its
// centre's place modulo `pitch`: a box of n glyphs has its centre on a grid
// line for odd n and halfway between two for even n. Its length is as
// large as the count where every glyph sits on the grid.
struct Alignment {
    double sx = 0;
    double sy = 0;
    int count = 0;

    double Length() const { return std::hypot(sx, sy); }
    // The x of a grid line, modulo the pitch, in [0, pitch).
    double Phase(double pitch) const {
        const double phase = std::atan2(sy, sx) / (2 * kPi) * pitch;
        return phase < 0 ? phase + pitch : phase;
    }
};

Alignment Align(const std::vector<Box>& row, double pitch) {
    Alignment a;
    for (const Box& box : row) {
        const long parts = std::max(1L, std::lround(box.Width() / pitch));
        if (parts <= kMostRunTogether) {
            const double sign = parts % 2 == 1 ? 1 : -1;
            a.sx += sign * std::cos(2 * kPi * box.CenterX() / pitch);
            a.sy += sign * std::sin(2 * kPi * box.CenterX() / pitch);
            ++a.count;
        }
    }
    return a;
}

// The pitch within `range` (a share either way) of `pitch` that lines up
// the glyphs of `rows` best, each row scored on its own as the rows of a
// turned page start at different x.
double AlignPitch(const std::vector<std::vector<Box>>& rows, double pitch, double range,
                  double* score = nullptr) {
    constexpr int kSteps = 200;
    double best = pitch;
    double best_score = -1;
    for (int k = -kSteps / 2; k <= kSteps / 2; ++k) {
        const double p = pitch * (1 + range * 2 * k / kSteps);
        double sum = 0;
        for (const std::vector<Box>& row : rows) {
            sum += Align(row, p).Length();
        }
        if (sum > best_score) {
            best_score = sum;
            best = p;
        }
    }
    if (score != nullptr) {
        *score = best_score;
    }
    return best;
}

// The pitch of each row. The pitch measured between neighbours is set by
// the few glyphs that stand alone where most run together in pairs, and
// errs by a few percent; over forty columns that puts the far glyphs
// between two cells. So the page's pitch is the one that lines all rows
// up best; then each row with glyphs enough is fitted on its own, since a
// photo taken at a slant shows the near rows wider, and a row's pitch is
// the median of its own and its neighbours', as one row is too short to
// tell its pitch to a tenth of a percent.
std::vector<double> RowPitches(const std::vector<std::vector<Box>>& glyphs, double* pitch) {
    *pitch = AlignPitch(glyphs, *pitch, kPagePitchRange);
    std::vector<double> own(glyphs.size(), 0);
    for (std::size_t r = 0; r < glyphs.size(); ++r) {
        double score = 0;
        const double p = AlignPitch({glyphs[r]}, *pitch, kRowPitchRange, &score);
        const int count = Align(glyphs[r], p).count;
        if (count >= kLeastFitted && score >= kLeastLinedUp * count) {
            own[r] = p;
        }
    }
    std::vector<double> pitches(glyphs.size(), *pitch);
    for (std::size_t r = 0; r < glyphs.size(); ++r) {
        std::vector<double> near;
        for (std::size_t n = r >= kSmoothRows ? r - kSmoothRows : 0;
             n < std::min(glyphs.size(), r + kSmoothRows + 1); ++n) {
            if (own[n] > 0) {
                near.push_back(own[n]);
            }
        }
        if (!near.empty()) {
            pitches[r] = Median(near);
        }
    }
    return pitches;
}

// The offset of x from the nearest grid line through `origin`, in
// [-pitch/2, pitch/2).
double Residual(double x, double origin, double pitch) {
    return x - origin - pitch * std::round((x - origin) / pitch);
}

// The origin of each row: the grid line through its own glyphs nearest
// the origins of the rows above it that lined up well (`base` for the
// first), so that a column keeps its number down the page however far
// the rows' starts move from a slant or a turn.
std::vector<double> RowOrigins(const std::vector<std::vector<Box>>& glyphs,
                               const std::vector<double>& pitches, double base, double height) {
    std::vector<double> origins(glyphs.size(), base);
    std::vector<double> recent;
    for (std::size_t r = 0; r < glyphs.size(); ++r) {
        const double p = pitches[r];
        const double expected =
            recent.empty()
                ? base
                : Median(std::vector<double>(
                      recent.end() - std::min<long>(kTrackedRows, recent.size()), recent.end()));
        const Alignment a = Align(glyphs[r], p);
        if (a.count == 0) {
            origins[r] = expected;
            continue;
        }
        // The grid line nearest the expected origin, then moved to the
        // median place of the row's single glyphs around it, which one
        // glyph far off its cell moves less than it moves the mean. Specks
        // count not at all; in a row of glyphs all run together in pairs (a
        // run of "00") they would be all there is and drag the row a column
        // aside, so there the cells of the glyphs run together count.
        const double phase = a.Phase(p);
        const double near = phase + p * std::round((expected - phase) / p);
        std::vector<double> residuals;
        std::vector<double> run_together;
        for (const Box& box : glyphs[r]) {
            const long parts = std::max(1L, std::lround(box.Width() / p));
            if (box.Height() < kLeastInRow * height || parts > kMostRunTogether) {
                continue;
            }
            if (box.Width() < 1.3 * p) {
                residuals.push_back(Residual(box.CenterX(), near, p));
                continue;
            }
            for (long part = 0; part < parts; ++part) {
                const double x = box.left + box.Width() * (part + 0.5) / static_cast<double>(parts);
                run_together.push_back(Residual(x, near, p));
            }
        }
        if (residuals.empty()) {
            residuals = run_together;
        }
        origins[r] = near + Median(residuals);
        if (a.count >= kLeastFitted && a.Length() >= kLeastLinedUp * a.count) {
            recent.push_back(origins[r]);
        }
    }
    return origins;
}

// The phase of the grid: where, modulo the pitch, glyph centres fall.
double Phase(const std::vector<double>& centres, double pitch) {
    double sx = 0;
    double sy = 0;
    for (double x : centres) {
        sx += std::cos(2 * kPi * x / pitch);
        sy += std::sin(2 * kPi * x / pitch);
    }
    double phase = std::atan2(sy, sx) / (2 * kPi) * pitch;
    return phase < 0 ? phase + pitch : phase;
}

// The column of x in a row.
int Column(double x, const GridRow& row) {
    return static_cast<int>(std::lround((x - row.origin) / row.pitch));
}

}  // namespace

bool NeitherSpeckNorRule(const Box& blob) {
    return blob.Height() >= kLeastCharHeight && blob.Width() <= kRuleLength * blob.Height();
}

double CharacterHeight(const std::vector<Box>& blobs) {
    // The height that most of the ink stands at: for each height, the
    // blobs within a tenth of it, counted by that height, so that the
    // pieces of broken glyphs and the specks of a page, however many, do
    // not outweigh its whole glyphs.
    std::map<int, int> counts;
    for (const Box& blob : blobs) {
        if (NeitherSpeckNorRule(blob)) {
            ++counts[blob.Height()];
        }
    }
    double best = 0;
    double best_score = 0;
    for (const auto& [height, count] : counts) {
        int near = 0;
        for (auto it =
                 counts.lower_bound(static_cast<int>(std::floor(height * (1 - kHeightSpread))));
             it != counts.end() && it->first <= height * (1 + kHeightSpread); ++it) {
            near += it->second;
        }
        const double score = static_cast<double>(near) * height;
        if (score > best_score) {
            best_score = score;
            best = height;
        }
    }
    return best;
}

Box Grid::CellBox(const GridRow& row, int column) const {
    const double width = row.pitch > 0 ? row.pitch : pitch;
    const double left = row.origin + (column - 0.5) * width;
    return Box{static_cast<int>(std::lround(left)), row.top,
               static_cast<int>(std::lround(left + width)), row.bottom};
}

Grid FindGrid(const std::vector<Box>& blobs) {
    Grid grid;
    const double height = CharacterHeight(blobs);
    if (height <= 0) {
        return grid;
    }
    grid.char_height = static_cast<int>(std::lround(height));
    grid.rows = FindRows(blobs, height);
    std::vector<std::vector<Box>> pieces;
    const std::vector<std::vector<Box>> glyphs = GlyphsByRow(blobs, grid.rows, height, &pieces);
    grid.pitch = FindPitch(glyphs, height);
    if (grid.pitch <= 0) {
        grid.rows.clear();
        return grid;
    }
    const std::vector<double> pitches = RowPitches(glyphs, &grid.pitch);
    const double pitch = grid.pitch;

    std::vector<double> centres;
    double leftmost = 1e18;
    for (const std::vector<Box>& row : glyphs) {
        for (const Box& box : row) {
            if (box.Width() < 1.3 * pitch) {
                centres.push_back(box.CenterX());
            }
            leftmost = std::min(leftmost, box.CenterX());
        }
    }
    const double phase = Phase(centres, pitch);
    const double base = phase + pitch * std::floor((leftmost - phase) / pitch + 0.5);
    const std::vector<double> origins = RowOrigins(glyphs, pitches, base, height);
    // Column 0 is the leftmost column that any glyph reaches.
    int first = std::numeric_limits<int>::max();
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        GridRow& row = grid.rows[r];
        row.pitch = pitches[r];
        row.origin = origins[r];
        for (const Box& box : glyphs[r]) {
            const int parts = std::max(1, static_cast<int>(std::lround(box.Width() / row.pitch)));
            first = std::min(first, Column(box.left + 0.5 * box.Width() / parts, row));
        }
    }
    if (first == std::numeric_limits<int>::max()) {
        first = 0;
    }
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        GridRow& row = grid.rows[r];
        row.origin += first * row.pitch;
        std::map<int, Box> cells;
        for (const Box& box : glyphs[r]) {
            const int parts = std::max(1, static_cast<int>(std::lround(box.Width() / row.pitch)));
            for (int part = 0; part < parts; ++part) {
                Box piece = box;
                piece.left = box.left + box.Width() * part / parts;
                piece.right = box.left + box.Width() * (part + 1) / parts;
                const int column = Column(piece.CenterX(), row);
                if (column < 0) {
                    continue;
                }
                auto found = cells.find(column);
                if (found == cells.end()) {
                    cells.emplace(column, piece);
                } else {
                    found->second = Union(found->second, piece);
                }
            }
        }
        for (const auto& [column, box] : cells) {
            row.cells.push_back(column);
            row.boxes.push_back(box);
            row.pieces.push_back(0);
        }
        for (const Box& piece : pieces[r]) {
            const int column = Column(piece.CenterX(), row);
            const auto at = std::lower_bound(row.cells.begin(), row.cells.end(), column);
            if (at != row.cells.end() && *at == column) {
                ++row.pieces[static_cast<std::size_t>(at - row.cells.begin())];
            }
        }
    }
    return grid;
}

}  // namespace tsy::scan
