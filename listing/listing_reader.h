// The reader of text hex-dump listings: verifies each line in the chosen
// conventions and stores accepted data lines into the StateImage at once.
#pragma once

#include "image/state_image.h"
#include "listing/listing_options.h"
#include "listing/outcome.h"

namespace tsy {

enum class ListingResult {
    Completed,    // end of the listing reached; the completion message shown
    CheckFailed,  // an E code: ResultText filled and told as a Report
    OpenFailed,   // the listing could not be opened
    ReadFailed,   // reading stopped at an error; lines before it are stored
    NoImage,      // no image held; nothing read
};

// Reads the listing at `path` into `image`, telling the user of the outcome
// (completion message, open failure, or the report in ResultText).
ListingResult ListingReader(StateImage& image, const char* path, const ListingOptions& options);

// As above; `stopped_by` (when not null) receives the E code that ended a
// CheckFailed run, and Accepted otherwise.
ListingResult ListingReader(StateImage& image, const char* path, const ListingOptions& options,
                            LineOutcome* stopped_by);

}  // namespace tsy
