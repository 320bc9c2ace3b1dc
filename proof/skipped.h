// Lines the reader skips although they look like data lines of the chosen
// convention: an address field with letters that only look like digits
// (3O90) or with one character no hex digit where the address before
// continues there (3P90 after 3088), of three hexadecimal digits, of five
// above FFFF, or set in by blanks, followed by data pairs (and, with
// Checksum, a checksum); one data token may hold a look-alike of its own,
// read by its only reading.
#pragma once

#include <cstddef>

#include "listing/data_line.h"
#include "listing/listing_options.h"
#include "proof/block.h"

namespace tsy::proof {

// Whether the line (`raw` as read, `upper` its upper-cased copy, `length`
// bytes) looks like a data line under `options`. `five_digits`: the reader
// classed it as a DataLine and ignored it for an address above FFFF. On true
// fills `skipped` (reason, typed field, candidate addresses, the line sum of
// its data) and `line` (its values, as the line would give them with its
// address read), using `scratch` for the evaluation. A line of a single
// byte looks like data only where it may be read at `continuing`, the
// address that continues the data line before (-1 for none).
bool ReadSkippedLine(const char* raw, const char* upper, std::size_t length, bool five_digits,
                     std::int32_t continuing, const ListingOptions& options,
                     DataLineResult* scratch, SkippedRecord* skipped, RecordedLine* line);

// The SkippedLine finding of the line `skipped` describes.
Finding SkippedFinding(const SkippedRecord& skipped, std::uint32_t line_number);

}  // namespace tsy::proof
