// The warnings of a completed apply, as `check` names them: the lines it
// skipped that look like data lines, the address steps that are no jump on
// purpose, look-alike letters in the checksums and totals it read, the
// digits of a four-digit total it did not compare, and full-width characters
// in a line it took. The watch observes the
// apply's own reader line by line, with the reader's evaluations and sums,
// so that the listing is read once: no sums of its own are kept and no
// block is diagnosed, nothing is allocated per clean line, and a block's
// lines are held only until the data line after its check line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/byte_source.h"
#include "listing/data_line.h"
#include "listing/listing_options.h"
#include "listing/listing_reader.h"
#include "listing/tokens.h"
#include "proof/addresses.h"
#include "proof/block.h"
#include "proof/finding.h"
#include "proof/listing_check.h"

namespace tsy::proof {

class ApplyWatch final : public LineObserver {
  public:
    // Reports its warnings to `sink`, which must outlive the watch.
    ApplyWatch(const ListingOptions& options, FindingSink* sink);
    ApplyWatch(const ApplyWatch&) = delete;
    ApplyWatch& operator=(const ApplyWatch&) = delete;

    // One line as the reader met it.
    void Line(const ObservedLine& line) override;

    // Reports what the last block holds once the listing has ended.
    void Finish();

  private:
    void Skipped(const char* raw, const char* upper, std::size_t length, bool five_digits,
                 std::uint32_t line_number);
    // A line typed in full-width characters that reads as a data line.
    bool FullWidth(const char* raw, std::size_t length, SkippedRecord* skipped, RecordedLine* line);
    void Release(std::int32_t next_address);
    void Report(BlockRecord* block, std::int32_t next_address);
    // The full-width characters of an accepted data line, into the block.
    void FullWidthTaken(const char* raw, std::size_t length, std::uint32_t line_number);
    // The warnings of an accepted SumLine or DashedLine, into the block.
    void CheckLine(const ObservedLine& line);

    const ListingOptions options_;
    FindingSink* sink_;
    DataLineResult scratch_;
    // A finding being made (a few KB: not one per line on the stack).
    Finding found_;
    // The base of a check line's findings and the findings made of it.
    Finding check_base_;
    Finding check_found_[2];
    // The block being read and the one ended by a check line, which waits
    // for the next data line; they change places without copying lines.
    BlockRecord blocks_[2];
    BlockRecord* block_ = &blocks_[0];
    bool held_ = false;
    BlockRecord* held_block_ = &blocks_[1];
    AddressTrail trail_;
    std::int32_t next_address_ = -1;
    char address_text_[kAddressTextSize] = {};  // of the latest data line
};

// The watch over the listing read from `bytes` on its own, each line
// evaluated as an apply's reader evaluates it, on past an E code: what an
// apply with these options would warn of.
CheckRun WatchListing(ByteSource& bytes, const ListingOptions& options, FindingSink* sink);

}  // namespace tsy::proof
