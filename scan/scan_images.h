// The whole of a scan: the pages recognised, their listing rows joined in
// address order, and the listing decoded under its sums.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "listing/listing_options.h"
#include "resources/message.h"
#include "scan/decoder.h"
#include "scan/layout.h"
#include "scan/recognizer.h"

namespace tsy::scan {

enum class ScanStatus { Done, EngineMissing, Unreadable, NoListing };

struct ScanRun {
    ScanStatus status = ScanStatus::Done;
    int failed_page = -1;  // Unreadable, NoListing: the image, from 0
    // Unreadable: why, when the image itself could not be read (the
    // file's name and the system's reason for `system_error` go with it);
    // empty when recognition could not work on it.
    Message message;
    std::uint32_t system_error = 0;
    std::vector<ListingRow> rows;
    Decoding decoding;
    // With ScanSettings::keep_pictures: each page straightened, the picture
    // its rows' boxes are on (see RecognizedPage).
    std::vector<std::unique_ptr<Pix, PixFree>> pictures;
};

struct ScanSettings {
    // Whether the engine reads the glyphs; without it every shape group's
    // character is found from the sums alone.
    bool use_engine = true;
    // Whether the pages' pictures are kept in the run (for an annotation).
    bool keep_pictures = false;
};

// Recognises and decodes the images at `paths`, pages of one listing in any
// order (put in address order), one page image held at a time. Stops at the first image that
// cannot be read or holds no listing.
ScanRun ScanImages(const std::vector<std::string>& paths, const ListingOptions& options,
                   const ScanSettings& settings = ScanSettings());

// Decodes pages already recognised, as ScanImages does after recognition:
// the stages that need no engine.
ScanRun DecodePages(const std::vector<RecognizedPage>& pages, const ListingOptions& options);

}  // namespace tsy::scan
