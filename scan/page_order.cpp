#include "scan/page_order.h"

#include <algorithm>
#include <cstddef>

#include "resources/characters.h"

namespace tsy::scan {
namespace {

// The address a data row's best readings give, or -1 where a digit of it
// was not read as one.
long ReadAddress(const ListingRow& row) {
    if (row.kind != RowKind::Data || row.fields.empty() || row.fields[0].chars.size() != 4) {
        return -1;
    }
    long address = 0;
    for (const CharSlot& slot : row.fields[0].chars) {
        const int digit = slot.choices.empty() ? -1 : UpperHexDigitValue(slot.choices[0].character);
        if (digit < 0) {
            return -1;
        }
        address = address * 16 + digit;
    }
    return address;
}

long ByteCount(const ListingRow& row, const ListingOptions& options) {
    return static_cast<long>(row.fields.size()) - 1 - (options.checksum ? 1 : 0);
}

// The lowest address of the rows `first` .. `end` - 1 that the next data
// row continues; where none does (a page of one data row, or misread
// addresses), the lowest address read; or -1.
long SureStart(const std::vector<ListingRow>& rows, std::size_t first, std::size_t end,
               const ListingOptions& options) {
    long lowest = -1;
    long lowest_read = -1;
    const ListingRow* before = nullptr;
    for (std::size_t r = first; r < end; ++r) {
        const ListingRow& row = rows[r];
        if (row.kind != RowKind::Data) {
            continue;
        }
        const long address = ReadAddress(row);
        if (address >= 0 && (lowest_read < 0 || address < lowest_read)) {
            lowest_read = address;
        }
        if (before != nullptr) {
            const long address_before = ReadAddress(*before);
            if (address_before >= 0 && address == address_before + ByteCount(*before, options) &&
                (lowest < 0 || address_before < lowest)) {
                lowest = address_before;
            }
        }
        before = &row;
    }
    return lowest >= 0 ? lowest : lowest_read;
}

struct PageSpan {
    int page = 0;
    std::size_t first = 0;
    std::size_t end = 0;
    long start = -1;
};

}  // namespace

std::vector<int> PageOrder(const std::vector<ListingRow>& rows, const ListingOptions& options) {
    std::vector<PageSpan> pages;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r == 0 || rows[r].page != rows[r - 1].page) {
            pages.push_back(PageSpan{rows[r].page, r, r, -1});
        }
        pages.back().end = r + 1;
    }
    bool all_known = true;
    for (PageSpan& page : pages) {
        page.start = SureStart(rows, page.first, page.end, options);
        all_known = all_known && page.start >= 0;
    }
    if (all_known) {
        std::stable_sort(pages.begin(), pages.end(),
                         [](const PageSpan& a, const PageSpan& b) { return a.start < b.start; });
    }
    std::vector<int> order;
    for (const PageSpan& page : pages) {
        order.push_back(page.page);
    }
    return order;
}

std::vector<ListingRow> WithPagesInOrder(std::vector<ListingRow> rows,
                                         const std::vector<int>& order) {
    std::vector<ListingRow> ordered;
    ordered.reserve(rows.size());
    for (int page : order) {
        for (ListingRow& row : rows) {
            if (row.page == page) {
                ordered.push_back(std::move(row));
            }
        }
    }
    return ordered;
}

}  // namespace tsy::scan
