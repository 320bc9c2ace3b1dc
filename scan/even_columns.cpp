#include "scan/even_columns.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "scan/resample.h"

namespace tsy::scan {
namespace {

// Neighbours: glyphs of about a character's height, on one line (their
// middles this share of a height apart), with a gap of at most kTokenGap
// heights between them: the characters of one token, one pitch apart.
constexpr double kLeastGlyph = 0.7;
constexpr double kMostGlyph = 1.3;
constexpr double kWidestGlyph = 1.0;
constexpr double kSameLine = 0.25;
constexpr double kTokenGap = 0.5;
// The spacing is measured in bands this many heights wide, each with at
// least kLeastPairs neighbours (narrow bands joined until they have them)
// at kLeastBands places at least; the page is evened where the bands'
// spacing, fitted by a parabola in x, changes by kLeastChange of the mean
// at least, and lies off it by kMostMisfit at most in every band.
constexpr double kBandWidth = 4;
constexpr std::size_t kLeastPairs = 12;
constexpr std::size_t kLeastBands = 5;
constexpr double kLeastChange = 0.08;
constexpr double kMostMisfit = 0.06;

// The mean of the middle half of `values`: steadier than the median where
// glyphs stand on whole pixels.
double MiddleMean(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t from = values.size() / 4;
    const std::size_t to = values.size() - from;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += values[i];
    }
    return sum / static_cast<double>(to - from);
}

// Solves the 3x3 system whose augmented matrix is `m` by elimination;
// false when it is singular.
bool Solve3(double m[3][4], double out[3]) {
    for (int c = 0; c < 3; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 3; ++r) {
            if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) {
                pivot = r;
            }
        }
        if (std::fabs(m[pivot][c]) < 1e-12) {
            return false;
        }
        for (int k = 0; k < 4; ++k) {
            std::swap(m[c][k], m[pivot][k]);
        }
        for (int r = 0; r < 3; ++r) {
            if (r != c) {
                const double f = m[r][c] / m[c][c];
                for (int k = 0; k < 4; ++k) {
                    m[r][k] -= f * m[c][k];
                }
            }
        }
    }
    for (int c = 0; c < 3; ++c) {
        out[c] = m[c][3] / m[c][c];
    }
    return true;
}

}  // namespace

