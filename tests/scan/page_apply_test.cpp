// A page image named as the dialog's dump (make_test_pages.sh renders the
// pages): a clean page applied exactly as its typed listing is, the listing
// kept beside it under a free name; a blotted page applying nothing and
// reporting its doubtful characters; binary mode, texts that begin like an
// image, unreadable images and a listing that cannot be written; commands
// refused while the page is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gui/main_controller.h"
#include "platform/faults.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "resources/scan_image_texts.h"
#include "resources/scan_texts.h"
#include "resources/texts.h"
#include "tests/scan/page_set.h"
#include "tests/unit/test_support.h"

namespace tsy::gui {
namespace {

constexpr std::uint32_t kOffset = 4096;

// Answers every question Yes and keeps what the controller shows.
class PageView : public MainView {
  public:
    bool IsChecked(int control) override { return control == IDC_FORMAT_CHECK; }
    void SetEnabled(int, bool) override {}
    bool AskStateFile(char* path) override { return Ask(state, path); }
    bool AskDumpFile(char* path) override { return Ask(dump, path); }
    void ShowStatePath(const char*) override {}
    void ShowDumpPath(const char*) override {}
    void Repaint() override {}
    DumpOptions ReadDumpOptions() override { return options; }
    void ShowAbout() override {}
    void Exit() override {}
    bool Show(const Message& message) override {
        shown.push_back(message.text);
        return true;
    }
    void ShowReport(const Message& report, const std::string& findings) override {
        shown.push_back(std::string(report.text) + findings);
        reports++;
    }
    void ShowWarnings(const std::string& warnings) override { shown.push_back(warnings); }
    void RunBusy(const std::function<void()>& work) override {
        busy_runs++;
        if (during_work) {
            during_work();
        }
        work();
    }

    std::string state;
    std::string dump;
    DumpOptions options;
    std::vector<std::string> shown;
    int reports = 0;
    int busy_runs = 0;
    std::function<void()> during_work;

  private:
    static bool Ask(const std::string& choice, char* path) {
        std::snprintf(path, kPathSize, "%s", choice.c_str());
        return true;
    }
};

std::string StateFile() {
    std::string bytes(kOffset + 0x10000, '\0');
    std::memcpy(&bytes[0], "TSRY\x01", 5);
    return bytes;
}

scan::test::PageCase FirstPage(const char* set) {
    const char* root = std::getenv("TSY_SCAN_PAGES");
    if (root == nullptr) {
        ADD_FAILURE() << "TSY_SCAN_PAGES names the generated pages";
        return {};
    }
    const std::vector<scan::test::PageCase> pages =
        scan::test::LoadPageSet(std::string(root) + "/" + set);
    if (pages.empty()) {
        ADD_FAILURE() << "no pages in " << set;
        return {};
    }
    return pages[0];
}

// One dialog over a state-save file of its own, with `dump` named.
struct Dialog {
    explicit Dialog(const std::string& dump, const ListingOptions& listing, bool binary = false) {
        view.state = dir.File("game.tsy");
        test::WriteFile(view.state, StateFile());
        view.dump = dump;
        view.options.listing = listing;
        view.options.binary_mode = binary;
        std::strcpy(view.options.start_address, "8000");
        view.options.memory_offset = kOffset;
        controller.BrowseStateFile();
        controller.BrowseDumpFile();
    }
    std::string Memory() const {
        const StateImage& image = controller.State().Image();
        return std::string(reinterpret_cast<const char*>(image.Bytes()), image.Size());
    }

    test::TempDir dir;
    PageView view;
    MainController controller{view};
};

std::string Lines(const std::vector<std::string>& lines, const char* end) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + end;
    }
    return text;
}

std::string Sjis(void (*write)(TextOut&, const char*), const std::string& value) {
    return Written([&](TextOut& out) { write(out, value.c_str()); });
}

