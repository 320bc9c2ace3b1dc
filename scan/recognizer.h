// Recognition of one page image with the Tesseract engine. Leptonica reads
// the image and cleans it up (grey, background flattened, deskewed,
// binarised, specks removed); the grid is found from the ink blobs; then
// every occupied cell is set apart from its neighbours on a spaced-out copy
// of the rows, so that the engine's line recogniser neither drops nor merges
// characters, and each symbol it reads goes back to its cell with the
// engine's ranked alternatives.
#pragma once

#include <memory>
#include <vector>

#include "scan/glyphs.h"
#include "scan/grid.h"
#include "scan/page_image.h"
#include "scan/shapes.h"

namespace tsy::scan {

enum class RecognizeStatus { Done, EngineMissing, Unreadable };

// What the engine read on a page, and the shape of each glyph it read it
// from (`shapes[row][cell]`), to be grouped by LearnShapes. The rows' places
// are on the page straightened at its own size.
struct RecognizedPage {
    PageText text;
    std::vector<std::vector<Shape>> shapes;
};

class Recognizer {
  public:
    // With `use_engine` false the glyphs are found and their shapes cut,
    // but nothing is read: every cell is left without readings.
    explicit Recognizer(bool use_engine = true);
    ~Recognizer();
    Recognizer(const Recognizer&) = delete;
    Recognizer& operator=(const Recognizer&) = delete;

    // Reads the page `image` (8-bit grey, as LoadPageImage gives it; let
    // go as soon as what is derived from it is had) into `page`.
    // EngineMissing when the engine or its English data cannot be started;
    // Unreadable when the image cannot be worked on. A page without text is
    // Done with no rows. With `picture`, the page straightened (8-bit grey
    // at its own size, what the rows' places are on) goes there.
    RecognizeStatus Recognize(std::unique_ptr<Pix, PixFree> image, RecognizedPage* page,
                              std::unique_ptr<Pix, PixFree>* picture = nullptr);

  private:
    struct Engine;
    std::unique_ptr<Engine> engine_;
    bool use_engine_;
};

}  // namespace tsy::scan
