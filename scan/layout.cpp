#include "scan/layout.h"

#include <algorithm>
#include <map>

#include "resources/characters.h"
#include "resources/look_alikes.h"

namespace tsy::scan {
namespace {

// A run of adjacent template columns: one printed token.
struct Span {
    int first = 0;
    int width = 0;
};

const Cell* CellAt(const PageRow& row, int column) {
    for (const Cell& cell : row.cells) {
        if (cell.column == column) {
            return &cell;
        }
    }
    return nullptr;
}

char Top(const Cell* cell) {
    return cell == nullptr || cell->choices.empty() ? 0 : cell->choices[0].character;
}

// A reading this sure is more than a passing likeness.
constexpr float kLikelyReading = 0.5f;

bool Reads(const Cell* cell, char c, float least = 0) {
    if (cell == nullptr) {
        return false;
    }
    return std::any_of(cell->choices.begin(), cell->choices.end(),
                       [c, least](const Choice& choice) {
                           return choice.character == c && choice.confidence >= least;
                       });
}

CharSlot HexSlot(const Cell* cell) {
    CharSlot slot;
    if (cell == nullptr) {
        return slot;
    }
    slot.shape = cell->shape;
    for (const Choice& choice : cell->choices) {
        const char hex = HexReading(choice.character);
        if (hex == 0) {
            continue;
        }
        auto same = std::find_if(slot.choices.begin(), slot.choices.end(),
                                 [hex](const Choice& c) { return c.character == hex; });
        if (same == slot.choices.end()) {
            slot.choices.push_back(Choice{hex, choice.confidence});
        } else {
            same->confidence = std::max(same->confidence, choice.confidence);
        }
    }
    std::stable_sort(slot.choices.begin(), slot.choices.end(),
                     [](const Choice& a, const Choice& b) { return a.confidence > b.confidence; });
    return slot;
}

Field FieldOf(const PageRow& row, const std::vector<int>& columns) {
    Field field;
    for (int column : columns) {
        field.chars.push_back(HexSlot(CellAt(row, column)));
    }
    return field;
}

std::vector<int> Columns(Span span, int from, int count) {
    std::vector<int> columns;
    for (int i = from; i < from + count && i < span.width; ++i) {
        columns.push_back(span.first + i);
    }
    return columns;
}

bool IsSumRow(const PageRow& row) {
    if (row.cells.size() < 4) {
        return false;
    }
    // A word of three letters and a blank, where a data row has four
    // digits; of the letters the S (or its look-alike 5) and one of U and M
    // must read as such, as a U may be taken for a 0, and a narrow M for a U.
    const int first = row.cells[0].column;
    const Cell* s = CellAt(row, first);
    const Cell* u = CellAt(row, first + 1);
    const Cell* m = CellAt(row, first + 2);
    return u != nullptr && m != nullptr && CellAt(row, first + 3) == nullptr &&
           (Reads(s, 'S') || Reads(s, '5')) && (Reads(u, 'U') || Reads(m, 'M') || Reads(m, 'U'));
}

// The column heading ("ADRS +0 +1 ... SUM"): several cells likely read as
// '+', or tokens of two whose second digits count up 0, 1, 2, ... (where
// the engine took the '+' for a digit).
bool IsHeading(const PageRow& row) {
    int pluses = 0;
    for (const Cell& cell : row.cells) {
        pluses += Reads(&cell, '+', kLikelyReading) ? 1 : 0;
    }
    int counting = 0;
    int longest = 0;
    int previous = -2;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        const bool starts = i == 0 || row.cells[i - 1].column != row.cells[i].column - 1;
        const bool pair =
            starts && i + 1 < row.cells.size() &&
            row.cells[i + 1].column == row.cells[i].column + 1 &&
            (i + 2 >= row.cells.size() || row.cells[i + 2].column != row.cells[i].column + 2);
        if (!pair) {
            continue;
        }
        const char digit = HexReading(Top(&row.cells[i + 1]));
        const int value = digit == 0 ? -2 : (digit <= '9' ? digit - '0' : digit - 'A' + 10);
        counting = value == previous + 1 && value >= 0 ? counting + 1 : (value == 0 ? 1 : 0);
        previous = value;
        longest = std::max(longest, counting);
    }
    return pluses >= 3 || longest >= 6;
}

bool IsDashedRow(const PageRow& row) {
    // Dashes in adjacent columns: a dash-like speck here and there in a
    // line of prose makes no such run.
    int run = 0;
    int longest = 0;
    int last = -2;
    for (const Cell& cell : row.cells) {
        if (Top(&cell) != '-') {
            run = 0;
            continue;
        }
        run = cell.column == last + 1 ? run + 1 : 1;
        last = cell.column;
        longest = std::max(longest, run);
    }
    return longest >= 12;
}

// Whether the row begins with four adjacent cells of which three or more
// read as hexadecimal digits, and a blank after them (a word of prose that
// reads as hex runs on).
bool BeginsWithAddress(const PageRow& row) {
    if (row.cells.size() < 4 ||
        (row.cells.size() > 4 && row.cells[4].column == row.cells[0].column + 4)) {
        return false;
    }
    int hex = 0;
    for (int i = 0; i < 4; ++i) {
        if (row.cells[static_cast<std::size_t>(i)].column != row.cells[0].column + i) {
            return false;
        }
        hex += HexReading(Top(&row.cells[static_cast<std::size_t>(i)])) != 0 ? 1 : 0;
    }
    return hex >= 3;
}

// The tokens that the given rows share: columns (relative to `origin` of
// each row) held by at least half of them, grouped into runs.
std::vector<Span> SharedSpans(const std::vector<const PageRow*>& rows,
                              const std::vector<int>& origins) {
    std::map<int, int> counts;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const Cell& cell : rows[r]->cells) {
            ++counts[cell.column - origins[r]];
        }
    }
    std::vector<Span> spans;
    for (const auto& [column, count] : counts) {
        if (2 * count < static_cast<int>(rows.size())) {
            continue;
        }
        if (!spans.empty() && spans.back().first + spans.back().width == column) {
            ++spans.back().width;
        } else {
            spans.push_back(Span{column, 1});
        }
    }
    return spans;
}

