#include "listing/report.h"

#include <cstdio>
#include <cstring>

#include "resources/texts.h"

namespace tsy {
namespace {

bool IsShiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Starts a report: the buffer cleared to zero bytes.
void Clear(char* out, std::size_t capacity) {
    std::memset(out, 0, capacity);
}

// Formats through `print(buffer, size, quoted)`, a snprintf call whose one
// long argument is `quoted`: the token is cut so that the whole text fits.
template <typename Print>
void FormatQuoting(char* out, std::size_t capacity, Token quoted, Print print) {
    Clear(out, capacity);
    char part[kLineBufferSize] = {};
    const int base = print(nullptr, 0, part);
    std::size_t room = 0;
    if (base >= 0 && static_cast<std::size_t>(base) + 1 < capacity) {
        room = capacity - 1 - static_cast<std::size_t>(base);
    }
    if (room > sizeof part - 1) {
        room = sizeof part - 1;
    }
    const std::size_t length = ShiftJisPrefix(quoted.text, quoted.length, room);
    std::memcpy(part, quoted.text, length);
    part[length] = '\0';
    print(out, capacity, part);
}

Token WindowToken(const TokenWindow& window) {
    return Token{window.text, window.length};
}

// Appends to a zero-terminated text without passing its capacity.
class Appender {
  public:
    Appender(char* out, std::size_t capacity)
        : out_(out), capacity_(capacity), length_(std::strlen(out)) {}

    std::size_t Length() const { return length_; }
    std::size_t Room() const { return capacity_ - 1 - length_; }

    void Append(const char* text, std::size_t length) {
        if (length > Room()) {
            length = Room();
        }
        std::memcpy(out_ + length_, text, length);
        length_ += length;
        out_[length_] = '\0';
    }
    void Append(const char* text) { Append(text, std::strlen(text)); }

  private:
    char* out_;
    std::size_t capacity_;
    std::size_t length_;
};

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
    Clear(out, capacity);
    std::snprintf(out, capacity, text::kReportE05Heading, address_text);
    Appender text(out, capacity);
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
        if (entry + (last ? tail : omitted + tail) > text.Room()) {
            text.Append(text::kReportE05Omitted);
            break;
        }
        text.Append(text::kReportE05EntryIndent);
        text.Append(label, label_length);
        text.Append(text::kReportE05EntrySpace);
        text.Append(mismatch.given.text, mismatch.given.length);
        text.Append(computed, static_cast<std::size_t>(computed_length));
    }
    text.Append(text::kReportE05Tail);
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
        FormatQuoting(out, capacity, WindowToken(line.windows[line.bad_window]),
                      [&](char* buffer, std::size_t size, const char* window) {
                          return std::snprintf(buffer, size, text::kReportE00, address, index,
                                               window);
                      });
        return;
    }
    const char* format = line.outcome == LineOutcome::E02 ? text::kReportE02 : text::kReportE03;
    const unsigned computed = line.line_sum;
    FormatQuoting(out, capacity, WindowToken(line.given_checksum),
                  [&](char* buffer, std::size_t size, const char* given) {
                      return std::snprintf(buffer, size, format, address, given, computed);
                  });
}

void FormatStoreRangeReport(const DataLineResult& line, std::uint32_t image_size, char* out,
                            std::size_t capacity) {
    Clear(out, capacity);
    const unsigned first = static_cast<unsigned>(line.address);
    const unsigned last = static_cast<unsigned>(line.address + line.count - 1);
    std::snprintf(out, capacity, text::kReportE09, line.address_text, first, last,
                  static_cast<unsigned>(image_size));
}

void FormatCheckLineReport(const CheckLineResult& check, const char* address_text, char* out,
                           std::size_t capacity) {
    const char* format = nullptr;
    switch (check.outcome) {
        case LineOutcome::E04: {
            const unsigned column = static_cast<unsigned>(check.bad_column);
            FormatQuoting(out, capacity, check.bad_token,
                          [&](char* buffer, std::size_t size, const char* token) {
                              return std::snprintf(buffer, size, text::kReportE04, address_text,
                                                   column, token);
                          });
            return;
        }
        case LineOutcome::E05:
            FormatColumnsReport(check, address_text, out, capacity);
            return;
        case LineOutcome::E06:
            format = text::kReportE06;
            break;
        case LineOutcome::E07:
            format = text::kReportE07;
            break;
        case LineOutcome::E08:
            format = text::kReportE08;
            break;
        default:
            Clear(out, capacity);
            return;
    }
    const unsigned computed = check.computed;
    FormatQuoting(out, capacity, check.given,
                  [&](char* buffer, std::size_t size, const char* given) {
                      return std::snprintf(buffer, size, format, address_text, given, computed);
                  });
}

void FormatCompletion(const AddressRange& range, char* out, std::size_t capacity) {
    Clear(out, capacity);
    std::snprintf(out, capacity, text::kPlacedRange, static_cast<unsigned>(range.lowest),
                  static_cast<unsigned>(range.highest));
}

void FormatOpenFailure(int error, char* out, std::size_t capacity) {
    Clear(out, capacity);
    std::snprintf(out, capacity, text::kListingOpenFailed, error);
}

}  // namespace tsy
