#include "scan/recognizer.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>

namespace tsy::scan {
namespace {

// What the engine may read: the characters of a listing, the letters of its
// headings ("ADRS", "SUM") and the usual look-alikes, which the layout maps.
constexpr char kCharacters[] = "0123456789ABCDEFSUMROIG+:()-.";

struct PixDeleter {
    void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

struct BoxaDeleter {
    void operator()(Boxa* boxa) const { boxaDestroy(&boxa); }
};

// Grey, deskewed, binarised against a flattened background, specks gone.
PixPtr CleanUp(Pix* read) {
    PixPtr grey(pixGetDepth(read) == 32 ? pixConvertRGBToLuminance(read) : pixConvertTo8(read, 0));
    if (!grey) {
        return nullptr;
    }
    PixPtr straight(pixDeskew(grey.get(), 0));
    if (straight) {
        grey = std::move(straight);
    }
    PixPtr binary(pixOtsuThreshOnBackgroundNorm(grey.get(), nullptr, 10, 15, 100, 50, 255, 2, 2,
                                                0.1f, nullptr));
    if (!binary) {
        return nullptr;
    }
    PixPtr clean(
        pixSelectBySize(binary.get(), 4, 4, 8, L_SELECT_IF_EITHER, L_SELECT_IF_GTE, nullptr));
    return clean ? std::move(clean) : std::move(binary);
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
void MarkDashes(const Grid& grid, PageText* page) {
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        const GridRow& row = grid.rows[r];
        for (std::size_t i = 0; i < row.boxes.size(); ++i) {
            const Box& ink = row.boxes[i];
            if (ink.Height() * 10 <= grid.char_height * 3 && ink.Width() >= 0.3 * grid.pitch &&
                ink.top > row.top + (row.bottom - row.top) / 4) {
                page->rows[r].cells[i].choices = {Choice{'-', 1.0f}};
            }
        }
    }
}

}  // namespace

struct Recognizer::Engine {
    tesseract::TessBaseAPI api;
    bool started = false;
    bool failed = false;

    bool Start() {
        if (!started && !failed) {
            setMsgSeverity(L_SEVERITY_NONE);
            if (api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0) {
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

RecognizeStatus Recognizer::Recognize(const char* path, PageText* page) {
    *page = PageText();
    if (!engine_->Start()) {
        return RecognizeStatus::EngineMissing;
    }
    PixPtr read(pixRead(path));
    if (!read) {
        return RecognizeStatus::Unreadable;
    }
    PixPtr binary = CleanUp(read.get());
    if (!binary) {
        return RecognizeStatus::Unreadable;
    }
    const Grid grid = FindGrid(Blobs(binary.get()));
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
    PixPtr spaced = SpacedCopy(binary.get(), grid, spacing);
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
    MarkDashes(grid, page);
    return RecognizeStatus::Done;
}

}  // namespace tsy::scan
