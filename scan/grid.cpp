#include "scan/grid.h"

#include <algorithm>
#include <cmath>
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

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

Box Union(const Box& a, const Box& b) {
    return Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
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
// within a token and a few pitches across a gap.
double FindPitch(const std::vector<std::vector<Box>>& glyphs, double height) {
    std::vector<double> steps;
    for (const std::vector<Box>& row : glyphs) {
        for (std::size_t i = 1; i < row.size(); ++i) {
            const double d = row[i].CenterX() - row[i - 1].CenterX();
            if (d > 0.35 * height && d < 1.2 * height && row[i].Width() < 1.2 * height) {
                steps.push_back(d);
            }
        }
    }
    const double first = Median(steps);
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

// The pitch that lines the glyphs of each row up best. The pitch measured
// between neighbours is set by the few glyphs that stand alone where most
// run together in pairs, and errs by a few percent; over forty columns that
// puts the far glyphs between two cells. A box of n glyphs has its centre
// on a grid line for odd n and halfway between two for even n. Each row
// is scored on its own, as the rows of a turned page start at different x.
double AlignPitch(const std::vector<std::vector<Box>>& glyphs, double pitch) {
    constexpr double kRange = 0.05;
    constexpr int kSteps = 200;
    double best = pitch;
    double best_score = -1;
    for (int k = -kSteps / 2; k <= kSteps / 2; ++k) {
        const double p = pitch * (1 + kRange * 2 * k / kSteps);
        double score = 0;
        for (const std::vector<Box>& row : glyphs) {
            double sx = 0;
            double sy = 0;
            for (const Box& box : row) {
                const long parts = std::max(1L, std::lround(box.Width() / p));
                if (parts <= 4) {
                    const double sign = parts % 2 == 1 ? 1 : -1;
                    sx += sign * std::cos(2 * kPi * box.CenterX() / p);
                    sy += sign * std::sin(2 * kPi * box.CenterX() / p);
                }
            }
            score += std::hypot(sx, sy);
        }
        if (score > best_score) {
            best_score = score;
            best = p;
        }
    }
    return best;
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

// The offset of x from the nearest grid line through `origin`, in
// [-pitch/2, pitch/2).
double Residual(double x, double origin, double pitch) {
    return x - origin - pitch * std::round((x - origin) / pitch);
}

}  // namespace

double CharacterHeight(const std::vector<Box>& blobs) {
    // The height that most of the ink stands at: for each height, the
    // blobs within a tenth of it, counted by that height, so that the
    // pieces of broken glyphs and the specks of a page, however many, do
    // not outweigh its whole glyphs.
    std::map<int, int> counts;
    for (const Box& blob : blobs) {
        if (blob.Height() >= kLeastCharHeight && blob.Width() <= kRuleLength * blob.Height()) {
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
    const double left = row.origin + (column - 0.5) * pitch;
    return Box{static_cast<int>(std::lround(left)), row.top,
               static_cast<int>(std::lround(left + pitch)), row.bottom};
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
    grid.pitch = AlignPitch(glyphs, grid.pitch);
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
    // Column 0 is the leftmost grid line that any glyph reaches.
    const double base = phase + pitch * std::floor((leftmost - phase) / pitch + 0.5);

    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        GridRow& row = grid.rows[r];
        std::vector<double> residuals;
        for (const Box& box : glyphs[r]) {
            if (box.Width() < 1.3 * pitch) {
                residuals.push_back(Residual(box.CenterX(), base, pitch));
            }
        }
        row.origin = base + Median(residuals);
        std::map<int, Box> cells;
        for (const Box& box : glyphs[r]) {
            const int parts = std::max(1, static_cast<int>(std::lround(box.Width() / pitch)));
            for (int part = 0; part < parts; ++part) {
                Box piece = box;
                piece.left = box.left + box.Width() * part / parts;
                piece.right = box.left + box.Width() * (part + 1) / parts;
                const int column =
                    static_cast<int>(std::lround((piece.CenterX() - row.origin) / pitch));
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
            const int column =
                static_cast<int>(std::lround((piece.CenterX() - row.origin) / pitch));
            const auto at = std::lower_bound(row.cells.begin(), row.cells.end(), column);
            if (at != row.cells.end() && *at == column) {
                ++row.pieces[static_cast<std::size_t>(at - row.cells.begin())];
            }
        }
    }
    return grid;
}

}  // namespace tsy::scan
