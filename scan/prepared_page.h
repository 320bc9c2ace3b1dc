// A page image made ready for the grid, the shapes and the engine: grey with
// its background flattened, deskewed, binarised, enlarged where its
// characters are small, and with the dots of dot-matrix print (and the
// pieces of broken print) joined into whole glyphs. Leptonica does the
// image work.
#pragma once

#include <leptonica/allheaders.h>

#include <memory>
#include <vector>

#include "scan/glyphs.h"
#include "scan/page_image.h"

namespace tsy::scan {

using PixPtr = std::unique_ptr<Pix, PixFree>;

struct PreparedPage {
    PixPtr grey;             // background white, deskewed, enlarged by `scale`, blurred by `blur`
    PixPtr binary;           // the ink, dots joined, specks gone
    std::vector<Box> blobs;  // the connected ink of `binary`
    int scale = 1;           // how much the page was enlarged
    // The blur (pixels each way) that joined the dots of dot-matrix print or
    // the pieces of broken strokes into glyphs; 0 for solid print.
    int blur = 0;
    double char_height = 0;  // the usual height of a glyph, 0 when none
    // Only when asked for: the grey page deskewed as `grey` is, at its own
    // size and neither flattened nor blurred, to show the user.
    PixPtr straight;
};

// Prepares the page image `read` (any depth), keeping the straightened
// page when `keep_straight` asks for it. False when it cannot be converted
// to grey or binarised.
bool PreparePage(Pix* read, PreparedPage* page, bool keep_straight = false);

}  // namespace tsy::scan
