// The listing a scan read, written beside its page image so that the user
// keeps it and can mend it: IMAGE.txt, or where that name is taken,
// "IMAGE (2).txt" and so on, never over an existing file. A file of those
// names that holds the same listing already (the page read before) is
// taken as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/decoder.h"

namespace tsy::scan {

// The names tried before the write gives up: IMAGE.txt, then (2) to (99).
inline constexpr int kListingNames = 99;

struct ListingFile {
    bool written = false;
    // Written (or found written before): where. Otherwise the name the write failed on (empty when
    // every name was taken or too long).
    std::string path;
    std::uint32_t system_error = 0;  // the platform's code, when a call failed
};

// Writes the rows of `decoding`, each ending in CR LF (as Notepad shows
// them; the reader takes either line end), into a new file beside
// `image_path`, whose name is shorter than `path_capacity` bytes. A file
// made and not written whole is removed again.
ListingFile WriteListingBeside(const char* image_path, const Decoding& decoding,
                               std::size_t path_capacity);

}  // namespace tsy::scan
