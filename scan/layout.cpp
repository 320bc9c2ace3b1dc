// The layout's stages: the rows told apart (layout_rows.cpp), the data
// rows' template of columns, then each row's fields cut from its cells.
#include "scan/layout.h"

#include <algorithm>
#include <map>
#include <set>

#include "resources/characters.h"
#include "resources/look_alikes.h"
#include "scan/layout_rows.h"

namespace tsy::scan {
namespace {

using layout::BeginsWithAddress;
using layout::CellAt;
using layout::GroupsOf;
using layout::IsDashedRow;
using layout::IsDelimiterMark;
using layout::IsDirt;
using layout::IsSumRow;
using layout::LooksLikeDigit;
using layout::LooksLikeHeading;
using layout::LooksLikeListingRow;
using layout::PageGroups;
using layout::Span;
using layout::Tokens;
using layout::Top;
using layout::TotalColumns;

// A row fits the data rows' template when this share of the template's
// cells hold digits and ink outside it is at most kOutsideShare of them.
constexpr double kDigitShare = 0.6;
constexpr double kOutsideShare = 0.25;
// A column of a sum's token is a delimiter (a colon, a bracket) when this
// share of its glyphs are marks or of one shape group that no digit shares.
constexpr double kDelimiterShare = 0.6;

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

// A glyph that reads as no digit with no glyph beside it: a blot, or a
// stroke of the fan-fold paper's perforation, on a line of sums.
bool IsLoneMark(const PageRow& row, std::size_t i) {
    const std::vector<Cell>& cells = row.cells;
    const int column = cells[i].column;
    const bool alone = (i == 0 || cells[i - 1].column + 1 != column) &&
                       (i + 1 == cells.size() || cells[i + 1].column != column + 1);
    return alone && HexReading(Top(&cells[i])) == 0;
}

// The tokens that the given rows share: columns (relative to `origin` of
// each row) held by at least half of them, grouped into runs; what lies
// before a row's origin (a blot in the margin) holds none. With
// `specks` false, no speck holds a column, even one between two glyphs:
// a SUM line's tokens hold digits only, and where a page has one or two
// SUM lines, a speck of dirt between two of one line's sums would make
// those one token; nor does a lone mark of no digit, which would make a
// column of its own.
std::vector<Span> SharedSpans(const std::vector<const PageRow*>& rows,
                              const std::vector<int>& origins, bool specks = true) {
    std::map<int, int> counts;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t i = 0; i < rows[r]->cells.size(); ++i) {
            if (!IsDirt(*rows[r], i) && (specks || !rows[r]->cells[i].speck) &&
                (specks || !IsLoneMark(*rows[r], i)) && rows[r]->cells[i].column >= origins[r]) {
                ++counts[rows[r]->cells[i].column - origins[r]];
            }
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
    // Specks on the paper around a row are no part of it.
    int outside = static_cast<int>(
        std::count_if(row.cells.begin(), row.cells.end(), [](const Cell& c) { return !c.speck; }));
    auto inside = [&](Span span) {
        for (int c = span.first; c < span.End(); ++c) {
            const Cell* cell = CellAt(row, c);
            outside -= cell != nullptr && !cell->speck ? 1 : 0;
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

// Whether a SUM line's word at `origin` is followed by ink enough for a sum
// under each column: at least one glyph a column. A word that merely reads
// like "SUM" (a title whose kana the engine took for S, U and M) has a few
// glyphs after it at most.
bool HoldsColumnSums(const PageRow& row, int origin, std::size_t columns) {
    std::size_t after = 0;
    for (const Cell& cell : row.cells) {
        after += cell.column >= origin + 3 && !cell.speck ? 1 : 0;
    }
    return after >= columns;
}

// The rows of the listing placed on the page, and their usual pitch: a row
// not laid out counts as a lost listing row only where the listing has room
// for one, not where it lies squeezed between two rows a pitch apart (the
// halves of a row split by a curved or tilted line, a fold, a bar of
// colour).
class RowRoom {
  public:
    RowRoom(const PageText& page, const std::vector<bool>& listed) : page_(page), listed_(listed) {
        std::vector<double> steps;
        int last = -1;
        for (std::size_t r = 0; r < page.rows.size(); ++r) {
            if (!listed[r] || !Placed(r)) {
                continue;
            }
            if (last >= 0) {
                steps.push_back(Centre(r) - Centre(static_cast<std::size_t>(last)));
            }
            last = static_cast<int>(r);
        }
        if (steps.size() >= kLeastSteps) {
            std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
            pitch_ = steps[steps.size() / 2];
        }
    }

    // Whether the listing rows either side of row `r` stand so close that
    // no row of the listing fits between them.
    bool Squeezed(std::size_t r) const {
        if (pitch_ <= 0) {
            return false;
        }
        std::size_t before = r;
        while (before-- > 0 && !listed_[before]) {
        }
        std::size_t after = r + 1;
        while (after < listed_.size() && !listed_[after]) {
            ++after;
        }
        if (before >= listed_.size() || after >= listed_.size() || !Placed(before) ||
            !Placed(after)) {
            return false;
        }
        return Centre(after) - Centre(before) < kRoomForRow * pitch_;
    }

  private:
    // Steps between listing rows needed to trust their median as the pitch.
    static constexpr std::size_t kLeastSteps = 3;
    // Two rows a pitch apart, give or take a quarter (a keystone, a curve),
    // have no row between them; two with a row lost between are two apart.
    static constexpr double kRoomForRow = 1.5;

    bool Placed(std::size_t r) const { return page_.rows[r].bottom > page_.rows[r].top; }
    double Centre(std::size_t r) const { return (page_.rows[r].top + page_.rows[r].bottom) / 2; }

    const PageText& page_;
    const std::vector<bool>& listed_;
    double pitch_ = 0;
};

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
    std::vector<int> word_origins(page.rows.size(), 0);  // where each SUM line's word begins
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        const PageRow& row = page.rows[r];
        int& origin = word_origins[r];
        if (options.checksum && (guesses[r] == Guess::Data || guesses[r] == Guess::Other) &&
            !row.cells.empty() &&
            IsSumRow(row, groups, digit_groups, data.address.first, &origin) &&
            HoldsColumnSums(row, origin, data.data.size())) {
            if (guesses[r] == Guess::Data) {
                data_rows.erase(std::find(data_rows.begin(), data_rows.end(), &row));
            }
            guesses[r] = Guess::Sum;
            sum_rows.push_back(&row);
            sum_origins.push_back(origin);
        }
    }
    std::vector<Span> sum_spans;
    std::vector<int> total_columns;  // of the last span, relative to a row's origin
    if (!sum_rows.empty()) {
        sum_spans = SharedSpans(sum_rows, sum_origins, false);
        if (sum_spans.size() >= 2) {
            const std::size_t digits = 4;  // a total and a CRC alike
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

    std::vector<bool> listed(page.rows.size());
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        listed[r] =
            guesses[r] == Guess::Data || guesses[r] == Guess::Sum || guesses[r] == Guess::Dashed;
    }
    const RowRoom room(page, listed);
    std::vector<ListingRow> rows;
    int skipped = 0;
    int checks_skipped = 0;
    for (std::size_t r = 0; r < page.rows.size(); ++r) {
        const PageRow& row = page.rows[r];
        ListingRow out;
        out.page = page_index;
        switch (guesses[r]) {
            case Guess::Other:
                // A row among the listing's that none could be made of: a
                // line of the listing lost, said so, a check line apart.
                if (rows.empty() || room.Squeezed(r)) {
                    continue;
                }
                if (LooksLikeListingRow(row, groups, true)) {
                    ++checks_skipped;
                } else {
                    skipped += LooksLikeListingRow(row, groups, false) ? 1 : 0;
                }
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
                const int origin = word_origins[r];
                if (sum_spans.size() < 2) {
                    ++checks_skipped;  // no columns to read its sums in
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
        out.checks_skipped_before = checks_skipped;
        skipped = 0;
        checks_skipped = 0;
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
