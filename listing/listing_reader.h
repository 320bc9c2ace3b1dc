// The reader of text hex-dump listings: verifies each line in the chosen
// conventions and stores accepted data lines into the StateImage at once.
#pragma once

#include "image/state_image.h"
#include "listing/byte_source.h"
#include "listing/check_line.h"
#include "listing/data_line.h"
#include "listing/listing_options.h"
#include "listing/outcome.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "resources/message.h"

namespace tsy {

enum class ListingStatus {
    Completed,    // the end of the listing was reached; the message is the completion
    CheckFailed,  // an E code; the message is its report (kind Report)
    OpenFailed,   // the listing could not be opened
    ReadFailed,   // reading stopped at an error; lines before it are stored
    TooLarge,     // past LineSource's limits (an endless input); lines before are stored
    NoImage,      // no image held; nothing read
};

struct ListingResult : Result<ListingStatus> {
    // The E code that ended a CheckFailed run; Accepted otherwise.
    LineOutcome stopped_by = LineOutcome::Accepted;
    // LowestAddress and HighestAddress of the accepted lines.
    AddressRange range;
    // The lines classified as DataLines, accepted or not.
    std::uint32_t data_lines = 0;
    // What the decoding of a file saw.
    SourceFacts source;
};

// One line as the reader met it, for a pass that watches the apply's own
// read instead of reading the listing again.
struct ObservedLine {
    const char* raw = nullptr;    // as read (zero-terminated)
    const char* upper = nullptr;  // its upper-cased copy
    std::size_t length = 0;       // of `upper`, line feed included
    LineKind kind = LineKind::Ignored;
    std::uint32_t line_number = 0;  // the physical line it began on
    // A DataLine's evaluation, before its bytes were stored.
    const DataLineResult* data = nullptr;
    // A SumLine's or DashedLine's evaluation, and the block sums it was
    // compared with.
    const CheckLineResult* check = nullptr;
    const BlockSums* sums = nullptr;
};

// Told every line the reader reads, the line that stopped it included; it
// must not keep the pointers past the call.
class LineObserver {
  public:
    virtual ~LineObserver() = default;
    virtual void Line(const ObservedLine& line) = 0;
};

// Reads the listing at `path` into `image`, telling `observer` (when not
// null) each line.
ListingResult ReadListing(StateImage& image, const char* path, const ListingOptions& options,
                          LineObserver* observer = nullptr);

// Reads a listing from `bytes` into `image`.
ListingResult ReadListing(StateImage& image, ByteSource& bytes, const ListingOptions& options,
                          LineObserver* observer = nullptr);

}  // namespace tsy
