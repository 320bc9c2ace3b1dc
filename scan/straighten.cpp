#include "scan/straighten.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "scan/resample.h"

namespace tsy::scan {
namespace {

// Glyphs of this share of the character height are chained into lines; a
// glyph's neighbour lies at most kReach heights to its right and kDrift
// heights above or below it.
constexpr double kLeastGlyph = 0.6;
constexpr double kMostGlyph = 1.4;
constexpr double kWidestGlyph = 2.5;
constexpr double kReach = 2.5;
constexpr double kDrift = 0.4;
// A line counts with this many glyphs, this many heights long at least;
// a page needs this many such lines.
constexpr std::size_t kLeastGlyphs = 8;
constexpr double kLeastLength = 8;
constexpr std::size_t kLeastLines = 4;
// The bend is measured at this many knots across the lines' width, each
// with kLeastAtKnot glyphs, or taken from its neighbours.
constexpr int kKnots = 24;
constexpr int kLeastAtKnot = 5;
constexpr int kRounds = 8;
// A glyph further than this share of a height off its line after the
// third round was mischained and counts no more; lines that lie, as a
// whole, further off the shape than kWorstFit of a height fit none.
constexpr double kOffLine = 0.35;
constexpr double kWorstFit = 0.2;

struct Point {
    double x = 0;
    double y = 0;
    std::size_t line = 0;
    bool used = true;
};

std::size_t Root(std::vector<std::size_t>& parent, std::size_t i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

// The centres of the glyphs that lie in long lines, each with its line.
std::vector<Point> LinePoints(const std::vector<Box>& blobs, double height, std::size_t* lines) {
    std::vector<Box> glyphs;
    for (const Box& blob : blobs) {
        if (blob.Height() >= kLeastGlyph * height && blob.Height() <= kMostGlyph * height &&
            blob.Width() <= kWidestGlyph * height) {
            glyphs.push_back(blob);
        }
    }
    std::sort(glyphs.begin(), glyphs.end(),
              [](const Box& a, const Box& b) { return a.CenterX() < b.CenterX(); });
    std::vector<std::size_t> parent(glyphs.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        for (std::size_t j = i + 1;
             j < glyphs.size() && glyphs[j].CenterX() - glyphs[i].CenterX() <= kReach * height;
             ++j) {
            if (glyphs[j].CenterX() > glyphs[i].CenterX() &&
                std::fabs(glyphs[j].CenterY() - glyphs[i].CenterY()) <= kDrift * height) {
                parent[Root(parent, j)] = Root(parent, i);
                break;
            }
        }
    }
    struct Extent {
        std::size_t count = 0;
        double left = 1e18;
        double right = -1e18;
    };
    std::vector<Extent> extents(glyphs.size());
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        Extent& e = extents[Root(parent, i)];
        ++e.count;
        e.left = std::min(e.left, glyphs[i].CenterX());
        e.right = std::max(e.right, glyphs[i].CenterX());
    }
    std::vector<std::size_t> number(glyphs.size(), 0);
    *lines = 0;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        if (extents[i].count >= kLeastGlyphs &&
            extents[i].right - extents[i].left >= kLeastLength * height) {
            number[i] = ++*lines;
        }
    }
    std::vector<Point> points;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const std::size_t line = number[Root(parent, i)];
        if (line > 0) {
            points.push_back(Point{glyphs[i].CenterX(), glyphs[i].CenterY(), line - 1, true});
        }
    }
    return points;
}

// Solves the 2x2 system of least squares for y = s * u + t * v.
bool Solve2(double uu, double uv, double vv, double uy, double vy, double* s, double* t) {
    const double det = uu * vv - uv * uv;
    if (std::fabs(det) < 1e-9 * std::max(1.0, uu * vv)) {
        return false;
    }
    *s = (uy * vv - vy * uv) / det;
    *t = (vy * uu - uy * uv) / det;
    return true;
}

}  // namespace

double LineShape::Bend(double x) const {
    if (bend.empty()) {
        return 0;
    }
    const double at =
        std::clamp((x - bend_from) / bend_step, 0.0, static_cast<double>(bend.size() - 1));
    const std::size_t k = std::min(static_cast<std::size_t>(at), bend.size() - 1);
    if (k + 1 >= bend.size()) {
        return bend.back();
    }
    const double f = at - static_cast<double>(k);
    return bend[k] * (1 - f) + bend[k + 1] * f;
}

