#include "scan/recognizer.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>
#ifdef TSY_SCAN_OPENMP
#include <omp.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "scan/glyph_shapes.h"
#include "scan/listing_apart.h"
#include "scan/page_regions.h"
#include "scan/prepared_page.h"
#include "scan/shapes.h"

namespace tsy::scan {
namespace {

// A dash is at most this share of a character high and at least this
// share of the pitch wide; a colon at most this share of the pitch wide
// (a dot-matrix colon, spread by the blur that joins its dots, nearly half
// a cell), and from this share of a character high to that.
constexpr double kDashHeight = 0.4;
constexpr double kDashWidth = 0.3;
constexpr double kColonWidth = 0.5;
constexpr double kColonLeast = 0.35;
constexpr double kColonMost = 0.85;
// A colon whose two dots ran together stands clear of the row's top and
// foot by this share of a character at least (a point sits on the foot).
constexpr double kColonInset = 0.08;
// Other ink no wider and no higher than this share of a character is a
// speck.
constexpr double kSpeckSize = 0.4;

// A cell of a glyph moved to be read, on the page: at least this share of
// a character's height wide, with this many pixels beside its ink.
constexpr double kNarrowestCell = 0.5;
constexpr double kCellRoom = 1;

// What the engine may read: the characters of a listing, the letters of its
// headings ("ADRS", "SUM") and the usual look-alikes, which the layout maps.
constexpr char kCharacters[] = "0123456789ABCDEFSUMROIG+:()-.";

// Where each cell of the grid goes on the spaced-out copy.
struct Spacing {
    int margin = 0;
    int step = 0;     // from one cell to the next
    int leading = 0;  // from one row to the next

    int Left(int column) const { return margin + column * step; }
    int Top(int row) const { return margin + row * leading; }
};

PixPtr SpacedCopy(Pix* binary, const Grid& grid, const Spacing& spacing) {
    int columns = 0;
    for (const GridRow& row : grid.rows) {
        if (!row.cells.empty()) {
            columns = std::max(columns, row.cells.back() + 1);
        }
    }
    const int width = 2 * spacing.margin + columns * spacing.step;
    const int height = 2 * spacing.margin + static_cast<int>(grid.rows.size()) * spacing.leading;
    PixPtr copy(pixCreate(width, height, 1));
    if (!copy) {
        return nullptr;
    }
    pixSetResolution(copy.get(), 300, 300);
    const int pitch = static_cast<int>(std::lround(grid.pitch));
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        const GridRow& row = grid.rows[r];
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            const Box cell = grid.CellBox(row, row.cells[i]);
            const Box& ink = row.boxes[i];
            const int left = std::max(cell.left, ink.left - 1);
            const int right = std::min(cell.right, ink.right + 1);
            const int top = std::max(0, std::min(row.top, ink.top) - 1);
            const int bottom = std::max(row.bottom, ink.bottom) + 1;
            const int x =
                spacing.Left(row.cells[i]) + (left - cell.left) + (spacing.step - pitch) / 2;
            const int y = spacing.Top(static_cast<int>(r)) + (top - row.top);
            pixRasterop(copy.get(), x, y, right - left, bottom - top, PIX_SRC, binary, left, top);
        }
    }
    return copy;
}

void AddChoice(char c, float confidence, std::vector<Choice>* choices) {
    for (Choice& choice : *choices) {
        if (choice.character == c) {
            choice.confidence = std::max(choice.confidence, confidence);
            return;
        }
    }
    choices->push_back(Choice{c, confidence});
}

// The symbol's readings: the engine's best with its confidence, then the
// alternatives of its LSTM choices, all from 0 to 1.
std::vector<Choice> ReadSymbol(const tesseract::ResultIterator& it) {
    std::vector<Choice> choices;
    const char* best = it.GetUTF8Text(tesseract::RIL_SYMBOL);
    if (best != nullptr && best[0] != '\0' && best[1] == '\0') {
        choices.push_back(Choice{best[0], it.Confidence(tesseract::RIL_SYMBOL) / 100.0f});
    }
    delete[] best;
    tesseract::ChoiceIterator alternatives(it);
    do {
        const char* text = alternatives.GetUTF8Text();
        if (text != nullptr && text[0] != '\0' && text[1] == '\0') {
            AddChoice(text[0], alternatives.Confidence() / 100.0f, &choices);
        }
    } while (alternatives.Next());
    return choices;
}