Span Shift(Span span, int by) {
    span.first += by;
    return span;
}

// The data-row template: the address span, the data spans, the checksum span.
struct DataTemplate {
    Span address;
    std::vector<Span> data;
    Span checksum;
    bool has_checksum = false;
};

bool MakeDataTemplate(const std::vector<Span>& spans, const ListingOptions& options,
                      DataTemplate* out) {
    if (spans.empty() || spans[0].width < 4) {
        return false;
    }
    out->address = spans[0];
    std::vector<Span> rest;
    for (std::size_t i = 1; i < spans.size(); ++i) {
        if (options.ohx_crc && spans[i].width == 1) {
            continue;  // the ':' separators
        }
        rest.push_back(spans[i]);
    }
    // An Oh!MZ sum whose point was too faint to count: "(4" and "BD)" with
    // the point's column between them are one token.
    if (options.ohmz_sum && rest.size() >= 2) {
        const Span last = rest.back();
        const Span before = rest[rest.size() - 2];
        if (before.width == 2 && last.width == 3 && before.first + 3 == last.first) {
            rest.pop_back();
            rest.back().width = 6;
        }
    }
    if (options.checksum && !rest.empty()) {
        out->checksum = rest.back();
        out->has_checksum = true;
        rest.pop_back();
    }
    out->data = rest;
    return !out->data.empty();
}

std::vector<int> ChecksumColumns(Span span, const ListingOptions& options) {
    if (options.ohmz_sum && span.width >= 5) {
        return {span.first + 1, span.first + 3, span.first + 4};  // (h.hh)
    }
    const int digits = options.ohmz_sum ? 3 : 2;
    const int from = std::max(0, span.width - digits);
    return Columns(span, from, digits);
}

// Whether most of the template's cells hold hexadecimal digits in the row,
// and little ink lies outside it.
bool FitsTemplate(const PageRow& row, const DataTemplate& t) {
    int wanted = 0;
    int hex = 0;
    auto count = [&](Span span) {
        for (int c = span.first; c < span.first + span.width; ++c) {
            ++wanted;
            hex += HexReading(Top(CellAt(row, c))) != 0 ? 1 : 0;
        }
    };
    count(t.address);
    for (Span span : t.data) {
        count(span);
    }
    int outside = static_cast<int>(row.cells.size());
    auto inside = [&](Span span) {
        for (int c = span.first; c < span.first + span.width; ++c) {
            outside -= CellAt(row, c) != nullptr ? 1 : 0;
        }
    };
    inside(t.address);
    for (Span span : t.data) {
        inside(span);
    }
    if (t.has_checksum) {
        inside(t.checksum);
    }
    return 10 * hex >= 6 * wanted && 4 * outside <= wanted;
}

