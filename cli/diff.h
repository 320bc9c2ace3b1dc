// What an apply changed in emulated memory, as a compact hex listing.
#pragma once

#include <cstdint>
#include <cstdio>

namespace tsy::cli {

// Compares `before` and `after` (both `size` bytes, whole state-save images)
// over emulated memory, image offsets `memory_offset` to memory_offset +
// 0xFFFF that lie inside `size`, and prints every range of changed bytes
// (changes less than a row apart share a range), up to 8 bytes a row as
// "ADDR: old bytes -> new bytes", then `written` (the bytes the apply wrote)
// with the count of changed bytes, or that nothing changed. Returns the count.
std::uint32_t PrintDiff(std::FILE* out, const unsigned char* before, const unsigned char* after,
                        std::uint32_t size, std::uint32_t memory_offset, std::uint32_t written);

}  // namespace tsy::cli