// Marks that are told by their ink alone, as the engine reads them poorly
// and no shape group should hold them: a flat bar at mid height is a dash
// (the rows of dashes under Oh!MZ blocks are made of nothing else); two
// small blobs one over the other (or one, clear of the row's top and foot),
// in a narrow box lower than a character, a colon. Other ink smaller than
// a character either way is marked a speck.
void MarkPunctuation(const Grid& grid, RecognizedPage* page) {
    const double height = grid.char_height;
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        const GridRow& row = grid.rows[r];
        for (std::size_t i = 0; i < row.boxes.size(); ++i) {
            const Box& ink = row.boxes[i];
            char mark = 0;
            if (ink.Height() <= kDashHeight * height && ink.Width() >= kDashWidth * grid.pitch &&
                ink.top > row.top + (row.bottom - row.top) / 4) {
                mark = '-';
            } else if (ink.Width() <= kColonWidth * grid.pitch &&
                       ink.Height() >= kColonLeast * height &&
                       ink.Height() <= kColonMost * height &&
                       (row.pieces[i] == 2 || (ink.top >= row.top + kColonInset * height &&
                                               ink.bottom <= row.bottom - kColonInset * height))) {
                mark = ':';
            }
            Cell& cell = page->text.rows[r].cells[i];
            cell.speck = mark == 0 && ink.Width() <= kSpeckSize * height &&
                         ink.Height() <= kSpeckSize * height;
            if (mark != 0) {
                cell.choices = {Choice{mark, 1.0f}};
                page->shapes[r][i].fill(0);  // in no shape group
            }
        }
    }
}

// Reads the cells of `page` (one per occupied cell of `grid`) with the
// engine, on a spaced-out copy of `binary`; false when the engine fails.
bool ReadCells(tesseract::TessBaseAPI& api, Pix* binary, const Grid& grid, PageText* page) {
    int row_height = grid.char_height;
    for (const GridRow& row : grid.rows) {
        row_height = std::max(row_height, row.bottom - row.top);
    }
    Spacing spacing;
    spacing.step = static_cast<int>(std::lround(grid.pitch));
    spacing.leading = row_height * 2;
    spacing.margin = row_height;
    PixPtr spaced = SpacedCopy(binary, grid, spacing);
    if (!spaced) {
        return false;
    }
    api.SetImage(spaced.get());
    if (api.Recognize(nullptr) != 0) {
        api.Clear();
        return false;
    }
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (it && !it->Empty(tesseract::RIL_SYMBOL)) {
        do {
            Box box;
            if (!it->BoundingBox(tesseract::RIL_SYMBOL, &box.left, &box.top, &box.right,
                                 &box.bottom)) {
                continue;
            }
            const int r =
                static_cast<int>(std::floor((box.CenterY() - spacing.margin) / spacing.leading));
            const int column =
                static_cast<int>(std::floor((box.CenterX() - spacing.margin) / spacing.step));
            if (r < 0 || r >= static_cast<int>(page->rows.size())) {
                continue;
            }
            std::vector<Cell>& cells = page->rows[static_cast<std::size_t>(r)].cells;
            auto cell = std::find_if(cells.begin(), cells.end(),
                                     [column](const Cell& c) { return c.column == column; });
            if (cell == cells.end()) {
                // A symbol whose box strayed into a blank cell: the neighbour
                // that has ink and no reading yet.
                cell = std::find_if(cells.begin(), cells.end(), [column](const Cell& c) {
                    return (c.column == column + 1 || c.column == column - 1) && c.choices.empty();
                });
            }
            if (cell == cells.end()) {
                continue;
            }
            for (const Choice& choice : ReadSymbol(*it)) {
                AddChoice(choice.character, choice.confidence, &cell->choices);
            }
        } while (it->Next(tesseract::RIL_SYMBOL));
    }
    api.Clear();
    return true;
}

// Where the glyph of cell `k` of `row` stood on the page before it was set
// anew (`blobs` where it was set, `origins` where each came from), at the
// page's own size: its ink with a pixel of room, at least half a
// character's height (`height`) wide, so that a narrow 1 is still a cell,
// and the row's height; empty where no blob of the cell is found. The
// pitch of the new setting is no measure there: it is the widest glyph's
// (or a blot's) width.
Box PlaceOnPage(const GridRow& row, std::size_t k, int height, const std::vector<Box>& blobs,
                const std::vector<Box>& origins, double scale) {
    const Box& ink = row.boxes[k];
    Box from;
    bool found = false;
    for (std::size_t b = 0; b < blobs.size(); ++b) {
        const Box& blob = blobs[b];
        if (blob.CenterX() >= ink.left && blob.CenterX() <= ink.right &&
            blob.CenterY() >= ink.top && blob.CenterY() <= ink.bottom) {
            from = found ? Union(from, origins[b]) : origins[b];
            found = true;
        }
    }
    if (!found) {
        return Box{};
    }
    const double half =
        std::max(static_cast<double>(from.Width()), kNarrowestCell * height) / 2 + kCellRoom;
    return Box{static_cast<int>(std::lround((from.CenterX() - half) / scale)),
               static_cast<int>(std::lround(row.top / scale)),
               static_cast<int>(std::lround((from.CenterX() + half) / scale)),
               static_cast<int>(std::lround(row.bottom / scale))};
}

