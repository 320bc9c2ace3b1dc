// A page moved pixel by pixel along one axis: each pixel of the copy is
// taken from a point of its own row (or column) of the page, between two
// pixels, by linear interpolation. Evening a photo's columns moves the page
// along x; levelling its lines moves it along y.
#pragma once

#include <leptonica/allheaders.h>

#include <cmath>
#include <cstddef>

namespace tsy::scan {

enum class Axis { X, Y };

// A copy of the 8-bit page `grey` whose pixel (x, y) is taken, along x,
// from (source(x, y), y) or, along y, from (x, source(x, y)); white where
// that point has no pixel on both sides on the page. Null where `grey` is
// not 8-bit or no copy could be made.
template <typename Source>
Pix* Resample(Pix* grey, Axis axis, Source source) {
    if (pixGetDepth(grey) != 8) {
        return nullptr;
    }
    const int width = static_cast<int>(pixGetWidth(grey));
    const int height = static_cast<int>(pixGetHeight(grey));
    Pix* moved = pixCreate(width, height, 8);
    if (moved == nullptr) {
        return nullptr;
    }
    const int extent = axis == Axis::X ? width : height;
    const l_uint32* from = pixGetData(grey);
    const int from_words = pixGetWpl(grey);
    l_uint32* to = pixGetData(moved);
    const int to_words = pixGetWpl(moved);
    for (int y = 0; y < height; ++y) {
        const l_uint32* row = from + static_cast<std::ptrdiff_t>(y) * from_words;
        l_uint32* line = to + static_cast<std::ptrdiff_t>(y) * to_words;
        for (int x = 0; x < width; ++x) {
            const double at = source(x, y);
            const double first = std::floor(at);
            int value = 255;
            if (first >= 0 && first + 1 < extent) {
                const int k = static_cast<int>(first);
                const double f = at - first;
                int a = 0;
                int b = 0;
                if (axis == Axis::X) {
                    a = GET_DATA_BYTE(row, k);
                    b = GET_DATA_BYTE(row, k + 1);
                } else {
                    a = GET_DATA_BYTE(from + static_cast<std::ptrdiff_t>(k) * from_words, x);
                    b = GET_DATA_BYTE(from + static_cast<std::ptrdiff_t>(k + 1) * from_words, x);
                }
                value = static_cast<int>(std::lround(a * (1 - f) + b * f));
            }
            SET_DATA_BYTE(line, x, value);
        }
    }
    return moved;
}

}  // namespace tsy::scan
