// The rows of a recognised page told apart for the layout (layout.cpp):
// the page's shape groups, the tokens of a row, and whether a row is a SUM
// line, a dashed line, the column heading, one that begins with an
// address, or a listing row that could not be laid out.
#include "scan/layout_rows.h"

#include <algorithm>

#include "resources/characters.h"
#include "resources/look_alikes.h"

namespace tsy::scan::layout {
namespace {

// A reading this sure is more than a passing likeness.
constexpr float kLikelyReading = 0.5f;
// A shape group of at least this many glyphs on the page is a character of
// the listing: its digits recur, the letters of a title or heading hardly.
constexpr int kCommonGroup = 4;
// Of the tokens after a SUM line's first, at least this share are of two
// (its columns).
constexpr double kSumPairShare = 0.6;
// A row of the page with at least this many glyphs, or a run of this many
// dashes, among the listing's rows is a listing row that was lost; after
// them, a row that begins with a short word followed by this many tokens
// of two (mostly).
constexpr int kLostRowCells = 8;
constexpr int kLostDashes = 5;
constexpr int kLostSumPairs = 6;
// Dashes in a row of at least this many adjacent cells make a dashed line.
constexpr int kDashedRun = 12;
// A heading has at least this many tokens of two whose first glyphs are
// alike ('+'), or whose second digits count up.
constexpr int kHeadingPluses = 3;
constexpr int kHeadingCount = 6;
constexpr int kHeadingShapes = 5;
// Of a heading's pairs, at least this share begin with one shape, and at
// least this share end in different ones.
constexpr double kHeadingShare = 0.85;

}  // namespace

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

bool Reads(const Cell* cell, char c, float least) {
    if (cell == nullptr) {
        return false;
    }
    return std::any_of(cell->choices.begin(), cell->choices.end(),
                       [c, least](const Choice& choice) {
                           return choice.character == c && choice.confidence >= least;
                       });
}

PageGroups GroupsOf(const PageText& page) {
    PageGroups groups;
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        for (const Cell& cell : page.rows[r].cells) {
            groups.read =
                groups.read || (!cell.choices.empty() && cell.choices[0].character != '-' &&
                                cell.choices[0].character != ':');
            if (cell.shape >= 0) {
                ++groups.members[cell.shape];
                groups.rows[cell.shape].insert(r);
            }
        }
    }
    return groups;
}

// A cell that holds a digit as far as can be told: read as one, or, on a
// page the engine did not read, a glyph of a shape that recurs.
bool LooksLikeDigit(const Cell* cell, const PageGroups& groups) {
    if (cell == nullptr) {
        return false;
    }
    if (groups.read) {
        return HexReading(Top(cell)) != 0;
    }
    return groups.Members(cell) >= kCommonGroup;
}

// A mark that parts the fields of a row rather than a digit of one.
bool IsDelimiterMark(const Cell* cell) {
    const char top = Top(cell);
    return top == ':' || top == '.' || top == '(' || top == ')' || top == '-';
}

bool IsDirt(const PageRow& row, std::size_t i) {
    const std::vector<Cell>& cells = row.cells;
    return cells[i].speck && (i == 0 || i + 1 == cells.size() || cells[i - 1].speck ||
                              cells[i + 1].speck || cells[i - 1].column + 1 != cells[i].column ||
                              cells[i + 1].column != cells[i].column + 1);
}

std::vector<Span> Tokens(const PageRow& row) {
    std::vector<Span> tokens;
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        const Cell& cell = row.cells[i];
        if (IsDirt(row, i)) {
            continue;
        }
        if (!tokens.empty() && tokens.back().End() == cell.column) {
            ++tokens.back().width;
        } else {
            tokens.push_back(Span{cell.column, 1});
        }
    }
    return tokens;
}

// Whether `word` is as wide as "SUM", or "SUM:" (a colon whose dots ran
// into a blob that reads as no digit counts too; where all three letters
// read as such, a colon read as a digit too).
bool SumWide(const PageRow& row, Span word, bool letters_read) {
    if (word.width == 3) {
        return true;
    }
    const char fourth = Top(CellAt(row, word.first + 3));
    return word.width == 4 && (letters_read || fourth == ':' || HexReading(fourth) == 0);
}

