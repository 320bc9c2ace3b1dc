#include "scan/annotation_picture.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tsy::scan {
namespace {

// A font of 5 by 7 dots for the candidates: the hexadecimal digits and '?'.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr char kGlyphNames[] = "0123456789ABCDEF?";
constexpr const char* kGlyphs[][kGlyphHeight] = {
    {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."},  // 0
    {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},  // 1
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},  // 2
    {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."},  // 3
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},  // 4
    {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."},  // 5
    {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."},  // 6
    {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."},  // 7
    {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."},  // 8
    {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."},  // 9
    {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},  // A
    {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."},  // B
    {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."},  // C
    {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."},  // D
    {"#####", "#....", "#....", "####.", "#....", "#....", "#####"},  // E
    {"#####", "#....", "#....", "####.", "#....", "#....", "#...."},  // F
    {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."},  // ?
};

struct PixDestroy {
    void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using Picture = std::unique_ptr<Pix, PixDestroy>;

void Fill(Pix* pix, int left, int top, int right, int bottom, unsigned colour) {
    const int width = static_cast<int>(pixGetWidth(pix));
    const int height = static_cast<int>(pixGetHeight(pix));
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width);
    bottom = std::min(bottom, height);
    const l_uint32 value = (colour & 0xFFFFFF) << 8;  // Leptonica's RGBA
    for (int y = top; y < bottom; ++y) {
        l_uint32* line = pixGetData(pix) + static_cast<long>(y) * pixGetWpl(pix);
        std::fill(line + left, line + std::max(left, right), value);
    }
}

// A frame `thickness` pixels wide just outside `box`.
void Frame(Pix* pix, const Box& box, int thickness, unsigned colour) {
    const int l = box.left - thickness, t = box.top - thickness;
    const int r = box.right + thickness, b = box.bottom + thickness;
    Fill(pix, l, t, r, box.top, colour);
    Fill(pix, l, box.bottom, r, b, colour);
    Fill(pix, l, box.top, box.left, box.bottom, colour);
    Fill(pix, box.right, box.top, r, box.bottom, colour);
}

// The box `text` takes with its top left corner at (`left`, `top`), each dot
// `dot` pixels square, its white ground included.
Box TextBox(const std::string& text, int left, int top, int dot) {
    const int advance = (kGlyphWidth + 1) * dot;
    return Box{left - dot, top - dot, left + static_cast<int>(text.size()) * advance,
               top + (kGlyphHeight + 1) * dot};
}

bool Overlap(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Writes `text` in the box TextBox gives, on a white ground.
void Write(Pix* pix, const std::string& text, const Box& box, int dot, unsigned colour) {
    const int advance = (kGlyphWidth + 1) * dot;
    const int left = box.left + dot;
    const int top = box.top + dot;
    Fill(pix, box.left, box.top, box.right, box.bottom, 0xFFFFFF);
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char* found = std::strchr(kGlyphNames, text[k]);
        const std::size_t glyph = found != nullptr && *found != '\0'
                                      ? static_cast<std::size_t>(found - kGlyphNames)
                                      : sizeof kGlyphNames - 2;  // '?'
        const int x = left + static_cast<int>(k) * advance;
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int column = 0; column < kGlyphWidth; ++column) {
                if (kGlyphs[glyph][row][column] == '#') {
                    Fill(pix, x + column * dot, top + row * dot, x + (column + 1) * dot,
                         top + (row + 1) * dot, colour);
                }
            }
        }
    }
}

}  // namespace

std::vector<unsigned char> AnnotatedPng(Pix* picture, const PageMarks& marks) {
    std::vector<unsigned char> png;
    if (picture == nullptr) {
        return png;
    }
    Picture colour(pixConvertTo32(picture));
    if (!colour) {
        return png;
    }
    Pix* pix = colour.get();
    // The marks grow with the print: a line a tenth of a row high.
    int row_height = 0;
    for (const RowMark& row : marks.rows) {
        row_height = std::max(row_height, row.box.Height());
    }
    const int line = std::max(1, row_height / 10);
    const int dot = std::max(2, (row_height + kGlyphHeight) / (2 * kGlyphHeight));
    for (const RowMark& row : marks.rows) {
        for (const Box& cell : row.cells) {
            Frame(pix, Box{cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1}, 1,
                  kCellColour);
        }
    }
    // A row's frame stands a line clear of its cells', which doubts frame.
    for (const RowMark& row : marks.rows) {
        const Box clear{row.box.left - line, row.box.top - line, row.box.right + line,
                        row.box.bottom + line};
        Frame(pix, clear, line, row.verified ? kVerifiedColour : kUnverifiedColour);
    }
    for (const DoubtMark& doubt : marks.doubts) {
        Frame(pix, doubt.box, line, kDoubtColour);
    }
    // The candidates after the boxes, so that no box crosses them: above
    // their character, else below it, else moved right of the labels they
    // would cover and joined to it by a line.
    std::vector<Box> labels;
    for (const DoubtMark& doubt : marks.doubts) {
        const std::string text = doubt.candidates.empty() ? std::string("?") : doubt.candidates;
        const int height = (kGlyphHeight + 1) * dot;
        Box label = TextBox(text, doubt.box.left, doubt.box.top - 2 * line - height, dot);
        auto covers = [&labels](const Box& box) {
            return std::any_of(labels.begin(), labels.end(),
                               [&box](const Box& other) { return Overlap(box, other); });
        };
        if (covers(label)) {
            const Box below = TextBox(text, doubt.box.left, doubt.box.bottom + 2 * line + dot, dot);
            if (!covers(below)) {
                label = below;
            }
        }
        const int placed = label.left;
        for (bool moved = true; moved;) {
            moved = false;
            for (const Box& other : labels) {
                if (Overlap(label, other)) {
                    const int shift = other.right + dot - label.left;
                    label.left += shift;
                    label.right += shift;
                    moved = true;
                }
            }
        }
        Write(pix, text, label, dot, kDoubtColour);
        if (label.left != placed) {
            // Moved aside: a line from the candidates to their character.
            const bool above = label.bottom <= doubt.box.top;
            const int x = static_cast<int>(doubt.box.CenterX());
            pixRenderLineArb(pix, x, above ? doubt.box.top - line : doubt.box.bottom + line,
                             label.left, above ? label.bottom - 1 : label.top,
                             std::max(1, line / 2), (kDoubtColour >> 16) & 0xFF,
                             (kDoubtColour >> 8) & 0xFF, kDoubtColour & 0xFF);
        }
        labels.push_back(label);
    }
    l_uint8* data = nullptr;
    size_t size = 0;
    if (pixWriteMemPng(&data, &size, pix, 0.0f) == 0 && data != nullptr) {
        png.assign(data, data + size);
    }
    lept_free(data);
    return png;
}

}  // namespace tsy::scan
