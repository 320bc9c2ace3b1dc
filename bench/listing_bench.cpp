// Throughput of ListingReader over generated listings of 10 and 50 MB
// (valid data lines with checksums, a SUM line after every eight), next to
// bare line-reading loops over the same files: LineSource alone and fgets.
// The max_rss_mb counter (getrusage) shows that memory does not grow with
// the size of the listing.
#include <cstdint>
#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/generated_listing.h"
#include "image/state_image.h"
#include "listing/line_source.h"
#include "listing/listing_reader.h"
#include "listing/tokens.h"
#include "platform/platform.h"

namespace {

std::string StatePath() {
    return bench::TempPath("tsy-listing-bench.tsy");
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

using bench::FileSize;
using bench::Finish;
using bench::ListingPath;

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
    bench::WriteListing(ListingPath(10), 10);
    bench::WriteListing(ListingPath(50), 50);
    bench::WriteListing(bench::LinesPath(4096), 0, 4096);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(ListingPath(10).c_str());
    std::remove(ListingPath(50).c_str());
    std::remove(bench::LinesPath(4096).c_str());
    std::remove(StatePath().c_str());
    return 0;
}