// A mark alone in its token, standing apart from the next: one of no digit,
// or any one left of the column the listing's rows begin at (the holes and
// blots along a printout's edge are often read as 8 or B, or even as S). A
// mark in that margin is one whatever the gap, where the next token begins
// at or right of the column the rows begin at.
bool IsLoneMarkToken(const PageRow& row, const std::vector<Span>& tokens, int margin) {
    if (tokens.size() < 3 || tokens[0].width != 1) {
        return false;
    }
    const bool in_margin = tokens[0].End() < margin;
    if (in_margin && tokens[1].first >= margin) {
        return true;
    }
    return tokens[1].first - tokens[0].End() >= 2 &&
           (HexReading(Top(CellAt(row, tokens[0].first))) == 0 || in_margin);
}

// The first token of a SUM line: "SUM", or "SUM:". Of the letters as read,
// the S (or its look-alike 5) and one of U and M must read as such, as a U
// may be taken for a 0, and a narrow M for a U; a dot-matrix S taken for an
// 8 counts where both U and M read so. A U lost altogether leaves "S M",
// taken as the word where both read so. On a page the engine did not read,
// at least two of the three must be of no digit's shape, and most tokens
// after them of two glyphs (not a word of prose). Lone marks of no digit
// standing apart before the word (blots in the margin), and marks run into
// its S, are passed over.
bool IsSumRow(const PageRow& row, const PageGroups& groups, const std::set<int>& digit_groups,
              int margin, int* origin) {
    std::vector<Span> tokens = Tokens(row);
    while (IsLoneMarkToken(row, tokens, margin)) {
        tokens.erase(tokens.begin());
    }
    if (tokens.size() < 2) {
        return false;
    }
    if (groups.read) {
        while (tokens[0].width > 3 && IsDelimiterMark(CellAt(row, tokens[0].first))) {
            ++tokens[0].first;
            --tokens[0].width;
        }
        // "S M": the U lost.
        const Span s_alone = tokens[0];
        if (s_alone.width == 1 && tokens[1].first == s_alone.first + 2 && tokens.size() >= 3 &&
            Reads(CellAt(row, s_alone.first), 'S') && Reads(CellAt(row, tokens[1].first), 'M')) {
            tokens[1] = Span{s_alone.first, tokens[1].width + 2};
            tokens.erase(tokens.begin());
        }
    }
    int pairs = 0;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        pairs += tokens[i].width == 2 ? 1 : 0;
    }
    if (!groups.read && pairs < kSumPairShare * static_cast<double>(tokens.size() - 1)) {
        return false;
    }
    const Span word = tokens[0];
    const int first = word.first;
    const Cell* s = CellAt(row, first);
    const Cell* u = CellAt(row, first + 1);
    const Cell* m = CellAt(row, first + 2);
    const bool letters_read = groups.read && Reads(s, 'S') && Reads(u, 'U') && Reads(m, 'M');
    if (!SumWide(row, word, letters_read)) {
        return false;
    }
    bool sum = false;
    if (groups.read) {
        const bool u_and_m = Reads(u, 'U') && Reads(m, 'M');
        sum = ((Reads(s, 'S') || Reads(s, '5')) &&
               (Reads(u, 'U') || Reads(m, 'M') || Reads(m, 'U'))) ||
              (Reads(s, '8') && u_and_m);
    } else {
        int letters = 0;
        for (const Cell* cell : {s, u, m}) {
            letters +=
                cell == nullptr || cell->shape < 0 || digit_groups.count(cell->shape) == 0 ? 1 : 0;
        }
        sum = letters >= 2;
    }
    if (sum && origin != nullptr) {
        *origin = first;
    }
    return sum;
}

