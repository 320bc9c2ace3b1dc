// What proofreading keeps of one block (the data lines since the last check
// line) for its diagnosis, and what the block's check line showed. Every data
// line of the block is kept with its values, and every finding of the block
// waits for its check line; the containers keep their room from block to
// block.
#pragma once

#include <cstdint>
#include <vector>

#include "listing/listing_options.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "proof/finding.h"

namespace tsy::proof {

// One data line as the block's sums saw it.
struct RecordedLine {
    std::uint32_t line_number = 0;
    char address_text[kAddressTextSize] = {};
    std::int32_t address = 0;
    // The address that continues the data line before (its A + n); -1 when
    // there was none.
    std::int32_t expected_address = -1;
    int count = 0;                           // n
    std::uint16_t values[kMaxWindows] = {};  // the values counted (typed, or read)
    std::uint32_t crc_offset = 0;            // bytes fed to BlockCrc before this line's
    bool counted = false;                    // the values are in the block's sums
    std::uint32_t misread_windows = 0;       // bit k: window k counted by its reading
    bool checksum_wrong = false;             // E02/E03 with a given checksum
    bool checksum_misread = false;           // ... that a misreading explains
    std::uint32_t line_diff = 0;             // given - LineSum, masked to the line's width
    std::uint32_t line_sum = 0;              // LineSum, masked
};

// A data line's finding, waiting for its block to be judged.
struct PendingFinding {
    Finding finding;
    RecordedLine line;
};

// What the check line that ends a block showed about the block.
enum class TotalKind : unsigned char {
    None,   // no total was compared
    Sum8,   // a SumLine's total, 8 bits
    Sum16,  // a DashedLine's total, 16 bits
    Crc,    // a SumLine's Oh!X CRC
};

struct BlockEvidence {
    bool judged = false;       // a check line was read and its columns could be compared
    bool malformed = false;    // a mismatch the diagnosis cannot use (column 16 on, long token)
    int compared_columns = 0;  // columns the SumLine compared (at most kColumnCount)
    int mismatch_count = 0;
    bool mismatched[kColumnCount] = {};
    std::uint8_t column_diff[kColumnCount] = {};  // (given - computed) & 0xFF
    std::uint8_t column_computed[kColumnCount] = {};
    Quote column_given[kColumnCount];
    TotalKind total = TotalKind::None;
    bool total_right = true;
    std::uint32_t total_diff = 0;      // Sum8, Sum16: (given - computed) masked to the width
    std::uint32_t total_computed = 0;  // masked to the width; Crc: BlockCrc
    std::uint32_t total_given = 0;     // Crc: the given CRC
    Quote total_token;                 // the compared part of the total or CRC token
};

struct BlockRecord {
    std::vector<RecordedLine> lines;      // the block's data lines, in order
    std::vector<PendingFinding> pending;  // the findings of its data lines, in order

    void Clear() {
        lines.clear();
        pending.clear();
    }
};

// Puts the diagnoses the block's sums support on its waiting findings and on
// `check`, the finding of the check line that ends it (null when that line
// was accepted, or none ended the block). `crc_bytes` is the count of bytes
// fed to BlockCrc since its last reset, up to the check line.
void DiagnoseBlock(const ListingOptions& options, const BlockEvidence& evidence,
                   std::uint32_t crc_bytes, BlockRecord* block, Finding* check);

}  // namespace tsy::proof
