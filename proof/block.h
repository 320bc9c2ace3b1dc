// What proofreading keeps of one block (the data lines since the last check
// line) for its diagnosis, and what the block's check line gives. Every data
// line of the block is kept with its values, and so is every skipped line
// that looks like a data line; every finding of the block waits for its
// check line. The containers keep their room from block to block.
#pragma once

#include <cstdint>
#include <vector>

#include "listing/listing_options.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "proof/finding.h"

namespace tsy::proof {

// Windows past the reader's last that proofreading keeps.
inline constexpr int kMaxExtraWindows = 3;
// Unreadable data windows of one line counted as unknown bytes; a line with
// more is left out of its block's sums.
inline constexpr int kMaxUnknownWindows = 2;

// One data line as the block's sums saw it, or a skipped line as they would
// have seen it.
struct RecordedLine {
    std::uint32_t line_number = 0;
    char address_text[kAddressTextSize] = {};
    // A; for a skipped line its reading, -1 while none is known.
    std::int32_t address = 0;
    // The address that continues the data line before (its A + n); -1 when
    // there was none.
    std::int32_t expected_address = -1;
    int count = 0;                           // n, whether counted or not
    std::uint16_t values[kMaxWindows] = {};  // the values (typed, or read); when counted or skipped
    bool counted = false;                    // the values are in the block's sums
    bool skipped = false;                    // ignored by the reader, though it looks like data
    int finding = -1;                        // its finding in BlockRecord::pending; -1 when none
    std::uint32_t misread_windows = 0;       // bit k: window k counted by its reading
    bool checksum_wrong = false;             // E02/E03 with a given checksum
    bool checksum_misread = false;           // ... that a misreading explains
    std::uint32_t line_diff = 0;             // given - LineSum, masked to the line's width
    std::uint32_t line_sum = 0;              // LineSum, masked
    // Typed with full-width characters: it reads otherwise half-width.
    bool full_width = false;
    // Every window of the line as typed, the ones past kMaxWindows that the
    // reader leaves unread included (at most kMaxExtraWindows of them): its
    // value, or -1 when it is no pair of digits. A row typed with a byte
    // twice or a byte left out reads right without one, or with one more.
    int window_count = 0;
    std::int16_t windows[kMaxWindows + kMaxExtraWindows] = {};
    bool checksum_given = false;  // Checksum on and a window left for it
    // Data windows typed as no pair of digits (E00) and counted all the same,
    // each digit that is no hexadecimal digit as 0: bit k when window k's
    // high digit, or its low digit, is unknown; any value with the digits
    // typed may be meant. Their tokens as typed, in window order.
    std::uint32_t unknown_high = 0;
    std::uint32_t unknown_low = 0;
    char unknown_text[kMaxUnknownWindows][3] = {};
    // Set by the address analysis: the address the lines around agree on
    // when this line has another (-1 otherwise), and whether a neighbour
    // continues this line's own address.
    std::int32_t continuing = -1;
    bool neighbours_agree = false;
    bool address_confirmed = false;
};

// A skipped line's possible addresses and its line sum without them.
inline constexpr int kMaxAddressCandidates = 64;
struct SkippedRecord {
    int line = 0;  // in BlockRecord::lines
    SkipReason reason = SkipReason::LookAlike;
    Quote typed;
    int candidate_count = 0;
    std::int32_t candidates[kMaxAddressCandidates] = {};
    bool checksum_given = false;
    std::uint32_t data_sum = 0;  // the masked sum of its data values alone
    std::uint32_t given = 0;     // its checksum's value
};

// A gap of whole rows before line `line`, which may be missing lines.
struct GapRecord {
    int line = 0;              // in BlockRecord::lines; its size for a gap after the last
    int finding = 0;           // the step's finding; -1 for a gap after the last line
    std::int32_t address = 0;  // the first byte left out
    int rows = 0;
    int width = 0;
};

// A line whose address repeats an earlier line's.
struct RepeatRecord {
    int line = 0;
    int finding = 0;
    int other = -1;  // the earlier line of that address in the block; -1 when before it
};

// A line out of the run of addresses: the line after it continues the line
// before it, so it may belong elsewhere.
struct StrayRecord {
    int line = 0;
    int finding = 0;
};

// Two consecutive lines whose addresses continue each other in the other order.
struct LineSwapRecord {
    int first = 0;
    int second = 0;
    int finding = 0;
};

// The first line of the listing, whose address may be mistyped where a
// second line may be left out: the address it then has.
struct FirstLineRecord {
    int line = 0;
    int finding = 0;  // the step at the line after it
    std::int32_t address = 0;
};

// What the check line that ends a block gives.
enum class TotalKind : unsigned char {
    None,   // no total was compared
    Sum8,   // a SumLine's total, 8 bits
    Sum16,  // a DashedLine's total, 16 bits
    Crc,    // a SumLine's Oh!X CRC
};

struct CheckGiven {
    bool judged = false;       // a check line was read and its columns could be compared
    bool malformed = false;    // a mismatch the diagnosis cannot use (column 16 on, long token)
    int compared_columns = 0;  // columns the SumLine compares (at most kColumnCount)
    std::int32_t column[kColumnCount] = {};  // the given values
    Quote column_token[kColumnCount];
    TotalKind total = TotalKind::None;
    std::uint32_t total_value = 0;  // the given total (compared part) or CRC
    Quote total_token;              // the compared part of the total or CRC token
    bool two_digit_total = false;   // the last column is taken as a total in two digits
    Quote two_digit_token;
    bool total_misread = false;  // a look-alike reading of the total gives the computed value
    int column_misread = -1;     // a column token read by its look-alike reading
    // Columns whose tokens are no pair of digits (E04): each a typo known to
    // be there, its value what the block's bytes give.
    std::uint32_t column_unknown = 0;
    bool total_unknown = false;  // the total's token likewise
};

struct BlockRecord {
    std::vector<RecordedLine> lines;  // the block's data and skipped lines, in order
    std::vector<Finding> pending;     // the block's findings, waiting for its check line
    std::vector<SkippedRecord> skipped;
    std::vector<GapRecord> gaps;
    std::vector<RepeatRecord> repeats;
    std::vector<StrayRecord> strays;
    std::vector<LineSwapRecord> swaps;
    std::vector<FirstLineRecord> first_lines;
    std::uint16_t crc_start = 0;  // BlockCrc before the block's first line
    // Set by the address analysis: the block's first line continues the data
    // line before it, and the data line after it continues its last line, so
    // that no line is left out at either end unseen.
    bool anchored_start = false;
    bool anchored_end = false;
    // The first data line after the block's check line, as the block's sums
    // would count it if it belonged here (count -1 when none was read).
    int next_count = -1;
    std::int32_t next_address = -1;
    std::uint16_t next_values[kMaxWindows] = {};
    std::uint32_t next_line_number = 0;
    // The last data line of the block before, as this block's sums would
    // count it (count -1 when none was read).
    int previous_count = -1;
    std::uint16_t previous_values[kMaxWindows] = {};
    char next_address_text[kAddressTextSize] = {};

