#include "scan/layout.h"

#include <algorithm>
#include <map>
#include <set>

#include "resources/characters.h"
#include "resources/look_alikes.h"

namespace tsy::scan {
namespace {

// A run of adjacent columns: one printed token, or a field's place in the
// template shared by the rows.
struct Span {
    int first = 0;
    int width = 0;

    int End() const { return first + width; }
};

// A reading this sure is more than a passing likeness.
constexpr float kLikelyReading = 0.5f;
// A shape group of at least this many glyphs on the page is a character of
// the listing: its digits recur, the letters of a title or heading hardly.
constexpr int kCommonGroup = 4;
// A row fits the data rows' template when this share of the template's
// cells hold digits and ink outside it is at most kOutsideShare of them.
constexpr double kDigitShare = 0.6;
constexpr double kOutsideShare = 0.25;
// A column of a sum's token is a delimiter (a colon, a bracket) when this
// share of its glyphs are marks or of one shape group that no digit shares.
constexpr double kDelimiterShare = 0.6;
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

bool Reads(const Cell* cell, char c, float least = 0) {
    if (cell == nullptr) {
        return false;
    }
    return std::any_of(cell->choices.begin(), cell->choices.end(),
                       [c, least](const Choice& choice) {
                           return choice.character == c && choice.confidence >= least;
                       });
}

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

std::vector<Span> Tokens(const PageRow& row) {
    std::vector<Span> tokens;
    for (const Cell& cell : row.cells) {
        if (!tokens.empty() && tokens.back().End() == cell.column) {
            ++tokens.back().width;
        } else {
            tokens.push_back(Span{cell.column, 1});
        }
    }
    return tokens;
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
        field.chars.back().box = row.CellBox(column);
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

// The first token of a SUM line: "SUM", or "SUM:". Of the letters as read,
// the S (or its look-alike 5) and one of U and M must read as such, as a U
// may be taken for a 0, and a narrow M for a U; on a page the engine did
// not read, at least two of the three must be of no digit's shape, and
// most tokens after them of two glyphs (not a word of prose).
bool IsSumRow(const PageRow& row, const PageGroups& groups, const std::set<int>& digit_groups) {
    const std::vector<Span> tokens = Tokens(row);
    if (tokens.size() < 2) {
        return false;
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
    if (word.width != 3 && !(word.width == 4 && Top(CellAt(row, first + 3)) == ':')) {
        return false;
    }
    const Cell* s = CellAt(row, first);
    const Cell* u = CellAt(row, first + 1);
    const Cell* m = CellAt(row, first + 2);
    if (groups.read) {
        return (Reads(s, 'S') || Reads(s, '5')) &&
               (Reads(u, 'U') || Reads(m, 'M') || Reads(m, 'U'));
    }
    int letters = 0;
    for (const Cell* cell : {s, u, m}) {
        letters += cell->shape < 0 || digit_groups.count(cell->shape) == 0 ? 1 : 0;
    }
    return letters >= 2;
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
        if (!spans.empty() && spans.back().End() == column) {
            ++spans.back().width;
        } else {
            spans.push_back(Span{column, 1});
        }
    }
    return spans;
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
        if (spans[i].width == 1) {
            continue;  // a separator (Oh!X's ':')
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

// Whether the template's address and data cells in the row mostly hold
// digits (three of the address's four at least hold ink), and little ink
// lies outside the template.
bool FitsTemplate(const PageRow& row, const DataTemplate& t, const PageGroups& groups) {
    int wanted = 0;
    int digits = 0;
    auto count = [&](Span span) {
        for (int c = span.first; c < span.End(); ++c) {
            ++wanted;
            digits += LooksLikeDigit(CellAt(row, c), groups) ? 1 : 0;
        }
    };
    count(t.address);
    for (Span span : t.data) {
        count(span);
    }
    int outside = static_cast<int>(row.cells.size());
    auto inside = [&](Span span) {
        for (int c = span.first; c < span.End(); ++c) {
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
    int address = 0;
    for (int c = t.address.first; c < t.address.first + 4; ++c) {
        address += CellAt(row, c) != nullptr ? 1 : 0;
    }
    return address >= 3 && digits >= kDigitShare * wanted && outside <= kOutsideShare * wanted;
}

// The columns of `span` (shifted by each row's origin) that hold the
// digits of a sum in `rows`: not those whose glyphs are mostly marks (a
// colon, a point, a bracket as read), nor mostly of one shape group that
// no digit of the page shares (a bracket where nothing was read).
std::vector<int> DigitColumns(Span span, const std::vector<const PageRow*>& rows,
                              const std::vector<int>& origins, const std::set<int>& digit_groups) {
    std::vector<int> columns;
    for (int c = span.first; c < span.End(); ++c) {
        int glyphs = 0;
        int marks = 0;
        std::map<int, int> shapes;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const Cell* cell = CellAt(*rows[r], c + origins[r]);
            if (cell == nullptr) {
                continue;
            }
            ++glyphs;
            marks += IsDelimiterMark(cell) ? 1 : 0;
            if (cell->shape >= 0 && digit_groups.count(cell->shape) == 0) {
                ++shapes[cell->shape];
            }
        }
        int alike = 0;
        for (const auto& [shape, count] : shapes) {
            alike = std::max(alike, count);
        }
        const bool delimiter =
            glyphs > 0 && (marks >= kDelimiterShare * glyphs || alike >= kDelimiterShare * glyphs);
        if (!delimiter) {
            columns.push_back(c);
        }
    }
    return columns;
}

// The last `count` of `columns`, or all of them.
std::vector<int> Last(const std::vector<int>& columns, std::size_t count) {
    return std::vector<int>(columns.end() - static_cast<long>(std::min(count, columns.size())),
                            columns.end());
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
        const bool word = tokens[0].width == 3 ||
                          (tokens[0].width == 4 && Top(CellAt(row, tokens[0].first + 3)) == ':');
        return word && pairs >= kLostSumPairs &&
               pairs >= kSumPairShare * static_cast<double>(tokens.size() - 1);
    }
    return 2 * digits >= static_cast<int>(row.cells.size());
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
    const PageGroups groups = GroupsOf(page);
    // The rows that begin like data rows, and the template they share.
    enum class Guess { Other, Data, Sum, Dashed, Heading };
    std::vector<Guess> guesses(page.rows.size(), Guess::Other);
    std::vector<const PageRow*> candidates;
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        const PageRow& row = page.rows[r];
        if (options.ohmz_sum && IsDashedRow(row)) {
            guesses[r] = Guess::Dashed;
        } else if (!row.cells.empty() && BeginsWithAddress(row, groups)) {
            candidates.push_back(&row);
        }
    }
    DataTemplate data;
    if (candidates.empty() ||
        !MakeDataTemplate(SharedSpans(candidates, std::vector<int>(candidates.size(), 0)), options,
                          &data)) {
        return {};
    }
    // Data rows: those that fit the template, but a heading above them all.
    // The shape groups of digits are those their data cells hold.
    std::set<int> digit_groups;
    std::vector<const PageRow*> data_rows;
    bool below_data = false;
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        const PageRow& row = page.rows[r];
        if (guesses[r] != Guess::Other || !FitsTemplate(row, data, groups)) {
            continue;
        }
        if (!below_data && LooksLikeHeading(row)) {
            guesses[r] = Guess::Heading;
            continue;
        }
        below_data = true;
        guesses[r] = Guess::Data;
        data_rows.push_back(&row);
        for (Span span : data.data) {
            for (int c = span.first; c < span.End(); ++c) {
                const Cell* cell = CellAt(row, c);
                if (cell != nullptr && cell->shape >= 0) {
                    digit_groups.insert(cell->shape);
                }
            }
        }
    }
    // SUM lines, and the template they share (from their own first column).
    std::vector<const PageRow*> sum_rows;
    std::vector<int> sum_origins;
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        const PageRow& row = page.rows[r];
        if (options.checksum && (guesses[r] == Guess::Data || guesses[r] == Guess::Other) &&
            !row.cells.empty() && IsSumRow(row, groups, digit_groups)) {
            if (guesses[r] == Guess::Data) {
                data_rows.erase(std::find(data_rows.begin(), data_rows.end(), &row));
            }
            guesses[r] = Guess::Sum;
            sum_rows.push_back(&row);
            sum_origins.push_back(row.cells[0].column);
        }
    }
    std::vector<Span> sum_spans;
    std::vector<int> total_columns;  // of the last span, relative to a row's origin
    if (!sum_rows.empty()) {
        sum_spans = SharedSpans(sum_rows, sum_origins);
        if (sum_spans.size() >= 2) {
            const std::size_t digits = options.ohx_crc ? 4 : 4;
            total_columns =
                Last(DigitColumns(sum_spans.back(), sum_rows, sum_origins, digit_groups), digits);
        }
    }
    std::vector<int> checksum_columns;
    if (data.has_checksum) {
        const std::vector<int> digits = DigitColumns(
            data.checksum, data_rows, std::vector<int>(data_rows.size(), 0), digit_groups);
        checksum_columns = Last(digits, options.ohmz_sum ? 3 : 2);
    }

    std::vector<ListingRow> rows;
    int skipped = 0;
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        const PageRow& row = page.rows[r];
        ListingRow out;
        out.page = page_index;
        switch (guesses[r]) {
            case Guess::Other:
                // A row among the listing's that none could be made of: a
                // line of the listing lost, said so.
                skipped += !rows.empty() && LooksLikeListingRow(row, groups, false) ? 1 : 0;
                continue;
            case Guess::Heading:
                continue;
            case Guess::Data:
                out.kind = RowKind::Data;
                out.fields.push_back(FieldOf(row, Columns(data.address, 0, 4)));
                for (Span span : data.data) {
                    out.fields.push_back(
                        FieldOf(row, Columns(span, std::max(0, span.width - 2), 2)));
                }
                if (data.has_checksum) {
                    out.fields.push_back(FieldOf(row, checksum_columns));
                }
                break;
            case Guess::Sum: {
                out.kind = RowKind::Sum;
                const int origin = row.cells[0].column;
                if (sum_spans.size() < 2) {
                    continue;
                }
                for (std::size_t i = 1; i + 1 < sum_spans.size(); ++i) {
                    Span span = sum_spans[i];
                    span.first += origin;
                    out.fields.push_back(FieldOf(row, Columns(span, 0, 2)));
                }
                std::vector<int> total;
                for (int c : total_columns) {
                    total.push_back(c + origin);
                }
                out.fields.push_back(FieldOf(row, total));
                break;
            }
            case Guess::Dashed: {
                out.kind = RowKind::Dashed;
                out.fields.push_back(FieldOf(row, TotalColumns(row)));
                break;
            }
        }
        out.skipped_before = skipped;
        skipped = 0;
        rows.push_back(std::move(out));
    }
    // After the last row, only what looks like a lost check line counts:
    // prose may follow a listing.
    if (!rows.empty()) {
        for (std::size_t r = page.rows.size(); r-- > 0 && guesses[r] == Guess::Other;) {
            rows.back().skipped_after += LooksLikeListingRow(page.rows[r], groups, true) ? 1 : 0;
        }
    }
    return rows;
}

}  // namespace tsy::scan
