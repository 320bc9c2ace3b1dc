// The warnings of a completed apply: the lines it skipped that look like data
// lines, and the address steps that are no jump on purpose, as `check` names
// them. The watch is fed each line as an apply's reader meets it, with the
// reader's own evaluation of a data line, so that an apply reading its
// listing once can watch it on the way: no sums are kept and no block is
// diagnosed, nothing is allocated per line, and a block's lines are held
// only until the data line after its check line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/byte_source.h"
#include "listing/data_line.h"
#include "listing/listing_options.h"
#include "listing/tokens.h"
#include "proof/addresses.h"
#include "proof/block.h"
#include "proof/finding.h"
#include "proof/listing_check.h"

namespace tsy::proof {

class ApplyWatch {
  public:
    // Reports SkippedLine and AddressStep findings to `sink`, which must
    // outlive the watch.
    ApplyWatch(const ListingOptions& options, FindingSink* sink);
    ApplyWatch(const ApplyWatch&) = delete;
    ApplyWatch& operator=(const ApplyWatch&) = delete;

    // One line: `raw` as read, `upper` its upper-cased copy (both `length`
    // bytes), `kind` as the reader classified it, and for a DataLine the
    // reader's evaluation `data`.
    void Line(const char* raw, const char* upper, std::size_t length, LineKind kind,
              const DataLineResult* data, std::uint32_t line_number);

    // Reports what the last block holds once the listing has ended.
    void Finish();

  private:
    void Skipped(const char* raw, const char* upper, std::size_t length, bool five_digits,
                 std::uint32_t line_number);
    // A line typed in full-width characters that reads as a data line.
    bool FullWidth(const char* raw, std::size_t length, SkippedRecord* skipped, RecordedLine* line);
    void Release(std::int32_t next_address);
    void Report(BlockRecord* block, std::int32_t next_address);

    const ListingOptions options_;
    FindingSink* sink_;
    DataLineResult scratch_;
    BlockRecord block_;
    bool held_ = false;
    BlockRecord held_block_;
    AddressTrail trail_;
    std::int32_t next_address_ = -1;
};

// The watch over the listing read from `bytes` on its own: each line read,
// upper-cased, classified and evaluated as an apply reads it.
CheckRun WatchListing(ByteSource& bytes, const ListingOptions& options, FindingSink* sink);

// The same for the listing at `path`.
CheckRun WatchListing(const char* path, const ListingOptions& options, FindingSink* sink);

}  // namespace tsy::proof
