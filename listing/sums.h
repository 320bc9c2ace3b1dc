// The block accumulators that check lines compare, and the CRC step that
// feeds BlockCrc.
#pragma once

#include <cstdint>

namespace tsy {

inline constexpr int kColumnCount = 16;

// One step of the block CRC: the bits of `byte`, from bit 7 down, each
// shifted in at the low end of `crc` after a left shift that XORs in 0x1021
// when bit 15 falls out. No zero bits are appended and there is no final XOR.
std::uint16_t CrcByte(std::uint16_t crc, std::uint8_t byte);

// CrcByte over `count` bytes.
std::uint16_t CrcBytes(std::uint16_t crc, const std::uint8_t* bytes, int count);

// The sums over the data lines of one block.
struct BlockSums {
    std::uint32_t block_sum = 0;                   // BlockSum: every data value
    std::uint32_t column_sums[kColumnCount] = {};  // ColumnSums: the values of column c
    std::uint16_t block_crc = 0;                   // BlockCrc: fed only with OhXCrc

    // An accepted SumLine clears everything.
    void ResetAfterSumLine();
    // An accepted DashedLine clears the sums but leaves BlockCrc.
    void ResetAfterDashedLine();
};

}  // namespace tsy
