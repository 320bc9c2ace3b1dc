// The listings the benchmarks read: blocks of eight 16-byte data lines, each
// with its 8-bit checksum, and a SUM line with the column sums and the block
// total, written to temporary files; and what every benchmark reports.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <benchmark/benchmark.h>

namespace bench {

inline constexpr std::int64_t kMegabyte = 1024 * 1024;

inline std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// The listing of `megabytes` MB.
inline std::string ListingPath(std::int64_t megabytes) {
    return TempPath("tsy-listing-bench-" + std::to_string(megabytes) + "mb.txt");
}

// The listing of `lines` lines.
inline std::string LinesPath(std::int64_t lines) {
    return TempPath("tsy-listing-bench-" + std::to_string(lines) + "lines.txt");
}

// Writes blocks of eight data lines and their SUM line until the file holds
// at least `megabytes` MB, or exactly `lines` lines when that is not 0.
// Addresses wrap within 0000 to FFFF.
inline void WriteListing(const std::string& path, std::int64_t megabytes, std::int64_t lines = 0) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return;
    }
    std::uint32_t random = 12345;
    std::uint32_t address = 0;
    std::int64_t written = 0;
    std::int64_t lines_written = 0;
    auto more = [&] { return lines > 0 ? lines_written < lines : written < megabytes * kMegabyte; };
    char line[128];
    while (more()) {
        unsigned columns[16] = {};
        unsigned total = 0;
        for (int row = 0; row < 8 && more(); ++row) {
            int length = std::snprintf(line, sizeof line, "%04X", address);
            unsigned sum = 0;
            for (int c = 0; c < 16; ++c) {
                random = random * 1103515245u + 12345u;
                const unsigned value = (random >> 16) & 0xFF;
                columns[c] += value;
                sum += value;
                length += std::snprintf(line + length, sizeof line - length, " %02X", value);
            }
            total += sum;
            length += std::snprintf(line + length, sizeof line - length, " %02X\r\n", sum & 0xFF);
            written += static_cast<std::int64_t>(std::fwrite(line, 1, length, file));
            ++lines_written;
            address = (address + 16) & 0xFFFF;
        }
        if (!more()) {
            break;
        }
        int length = std::snprintf(line, sizeof line, "SUM");
        for (unsigned column : columns) {
            length += std::snprintf(line + length, sizeof line - length, " %02X", column & 0xFF);
        }
        length += std::snprintf(line + length, sizeof line - length, " %04X\r\n", total & 0xFFFF);
        written += static_cast<std::int64_t>(std::fwrite(line, 1, length, file));
        ++lines_written;
    }
    std::fclose(file);
}

inline std::int64_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

inline long MaxRssKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The bytes read per iteration, the file's size and the peak memory.
inline void Finish(benchmark::State& state, std::int64_t bytes) {
    state.SetBytesProcessed(bytes * static_cast<std::int64_t>(state.iterations()));
    state.counters["file_mb"] = static_cast<double>(bytes) / kMegabyte;
    state.counters["max_rss_mb"] = static_cast<double>(MaxRssKilobytes()) / 1024;
}

}  // namespace bench
