// Throughput of ListingReader over generated listings of 10 and 50 MB
// (valid data lines with checksums, a SUM line after every eight), next to
// bare line-reading loops over the same files: LineSource alone and fgets.
// The max_rss_mb counter (getrusage) shows that memory does not grow with
// the size of the listing.
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <benchmark/benchmark.h>

#include "image/state_image.h"
#include "listing/line_source.h"
#include "listing/listing_reader.h"
#include "listing/tokens.h"
#include "platform/platform.h"

namespace {

constexpr std::int64_t kMegabyte = 1024 * 1024;

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

std::string ListingPath(std::int64_t megabytes) {
    return TempPath("tsy-listing-bench-" + std::to_string(megabytes) + "mb.txt");
}

std::string StatePath() {
    return TempPath("tsy-listing-bench.tsy");
}

// Writes blocks of eight 16-byte data lines, each with its 8-bit checksum,
// and a SUM line with the column sums and the block total, until the file
// holds at least `megabytes` MB. Addresses wrap within 0000 to FFFF.
void WriteListing(const std::string& path, std::int64_t megabytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return;
    }
    std::uint32_t random = 12345;
    std::uint32_t address = 0;
    std::int64_t written = 0;
    char line[128];
    while (written < megabytes * kMegabyte) {
        unsigned columns[16] = {};
        unsigned total = 0;
        for (int row = 0; row < 8; ++row) {
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
            address = (address + 16) & 0xFFFF;
        }
        int length = std::snprintf(line, sizeof line, "SUM");
        for (unsigned column : columns) {
            length += std::snprintf(line + length, sizeof line - length, " %02X", column & 0xFF);
        }
        length += std::snprintf(line + length, sizeof line - length, " %04X\r\n", total & 0xFFFF);
        written += static_cast<std::int64_t>(std::fwrite(line, 1, length, file));
    }
    std::fclose(file);
}

void WriteState() {
    std::FILE* file = std::fopen(StatePath().c_str(), "wb");
    if (file == nullptr) {
        return;
    }
    std::string state(4096 + 0x10000, '\0');
    state.replace(0, 6, std::string("TSRY\x01\x00", 6));
    std::fwrite(state.data(), 1, state.size(), file);
    std::fclose(file);
}

std::int64_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

long MaxRssKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Finish(benchmark::State& state, std::int64_t bytes) {
    state.SetBytesProcessed(bytes * static_cast<std::int64_t>(state.iterations()));
    state.counters["file_mb"] = static_cast<double>(bytes) / kMegabyte;
    state.counters["max_rss_mb"] = static_cast<double>(MaxRssKilobytes()) / 1024;
}

void BM_ListingReader(benchmark::State& state) {
    const std::string path = ListingPath(state.range(0));
    tsy::StateImage image;
    if (image.Load(StatePath().c_str()).status != tsy::LoadStatus::Loaded) {
        state.SkipWithError("no state image");
        return;
    }
    image.SetMemoryOffset(4096);
    tsy::ListingOptions options;  // Checksum on
    for (auto _ : state) {
        if (tsy::ReadListing(image, path.c_str(), options).status !=
            tsy::ListingStatus::Completed) {
            state.SkipWithError("the generated listing did not complete");
            break;
        }
    }
    Finish(state, FileSize(path));
}

void BM_LineSource(benchmark::State& state) {
    const std::string path = ListingPath(state.range(0));
    char line[tsy::kLineBufferSize];
    for (auto _ : state) {
        tsy::FileByteSource file;
        if (!file.Open(path.c_str())) {
            state.SkipWithError("cannot open the listing");
            break;
        }
        tsy::LineSource source(file);
        std::size_t bytes = 0;
        std::size_t length;
        while ((length = source.Next(line)) != 0) {
            bytes += length;
        }
        benchmark::DoNotOptimize(bytes);
    }
    Finish(state, FileSize(path));
}

void BM_Fgets(benchmark::State& state) {
    const std::string path = ListingPath(state.range(0));
    char line[tsy::kLineBufferSize];
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "r");
        if (file == nullptr) {
            state.SkipWithError("cannot open the listing");
            break;
        }
        std::size_t lines = 0;
        while (std::fgets(line, sizeof line, file) != nullptr) {
            ++lines;
        }
        std::fclose(file);
        benchmark::DoNotOptimize(lines);
    }
    Finish(state, FileSize(path));
}

// The smaller listing first, so that its max RSS is seen before the larger.
BENCHMARK(BM_ListingReader)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineSource)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fgets)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    WriteState();
    WriteListing(ListingPath(10), 10);
    WriteListing(ListingPath(50), 50);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(ListingPath(10).c_str());
    std::remove(ListingPath(50).c_str());
    std::remove(StatePath().c_str());
    return 0;
}
