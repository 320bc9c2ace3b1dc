// Scans every generated page of a directory and prints, per convention,
// the pages and rows read, the share decoded exactly, the verified rows
// that are wrong, and the seconds per page.
//   scan_eval DIR [-v]
#include <cstdio>
#include <cstring>
#include <map>

#include "tests/scan/page_set.h"

using tsy::scan::test::LoadPageSet;
using tsy::scan::test::PageOutcome;
using tsy::scan::test::ScanPage;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_eval DIR [-v]\n");
        return 2;
    }
    const bool verbose = argc > 2 && std::strcmp(argv[2], "-v") == 0;
    struct Tally {
        int pages = 0, rows = 0, verified = 0, exact = 0, named = 0, wrong = 0;
        double seconds = 0;
    };
    std::map<std::string, Tally> tallies;
    for (const auto& page : LoadPageSet(argv[1])) {
        const PageOutcome outcome = ScanPage(page);
        for (const std::string& key : {page.convention, std::string("all")}) {
            Tally& t = tallies[key];
            ++t.pages;
            t.rows += outcome.rows;
            t.verified += outcome.verified;
            t.exact += outcome.exact;
            t.named += outcome.exact || outcome.doubts_name_errors;
            t.wrong += outcome.verified_wrong;
            t.seconds += outcome.seconds;
        }
        if (verbose) {
            std::printf("%-28s rows %3d verified %3d exact %d named %d wrong %d %.2fs\n",
                        page.name.c_str(), outcome.rows, outcome.verified, outcome.exact,
                        outcome.doubts_name_errors, outcome.verified_wrong, outcome.seconds);
            for (int r : outcome.wrong_rows) {
                const std::size_t row = static_cast<std::size_t>(r);
                std::printf("  verified wrong: %s\n  truth:          %s\n",
                            outcome.decoding.rows[row].text.c_str(),
                            row < page.truth.size() ? page.truth[row].c_str() : "");
            }
        }
    }
    std::printf("%-12s %6s %6s %9s %7s %9s %14s %8s\n", "convention", "pages", "rows", "verified",
                "exact", "exact %", "verified-wrong", "s/page");
    int wrong = 0;
    for (const auto& [name, t] : tallies) {
        std::printf("%-12s %6d %6d %9d %7d %8.1f%% %14d %8.2f\n", name.c_str(), t.pages, t.rows,
                    t.verified, t.exact, t.pages ? 100.0 * t.exact / t.pages : 0.0, t.wrong,
                    t.pages ? t.seconds / t.pages : 0.0);
        wrong += name == "all" ? t.wrong : 0;
    }
    return wrong == 0 ? 0 : 1;
}
