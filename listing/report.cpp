#include "listing/report.h"

#include <cstdio>
#include <cstring>

#include "resources/characters.h"
#include "resources/texts.h"

namespace tsy {
namespace {

// Formats through `print(out, quoted)`, which writes the report with its one
// long argument `quoted`: the token is cut (never inside a Shift-JIS
// character) so that the whole text, its code at the end included, fits.
// The buffer is cleared to zero bytes first.
template <typename Print>
void FormatQuoting(char* out, std::size_t capacity, Token quoted, Print print) {
    char part[kLineBufferSize] = {};
    TextOut measure(nullptr, 0);
    print(measure, part);
    const std::size_t base = measure.Wanted();
    std::size_t room = base + 1 < capacity ? capacity - 1 - base : 0;
    if (room > sizeof part - 1) {
        room = sizeof part - 1;
    }
    const std::size_t length = ShiftJisPrefix(quoted.text, quoted.length, room);
    std::memcpy(part, quoted.text, length);
    part[length] = '\0';
    TextOut to(out, capacity, true);
    print(to, part);
}

Token WindowToken(const TokenWindow& window) {
    return Token{window.text, window.length};
}

// The label of column c: one upper-case hexadecimal digit below 16, two (or
// more) from 16 on.
std::size_t ColumnLabel(int column, char* label, std::size_t size) {
    if (column < 10) {
        label[0] = static_cast<char>('0' + column);
        label[1] = '\0';
        return 1;
    }
    if (column < 16) {
        label[0] = static_cast<char>('A' + (column - 10));
        label[1] = '\0';
        return 1;
    }
    const int length = std::snprintf(label, size, "%02X", static_cast<unsigned>(column));
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

void FormatColumnsReport(const CheckLineResult& check, const char* address_text, char* out,
                         std::size_t capacity) {
    TextOut to(out, capacity, true);
    text::ReportE05Heading(to, address_text);
    const std::size_t indent = std::strlen(text::kReportE05EntryIndent);
    const std::size_t space = std::strlen(text::kReportE05EntrySpace);
    const std::size_t omitted = std::strlen(text::kReportE05Omitted);
    const std::size_t tail = std::strlen(text::kReportE05Tail);
    for (int i = 0; i < check.mismatch_count; ++i) {
        const ColumnMismatch& mismatch = check.mismatches[i];
        char label[8];
        const std::size_t label_length = ColumnLabel(mismatch.column, label, sizeof label);
        char computed[8];
        const int computed_length =
            std::snprintf(computed, sizeof computed, "/%02X\n", mismatch.computed);
        const std::size_t entry = indent + label_length + space + mismatch.given.length +
                                  static_cast<std::size_t>(computed_length);
        // After an entry there must still be room for the omission mark,
        // unless it is the last one.
        const bool last = i + 1 == check.mismatch_count;
        if (entry + (last ? tail : omitted + tail) > to.Room()) {
            to.Append(text::kReportE05Omitted);
            break;
        }
        to.Append(text::kReportE05EntryIndent);
        to.Append(label, label_length);
        to.Append(text::kReportE05EntrySpace);
        to.Append(mismatch.given.text, mismatch.given.length);
        to.Append(computed, static_cast<std::size_t>(computed_length));
    }
    to.Append(text::kReportE05Tail);
}

}  // namespace

const char* CodeName(LineOutcome outcome) {
    switch (outcome) {
        case LineOutcome::E00:
            return "E00";
        case LineOutcome::E02:
            return "E02";
        case LineOutcome::E03:
            return "E03";
        case LineOutcome::E04:
            return "E04";
        case LineOutcome::E05:
            return "E05";
        case LineOutcome::E06:
            return "E06";
        case LineOutcome::E07:
            return "E07";
        case LineOutcome::E08:
            return "E08";
        case LineOutcome::E09:
            return "E09";
        case LineOutcome::Accepted:
        case LineOutcome::Ignored:
            break;
    }
    return "";
}

std::size_t ShiftJisPrefix(const char* text, std::size_t length, std::size_t limit) {
    if (length <= limit) {
        return length;
    }
    std::size_t i = 0;
    while (i < limit) {
        const std::size_t step = IsShiftJisLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > limit) {
            break;
        }
        i += step;
    }
    return i;
}

void FormatDataLineReport(const DataLineResult& line, char* out, std::size_t capacity) {
    const char* address = line.address_text;
    if (line.outcome == LineOutcome::E00) {
        const unsigned index = static_cast<unsigned>(line.bad_window);
        FormatQuoting(
            out, capacity, WindowToken(line.windows[line.bad_window]),
            [&](TextOut& to, const char* window) { text::ReportE00(to, address, index, window); });
        return;
    }
    auto* report = line.outcome == LineOutcome::E02 ? text::ReportE02 : text::ReportE03;
    const unsigned computed = line.line_sum;
    FormatQuoting(out, capacity, WindowToken(line.given_checksum),
                  [&](TextOut& to, const char* given) { report(to, address, given, computed); });
}

void FormatStoreRangeReport(const DataLineResult& line, std::uint32_t image_size, char* out,
                            std::size_t capacity) {
    const unsigned first = static_cast<unsigned>(line.address);
    const unsigned last = static_cast<unsigned>(line.address + line.count - 1);
    TextOut to(out, capacity, true);
    text::ReportE09(to, line.address_text, first, last, static_cast<unsigned>(image_size));
}

void FormatCheckLineReport(const CheckLineResult& check, const char* address_text, char* out,
                           std::size_t capacity) {
    void (*report)(TextOut&, const char*, const char*, unsigned) = nullptr;
    switch (check.outcome) {
        case LineOutcome::E04: {
            const unsigned column = static_cast<unsigned>(check.bad_column);
            FormatQuoting(out, capacity, check.bad_token, [&](TextOut& to, const char* token) {
                text::ReportE04(to, address_text, column, token);
            });
            return;
        }
        case LineOutcome::E05:
            FormatColumnsReport(check, address_text, out, capacity);
            return;
        case LineOutcome::E06:
            report = text::ReportE06;
            break;
        case LineOutcome::E07:
            report = text::ReportE07;
            break;
        case LineOutcome::E08:
            report = text::ReportE08;
            break;
        default:
            TextOut empty(out, capacity, true);
            return;
    }
    const unsigned computed = check.computed;
    FormatQuoting(out, capacity, check.given, [&](TextOut& to, const char* given) {
        report(to, address_text, given, computed);
    });
}

void FormatCompletion(const AddressRange& range, char* out, std::size_t capacity) {
    TextOut to(out, capacity, true);
    text::PlacedRange(to, static_cast<unsigned>(range.lowest),
                      static_cast<unsigned>(range.highest));
}

}  // namespace tsy