// A Shift-JIS text in UTF-8, as this test's own texts are.
std::string Utf8(const std::string& sjis) {
    std::string utf8(3 * sjis.size() + 1, '\0');
    utf8.resize(platform::ToTerminalEncoding(sjis.c_str(), &utf8[0], utf8.size()));
    return utf8;
}

class PageDump : public ::testing::Test {
  protected:
    void SetUp() override {
        clean = FirstPage("clean");
        blotted = FirstPage("blots");
        ASSERT_FALSE(clean.truth.empty());
        ASSERT_FALSE(blotted.truth.empty());
    }
    ~PageDump() override { platform::ClearFaults(); }

    // A copy of `page` named `name` in a folder of its own.
    std::string Copy(const scan::test::PageCase& page, const std::string& name) {
        const std::string path = pages.File(name);
        std::filesystem::copy_file(page.image, path);
        return path;
    }

    test::TempDir pages;
    scan::test::PageCase clean;
    scan::test::PageCase blotted;
};

TEST_F(PageDump, ACleanPageIsAppliedAsItsTypedListingAndKeptBesideIt) {
    const std::string typed = pages.File("typed.txt");
    test::WriteFile(typed, Lines(clean.truth, "\n"));
    Dialog by_hand(typed, clean.options);
    ASSERT_EQ(ApplyOutcome::Applied, by_hand.controller.Apply());
    ASSERT_EQ(1u, by_hand.view.shown.size());

    struct Case {
        const char* name;
        std::vector<std::string> taken;  // names beside the page, already there
        const char* written;
    };
    const Case cases[] = {
        {"nothing beside the page", {}, "page.png.txt"},
        {"a listing of an earlier read beside it", {"page.png.txt"}, "page.png (2).txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir folder;
        const std::string image = folder.File("page.png");
        std::filesystem::copy_file(clean.image, image);
        for (const std::string& name : c.taken) {
            test::WriteFile(folder.File(name), "mine");
        }
        Dialog dialog(image, clean.options);
        EXPECT_EQ(ApplyOutcome::Applied, dialog.controller.Apply());
        EXPECT_EQ(1, dialog.view.busy_runs);
        EXPECT_EQ(by_hand.Memory(), dialog.Memory());
        EXPECT_TRUE(dialog.controller.WriteBackEnabled());
        const std::string written = folder.File(c.written);
        EXPECT_EQ(Lines(clean.truth, "\r\n"), test::ReadFile(written));
        for (const std::string& name : c.taken) {
            EXPECT_EQ("mine", test::ReadFile(folder.File(name)));
        }
        // The typed listing's completion, and where the page's listing is.
        EXPECT_EQ((std::vector<std::string>{by_hand.view.shown[0] + "\n" +
                                            Sjis(text::PageListingWritten, written)}),
                  dialog.view.shown);
    }
}

TEST_F(PageDump, APageWithRowsInDoubtAppliesNothingAndShowsWhere) {
    const std::string image = Copy(blotted, "blotted.png");
    Dialog dialog(image, blotted.options);
    const std::string before = dialog.Memory();
    EXPECT_EQ(ApplyOutcome::InDoubt, dialog.controller.Apply());
    EXPECT_EQ(before, dialog.Memory());
    ASSERT_EQ(1, dialog.view.reports);
    ASSERT_EQ(1u, dialog.view.shown.size());
    const std::string& report = dialog.view.shown[0];
    const std::string written = image + ".txt";
    EXPECT_EQ(0u, report.find(Sjis(text::PageInDoubt, written)));
    // The blots lie on the first two data rows: each is named with its
    // address as in doubt, with candidates; the way to mend it comes last.
    const std::string said = Utf8(report);
    for (std::size_t row : {0, 1}) {
        const std::string at =
            std::to_string(row + 1) + "行目 アドレス:" + blotted.truth[row].substr(0, 4) + " +";
        const std::size_t place = said.find(at);
        ASSERT_NE(std::string::npos, place) << said;
        const std::string line = said.substr(place, said.find('\r', place) - place);
        EXPECT_NE(std::string::npos, line.find("は不確か 候補:")) << line;
    }
    EXPECT_NE(std::string::npos, report.find(text::kScanNotVerified));
    EXPECT_EQ(report.size() - std::strlen(text::kDialogPageMend),
              report.rfind(text::kDialogPageMend));
    // The listing is kept as read, the doubtful characters as they were read.
    const std::string listing = test::ReadFile(written);
    EXPECT_EQ(blotted.truth.size(),
              static_cast<std::size_t>(std::count(listing.begin(), listing.end(), '\n')));
}

TEST_F(PageDump, WhatIsNoPageOrCannotBeReadIsToldAndNothingIsWritten) {
    const std::string png_start = test::ReadFile(clean.image).substr(0, 64);
    struct Case {
        const char* name;
        std::string bytes;  // the dump's content; empty: the prose page
        bool binary;
        ApplyOutcome outcome;
        std::string said;  // the first message, as its start
        bool scanned;
    };
    const std::string bm_listing = "BM loader\r\n" + Lines(clean.truth, "\r\n");
    const Case cases[] = {
        {"a page in binary mode", png_start, true, ApplyOutcome::Applied,
         Written([](TextOut& out) { text::PlacedRange(out, 0x8000, 0x803F); }), false},
        {"a listing that begins with BM", bm_listing, false, ApplyOutcome::Applied, "", false},
        {"a PNG cut after its first bytes", png_start, false, ApplyOutcome::FileError,
         text::kScanImageDecodeFailed, true},
        {"a page of prose", "", false, ApplyOutcome::Refused, text::kScanNoListing, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir folder;
        std::string dump = folder.File("dump.png");
        if (c.bytes.empty()) {
            std::filesystem::copy_file(FirstPage("prose").image, dump);
        } else {
            test::WriteFile(dump, c.bytes);
        }
        Dialog dialog(dump, clean.options, c.binary);
        EXPECT_EQ(c.outcome, dialog.controller.Apply());
        EXPECT_EQ(c.scanned ? 1 : 0, dialog.view.busy_runs);
        ASSERT_FALSE(dialog.view.shown.empty());
        EXPECT_EQ(0u, dialog.view.shown[0].find(c.said)) << dialog.view.shown[0];
        EXPECT_EQ((std::vector<std::string>{"dump.png"}), test::NamesIn(folder.Path()));
        if (c.binary) {
            EXPECT_TRUE(c.bytes == dialog.Memory().substr(kOffset + 0x8000, c.bytes.size()));
        }
    }
}

TEST_F(PageDump, AListingThatCannotBeWrittenIsNotApplied) {
    const std::string image = Copy(clean, "page.png");
    Dialog dialog(image, clean.options);
    const std::string before = dialog.Memory();
    platform::InjectFault(platform::FaultPoint::Create, EACCES);
    EXPECT_EQ(ApplyOutcome::FileError, dialog.controller.Apply());
    EXPECT_EQ(before, dialog.Memory());
    ASSERT_EQ(1u, dialog.view.shown.size());
    EXPECT_EQ(
        std::string(text::kScanWriteFailed) + "\n" + image + ".txt\n" + text::kReasonAccessDenied,
        dialog.view.shown[0]);
}

TEST_F(PageDump, CommandsWaitWhileThePageIsRead) {
    const std::string image = Copy(clean, "page.png");
    Dialog dialog(image, clean.options);
    std::vector<bool> refused;
    dialog.view.during_work = [&] {
        refused.push_back(dialog.controller.Apply() == ApplyOutcome::Busy);
        refused.push_back(dialog.controller.About() == CommandResult::Busy);
        refused.push_back(dialog.controller.Drop(image.c_str(), DropTarget{true, true}) ==
                          CommandResult::Busy);
        refused.push_back(dialog.controller.Busy());
    };
    EXPECT_EQ(ApplyOutcome::Applied, dialog.controller.Apply());
    EXPECT_EQ((std::vector<bool>{true, true, true, true}), refused);
    EXPECT_FALSE(dialog.controller.Busy());
}

}  // namespace
}  // namespace tsy::gui
