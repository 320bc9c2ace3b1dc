// The rows of a recognised page told apart, for the layout (layout.cpp):
// what the page's shape groups tell, the tokens of a row, and the kinds of
// rows a listing page holds besides its data rows.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <vector>

#include "scan/glyphs.h"
#include "scan/layout.h"

namespace tsy::scan::layout {

// A run of adjacent columns: one printed token, or a field's place in the
// template shared by the rows.
struct Span {
    int first = 0;
    int width = 0;

    int End() const { return first + width; }
};

// What the page tells about its glyphs beyond their readings: how many
// glyphs each shape group holds, and where each group occurs; and whether
// the engine read the page at all.
struct PageGroups {
    std::map<int, int> members;
    std::map<int, std::set<std::size_t>> rows;  // the rows holding each group
    bool read = false;

    int Members(const Cell* cell) const {
        if (cell == nullptr || cell->shape < 0) {
            return 0;
        }
        const auto found = members.find(cell->shape);
        return found == members.end() ? 0 : found->second;
    }
};

PageGroups GroupsOf(const PageText& page);

// The cell of `column` in `row`, or null where it holds no ink.
const Cell* CellAt(const PageRow& row, int column);
// The cell's best reading, or 0.
char Top(const Cell* cell);
// Whether `c` is among the cell's readings, at least `least` sure.
bool Reads(const Cell* cell, char c, float least = 0);
// A cell that holds a digit as far as can be told: read as one, or, on a
// page the engine did not read, a glyph of a shape that recurs.
bool LooksLikeDigit(const Cell* cell, const PageGroups& groups);
// A mark that parts the fields of a row rather than a digit of one.
bool IsDelimiterMark(const Cell* cell);
// Whether cell `i` of `row` is a speck of dirt: a speck counts only between
// two characters it touches (the point of "(3.FC)"), not before or after a
// token.
bool IsDirt(const PageRow& row, std::size_t i);
// The row's runs of adjacent cells, dirt left out.
std::vector<Span> Tokens(const PageRow& row);

// A SUM line (its first token "SUM" or "SUM:"); `origin`, where given,
// receives the column the word begins at. `margin` is the column the
// listing's data rows begin at: a lone glyph standing apart left of it is a
// blot in the margin, whatever it reads as.
bool IsSumRow(const PageRow& row, const PageGroups& groups, const std::set<int>& digit_groups,
              int margin, int* origin = nullptr);
// The column heading ("ADRS +0 +1 ... SUM").
bool LooksLikeHeading(const PageRow& row);
// A run of dashes in adjacent columns long enough for a dashed line.
bool IsDashedRow(const PageRow& row);
// Whether the row begins with an address.
bool BeginsWithAddress(const PageRow& row, const PageGroups& groups);
// The columns of a dashed line's total.
std::vector<int> TotalColumns(const PageRow& row);
// A row that should have been a listing row (with `check_line_only`, after
// the listing's last row: only a lost check line).
bool LooksLikeListingRow(const PageRow& row, const PageGroups& groups, bool check_line_only);

}  // namespace tsy::scan::layout
