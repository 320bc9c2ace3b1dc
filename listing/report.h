// The texts a listing run shows: the E-code reports (into a message's
// 512-byte buffer) and the completion. Each formatter clears its
// buffer first and never writes past `capacity` bytes; a quoted token too
// long for the buffer is cut (never inside a Shift-JIS character) so that
// the code at the end is always shown.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/check_line.h"
#include "listing/data_line.h"

namespace tsy {

// E00, E02 or E03 of an evaluated DataLine.
void FormatDataLineReport(const DataLineResult& line, char* out, std::size_t capacity);

// E09: the line's bytes would land past 0xFFFF or outside an image of
// `image_size` bytes.
void FormatStoreRangeReport(const DataLineResult& line, std::uint32_t image_size, char* out,
                            std::size_t capacity);

// E04 to E08 of an evaluated check line; `address_text` is AddressText of the
// last DataLine (empty before the first). E05 lists the mismatching columns
// and, when they do not all fit, ends the list with an omission mark before
// its tail.
void FormatCheckLineReport(const CheckLineResult& check, const char* address_text, char* out,
                           std::size_t capacity);

// The completion: "$lowest - $highest" of the written range.
void FormatCompletion(const AddressRange& range, char* out, std::size_t capacity);

// The length of the longest prefix of `text` (at most `limit` bytes) that
// does not end inside a Shift-JIS double-byte character.
std::size_t ShiftJisPrefix(const char* text, std::size_t length, std::size_t limit);

}  // namespace tsy
