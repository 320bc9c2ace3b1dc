#include "scan/annotation.h"

#include <algorithm>
#include <cstddef>

namespace tsy::scan {
namespace {

bool Known(const Box& box) {
    return box.right > box.left && box.bottom > box.top;
}

Box Around(const Box& a, const Box& b) {
    if (!Known(a)) {
        return b;
    }
    return Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
}

}  // namespace

PageMarks MarksOfPage(const ScanRun& run, int page) {
    PageMarks marks;
    const std::size_t count = std::min(run.rows.size(), run.decoding.rows.size());
    for (std::size_t r = 0; r < count; ++r) {
        const ListingRow& row = run.rows[r];
        if (row.page != page) {
            continue;
        }
        RowMark mark;
        mark.row = static_cast<int>(r);
        mark.verified = run.decoding.rows[r].verified;
        for (const Field& field : row.fields) {
            for (const CharSlot& slot : field.chars) {
                if (Known(slot.box)) {
                    mark.cells.push_back(slot.box);
                    mark.box = Around(mark.box, slot.box);
                }
            }
        }
        if (!mark.cells.empty()) {
            marks.rows.push_back(std::move(mark));
        }
    }
    for (const Doubt& doubt : run.decoding.doubts) {
        const std::size_t r = static_cast<std::size_t>(doubt.place.row);
        if (r >= count || run.rows[r].page != page) {
            continue;
        }
        const std::vector<Field>& fields = run.rows[r].fields;
        const std::size_t f = static_cast<std::size_t>(doubt.place.field);
        const std::size_t i = static_cast<std::size_t>(doubt.place.index);
        if (f < fields.size() && i < fields[f].chars.size() && Known(fields[f].chars[i].box)) {
            marks.doubts.push_back(
                DoubtMark{doubt.place, fields[f].chars[i].box, doubt.read, doubt.candidates});
        }
    }
    return marks;
}

}  // namespace tsy::scan
