// A page image named as the dialog's dump (make_test_pages.sh renders the
// pages): a clean page applied exactly as its typed listing is, its listing
// kept beside it; a blotted page applying nothing and naming its doubtful
// characters; what is no page, holds no listing or cannot be read or
// written; commands refused while the page is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/main_controller.h"
#include "platform/faults.h"
#include "platform/platform.h"
#include "resources/scan_image_texts.h"
#include "resources/scan_texts.h"
#include "resources/texts.h"
#include "tests/scan/page_set.h"
#include "tests/unit/recorder.h"
#include "tests/unit/test_support.h"

namespace tsy::gui {
namespace {

constexpr std::uint32_t kOffset = 4096;

// The first page of a set that make_test_pages.sh rendered.
scan::test::PageCase FirstPage(const char* set) {
    const char* root = std::getenv("TSY_SCAN_PAGES");
    const std::vector<scan::test::PageCase> pages =
        root != nullptr ? scan::test::LoadPageSet(std::string(root) + "/" + set)
                        : std::vector<scan::test::PageCase>{};
    return pages.empty() ? scan::test::PageCase{} : pages[0];
}

// The dialog over a state-save file of its own, with `dump` named.
struct Dialog {
    Dialog(const std::string& dump, const ListingOptions& listing, bool binary = false) {
        view.state_choice = dir.File("game.tsy");
        std::string bytes(kOffset + 0x10000, '\0');
        std::memcpy(&bytes[0], "TSRY\x01", 5);
        test::WriteFile(view.state_choice, bytes);
        view.dump_choice = dump;
        view.options.listing = listing;
        view.options.binary_mode = binary;
        view.options.memory_offset = kOffset;
        controller.BrowseStateFile();
        controller.BrowseDumpFile();
        view.log.clear();
    }
    // What the apply showed: the log without the steps that show nothing.
    std::vector<std::string> Shown() const {
        std::vector<std::string> shown;
        for (const std::string& entry : view.log) {
            if (entry.rfind("Tell ", 0) == 0 || entry.rfind("Report ", 0) == 0 ||
                entry.rfind("Findings ", 0) == 0) {
                shown.push_back(entry);
            }
        }
        return shown;
    }
    std::string Memory() const {
        const StateImage& image = controller.State().Image();
        return std::string(reinterpret_cast<const char*>(image.Bytes()), image.Size());
    }

    test::TempDir dir;
    Recorder view;
    MainController controller{view};
};

std::string Lines(const std::vector<std::string>& lines, const char* end) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + end;
    }
    return text;
}

// A Shift-JIS text in UTF-8, as this file's own texts are.
std::string Utf8(const std::string& sjis) {
    std::string utf8(3 * sjis.size() + 1, '\0');
    utf8.resize(platform::ToTerminalEncoding(sjis.c_str(), &utf8[0], utf8.size()));
    return utf8;
}

class PageDump : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(clean.truth.empty()) << "TSY_SCAN_PAGES names the generated pages";
        ASSERT_FALSE(blotted.truth.empty());
        std::filesystem::copy_file(clean.image, page);
    }
    ~PageDump() override { platform::ClearFaults(); }

    const scan::test::PageCase clean = FirstPage("clean");
    const scan::test::PageCase blotted = FirstPage("blots");
    test::TempDir folder;
    const std::string page = folder.File("page.png");
};

TEST_F(PageDump, ACleanPageIsAppliedAsItsTypedListingAndKeptBesideIt) {
    test::WriteFile(folder.File("typed.txt"), Lines(clean.truth, "\n"));
    Dialog typed(folder.File("typed.txt"), clean.options);
    ASSERT_EQ(ApplyOutcome::Applied, typed.controller.Apply());
    ASSERT_EQ(1u, typed.Shown().size());

    Dialog dialog(page, clean.options);
    EXPECT_EQ(ApplyOutcome::Applied, dialog.controller.Apply());
    EXPECT_TRUE(typed.Memory() == dialog.Memory());
    EXPECT_EQ(Lines(clean.truth, "\r\n"), test::ReadFile(page + ".txt"));
    // The page read while busy; the typed listing's completion, and where
    // the page's listing is; the write-back enabled.
    const std::string where =
        Written([&](TextOut& out) { text::PageListingWritten(out, (page + ".txt").c_str()); });
    EXPECT_EQ((std::vector<std::string>{"ReadDumpOptions", "RunBusy",
                                        typed.Shown()[0] + "\n" + where, "EnableWriteBack"}),
              dialog.view.log);
}

