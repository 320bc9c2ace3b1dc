// Decoding a scanned listing under its printed sums. Each character comes
// with the recogniser's ranked readings; the decoder looks for the readings
// that make every address follow from the one above, every line checksum
// agree and every block's check line (column sums and total, the Oh!X CRC,
// or the Oh!MZ dashed total) agree, judged by the reader's own line
// evaluations. A row is verified when all readings that fit everything agree
// on it; where none fits, or several differ, the characters in doubt are
// named with their candidates and the row is written as it was read.
#pragma once

#include <string>
#include <vector>

#include "listing/listing_options.h"
#include "scan/budget.h"
#include "scan/layout.h"

namespace tsy::scan {

// A character of the listing: row (from 0, in listing order), field and
// character within the field, as the layout numbers them.
struct Place {
    int row = 0;
    int field = 0;
    int index = 0;
};

// A character the sums decided differently from the recogniser's reading.
struct Correction {
    Place place;
    char read = 0;  // '?' when nothing was read
    char chosen = 0;
};

// A character still in doubt, and the readings that remain for it.
struct Doubt {
    Place place;
    char read = 0;
    std::string candidates;
};

struct DecodedRow {
    RowKind kind = RowKind::Data;
    int page = 0;
    std::string text;  // the line in the convention's layout, without a line end
    bool verified = false;
    // Verified by its own line checksum alone: its block's check line does
    // not agree, or the block could not be searched whole.
    bool alone = false;
    // A SUM line with fewer column sums than its rows have bytes: how many
    // it lacks. It is never verified, nor its rows by it.
    int missing_columns = 0;
    // Its address was not read but taken from the rows around it.
    bool address_from_neighbours = false;
    // Rows of the page lost just before it (data rows, check lines), and
    // (the last row) check lines after it.
    int skipped_before = 0;
    int checks_skipped_before = 0;
    int skipped_after = 0;
};

struct Decoding {
    std::vector<DecodedRow> rows;
    std::vector<Correction> corrections;
    std::vector<Doubt> doubts;
    std::vector<int> gaps;  // rows before which the address jumps: rows left out
    int verified_rows = 0;

    int skipped_rows = 0;  // rows of the pages that could not be laid out
    // Without sums, where nothing is verified: the characters with another
    // reading, of which `doubts` names the least certain.
    int uncertain_chars = 0;

    bool AllVerified() const {
        return verified_rows == static_cast<int>(rows.size()) && skipped_rows == 0;
    }
};

// Decodes `rows` within `budget`; once it is spent, what remains is taken
// row by row on each one's own checksum.
Decoding Decode(const std::vector<ListingRow>& rows, const ListingOptions& options, Budget& budget);

// Decodes `rows` with a budget of a few seconds.
Decoding Decode(const std::vector<ListingRow>& rows, const ListingOptions& options);

}  // namespace tsy::scan
