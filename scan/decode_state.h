// What the decoder keeps of each row while it reads a listing under its
// sums, and its stages: the addresses settled from their sequence
// (decode_addresses.cpp), the readings of each data row that meet its
// checksum (decode_rows.cpp), and each block read under its check line
// (decode_blocks.cpp). Decode (decoder.cpp) runs them in order.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "listing/data_line.h"
#include "listing/listing_options.h"
#include "scan/budget.h"
#include "scan/decoder.h"
#include "scan/layout.h"

namespace tsy::scan::decode {

// Costs of a reading, in units of "how unlikely": the recogniser's best
// reading costs nothing, an alternative it offered a little more the less
// sure it was of it, any digit where it read nothing more, and any digit in
// place of a reading it was sure of the most.
constexpr double kAlternativeCost = 1.0;
constexpr double kUnreadCost = 3.0;
constexpr double kWildCost = 5.0;
constexpr float kLeastAlternative = 0.02f;

struct Option {
    char c = 0;
    double cost = 0;
};

struct Slot {
    char read = '?';
    char engine = '?';            // what the recogniser read before the groups were settled
    bool settled = false;         // a glyph of a shape group settled under the sums
    int support = 0;              // how many checks any other reading of that group breaks
    bool grouped = false;         // a glyph of a shape group
    std::vector<Option> options;  // cheapest first
};

using Fields = std::vector<std::string>;

struct Fit {
    Fields fields;
    double cost = 0;
    DataLineResult line;
};

struct RowState {
    const ListingRow* source = nullptr;
    std::vector<std::vector<Slot>> slots;  // per field, per character
    Fields read;                           // as recognised
    Fields chosen;                         // as decided; `read` until verified
    bool address_ok = true;
    bool address_from_neighbours = false;  // `chosen[0]` is the sequence's, not a reading
    std::vector<Fit> fits;                 // data rows: readings whose line checksum agrees
    bool complete = true;                  // every reading of the row was tried
    bool verified = false;
    bool checked_once = false;  // no column sums or CRC: only its own checksum
    // Verified on its own line checksum alone, its block's check line not
    // settled.
    bool alone = false;
    // A SUM line: how many column sums it lacks of its rows' bytes.
    int missing_columns = 0;
};

// The slot of a character as the layout and the shape groups left it.
Slot MakeSlot(const CharSlot& in);

// `value` as `digits` upper-case hexadecimal digits.
std::string Hex(unsigned value, int digits);

// Settles each data row's address from the sequence (`chosen[0]`,
// `address_ok`), and notes the rows before which addresses jump.
void SettleAddresses(std::vector<RowState>& rows, const ListingOptions& options, Decoding* out);

// Every reading of the row's data and checksum characters from its slots'
// options (the address as settled) whose checksum agrees, into `fits`; not
// `complete` where there were too many to try, or the budget ran out.
void ReadRow(RowState& row, const ListingOptions& options, Budget& budget);

// Decodes the data rows `first` .. `check` - 1 under the check line `check`.
void DecodeBlock(std::vector<RowState>& rows, std::size_t first, std::size_t check,
                 const ListingOptions& options, const std::vector<int>& gaps, Budget& budget,
                 Decoding* out);

// Settles a data row on its own line checksum, from the readings that meet
// it; with `one_correction`, a reading that corrects more than one
// character is not taken alone.
void SettleOnItsOwn(RowState& row, int index, bool exhaustive, bool one_correction, Decoding* out);

// Names the characters of a row no reading of which met its sums: those
// that might read otherwise, or, where each has one reading only, all of
// them, so that a row left unverified always says where to look.
void DoubtRow(const RowState& row, int index, Decoding* out);

// How many of a listing's least certain characters are named where it has
// no sums.
constexpr std::size_t kMostUnsummedDoubts = 20;

// Names the least certain characters of a listing without sums (rows the
// sequence gave an address keep it unnamed), and counts those with another
// reading.
void DoubtUnsummed(const std::vector<RowState>& rows, Decoding* out);

// Readings of a row with no fitting reading: its best reading with any one
// character replaced by any digit.
void ReadRowWithOneWildcard(RowState& row, const ListingOptions& options);

}  // namespace tsy::scan::decode