// The column heading ("ADRS +0 +1 ... SUM"): several cells likely read as
// '+', or tokens of two whose second digits count up 0, 1, 2, ... (where
// the engine took the '+' for a digit), or tokens of two whose first glyphs
// are nearly all of one shape and whose second glyphs nearly all differ (a
// first data row may have most of its pairs begin alike).
// Only a row above every data row is taken for one, as a row of data may
// read alike ("00 01 02 ...").
bool LooksLikeHeading(const PageRow& row) {
    int pluses = 0;
    for (const Cell& cell : row.cells) {
        pluses += Reads(&cell, '+', kLikelyReading) ? 1 : 0;
    }
    int counting = 0;
    int longest = 0;
    int previous = -2;
    std::map<int, int> firsts;  // shape of a pair's first glyph -> pairs
    std::set<int> seconds;
    int pairs = 0;
    for (const Span& token : Tokens(row)) {
        if (token.width != 2) {
            continue;
        }
        ++pairs;
        const Cell* lead = CellAt(row, token.first);
        const Cell* digit_cell = CellAt(row, token.first + 1);
        if (lead->shape >= 0) {
            ++firsts[lead->shape];
        }
        if (digit_cell->shape >= 0) {
            seconds.insert(digit_cell->shape);
        }
        const char digit = HexReading(Top(digit_cell));
        const int value = digit == 0 ? -2 : UpperHexDigitValue(digit);
        counting = value == previous + 1 && value >= 0 ? counting + 1 : (value == 0 ? 1 : 0);
        previous = value;
        longest = std::max(longest, counting);
    }
    int alike = 0;
    for (const auto& [shape, count] : firsts) {
        alike = std::max(alike, count);
    }
    return pluses >= kHeadingPluses || longest >= kHeadingCount ||
           (pairs >= kHeadingShapes && alike >= kHeadingShare * pairs &&
            static_cast<double>(seconds.size()) >= kHeadingShare * pairs);
}

// The longest run of dashes in adjacent cells of the row.
int LongestDashes(const PageRow& row) {
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
    return longest;
}

// Dashes in adjacent columns: a dash-like speck here and there in a line of
// prose makes no such run.
bool IsDashedRow(const PageRow& row) {
    return LongestDashes(row) >= kDashedRun;
}

// Whether the row begins with an address: a token of four glyphs (three
// where one was lost, five with a colon after them), three of them read as
// digits where the engine read the page. Only what decides the template:
// every row is then held against it.
bool BeginsWithAddress(const PageRow& row, const PageGroups& groups) {
    const std::vector<Span> tokens = Tokens(row);
    if (tokens.size() < 2) {
        return false;
    }
    const Span word = tokens[0];
    if (word.width < 3 ||
        (word.width > 4 && !(word.width == 5 && Top(CellAt(row, word.first + 4)) == ':'))) {
        return false;
    }
    if (!groups.read) {
        return true;
    }
    int digits = 0;
    for (int c = word.first; c < word.first + std::min(word.width, 4); ++c) {
        digits += LooksLikeDigit(CellAt(row, c), groups) ? 1 : 0;
    }
    return digits >= 3;
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

// A row that should have been a listing row: enough glyphs, most like
// digits, or a run of dashes; after the listing's last row, only one that
// begins with a short word (SUM, SUM:) or a run of dashes.
bool LooksLikeListingRow(const PageRow& row, const PageGroups& groups, bool check_line_only) {
    const std::vector<Span> tokens = Tokens(row);
    int digits = 0;
    for (const Cell& cell : row.cells) {
        digits += LooksLikeDigit(&cell, groups) ? 1 : 0;
    }
    if (LongestDashes(row) >= kLostDashes) {
        return true;
    }
    if (static_cast<int>(row.cells.size()) < kLostRowCells || tokens.size() < 2) {
        return false;
    }
    if (check_line_only) {
        int pairs = 0;
        for (std::size_t i = 1; i < tokens.size(); ++i) {
            pairs += tokens[i].width == 2 ? 1 : 0;
        }
        return SumWide(row, tokens[0], false) && pairs >= kLostSumPairs &&
               pairs >= kSumPairShare * static_cast<double>(tokens.size() - 1);
    }
    return 2 * digits >= static_cast<int>(row.cells.size());
}

}  // namespace tsy::scan::layout
