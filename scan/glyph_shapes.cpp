#include "scan/glyph_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace tsy::scan {
namespace {

// The ink of a grey page with a white background, from 0 (paper) to 1
// (as dark as the darkest tenth of the glyphs: faded print, and dots
// spread over their gaps, count as much as black).
class Ink {
  public:
    Ink(Pix* grey, const Grid& grid)
        : data_(pixGetData(grey)),
          wpl_(pixGetWpl(grey)),
          width_(static_cast<int>(pixGetWidth(grey))),
          height_(static_cast<int>(pixGetHeight(grey))) {
        std::vector<int> levels;
        for (const GridRow& row : grid.rows) {
            for (const Box& box : row.boxes) {
                for (int y = box.top; y < box.bottom; y += kSampleStep) {
                    for (int x = box.left; x < box.right; x += kSampleStep) {
                        levels.push_back(Grey(x, y));
                    }
                }
            }
        }
        if (!levels.empty()) {
            const auto rank = levels.begin() + static_cast<long>(levels.size() / kDarkestShare);
            std::nth_element(levels.begin(), rank, levels.end());
            full_ = std::max(kLeastFull, 255 - *rank);
        }
    }

    float At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            return 0;
        }
        const float v =
            std::min(1.0f, static_cast<float>(255 - Grey(x, y)) / static_cast<float>(full_));
        // The paper's grain is no ink.
        return v < kPaper ? 0.0f : v;
    }

  private:
    static constexpr float kPaper = 0.2f;
    static constexpr int kSampleStep = 2;
    static constexpr std::size_t kDarkestShare = 10;
    static constexpr int kLeastFull = 64;

    int Grey(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            return 255;
        }
        const l_uint32* line = data_ + static_cast<std::ptrdiff_t>(y) * wpl_;
        return static_cast<int>(GET_DATA_BYTE(line, x));
    }

    l_uint32* data_;
    int wpl_;
    int width_;
    int height_;
    int full_ = 255;
};
// The baseline of a row as a line y = a + b x, fitted to the bottoms of its
// cells of full character height (digits and capitals sit on it).
struct Baseline {
    double a = 0;
    double b = 0;
    double At(double x) const { return a + b * x; }
};

Baseline FitBaseline(const GridRow& row, int char_height) {
    std::vector<std::pair<double, double>> points;
    for (const Box& box : row.boxes) {
        if (box.Height() >= 0.85 * char_height && box.Height() <= 1.15 * char_height) {
            points.emplace_back(box.CenterX(), box.bottom);
        }
    }
    Baseline line{static_cast<double>(row.bottom), 0};
    if (points.empty()) {
        return line;
    }
    std::vector<double> bottoms;
    for (const auto& point : points) {
        bottoms.push_back(point.second);
    }
    std::nth_element(bottoms.begin(), bottoms.begin() + static_cast<long>(bottoms.size() / 2),
                     bottoms.end());
    line.a = bottoms[bottoms.size() / 2];
    // Least squares over the points near the median, so that a stain or a
    // broken glyph does not tilt the line.
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y] : points) {
        if (std::fabs(y - line.a) <= 0.1 * char_height + 1) {
            n += 1;
            sx += x;
            sy += y;
            sxx += x * x;
            sxy += x * y;
        }
    }
    const double det = n * sxx - sx * sx;
    if (n >= 3 && det > 1e-9) {
        line.b = (n * sxy - sx * sy) / det;
        line.a = (sy - line.b * sx) / n;
    }
    return line;
}

// The shape of the glyph in `ink_box`, a cell of `row`: the ink inside
// that box (so that no neighbour's edge comes in), on a window of 1.3
// pitches by 1.3 character heights (a wide glyph fills its cell) centred on
// the glyph's centre of ink, sampled on the shape raster.
Shape CutShape(const Ink& ink, const Grid& grid, const Box& ink_box, const Baseline& baseline) {
    const double height = grid.char_height;
    const double base = baseline.At(ink_box.CenterX());
    // Widened by a pixel for the faint edge of a stroke.
    constexpr int kBoxMargin = 1;
    const int left = ink_box.left - kBoxMargin;
    const int right = ink_box.right + kBoxMargin;
    const int top =
        std::max(ink_box.top - kBoxMargin, static_cast<int>(std::floor(base - 1.2 * height)));
    const int bottom =
        std::min(ink_box.bottom + kBoxMargin, static_cast<int>(std::ceil(base + 0.2 * height)));
    auto inside = [&](int x, int y) {
        return x >= left && x < right && y >= top && y < bottom ? ink.At(x, y) : 0.0f;
    };
    double mass = 0, mx = 0, my = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const float v = inside(x, y);
            mass += v;
            mx += v * x;
            my += v * y;
        }
    }
    Shape shape{};
    if (mass < 0.05 * height) {
        return shape;
    }
    const double cx = mx / mass;
    const double cy = my / mass;
    const double step_x = 1.3 * grid.pitch / kShapeWidth;
    const double step_y = 1.3 * height / kShapeHeight;
    auto sample = [&](double x, double y) {
        const int x0 = static_cast<int>(std::floor(x));
        const int y0 = static_cast<int>(std::floor(y));
        const float fx = static_cast<float>(x - x0);
        const float fy = static_cast<float>(y - y0);
        return (1 - fy) * ((1 - fx) * inside(x0, y0) + fx * inside(x0 + 1, y0)) +
               fy * ((1 - fx) * inside(x0, y0 + 1) + fx * inside(x0 + 1, y0 + 1));
    };
    for (int j = 0; j < kShapeHeight; ++j) {
        for (int i = 0; i < kShapeWidth; ++i) {
            const double x = cx + (i + 0.5 - kShapeWidth / 2.0) * step_x;
            const double y = cy + (j + 0.5 - kShapeHeight / 2.0) * step_y;
            // Four samples a raster point, against aliasing.
            float sum = 0;
            for (double dy : {-0.25, 0.25}) {
                for (double dx : {-0.25, 0.25}) {
                    sum += sample(x + dx * step_x, y + dy * step_y);
                }
            }
            shape[static_cast<std::size_t>(j * kShapeWidth + i)] = sum / 4;
        }
    }
    NormalizeShape(&shape);
    return shape;
}

}  // namespace

std::vector<std::vector<Shape>> CutShapes(Pix* grey, const Grid& grid) {
    const Ink ink(grey, grid);
    std::vector<std::vector<Shape>> shapes;
    for (const GridRow& row : grid.rows) {
        const Baseline baseline = FitBaseline(row, grid.char_height);
        shapes.emplace_back();
        for (const Box& box : row.boxes) {
            shapes.back().push_back(CutShape(ink, grid, box, baseline));
        }
    }
    return shapes;
}

}  // namespace tsy::scan
