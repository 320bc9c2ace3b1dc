// The reader of text hex-dump listings: verifies each line in the chosen
// conventions and stores accepted data lines into the StateImage at once.
#pragma once

#include "image/state_image.h"
#include "listing/byte_source.h"
#include "listing/data_line.h"
#include "listing/listing_options.h"
#include "listing/outcome.h"
#include "resources/message.h"

namespace tsy {

enum class ListingStatus {
    Completed,    // the end of the listing was reached; the message is the completion
    CheckFailed,  // an E code; the message is its report (kind Report)
    OpenFailed,   // the listing could not be opened
    ReadFailed,   // reading stopped at an error; lines before it are stored
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

// Reads the listing at `path` into `image`.
ListingResult ReadListing(StateImage& image, const char* path, const ListingOptions& options);

// Reads a listing from `bytes` into `image`.
ListingResult ReadListing(StateImage& image, ByteSource& bytes, const ListingOptions& options);

}  // namespace tsy