    void Clear() {
        anchored_start = false;
        anchored_end = false;
        next_count = -1;
        previous_count = -1;
        lines.clear();
        pending.clear();
        skipped.clear();
        gaps.clear();
        repeats.clear();
        strays.clear();
        swaps.clear();
        first_lines.clear();
    }
};

// The widest data line of the block (at most kColumnCount), 0 when none.
int BlockWidth(const BlockRecord& block);

// A diagnosis of `kind` about `line`: its line number and address field.
Diagnosis AboutLine(DiagnosisKind kind, Certainty certainty, const RecordedLine& line);

// What the address bytes add to a line sum with AddressSum on.
std::uint32_t AddressPart(const ListingOptions& options, std::int32_t address);

// How many of the four hexadecimal digits of two addresses differ.
inline int DigitsDiffering(std::int32_t a, std::int32_t b) {
    int count = 0;
    for (int shift = 0; shift < 16; shift += 4) {
        count += ((a >> shift) & 0xF) != ((b >> shift) & 0xF) ? 1 : 0;
    }
    return count;
}

// The mask of a line sum: 12 bits with OhMzSum, else 8.
inline std::uint32_t LineMask(const ListingOptions& options) {
    return options.ohmz_sum ? 0xFFFu : 0xFFu;
}

}  // namespace tsy::proof
