// The run of addresses: which address a skipped line was meant to have, and
// each step between consecutive data lines that does not continue the line
// before (a gap, an overlap, a repeated or mistyped address, a row of the
// wrong length), or that jumps on purpose.
//
// A step is a warning unless it jumps to a new region: forward, or back into
// bytes no line has written, and either at the first data line after a check
// line (a jump across a block boundary) or to an address that is a multiple
// of 0x100 and differs from the continuing address in more than one digit
// (an aligned new region, not a one-digit typo). Whatever the place, a gap
// of one to four whole rows stays a warning (lines left out), and so does a
// line whose address the lines before and after agree on otherwise (a
// mistyped address).
#pragma once

#include <cstdint>
#include <vector>

#include "listing/listing_options.h"
#include "proof/block.h"

namespace tsy::proof {

// What the analysis keeps from block to block.
struct AddressTrail {
    bool has_previous = false;      // a data line with a known address was seen
    RecordedLine previous;          // the last one, its address as continued
    bool after_check_line = false;  // the block being analysed follows a check line
    // The ranges [first, end) the data lines so far have written, merged.
    std::vector<std::int32_t> written_first;
    std::vector<std::int32_t> written_end;
    // The most recent ranges [first, end) found left out (gaps of whole
    // rows), kept while no line writes into them: a line typed at such an
    // address may be that row, typed out of its block.
    std::vector<std::int32_t> missing_first;
    std::vector<std::int32_t> missing_end;
};

// An aligned region at `address` that no one-digit typo of the continuing
// address `expected` reaches.
bool NewRegion(std::int32_t address, std::int32_t expected);

// Decides the readings of the block's skipped lines (their AddressReading
// diagnoses and, with AddressSum, their line sums), marks each line's
// address as confirmed or continued otherwise, and adds a finding for every
// step that does not continue, with the gaps and repeats the block's sums
// may then explain. `next_address` is the address of the data line after
// the block (-1 when unknown): it tells whether the block's last line
// continues, and whether a row is left out at its end. A step to an aligned
// region is a gap of rows left out only when the block's check line
// disagrees with its sums (`sums_disagree`).
void AnalyseAddresses(const ListingOptions& options, AddressTrail* trail, BlockRecord* block,
                      std::int32_t next_address, bool sums_disagree);

}  // namespace tsy::proof