TEST_F(PageDump, APageWithRowsInDoubtAppliesNothingAndShowsWhere) {
    const std::string image = folder.File("blotted.png");
    std::filesystem::copy_file(blotted.image, image);
    Dialog dialog(image, blotted.options);
    const std::string before = dialog.Memory();
    EXPECT_EQ(ApplyOutcome::InDoubt, dialog.controller.Apply());
    EXPECT_TRUE(before == dialog.Memory());
    const std::vector<std::string> shown = dialog.Shown();
    ASSERT_EQ(2u, shown.size());  // the report, then the findings below it
    const std::string report = Utf8(shown[0] + shown[1]);
    const std::string listing = image + ".txt";
    EXPECT_EQ(0u, report.find("Report " + Utf8(Written([&](TextOut& out) {
                                  text::PageInDoubt(out, listing.c_str());
                              }))));
    // The blots lie on the first two data rows: each is named with its
    // address as in doubt, with candidates; the way to mend it comes last.
    for (std::size_t row : {0, 1}) {
        const std::string at =
            std::to_string(row + 1) + "行目 アドレス:" + blotted.truth[row].substr(0, 4) + " +";
        const std::size_t place = report.find(at);
        ASSERT_NE(std::string::npos, place) << report;
        EXPECT_NE(std::string::npos,
                  report.substr(place, report.find('\r', place) - place).find("は不確か 候補:"));
    }
    EXPECT_EQ(report.size(),
              report.rfind(Utf8(text::kDialogPageMend)) + Utf8(text::kDialogPageMend).size());
    // The listing is kept as read, a line for each row.
    const std::string kept = test::ReadFile(listing);
    EXPECT_EQ(blotted.truth.size(),
              static_cast<std::size_t>(std::count(kept.begin(), kept.end(), '\n')));
}

TEST_F(PageDump, WhatIsNoPageOrCannotBeReadOrWrittenIsToldAndNothingApplied) {
    const std::string png_start = test::ReadFile(clean.image).substr(0, 64);
    const std::string bm_listing = "BM loader\r\n" + Lines(clean.truth, "\r\n");
    struct Case {
        const char* name;
        std::string bytes;  // the dump's content; empty: the page
        bool binary;
        bool unwritable;  // the folder takes no new file
        ApplyOutcome outcome;
        std::string said;  // the first message, as its start
    };
    const Case cases[] = {
        {"an image in binary mode", png_start, true, false, ApplyOutcome::Applied,
         Written([](TextOut& out) { text::PlacedRange(out, 0x8000, 0x803F); })},
        {"a listing that begins with BM", bm_listing, false, false, ApplyOutcome::Applied, ""},
        {"a PNG cut after its first bytes", png_start, false, false, ApplyOutcome::FileError,
         text::kScanImageDecodeFailed},
        {"a page of prose", test::ReadFile(FirstPage("prose").image), false, false,
         ApplyOutcome::Refused, text::kScanNoListing},
        {"a page whose listing cannot be written", "", false, true, ApplyOutcome::FileError,
         std::string(text::kScanWriteFailed) + "\n" + page + ".txt\n" + text::kReasonAccessDenied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(page, c.bytes.empty() ? test::ReadFile(clean.image) : c.bytes);
        Dialog dialog(page, clean.options, c.binary);
        const std::string before = dialog.Memory();
        if (c.unwritable) {
            platform::InjectFault(platform::FaultPoint::Create, EACCES);
        }
        EXPECT_EQ(c.outcome, dialog.controller.Apply());
        const bool scanned = !c.binary && c.bytes != bm_listing;
        EXPECT_EQ(scanned,
                  std::count(dialog.view.log.begin(), dialog.view.log.end(), "RunBusy") == 1);
        ASSERT_FALSE(dialog.Shown().empty());
        EXPECT_EQ(0u, dialog.Shown()[0].find("Tell " + c.said)) << dialog.Shown()[0];
        EXPECT_EQ((std::vector<std::string>{"page.png"}), test::NamesIn(folder.Path()));
        EXPECT_EQ(c.outcome != ApplyOutcome::Applied, before == dialog.Memory());
        if (c.binary) {
            EXPECT_TRUE(c.bytes == dialog.Memory().substr(kOffset + 0x8000, c.bytes.size()));
        }
    }
}

TEST_F(PageDump, CommandsWaitWhileThePageIsRead) {
    Dialog dialog(page, clean.options);
    std::vector<bool> refused;
    dialog.view.while_busy = [&] {
        refused.push_back(dialog.controller.Apply() == ApplyOutcome::Busy);
        refused.push_back(dialog.controller.About() == CommandResult::Busy);
        refused.push_back(dialog.controller.Drop(page.c_str(), DropTarget{true, true}) ==
                          CommandResult::Busy);
    };
    EXPECT_EQ(ApplyOutcome::Applied, dialog.controller.Apply());
    EXPECT_EQ((std::vector<bool>{true, true, true}), refused);
    EXPECT_FALSE(dialog.controller.Busy());
}

}  // namespace
}  // namespace tsy::gui