bool FindLineShape(const std::vector<Box>& blobs, double height, LineShape* shape) {
    std::size_t lines = 0;
    std::vector<Point> points = LinePoints(blobs, height, &lines);
    if (lines < kLeastLines) {
        return false;
    }
    double left = 1e18;
    double right = -1e18;
    for (const Point& p : points) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
    }
    LineShape s;
    s.middle = (left + right) / 2;
    s.bend_from = left;
    s.bend_step = std::max(1.0, (right - left) / (kKnots - 1));
    std::vector<double> level(lines, 0);  // each line's y at the middle
    std::vector<double> sum(lines, 0);
    std::vector<int> count(lines, 0);
    for (const Point& p : points) {
        sum[p.line] += p.y;
        ++count[p.line];
    }
    for (std::size_t l = 0; l < lines; ++l) {
        level[l] = sum[l] / count[l];
    }
    for (int round = 0; round < kRounds; ++round) {
        // The slope and its change down the page, given the levels and the bend.
        double uu = 0, uv = 0, vv = 0, uy = 0, vy = 0;
        for (const Point& p : points) {
            if (p.used) {
                const double u = p.x - s.middle;
                const double v = u * level[p.line];
                const double y = p.y - level[p.line] - s.Bend(p.x);
                uu += u * u;
                uv += u * v;
                vv += v * v;
                uy += u * y;
                vy += v * y;
            }
        }
        if (!Solve2(uu, uv, vv, uy, vy, &s.slope, &s.slope_change)) {
            return false;
        }
        // The bend: what is left at each knot, its straight part taken out.
        std::vector<double> at(kKnots, 0);
        std::vector<int> n(kKnots, 0);
        for (const Point& p : points) {
            if (p.used) {
                const int k = static_cast<int>(std::lround((p.x - s.bend_from) / s.bend_step));
                at[std::clamp(k, 0, kKnots - 1)] +=
                    p.y - level[p.line] - s.Offset(p.x, level[p.line]) + s.Bend(p.x);
                ++n[std::clamp(k, 0, kKnots - 1)];
            }
        }
        std::vector<double> bend(kKnots, 0);
        std::vector<bool> known(kKnots, false);
        for (int k = 0; k < kKnots; ++k) {
            if (n[k] >= kLeastAtKnot) {
                bend[k] = at[k] / n[k];
                known[k] = true;
            }
        }
        for (int k = 0; k < kKnots; ++k) {
            if (!known[k]) {
                int before = k - 1;
                while (before >= 0 && !known[before]) {
                    --before;
                }
                int after = k + 1;
                while (after < kKnots && !known[after]) {
                    ++after;
                }
                bend[k] = before >= 0 && after < kKnots
                              ? bend[before] +
                                    (bend[after] - bend[before]) * (k - before) / (after - before)
                          : before >= 0    ? bend[before]
                          : after < kKnots ? bend[after]
                                           : 0;
            }
        }
        // Its straight part belongs to the slope and the levels.
        double ku = 0, kk = 0, kb = 0, b = 0;
        for (int k = 0; k < kKnots; ++k) {
            const double u = s.bend_from + k * s.bend_step - s.middle;
            ku += u;
            kk += u * u;
            kb += u * bend[k];
            b += bend[k];
        }
        double tilt = 0;
        double mean = 0;
        if (Solve2(kk, ku, kKnots, kb, b, &tilt, &mean)) {
            for (int k = 0; k < kKnots; ++k) {
                bend[k] -= tilt * (s.bend_from + k * s.bend_step - s.middle) + mean;
            }
        }
        s.bend = bend;
        // The levels, given the slope and the bend.
        std::fill(sum.begin(), sum.end(), 0);
        std::fill(count.begin(), count.end(), 0);
        for (const Point& p : points) {
            if (p.used) {
                sum[p.line] += p.y - s.Offset(p.x, level[p.line]);
                ++count[p.line];
            }
        }
        for (std::size_t l = 0; l < lines; ++l) {
            if (count[l] > 0) {
                level[l] = sum[l] / count[l];
            }
        }
        if (round == 2) {
            for (Point& p : points) {
                p.used = std::fabs(p.y - level[p.line] - s.Offset(p.x, level[p.line])) <=
                         kOffLine * height;
            }
        }
    }
    double squares = 0;
    int used = 0;
    for (const Point& p : points) {
        if (p.used) {
            const double d = p.y - level[p.line] - s.Offset(p.x, level[p.line]);
            squares += d * d;
            ++used;
        }
    }
    if (used == 0 || std::sqrt(squares / used) > kWorstFit * height) {
        return false;
    }
    *shape = s;
    return true;
}

double LargestOffset(const LineShape& shape, const std::vector<Box>& blobs) {
    double largest = 0;
    for (const Box& blob : blobs) {
        largest = std::max(largest, std::fabs(shape.Offset(blob.CenterX(), blob.CenterY())));
    }
    return largest;
}

Pix* LevelLines(Pix* grey, const LineShape& shape) {
    return Resample(grey, Axis::Y, [&shape](int x, int y) { return y + shape.Offset(x, y); });
}

}  // namespace tsy::scan
