#include "listing/sums.h"

namespace tsy {

std::uint16_t CrcByte(std::uint16_t crc, std::uint8_t byte) {
    unsigned int reg = crc;
    for (int bit = 7; bit >= 0; --bit) {
        const bool carry = (reg & 0x8000u) != 0;
        reg = (reg << 1) & 0xFFFFu;
        if (carry) {
            reg ^= 0x1021u;
        }
        if ((byte >> bit) & 1u) {
            reg ^= 0x0001u;
        }
    }
    return static_cast<std::uint16_t>(reg);
}

std::uint16_t CrcBytes(std::uint16_t crc, const std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        crc = CrcByte(crc, bytes[i]);
    }
    return crc;
}

void BlockSums::ResetAfterSumLine() {
    *this = BlockSums();
}

void BlockSums::ResetAfterDashedLine() {
    const std::uint16_t crc = block_crc;
    *this = BlockSums();
    block_crc = crc;
}

}  // namespace tsy
