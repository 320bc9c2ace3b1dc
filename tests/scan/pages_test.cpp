// Scans of generated pages (make_test_pages.sh): clean pages decode
// exactly; degraded ones exactly or with every wrong character named; a
// stain, ink blots or a row left out are reported; and no row is ever
// verified wrong.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>

#include "tests/scan/page_set.h"

namespace tsy::scan::test {
namespace {

enum class Expect { Exact, ExactOrNamed, Sound, Reported, NoListing };

struct PageSet {
    const char* name;  // the folder under TSY_SCAN_PAGES
    Expect expect;
};

void PrintTo(const PageSet& set, std::ostream* out) {
    *out << set.name;
}

class ScanPages : public ::testing::TestWithParam<PageSet> {};

TEST_P(ScanPages, NeverVerifiedWrong) {
    const char* root = std::getenv("TSY_SCAN_PAGES");
    ASSERT_NE(root, nullptr) << "TSY_SCAN_PAGES names the generated pages";
    const std::vector<PageCase> pages = LoadPageSet(std::string(root) + "/" + GetParam().name);
    ASSERT_FALSE(pages.empty());
    for (const PageCase& page : pages) {
        SCOPED_TRACE(page.name);
        const PageOutcome outcome = ScanPage(page);
        EXPECT_EQ(outcome.verified_wrong, 0);
        switch (GetParam().expect) {
            case Expect::Exact:
                EXPECT_TRUE(outcome.exact);
                break;
            case Expect::ExactOrNamed:
                EXPECT_TRUE(outcome.exact || outcome.doubts_name_errors);
                break;
            case Expect::Sound:
                // Read as a listing; what is verified is right (above).
                EXPECT_EQ(outcome.status, ScanStatus::Done);
                EXPECT_EQ(outcome.rows, static_cast<int>(page.truth.size()));
                break;
            case Expect::Reported:
                EXPECT_EQ(outcome.status, ScanStatus::Done);
                EXPECT_FALSE(outcome.exact && outcome.decoding.rows.size() != page.truth.size());
                if (outcome.decoding.rows.size() != page.truth.size()) {
                    EXPECT_FALSE(outcome.decoding.AllVerified());
                    EXPECT_FALSE(outcome.decoding.gaps.empty());
                } else if (!outcome.exact) {
                    EXPECT_FALSE(outcome.decoding.doubts.empty() && outcome.decoding.AllVerified());
                }
                break;
            case Expect::NoListing:
                EXPECT_EQ(outcome.status, ScanStatus::NoListing);
                break;
        }
    }
}

const PageSet kSets[] = {
    {"clean", Expect::Exact},    {"degraded", Expect::ExactOrNamed}, {"dotgothic", Expect::Sound},
    {"stain", Expect::Reported}, {"dropped", Expect::Reported},      {"prose", Expect::NoListing},
    {"blots", Expect::Reported},
};

INSTANTIATE_TEST_SUITE_P(Generated, ScanPages, ::testing::ValuesIn(kSets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tsy::scan::test
