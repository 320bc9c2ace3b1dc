// One DataLine: its address, windows, data values, bytes and per-line
// checksum, evaluated against the options without touching any state; the
// caller then adds an accepted line to the block sums, the address range
// and the image.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/state_image.h"
#include "listing/listing_options.h"
#include "listing/outcome.h"
#include "listing/sums.h"
#include "listing/tokens.h"

namespace tsy {

// AddressText: the first five bytes of the address field, zero-terminated.
inline constexpr std::size_t kAddressTextSize = 6;

// The highest emulated address.
inline constexpr std::int32_t kHighestEmulatedAddress = 0xFFFF;

struct DataLineResult {
    // Accepted; Ignored (A above 0xFFFF); E00; E02 or E03 (checksum).
    LineOutcome outcome = LineOutcome::Ignored;
    std::int32_t address = 0;                  // A
    char address_text[kAddressTextSize] = {};  // AddressText
    TokenWindow windows[kMaxWindows];          // the kept windows, in order
    int window_count = 0;
    int count = 0;                          // n, the data values
    std::int32_t values[kMaxWindows] = {};  // v of data window k (up to the E00 window)
    std::uint8_t bytes[kMaxWindows] = {};   // the low 8 bits of each v
    int bad_window = -1;                    // E00: k, the failing data window
    bool checksum_given = false;            // Checksum on and a window left for it
    TokenWindow given_checksum;             // its window; empty when none was left
    std::int32_t given_value = 0;           // its value (not pair-tested)
    std::uint32_t line_sum = 0;             // LineSum with the address bytes, masked
};

// Evaluates the DataLine `upper` (upper-cased, `length` bytes, classified as
// a DataLine) under `options` into `result`. E00 names the first data window
// that fails the pair test; with Checksum on the masked LineSum is compared
// with the last kept window, and a line without any window after its
// address is a checksum error with an empty given checksum.
void EvaluateDataLine(const char* upper, std::size_t length, const ListingOptions& options,
                      DataLineResult* result);

// Adds the values of an accepted line to BlockSum and ColumnSums (columns 0
// to 15) and, with `ohx_crc`, its bytes to BlockCrc.
void AddToBlock(const DataLineResult& line, bool ohx_crc, BlockSums* sums);

// Whether the line's bytes end at or below 0xFFFF (true when n is 0).
bool WithinAddressSpace(const DataLineResult& line);

// Whether the line's bytes may be stored: nothing to store, or they end at
// or below 0xFFFF and lie wholly inside the image.
bool FitsImage(const StateImage& image, const DataLineResult& line);

// LowestAddress and HighestAddress over the accepted lines of a run.
struct AddressRange {
    std::int32_t lowest = 0x10000;
    std::int32_t highest = 0;
    std::uint32_t bytes = 0;  // the data bytes of the lines added

    // Lowers `lowest` to A and raises `highest` to A + n - 1 where that is
    // beyond them (a line of no bytes counts too), and counts its n bytes.
    void Add(const DataLineResult& line);
};

}  // namespace tsy
