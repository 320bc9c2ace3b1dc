// Placement of a binary dump into the emulated memory of a StateImage.
#pragma once

#include <cstdint>

#include "image/state_image.h"

namespace tsy {

enum class PlaceResult {
    Placed,     // stored and the completion shown
    NoImage,    // no image held; nothing read
    Refused,    // D3 or a range outside the image; nothing stored
    FileError,  // D1, D2, D4 or D5; nothing stored
};

// Reads `start_address` as hexadecimal the way strtoul does (leading blanks,
// sign, 0x prefix; no digits gives 0), modulo 2^32.
std::uint32_t ParseStartAddress(const char* start_address);

// Reads the file at `path` whole and stores it at emulated address
// `start_address` (hexadecimal text, at most 4 characters are passed by the
// front ends), byte for byte or, with `unix_text`, as UNIX text converted:
// the first 18 bytes skipped, LF turned into CR and a zero byte appended.
// Tells the user of the outcome.
PlaceResult PlaceBinaryDump(StateImage& image, const char* path, const char* start_address,
                            bool unix_text);

}  // namespace tsy
