// Scans every generated page of a folder and prints, per category (each
// sub-folder is one; a folder of pages alone is one per convention), the
// pages and rows read, the share decoded exactly, the verified rows that
// are wrong, and the processor seconds per page and at most.
//   scan_eval DIR [-v] [--no-engine] [--cache CACHE-DIR]
// --no-engine leaves every glyph unread, so that the sums alone name the
// characters; --cache keeps what the recogniser made of each page (see
// ScanPage). Exit status 1 when any row was verified wrong.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/scan/page_set.h"

using tsy::scan::ScanSettings;
using tsy::scan::test::LoadPageSet;
using tsy::scan::test::PageCase;
using tsy::scan::test::PageOutcome;
using tsy::scan::test::ScanPage;

namespace {

struct Tally {
    int pages = 0, rows = 0, verified = 0, exact = 0, wrong = 0;
    double seconds = 0, slowest = 0;

    void Add(const PageOutcome& outcome) {
        ++pages;
        rows += outcome.rows;
        verified += outcome.verified;
        exact += outcome.exact ? 1 : 0;
        wrong += outcome.verified_wrong;
        seconds += outcome.seconds;
        slowest = std::max(slowest, outcome.seconds);
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string root;
    std::string cache;
    bool verbose = false;
    ScanSettings settings;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--no-engine") == 0) {
            settings.use_engine = false;
        } else if (std::strcmp(argv[i], "--cache") == 0 && i + 1 < argc) {
            cache = argv[++i];
        } else {
            root = argv[i];
        }
    }
    if (root.empty()) {
        std::fprintf(stderr, "usage: scan_eval DIR [-v] [--no-engine] [--cache CACHE-DIR]\n");
        return 2;
    }
    // Categories: the sub-folders, or the conventions of a folder of pages.
    std::vector<std::pair<std::string, std::vector<PageCase>>> sets;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.is_directory()) {
            sets.emplace_back(entry.path().filename().string(), LoadPageSet(entry.path().string()));
        }
    }
    std::sort(sets.begin(), sets.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    if (sets.empty()) {
        sets.emplace_back("", LoadPageSet(root));
    }
    if (!cache.empty()) {
        std::filesystem::create_directories(cache);
    }
    std::map<std::string, Tally> tallies;
    std::vector<std::string> order;
    Tally all;
    for (const auto& [name, pages] : sets) {
        if (!cache.empty() && !name.empty()) {
            std::filesystem::create_directories(cache + "/" + name);
        }
        for (const PageCase& page : pages) {
            const std::string key = name.empty() ? page.convention : name;
            if (tallies.count(key) == 0) {
                order.push_back(key);
            }
            const PageOutcome outcome =
                ScanPage(page, settings, cache.empty() ? "" : cache + "/" + name);
            tallies[key].Add(outcome);
            all.Add(outcome);
            if (verbose) {
                std::printf("%-14s %-28s rows %3d verified %3d exact %d named %d wrong %d %.2fs\n",
                            key.c_str(), page.name.c_str(), outcome.rows, outcome.verified,
                            outcome.exact, outcome.doubts_name_errors, outcome.verified_wrong,
                            outcome.seconds);
                for (int r : outcome.wrong_rows) {
                    const std::size_t row = static_cast<std::size_t>(r);
                    std::printf("  verified wrong: %s\n  truth:          %s\n",
                                outcome.decoding.rows[row].text.c_str(),
                                row < page.truth.size() ? page.truth[row].c_str() : "");
                }
            }
        }
    }
    std::printf("%-14s %6s %6s %9s %7s %8s %14s %8s %8s\n", "category", "pages", "rows", "verified",
                "exact", "exact %", "verified-wrong", "s/page", "s most");
    std::sort(order.begin(), order.end());
    auto print = [](const std::string& name, const Tally& t) {
        std::printf("%-14s %6d %6d %9d %7d %7.1f%% %14d %8.2f %8.2f\n", name.c_str(), t.pages,
                    t.rows, t.verified, t.exact, t.pages ? 100.0 * t.exact / t.pages : 0.0, t.wrong,
                    t.pages ? t.seconds / t.pages : 0.0, t.slowest);
    };
    for (const std::string& name : order) {
        print(name, tallies[name]);
    }
    print("all", all);
    return all.wrong == 0 ? 0 : 1;
}
