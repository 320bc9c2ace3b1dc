#include "proof/crc_maps.h"

namespace tsy::proof {

const CrcMaps& Maps() {
    static const CrcMaps maps;
    return maps;
}

std::uint16_t CrcChange(std::uint32_t flip, std::uint32_t distance) {
    const CrcMaps& maps = Maps();
    std::uint16_t crc = CrcByte(0, static_cast<std::uint8_t>(flip));
    for (int i = 0; i < 32; ++i) {
        if (((distance >> i) & 1u) != 0) {
            crc = maps.forward[i].Apply(crc);
        }
    }
    return crc;
}

std::uint16_t CrcAfterZeros(std::uint16_t crc, std::uint32_t count) {
    const CrcMaps& maps = Maps();
    for (int i = 0; i < 32; ++i) {
        if (((count >> i) & 1u) != 0) {
            crc = maps.forward[i].Apply(crc);
        }
    }
    return crc;
}

std::uint8_t CrcFlipFor(std::uint16_t change, std::uint32_t distance) {
    const CrcMaps& maps = Maps();
    return maps.byte_of[maps.Back(change, distance)];
}

}  // namespace tsy::proof
