// Speed of the proofreader: tsypatch check over a listing of 4,096 lines,
// and the apply of the 50 MB listing with the warnings it gathers on its own
// read (skipped lines that look like data, address steps, look-alikes). The allocs counter
// counts the heap allocations of one run (operator new is counted for the
// whole program): it must not grow with the lines of a clean listing.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/generated_listing.h"
#include "image/state_image.h"
#include "listing/data_line.h"
#include "listing/line_source.h"
#include "listing/listing_reader.h"
#include "listing/tokens.h"
#include "proof/finding_lists.h"
#include "proof/listing_check.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

// The replacements pair malloc with free; GCC takes them for the usual
// operators and would warn that free meets a block from new.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
#pragma GCC diagnostic pop

namespace {

// Counts the findings by kind, as check's summary does, and keeps nothing.
class CountingSink : public tsy::proof::FindingSink {
  public:
    void Report(const tsy::proof::Finding& finding) override {
        count += finding.kind == tsy::proof::FindingKind::Jump ? 0 : 1;
    }
    long count = 0;
};

void Allocations(benchmark::State& state, long before) {
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations.load() - before) /
                                                  static_cast<double>(state.iterations()));
}

// tsypatch check over a clean listing of `lines` lines.
void BM_Check(benchmark::State& state) {
    const std::string path = bench::LinesPath(state.range(0));
    const tsy::ListingOptions options;  // Checksum on
    const long before = allocations.load();
    for (auto _ : state) {
        CountingSink sink;
        const tsy::proof::CheckRun run = tsy::proof::CheckListing(path.c_str(), options, &sink);
        if (run.status != tsy::proof::CheckStatus::Checked || sink.count != 0) {
            state.SkipWithError("the generated listing did not check clean");
            break;
        }
    }
    Allocations(state, before);
    bench::Finish(state, bench::FileSize(path));
}

// The apply as the front ends make it over the listing of `megabytes` MB:
// the reader storing into the image, its warnings gathered on the same read.
void BM_ApplyWithWarnings(benchmark::State& state) {
    const std::string path = bench::ListingPath(state.range(0));
    tsy::StateImage image;
    if (image.Load(bench::TempPath("tsy-listing-bench.tsy").c_str()).status !=
        tsy::LoadStatus::Loaded) {
        state.SkipWithError("no state image");
        return;
    }
    image.SetMemoryOffset(4096);
    const tsy::ListingOptions options;
    const long before = allocations.load();
    for (auto _ : state) {
        auto warnings = std::make_unique<tsy::proof::ApplyWarnings>(options, 20);
        if (tsy::ReadListing(image, path.c_str(), options, warnings.get()).status !=
            tsy::ListingStatus::Completed) {
            state.SkipWithError("the generated listing did not complete");
            break;
        }
        benchmark::DoNotOptimize(warnings->Finish().count);
    }
    Allocations(state, before);
    bench::Finish(state, bench::FileSize(path));
}

// What the watch reads on its own: every line upper-cased, classified and,
// as a data line, evaluated; the apply's reader does this work too, so the
// watch's own share is the difference.
void BM_ReadLines(benchmark::State& state) {
    const std::string path = bench::ListingPath(state.range(0));
    const tsy::ListingOptions options;
    struct Buffers {
        char line[tsy::kLineBufferSize];
        char upper[tsy::kLineBufferSize];
        tsy::DataLineResult data;
    };
    auto buffers = std::make_unique<Buffers>();
    for (auto _ : state) {
        tsy::FileByteSource file;
        if (!file.Open(path.c_str())) {
            state.SkipWithError("cannot open the listing");
            break;
        }
        tsy::LineSource source(file);
        std::size_t length;
        long data_lines = 0;
        while ((length = source.Next(buffers->line)) != 0) {
            const std::size_t upper = tsy::UpperCaseLine(buffers->line, length, buffers->upper);
            if (tsy::ClassifyLine(buffers->upper, upper, options) == tsy::LineKind::DataLine) {
                tsy::EvaluateDataLine(buffers->upper, upper, options, &buffers->data);
                ++data_lines;
            }
        }
        benchmark::DoNotOptimize(data_lines);
    }
    bench::Finish(state, bench::FileSize(path));
}

BENCHMARK(BM_Check)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLines)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyWithWarnings)->Arg(50)->Unit(benchmark::kMillisecond);

}  // namespace