// The columns of a dashed line's total: the token that follows the dashes
// (not the last ink of the row, which may be a speck far to the right), at
// most its last four.
std::vector<int> TotalColumns(const PageRow& row) {
    std::size_t first = 0;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        if (Top(&row.cells[i]) == '-') {
            first = i + 1;
        }
    }
    if (first == row.cells.size()) {
        return {};
    }
    std::size_t end = first + 1;
    while (end < row.cells.size() && row.cells[end].column == row.cells[end - 1].column + 1) {
        ++end;
    }
    std::vector<int> columns;
    for (std::size_t i = end - std::min<std::size_t>(end - first, 4); i < end; ++i) {
        columns.push_back(row.cells[i].column);
    }
    return columns;
}

}  // namespace

char HexReading(char c) {
    if (IsUpperHexDigit(c)) {
        return c;
    }
    const LetterLookAlike* look_alike = FindLetterLookAlike(c);
    return look_alike != nullptr ? look_alike->digit : 0;
}

std::vector<ListingRow> ArrangeListing(const PageText& page, const ListingOptions& options,
                                       int page_index) {
    enum class Guess { Other, Data, Sum, Dashed };
    std::vector<Guess> guesses;
    std::vector<const PageRow*> data_rows;
    std::vector<const PageRow*> sum_rows;
    std::vector<int> zeros;
    std::vector<int> sum_origins;
    for (const PageRow& row : page.rows) {
        Guess guess = Guess::Other;
        if (row.cells.empty()) {
        } else if (options.checksum && IsSumRow(row)) {
            guess = Guess::Sum;
            sum_rows.push_back(&row);
            sum_origins.push_back(row.cells[0].column);
        } else if (IsHeading(row)) {
        } else if (options.ohmz_sum && IsDashedRow(row)) {
            guess = Guess::Dashed;
        } else if (BeginsWithAddress(row)) {
            guess = Guess::Data;
            data_rows.push_back(&row);
            zeros.push_back(0);
        }
        guesses.push_back(guess);
    }
    DataTemplate data;
    if (data_rows.empty() || !MakeDataTemplate(SharedSpans(data_rows, zeros), options, &data)) {
        return {};
    }
    std::vector<Span> sum_spans;
    if (!sum_rows.empty()) {
        sum_spans = SharedSpans(sum_rows, sum_origins);
    }

    std::vector<ListingRow> rows;
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        const PageRow& row = page.rows[r];
        ListingRow out;
        out.page = page_index;
        switch (guesses[r]) {
            case Guess::Other:
                continue;
            case Guess::Data:
                if (!FitsTemplate(row, data)) {
                    continue;
                }
                out.kind = RowKind::Data;
                out.fields.push_back(FieldOf(row, Columns(data.address, 0, 4)));
                for (Span span : data.data) {
                    out.fields.push_back(
                        FieldOf(row, Columns(span, std::max(0, span.width - 2), 2)));
                }
                if (data.has_checksum) {
                    out.fields.push_back(FieldOf(row, ChecksumColumns(data.checksum, options)));
                }
                break;
            case Guess::Sum: {
                out.kind = RowKind::Sum;
                const int origin = row.cells[0].column;
                std::vector<Span> spans;
                for (std::size_t i = 1; i < sum_spans.size(); ++i) {
                    spans.push_back(Shift(sum_spans[i], origin));
                }
                if (spans.empty()) {
                    continue;
                }
                for (std::size_t i = 0; i + 1 < spans.size(); ++i) {
                    out.fields.push_back(FieldOf(row, Columns(spans[i], 0, 2)));
                }
                const Span total = spans.back();
                out.fields.push_back(FieldOf(row, Columns(total, 0, 4)));
                break;
            }
            case Guess::Dashed: {
                out.kind = RowKind::Dashed;
                out.fields.push_back(FieldOf(row, TotalColumns(row)));
                break;
            }
        }
        rows.push_back(std::move(out));
    }
    return rows;
}

}  // namespace tsy::scan
