// The block CRC as a linear map of its 16-bit register: feeding zero bytes
// is linear and invertible, so the change one flipped byte makes to the CRC
// at the end of its span is computed (and undone) in a few steps.
#pragma once

#include <cstdint>

#include "listing/sums.h"
#include "listing/tokens.h"

namespace tsy::proof {

// A linear map of the 16-bit register: column j is the image of bit j.
struct CrcMap {
    std::uint16_t columns[16];

    std::uint16_t Apply(std::uint16_t crc) const {
        std::uint16_t image = 0;
        for (int j = 0; j < 16; ++j) {
            image ^= ((crc >> j) & 1u) != 0 ? columns[j] : 0;
        }
        return image;
    }
};

// Feeding zero bytes is linear in the register, and invertible: the maps
// for 2^i zero bytes and their inverses, built once, go any count of bytes
// forward or back in a few steps. `byte_of[c]` is the flip whose CRC from 0
// is `c` (0 when none is).
struct CrcMaps {
    CrcMap forward[32];
    CrcMap backward[32];
    CrcMap near[kMaxWindows];  // near[m]: m zero bytes
    std::uint8_t byte_of[65536] = {};

    CrcMaps() {
        for (int j = 0; j < 16; ++j) {
            forward[0].columns[j] = CrcByte(static_cast<std::uint16_t>(1u << j), 0);
        }
        // The inverse of one zero byte: the register before, for each bit after.
        for (std::uint32_t before = 0; before < 65536; ++before) {
            const std::uint16_t after = CrcByte(static_cast<std::uint16_t>(before), 0);
            for (int j = 0; j < 16; ++j) {
                if (after == (1u << j)) {
                    backward[0].columns[j] = static_cast<std::uint16_t>(before);
                }
            }
        }
        for (int i = 1; i < 32; ++i) {
            for (int j = 0; j < 16; ++j) {
                forward[i].columns[j] = forward[i - 1].Apply(forward[i - 1].columns[j]);
                backward[i].columns[j] = backward[i - 1].Apply(backward[i - 1].columns[j]);
            }
        }
        for (int flip = 1; flip < 256; ++flip) {
            byte_of[CrcByte(0, static_cast<std::uint8_t>(flip))] = static_cast<std::uint8_t>(flip);
        }
        for (int j = 0; j < 16; ++j) {
            near[0].columns[j] = static_cast<std::uint16_t>(1u << j);
        }
        for (int m = 1; m < kMaxWindows; ++m) {
            for (int j = 0; j < 16; ++j) {
                near[m].columns[j] = forward[0].Apply(near[m - 1].columns[j]);
            }
        }
    }

    // The register `distance` zero bytes earlier.
    std::uint16_t Back(std::uint16_t crc, std::uint32_t distance) const {
        for (int i = 0; i < 32; ++i) {
            if (((distance >> i) & 1u) != 0) {
                crc = backward[i].Apply(crc);
            }
        }
        return crc;
    }
};

// The maps, built once.
const CrcMaps& Maps();

// The change of BlockCrc when the byte `distance` bytes before the end of
// its span is XORed with `flip`.
std::uint16_t CrcChange(std::uint32_t flip, std::uint32_t distance);

// BlockCrc `crc` after `count` zero bytes more.
std::uint16_t CrcAfterZeros(std::uint16_t crc, std::uint32_t count);

// The flip of a byte `distance` bytes before the end that changes BlockCrc
// by `change`; 0 when none does.
std::uint8_t CrcFlipFor(std::uint16_t change, std::uint32_t distance);

}  // namespace tsy::proof
