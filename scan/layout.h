// From the cells of recognised pages to the rows of a listing: which rows
// are data lines, SUM lines or dashed lines (titles, prose and the column
// heading are left out), and which cells hold the address, each data byte,
// the line checksum and the check line's sums. The columns come from the
// grid shared by all data rows, so an unread or merged character still has
// its place.
#pragma once

#include <vector>

#include "listing/listing_options.h"
#include "scan/glyphs.h"

namespace tsy::scan {

enum class RowKind { Data, Sum, Dashed };

// One printed character of a field: its readings, mapped onto the
// characters the field may hold (best first); empty when nothing was read.
struct CharSlot {
    std::vector<Choice> choices;
    int shape = -1;  // the page's group of glyphs of this shape (Cell::shape)
    // Its group's reading was settled under the sums (SettleShapes): the
    // one choice left is what every glyph of that shape reads.
    bool settled = false;
    // How many checks any other reading of its group would break.
    int support = 0;
    // What the recogniser read before the groups were settled; 0 when it is
    // choices[0].
    char read = 0;
    // Its cell on the page straightened at its own size; empty when the
    // page's geometry is not known.
    Box box;
};

// A field is the characters of one token that the reader compares: the
// four address digits, the two digits of a data byte, the digits of a
// checksum or of a sum.
struct Field {
    std::vector<CharSlot> chars;
};

struct ListingRow {
    RowKind kind = RowKind::Data;
    int page = 0;  // the image it came from, from 0
    // Data: the address, the data bytes, then the checksum when the
    // convention has one. Sum: the column sums, then the total or CRC.
    // Dashed: the total.
    std::vector<Field> fields;
    // Rows of the page that looked like listing rows but could not be laid
    // out as one, just before this row: data rows, and check lines (a SUM
    // or dashed line); on a page's last row, check lines after it.
    int skipped_before = 0;
    int checks_skipped_before = 0;
    int skipped_after = 0;
};

// The listing rows of one recognised page, in order.
std::vector<ListingRow> ArrangeListing(const PageText& page, const ListingOptions& options,
                                       int page_index);

// The hexadecimal digit a recognised character stands for (look-alikes
// such as O, I, S and G included), or 0 when it stands for none.
char HexReading(char c);

}  // namespace tsy::scan