bool FindColumnSources(const std::vector<Box>& blobs, double height, int width,
                       ColumnSources* sources) {
    if (height <= 0 || width <= 0) {
        return false;
    }
    std::vector<Box> glyphs;
    for (const Box& blob : blobs) {
        if (blob.Height() >= kLeastGlyph * height && blob.Height() <= kMostGlyph * height &&
            blob.Width() <= kWidestGlyph * height) {
            glyphs.push_back(blob);
        }
    }
    std::sort(glyphs.begin(), glyphs.end(),
              [](const Box& a, const Box& b) { return a.left < b.left; });
    const double band = kBandWidth * height;
    const std::size_t bands = static_cast<std::size_t>(std::ceil(width / band));
    std::vector<std::vector<double>> spacing(bands);
    std::vector<double> middles(bands, 0);  // the sum of each band's pairs' middles
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Box& a = glyphs[i];
        for (std::size_t j = i + 1; j < glyphs.size(); ++j) {
            const Box& b = glyphs[j];
            if (b.left - a.right > kTokenGap * height) {
                break;
            }
            if (b.left >= a.right - 1 &&
                std::fabs(b.CenterY() - a.CenterY()) <= kSameLine * height) {
                const double middle = (a.CenterX() + b.CenterX()) / 2;
                const std::size_t k = std::min(bands - 1, static_cast<std::size_t>(middle / band));
                spacing[k].push_back(b.CenterX() - a.CenterX());
                middles[k] += middle;
                break;
            }
        }
    }
    // The bands' spacings, fitted by s(x) = c0 + c1 x + c2 x^2. A band with
    // too few neighbours (a sheet of a few rows) is measured together with
    // the bands to its right until they hold enough, at the mean middle of
    // their pairs; a short rest at the right end is left out of the fit.
    // The text runs from the first band with a pair to the last.
    std::vector<double> xs;
    std::vector<double> ss;
    double first = -1;
    double last = 0;
    std::vector<double> gathered;
    double gathered_middles = 0;
    for (std::size_t k = 0; k < bands; ++k) {
        if (spacing[k].empty()) {
            continue;
        }
        if (first < 0) {
            first = k * band;
        }
        last = (k + 1) * band;
        gathered.insert(gathered.end(), spacing[k].begin(), spacing[k].end());
        gathered_middles += middles[k];
        if (gathered.size() >= kLeastPairs) {
            xs.push_back(gathered_middles / static_cast<double>(gathered.size()));
            ss.push_back(MiddleMean(gathered));
            gathered.clear();
            gathered_middles = 0;
        }
    }
    if (xs.size() < kLeastBands) {
        return false;
    }
    double m[3][4] = {};
    for (std::size_t i = 0; i < xs.size(); ++i) {
        const double p[3] = {1, xs[i] / width, (xs[i] / width) * (xs[i] / width)};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                m[r][c] += p[r] * p[c];
            }
            m[r][3] += p[r] * ss[i];
        }
    }
    double c[3];
    if (!Solve3(m, c)) {
        return false;
    }
    const auto fitted = [&c, width](double x) {
        const double u = x / width;
        return c[0] + c[1] * u + c[2] * u * u;
    };
    double mean = 0;
    double lowest = 1e18;
    double highest = 0;
    double misfit = 0;
    for (std::size_t i = 0; i < xs.size(); ++i) {
        mean += ss[i] / xs.size();
        lowest = std::min(lowest, fitted(xs[i]));
        highest = std::max(highest, fitted(xs[i]));
    }
    for (std::size_t i = 0; i < xs.size(); ++i) {
        misfit = std::max(misfit, std::fabs(ss[i] - fitted(xs[i])) / mean);
    }
    if (lowest <= 0 || (highest - lowest) < kLeastChange * mean || misfit > kMostMisfit) {
        return false;
    }
    // The evened page's x grows by mean / s(x) for every pixel of the
    // page's, from the text's left end, where both begin; between the
    // text's ends the spacing is the fitted one, beyond them held.
    std::vector<double> evened(static_cast<std::size_t>(width) + 1, 0);
    for (int x = 1; x <= width; ++x) {
        // A fit that falls towards nothing between or beyond the bands
        // measured is no spacing to set the page by.
        const double spacing = fitted(std::clamp(x - 0.5, first, last));
        if (!(spacing > kLeastChange * mean)) {
            return false;
        }
        evened[static_cast<std::size_t>(x)] =
            evened[static_cast<std::size_t>(x) - 1] + mean / spacing;
    }
    // Anchored at the text's middle, so that the page moves least there.
    const double middle = (first + last) / 2;
    const double shift = middle - evened[static_cast<std::size_t>(middle)];
    sources->assign(static_cast<std::size_t>(width), -1);
    std::size_t from = 0;
    for (int x = 0; x < width; ++x) {
        const double target = x - shift;
        while (from + 1 < evened.size() && evened[from + 1] < target) {
            ++from;
        }
        if (target < evened.front() || from + 1 >= evened.size()) {
            continue;
        }
        const double span = evened[from + 1] - evened[from];
        (*sources)[static_cast<std::size_t>(x)] =
            from + (span > 0 ? (target - evened[from]) / span : 0);
    }
    return true;
}

Pix* EvenColumns(Pix* grey, const ColumnSources& sources) {
    if (sources.size() != static_cast<std::size_t>(pixGetWidth(grey))) {
        return nullptr;
    }
    return Resample(grey, Axis::X,
                    [&sources](int x, int) { return sources[static_cast<std::size_t>(x)]; });
}

}  // namespace tsy::scan
