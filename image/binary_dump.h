// Placement of a binary dump into the emulated memory of a StateImage.
#pragma once

#include <cstdint>

#include "image/state_image.h"
#include "resources/message.h"

namespace tsy {

enum class PlaceStatus {
    Placed,     // stored; the message is the completion
    NoImage,    // no image held; nothing read
    Refused,    // empty, too large for the address space or outside the image; nothing stored
    FileError,  // the dump could not be opened, sized, held or read; nothing stored
};

struct PlaceResult : Result<PlaceStatus> {
    std::uint32_t stored = 0;  // the bytes stored, a UNIX text's closing zero included
};

// Reads `start_address` as hexadecimal the way strtoul does (leading blanks,
// sign, 0x prefix; no digits gives 0), modulo 2^32.
std::uint32_t ParseStartAddress(const char* start_address);

// Reads the file at `path` whole and stores it at emulated address
// `start_address` (hexadecimal text, at most 4 characters are passed by the
// front ends), byte for byte or, with `unix_text`, as UNIX text converted:
// the first 18 bytes skipped, LF turned into CR and a zero byte appended. A
// dump with nothing to place (empty, or a UNIX text no longer than its
// header) is refused: a completion would claim bytes that never came.
PlaceResult PlaceBinaryDump(StateImage& image, const char* path, const char* start_address,
                            bool unix_text);

}  // namespace tsy
