// The reader of text hex-dump listings: verifies each line in the chosen
// conventions and stores accepted data lines into the StateImage at once.
#pragma once

#include "image/state_image.h"

namespace tsy {

struct ListingOptions {
    bool checksum = true;             // Checksum
    bool address_sum = false;         // AddressSum
    bool lower_address_only = false;  // LowerAddressOnly
    bool ohmz_sum = false;            // OhMzSum
    bool ohx_crc = false;             // OhXCrc
};

enum class ListingResult {
    Completed,    // end of the listing reached; the completion message shown
    CheckFailed,  // an E code: ResultText filled and told as a Report
    OpenFailed,   // the listing could not be opened
    NoImage,      // no image held; nothing read
};

// Reads the listing at `path` into `image`, telling the user of the outcome
// (completion message, open failure, or the report in ResultText).
ListingResult ListingReader(StateImage& image, const char* path, const ListingOptions& options);

}  // namespace tsy