// The folder of the engine's English data into `folder`, left empty for the
// engine's own default (native builds: the system's installed data). On
// Windows the data ships in a folder "tessdata" beside the program, and
// neither TESSDATA_PREFIX nor another installation is looked at.
bool FindEngineData(std::string* folder) {
    folder->clear();
#ifdef _WIN32
    char program[1024];
    if (!platform::ProgramFolder(program, sizeof program)) {
        return false;
    }
    *folder = std::string(program) + "\\tessdata";
#endif
    return true;
}

}  // namespace

struct Recognizer::Engine {
    tesseract::TessBaseAPI api;
    bool started = false;
    bool failed = false;

    bool Start() {
        if (!started && !failed) {
#ifdef TSY_SCAN_OPENMP
            // The engine's parallel loops are small; spread over threads on a
            // busy machine they take several times as long. No parallel
            // region of this process is made active.
            omp_set_max_active_levels(0);
#endif
            setMsgSeverity(L_SEVERITY_NONE);
            std::string data;
            if (!FindEngineData(&data) || api.Init(data.empty() ? nullptr : data.c_str(), "eng",
                                                   tesseract::OEM_LSTM_ONLY) != 0) {
                failed = true;
            } else {
                started = true;
                api.SetVariable("tessedit_char_whitelist", kCharacters);
                api.SetVariable("lstm_choice_mode", "2");
                api.SetVariable("debug_file", "/dev/null");
                api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
            }
        }
        return started;
    }
};

Recognizer::Recognizer(bool use_engine)
    : engine_(std::make_unique<Engine>()), use_engine_(use_engine) {}

Recognizer::~Recognizer() {
    if (engine_->started) {
        engine_->api.End();
    }
}

RecognizeStatus Recognizer::Recognize(std::unique_ptr<Pix, PixFree> image, RecognizedPage* out,
                                      std::unique_ptr<Pix, PixFree>* picture) {
    *out = RecognizedPage();
    PageText* page = &out->text;
    if (use_engine_ && !engine_->Start()) {
        return RecognizeStatus::EngineMissing;
    }
    PreparedPage prepared;
    const bool prepared_well = PreparePage(image.get(), &prepared, picture != nullptr);
    // The page is let go as soon as what is derived from it is had.
    image.reset();
    if (!prepared_well) {
        return RecognizeStatus::Unreadable;
    }
    if (picture != nullptr) {
        *picture = std::move(prepared.straight);
    }
    // The grid is laid over the page's listing regions only, not over the
    // prose and pictures around them; a listing whose digits stand apart is
    // set on one pitch first, and its rows then have no pitch on the page:
    // each cell keeps the place its glyph came from.
    PageRegions regions = FindListingRegions(prepared.blobs);
    std::vector<Box> origins;
    const bool set_anew = SetListingOnPitch(&prepared, &regions, &origins);
    Pix* binary = prepared.binary.get();
    const Grid grid = FindGrid(regions.blobs);
    if (grid.rows.empty()) {
        return RecognizeStatus::Done;
    }
    page->rows.resize(grid.rows.size());
    // The rows' places on the page at its own size, where it was enlarged.
    const double scale = prepared.scale;
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        PageRow& placed = page->rows[r];
        placed.top = grid.rows[r].top / scale;
        placed.bottom = grid.rows[r].bottom / scale;
        placed.origin = grid.rows[r].origin / scale;
        placed.pitch = set_anew ? 0 : grid.rows[r].pitch / scale;
        for (std::size_t k = 0; k < grid.rows[r].cells.size(); ++k) {
            Cell cell;
            cell.column = grid.rows[r].cells[k];
            if (set_anew) {
                placed.places.push_back(
                    PlaceOnPage(grid.rows[r], k, grid.char_height, regions.blobs, origins, scale));
            }
            placed.cells.push_back(cell);
        }
    }
    if (use_engine_ && !ReadCells(engine_->api, binary, grid, page)) {
        return RecognizeStatus::Unreadable;
    }
    // Glyphs printed in dots are compared as strokes: each dot spread over
    // its gaps, so that a dot a little off its place changes little.
    PixPtr smooth;
    if (prepared.blur > 0) {
        const int spread = prepared.blur * prepared.scale;
        smooth.reset(pixBlockconv(prepared.grey.get(), spread, spread));
    }
    out->shapes = CutShapes(smooth ? smooth.get() : prepared.grey.get(), grid);
    MarkPunctuation(grid, out);
    return RecognizeStatus::Done;
}

}  // namespace tsy::scan
