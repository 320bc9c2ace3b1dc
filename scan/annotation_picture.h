// An annotated page: the page's picture in colour with a scan's marks drawn
// on it, as the bytes of a PNG file. Every cell of a listing row in a thin
// blue box; a row the sums verified in a green box, any other row in an
// orange one; each character in doubt in a red box with its candidates in
// red above it.
#pragma once

#include <vector>

#include "scan/annotation.h"
#include "scan/page_image.h"

namespace tsy::scan {

// The colours of the marks, as 0xRRGGBB.
inline constexpr unsigned kCellColour = 0x5A8CFF;
inline constexpr unsigned kVerifiedColour = 0x00A000;
inline constexpr unsigned kUnverifiedColour = 0xF08C00;
inline constexpr unsigned kDoubtColour = 0xE00000;

// The PNG file of `picture` (any depth) with `marks` drawn on it; empty when
// it cannot be made.
std::vector<unsigned char> AnnotatedPng(Pix* picture, const PageMarks& marks);

}  // namespace tsy::scan
