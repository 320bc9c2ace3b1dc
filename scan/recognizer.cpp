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

#include "platform/platform.h"
#include "scan/shapes.h"

namespace tsy::scan {
namespace {

// What the engine may read: the characters of a listing, the letters of its
// headings ("ADRS", "SUM") and the usual look-alikes, which the layout maps.
constexpr char kCharacters[] = "0123456789ABCDEFSUMROIG+:()-.";

using PixPtr = std::unique_ptr<Pix, PixFree>;

struct BoxaDeleter {
    void operator()(Boxa* boxa) const { boxaDestroy(&boxa); }
};

// The page cleaned up: grey with its background flattened to white, and
// binarised; both deskewed alike, so that boxes found on one hold on the
// other.
struct CleanPage {
    PixPtr grey;
    PixPtr binary;
};

// Grey, deskewed, binarised against a flattened background, specks gone.
bool CleanUp(PixPtr read, CleanPage* page) {
    // A grey page is worked on as it is, not copied: a page's memory is
    // what is derived from it.
    const bool grey_already = pixGetDepth(read.get()) == 8 && pixGetColormap(read.get()) == nullptr;
    PixPtr grey = grey_already
                      ? std::move(read)
                      : PixPtr(pixGetDepth(read.get()) == 32 ? pixConvertRGBToLuminance(read.get())
                                                             : pixConvertTo8(read.get(), 0));
    read.reset();
    if (!grey) {
        return false;
    }
    PixPtr straight(pixDeskew(grey.get(), 0));
    if (straight) {
        grey = std::move(straight);
    }
    PixPtr binary(pixOtsuThreshOnBackgroundNorm(grey.get(), nullptr, 10, 15, 100, 50, 255, 2, 2,
                                                0.1f, nullptr));
    if (!binary) {
        return false;
    }
    PixPtr clean(
        pixSelectBySize(binary.get(), 4, 4, 8, L_SELECT_IF_EITHER, L_SELECT_IF_GTE, nullptr));
    page->binary = clean ? std::move(clean) : std::move(binary);
    page->grey.reset(pixBackgroundNorm(grey.get(), nullptr, nullptr, 10, 15, 100, 50, 255, 2, 2));
    return page->grey != nullptr;
}

std::vector<Box> Blobs(Pix* binary) {
    std::vector<Box> blobs;
    std::unique_ptr<Boxa, BoxaDeleter> boxa(pixConnCompBB(binary, 8));
    if (!boxa) {
        return blobs;
    }
    const int height = static_cast<int>(pixGetHeight(binary));
    const int count = boxaGetCount(boxa.get());
    for (int i = 0; i < count; ++i) {
        l_int32 x, y, w, h;
        if (boxaGetBoxGeometry(boxa.get(), i, &x, &y, &w, &h) == 0 && h < height / 8) {
            blobs.push_back(Box{x, y, x + w, y + h});
        }
    }
    return blobs;
}

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

// A flat bar at mid height is a dash; the engine reads a lone one poorly,
// and the rows of dashes under Oh!MZ blocks are made of nothing else.
void MarkDashes(const Grid& grid, RecognizedPage* page) {
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        const GridRow& row = grid.rows[r];
        for (std::size_t i = 0; i < row.boxes.size(); ++i) {
            const Box& ink = row.boxes[i];
            if (ink.Height() * 10 <= grid.char_height * 3 && ink.Width() >= 0.3 * grid.pitch &&
                ink.top > row.top + (row.bottom - row.top) / 4) {
                page->text.rows[r].cells[i].choices = {Choice{'-', 1.0f}};
                page->shapes[r][i].fill(0);  // a dash is in no shape group
            }
        }
    }
}

// The ink of a grey page with a white background, from 0 (paper) to 1.
class Ink {
  public:
    explicit Ink(Pix* grey)
        : data_(pixGetData(grey)),
          wpl_(pixGetWpl(grey)),
          width_(static_cast<int>(pixGetWidth(grey))),
          height_(static_cast<int>(pixGetHeight(grey))) {}

    float At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            return 0;
        }
        const l_uint32* line = data_ + static_cast<std::ptrdiff_t>(y) * wpl_;
        const float v = 1.0f - static_cast<float>(GET_DATA_BYTE(line, x)) / 255.0f;
        // The paper's grain is no ink.
        return v < kPaper ? 0.0f : v;
    }

  private:
    static constexpr float kPaper = 0.2f;
    l_uint32* data_;
    int wpl_;
    int width_;
    int height_;
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

std::vector<std::vector<Shape>> CutShapes(Pix* grey, const Grid& grid) {
    const Ink ink(grey);
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

Recognizer::Recognizer() : engine_(std::make_unique<Engine>()) {}

Recognizer::~Recognizer() {
    if (engine_->started) {
        engine_->api.End();
    }
}

RecognizeStatus Recognizer::Recognize(std::unique_ptr<Pix, PixFree> image, RecognizedPage* out) {
    *out = RecognizedPage();
    PageText* page = &out->text;
    if (!engine_->Start()) {
        return RecognizeStatus::EngineMissing;
    }
    CleanPage clean;
    if (!CleanUp(std::move(image), &clean)) {
        return RecognizeStatus::Unreadable;
    }
    Pix* binary = clean.binary.get();
    const Grid grid = FindGrid(Blobs(binary));
    if (grid.rows.empty()) {
        return RecognizeStatus::Done;
    }
    int row_height = grid.char_height;
    for (const GridRow& row : grid.rows) {
        row_height = std::max(row_height, row.bottom - row.top);
    }
    Spacing spacing;
    spacing.step = static_cast<int>(std::lround(grid.pitch * 1.0));
    spacing.leading = row_height * 2;
    spacing.margin = row_height;
    PixPtr spaced = SpacedCopy(binary, grid, spacing);
    if (!spaced) {
        return RecognizeStatus::Unreadable;
    }

    page->rows.resize(grid.rows.size());
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        for (int column : grid.rows[r].cells) {
            Cell cell;
            cell.column = column;
            page->rows[r].cells.push_back(cell);
        }
    }
    tesseract::TessBaseAPI& api = engine_->api;
    api.SetImage(spaced.get());
    if (api.Recognize(nullptr) != 0) {
        api.Clear();
        return RecognizeStatus::Unreadable;
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
    out->shapes = CutShapes(clean.grey.get(), grid);
    MarkDashes(grid, out);
    return RecognizeStatus::Done;
}

}  // namespace tsy::scan
