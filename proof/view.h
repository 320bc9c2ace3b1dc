// The lines a block's check line is compared with. The reader's sums count
// the lines it took; a view may also take in a skipped line that looks like
// data, leave out a line that repeats another, or put in a line rebuilt from
// the column shortfalls where a row is left out, to see whether that makes
// the check line's values come right.
#pragma once

#include <cstdint>
#include <vector>

#include "listing/listing_options.h"
#include "proof/block.h"

namespace tsy::proof {

struct ViewLine {
    int source = -1;  // in BlockRecord::lines; -1 for a rebuilt line
    int count = 0;
    std::uint16_t values[kMaxWindows] = {};
    std::uint32_t offset = 0;  // bytes before it in the view
};

struct View {
    std::vector<ViewLine> lines;
    std::uint32_t bytes = 0;  // all bytes of the view

    // Bytes after byte k of view line `i`.
    std::uint32_t BytesAfter(int i, int k) const {
        return bytes - (lines[i].offset + static_cast<std::uint32_t>(k) + 1);
    }
};

// The lines the reader counted.
View CountedLines(const BlockRecord& block);

// Compares `given` with the sums of `view` (BlockCrc from `crc_start`);
// sets the view's offsets.
BlockEvidence Compare(const CheckGiven& given, std::uint16_t crc_start, View* view);

// Tries the skipped, repeated and left-out lines of the block against the
// check line; keeps in `view` and `evidence` what brings the values closer,
// and notes it on the findings concerned and on `check`. Returns false when
// such lines remain that the sums cannot place and no line sum is wrong, so
// that no token can be blamed.
bool ExplainByLines(const ListingOptions& options, const CheckGiven& given, BlockRecord* block,
                    View* view, BlockEvidence* evidence, Finding* check);

}  // namespace tsy::proof
