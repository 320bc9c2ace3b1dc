// The main dialog's commands, driven through a recording view: the order of
// their steps, what they tell the user, and what they leave in the image and
// on disk.
#include "gui/main_controller.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>

#include <thread>
#endif

#include <gtest/gtest.h>

#include "platform/faults.h"
#include "platform/text.h"
#include "recorder.h"
#include "resources/resource.h"
#include "resources/texts.h"
#include "test_support.h"

namespace tsy::gui {
namespace {

constexpr std::uint32_t kOffset = 4096;

// The platform's error code of a kind, as a failure of the system gives it.
std::uint32_t ErrorOf(platform::ErrorKind kind) {
#ifdef _WIN32
    return kind == platform::ErrorKind::DiskFull ? 112 : 0;  // ERROR_DISK_FULL
#else
    return kind == platform::ErrorKind::DiskFull ? ENOSPC : 0;
#endif
}
constexpr std::uint32_t kImageSize = kOffset + 0x10000;

std::string StateFile(bool good_format = true) {
    std::string bytes(kImageSize, '\0');
    std::memcpy(&bytes[0], good_format ? "TSRY\x01" : "tsry\x01", 5);
    return bytes;
}

class CommandsTest : public ::testing::Test {
  protected:
    CommandsTest() : commands(ui), image(commands.State().Image()) {
        state = dir.File("game.tsy");
        test::WriteFile(state, StateFile());
        ui.options.memory_offset = kOffset;
        std::strcpy(ui.options.start_address, "8000");
        ui.options.binary_mode = true;
    }
    ~CommandsTest() override { platform::ClearFaults(); }

    // Chooses the state-save file and a binary dump of `bytes` by browsing.
    void ChooseFiles(const std::string& bytes, const std::string& dump_name = "dump.bin") {
        const std::string dump = dir.File(dump_name);
        test::WriteFile(dump, bytes);
        ui.state_choice = state;
        ui.dump_choice = dump;
        ASSERT_EQ(CommandResult::Done, commands.BrowseStateFile());
        ASSERT_EQ(CommandResult::Done, commands.BrowseDumpFile());
        ui.log.clear();
    }

    unsigned char Memory(std::uint32_t address) const { return image.Bytes()[kOffset + address]; }

    test::TempDir dir;
    std::string state;
    Recorder ui;
    MainController commands;
    const StateImage& image;
};

TEST_F(CommandsTest, BrowseStateFileSamplesFormatCheckFirstAndWarnsAfterTheLoad) {
    test::WriteFile(state, StateFile(false));
    ui.state_choice = state;
    EXPECT_EQ(CommandResult::Done, commands.BrowseStateFile());
    const std::vector<std::string> expected = {
        "ReadFormatCheck", "AskStateFile", "ShowStatePath " + state,
        Recorder::Said(Session::FormatWarning().text), "Repaint"};
    EXPECT_EQ(expected, ui.log);
    EXPECT_TRUE(image.IsLoaded());
    EXPECT_EQ(state, commands.State().StatePath());
}

TEST_F(CommandsTest, CancelledBrowseChangesNothingButTheFormatCheckSample) {
    ui.format_check = false;
    EXPECT_EQ(CommandResult::Done, commands.BrowseStateFile());
    EXPECT_EQ((std::vector<std::string>{"ReadFormatCheck", "AskStateFile"}), ui.log);
    EXPECT_FALSE(commands.FormatCheck());
    EXPECT_STREQ("", commands.State().StatePath());
    EXPECT_FALSE(image.IsLoaded());
}

TEST_F(CommandsTest, PathChecksStopTheApplyBeforeTheOptionsAreRead) {
    EXPECT_EQ(ApplyOutcome::NoPath, commands.Apply());
    EXPECT_EQ((std::vector<std::string>{Recorder::Said(text::kNeedStatePath)}), ui.log);

    ui.state_choice = state;
    commands.BrowseStateFile();
    ui.log.clear();
    EXPECT_EQ(ApplyOutcome::NoPath, commands.Apply());
    EXPECT_EQ((std::vector<std::string>{Recorder::Said(text::kNeedDumpPath)}), ui.log);
    EXPECT_FALSE(commands.WriteBackEnabled());
    EXPECT_EQ(CommandResult::Failed, commands.WriteBack());
}

TEST_F(CommandsTest, FormatCheckIsTheValueSampledAtChoiceNotAtApply) {
    test::WriteFile(state, StateFile(false));
    const std::string warning = Recorder::Said(Session::FormatWarning().text);
    struct Case {
        bool at_choice;
        bool at_apply;
    };
    for (const Case c : {Case{false, true}, Case{true, false}}) {
        ui.format_check = c.at_choice;
        ChooseFiles("\x01\x02");
        ui.format_check = c.at_apply;
        EXPECT_EQ(ApplyOutcome::Applied, commands.Apply());
        const bool warned = std::find(ui.log.begin(), ui.log.end(), warning) != ui.log.end();
        EXPECT_EQ(c.at_choice, warned);
        // The apply reloads before the path checks and reads the options after.
        EXPECT_EQ("ReadDumpOptions", ui.log[c.at_choice ? 1 : 0]);
    }
}

TEST_F(CommandsTest, EveryApplyStartsFromTheFileOnDisk) {
    ChooseFiles("\xAA\xBB");
    ASSERT_EQ(ApplyOutcome::Applied, commands.Apply());
    EXPECT_EQ(0xAA, Memory(0x8000));

    // A second apply at another address without a write-back in between:
    // only the second dump is in the image.
    std::strcpy(ui.options.start_address, "9000");
    ASSERT_EQ(ApplyOutcome::Applied, commands.Apply());
    EXPECT_EQ(0x00, Memory(0x8000));
    EXPECT_EQ(0xAA, Memory(0x9000));

    // Write back, then apply again: the written bytes stay.
    ASSERT_EQ(CommandResult::Done, commands.WriteBack());
    std::strcpy(ui.options.start_address, "A000");
    ASSERT_EQ(ApplyOutcome::Applied, commands.Apply());
    EXPECT_EQ(0xAA, Memory(0x9000));
    EXPECT_EQ(0xBB, Memory(0xA001));
    EXPECT_EQ(StateFile(), test::ReadFile(state + ".old"));
}

TEST_F(CommandsTest, ApplyUsesTheOffsetReadWithTheOptionsAndEnablesWriteBack) {
    ChooseFiles("\x5A");
    ui.options.memory_offset = 16;
    ASSERT_EQ(ApplyOutcome::Applied, commands.Apply());
    EXPECT_EQ(0x5A, image.Bytes()[16 + 0x8000]);
    EXPECT_EQ("EnableWriteBack", ui.log.back());
    EXPECT_TRUE(commands.WriteBackEnabled());
}

TEST_F(CommandsTest, AFailedPlacementStillEnablesWriteBack) {
    ChooseFiles(std::string(0x9000, '\x11'));  // 0x8000 + 0x9000 is past 0xFFFF
    EXPECT_EQ(ApplyOutcome::Refused, commands.Apply());
    EXPECT_TRUE(commands.WriteBackEnabled());
    EXPECT_EQ(0x00, Memory(0x8000));
}

TEST_F(CommandsTest, WriteCompleteOnlyAfterAWriteBackThatSucceeded) {
    ChooseFiles("\x42");
    ASSERT_EQ(ApplyOutcome::Applied, commands.Apply());
    ui.log.clear();

    // A failure the user can act on ends with the system's reason.
    platform::InjectFault(platform::FaultPoint::Write, ErrorOf(platform::ErrorKind::DiskFull));
    EXPECT_EQ(CommandResult::Failed, commands.WriteBack());
    EXPECT_EQ((std::vector<std::string>{Recorder::Said(std::string(text::kStateWriteFailed) + "\n" +
                                                       text::kReasonDiskFull)}),
              ui.log);
    EXPECT_EQ(StateFile(), test::ReadFile(state));

    ui.log.clear();
    EXPECT_EQ(CommandResult::Done, commands.WriteBack());
    EXPECT_EQ((std::vector<std::string>{Recorder::Said(text::kWriteComplete)}), ui.log);
    EXPECT_EQ(0x42, static_cast<unsigned char>(test::ReadFile(state)[kOffset + 0x8000]));
}

TEST_F(CommandsTest, WriteBackOfAFileSavedByAnotherProgramSinceTheApplyIsRefused) {
    ChooseFiles("\x42");
    ASSERT_EQ(ApplyOutcome::Applied, commands.Apply());
    std::string saved = StateFile();
    saved[kOffset + 0x9000] = '\x55';
    test::WriteFile(state, saved);
    ui.log.clear();

    EXPECT_EQ(CommandResult::Failed, commands.WriteBack());
    EXPECT_EQ((std::vector<std::string>{Recorder::Said(text::kStateChanged)}), ui.log);
    EXPECT_EQ(saved, test::ReadFile(state));
    EXPECT_FALSE(test::FileExists(state + ".old"));

    // The next apply starts from the saved file: its write-back keeps both.
    ASSERT_EQ(ApplyOutcome::Applied, commands.Apply());
    EXPECT_EQ(CommandResult::Done, commands.WriteBack());
    const std::string written = test::ReadFile(state);
    EXPECT_EQ('\x42', written[kOffset + 0x8000]);
    EXPECT_EQ('\x55', written[kOffset + 0x9000]);
    EXPECT_EQ(saved, test::ReadFile(state + ".old"));
}

TEST_F(CommandsTest, NamedPathWithoutImageRefusesApplyAndTouchesNoFile) {
    ChooseFiles("\x42");
    ASSERT_EQ(ApplyOutcome::Applied, commands.Apply());
    // The file goes away: the next apply's reload fails and says so once.
    std::remove(state.c_str());
    ui.log.clear();
    EXPECT_EQ(ApplyOutcome::FileError, commands.Apply());
    EXPECT_EQ((std::vector<std::string>{Recorder::Said(std::string(text::kStateOpenFailed) + "\n" +
                                                       text::kReasonNotFound)}),
              ui.log);
    EXPECT_FALSE(image.IsLoaded());

    // Without an image, neither apply nor write-back does anything but say so.
    ui.log.clear();
    EXPECT_EQ(ApplyOutcome::NoImage, commands.Apply());
    EXPECT_EQ(CommandResult::Failed, commands.WriteBack());
    EXPECT_EQ(ui.log, (std::vector<std::string>{Recorder::Said(text::kNoStateImage),
                                                Recorder::Said(text::kNoStateImage)}));
    EXPECT_FALSE(test::FileExists(state));
    EXPECT_FALSE(test::FileExists(state + ".old"));
}

TEST_F(CommandsTest, DropOnTheStateFieldAsksBeforeReplacingAnotherFile) {
    const std::string other = dir.File("other.tsy");
    test::WriteFile(other, StateFile(false));
    ui.state_choice = state;
    commands.BrowseStateFile();

    struct Case {
        const char* path;
        bool answer;
        bool asked;
        const char* state_after;
    };
    const std::string question = Recorder::Said(text::kReplaceState);
    // Same path: no question, loaded again. No: nothing changes, and the dump
    // field is not tested. Yes: replaced and loaded (the format warning shows).
    const Case cases[] = {
        {state.c_str(), false, false, state.c_str()},
        {other.c_str(), false, true, state.c_str()},
        {other.c_str(), true, true, other.c_str()},
    };
    for (const Case& c : cases) {
        ui.log.clear();
        ui.answer = c.answer;
        EXPECT_EQ(CommandResult::Done, commands.Drop(c.path, {true, true}));
        const bool asked = !ui.log.empty() && ui.log[1] == question;
        EXPECT_EQ(c.asked, asked) << c.path;
        EXPECT_STREQ(c.state_after, commands.State().StatePath());
        const bool dump_named = std::string(commands.State().DumpPath()) == c.path;
        EXPECT_EQ(!c.asked || c.answer, dump_named) << c.path;
    }
    EXPECT_EQ(Recorder::Said(Session::FormatWarning().text), ui.log[3]);
    EXPECT_TRUE(image.IsLoaded());
    EXPECT_EQ('t', image.Bytes()[0]);
}

TEST_F(CommandsTest, DropWithNoStateNamedAsksNothingAndOutsideBothFieldsOnlySamples) {
    ui.format_check = false;
    EXPECT_EQ(CommandResult::Done, commands.Drop(state.c_str(), {false, false}));
    EXPECT_EQ((std::vector<std::string>{"ReadFormatCheck"}), ui.log);
    EXPECT_FALSE(commands.FormatCheck());

    ui.log.clear();
    EXPECT_EQ(CommandResult::Done, commands.Drop(state.c_str(), {true, false}));
    EXPECT_EQ(ui.log.end(),
              std::find(ui.log.begin(), ui.log.end(), Recorder::Said(text::kReplaceState)));
    EXPECT_TRUE(image.IsLoaded());
}

TEST_F(CommandsTest, CommandsFromInsideAMessageBoxAreRefusedWithoutEffect) {
    test::WriteFile(state, StateFile(false));
    ChooseFiles("\x42");
    std::vector<std::string> nested;
    ui.inside = [&](MessageKind kind) {
        if (kind != MessageKind::Warning) {
            return;
        }
        EXPECT_TRUE(commands.Busy());
        EXPECT_EQ(ApplyOutcome::Busy, commands.Apply());
        EXPECT_EQ(CommandResult::Busy, commands.WriteBack());
        EXPECT_EQ(CommandResult::Busy, commands.Drop("elsewhere.tsy", {true, true}));
        EXPECT_EQ(CommandResult::Busy, commands.BrowseStateFile());
        EXPECT_EQ(CommandResult::Busy, commands.Exit());
        nested = ui.log;
    };
    EXPECT_EQ(ApplyOutcome::Applied, commands.Apply());
    // Nothing ran while the warning was open, and the waiting apply finished.
    EXPECT_EQ((std::vector<std::string>{Recorder::Said(Session::FormatWarning().text)}), nested);
    EXPECT_EQ(0x42, Memory(0x8000));
    EXPECT_EQ(state, commands.State().StatePath());
    EXPECT_FALSE(commands.Busy());
}

// A data line of four bytes from `first` on, with its checksum.
std::string DataLine(const char* address, int first) {
    char line[64];
    const int sum = (4 * first + 6) & 0xFF;
    std::snprintf(line, sizeof line, "%s %02X %02X %02X %02X %02X\n", address, first & 0xFF,
                  (first + 1) & 0xFF, (first + 2) & 0xFF, (first + 3) & 0xFF, sum);
    return line;
}

// After a listing, the dialog tells what the command line tells: a refusal
// with the findings of the whole listing below the report, a completion
// followed by a box of its warnings with their line numbers, nothing read
// as an error.
TEST_F(CommandsTest, WhatTheDialogTellsAfterAListing) {
    std::string wrapping;  // 25 lines that each start again at 3000
    for (int i = 0; i < 25; ++i) {
        wrapping += DataLine("3000", i);
    }
    const std::string hole =
        DataLine("3000", 1) + DataLine("3004", 5) + DataLine("3OO8", 9) + DataLine("300C", 13);
    // +3 of C004 typed 09 for 08: its line sum and column sum cross there.
    const std::string typo =
        DataLine("C000", 1) + "C004 05 06 07 09 1A\n" + "SUM 06 08 0A 0C 0024\n";
    const struct {
        const char* name;
        std::string listing;
        std::vector<std::string> starts;  // how each entry of the log begins
        std::vector<std::string> holds;   // what the last entry holds
    } cases[] = {
        {"a clean listing", DataLine("C000", 1), {"Tell \x8A\xAE\x97\xB9"}, {}},  // 完了
        {"a skipped line",
         hole,
         {"Tell \x8A\xAE\x97\xB9", "Warnings "},
         {"3\x8Ds\x96\xDA \x83\x41\x83\x68\x83\x8C\x83\x58:3OO8"}},  // 3行目 アドレス:3OO8
        {"a refused line",
         typo,
         {"Report \x83`\x83\x46\x83\x62\x83N",
          "Findings " + std::string(text::kDialogFindingsHeading)},
         {"2\x8Ds\x96\xDA \x83\x41\x83\x68\x83\x8C\x83\x58:C004 (E03)", "\x8Am\x92\xE8"}},  // 確定
        {"wrapping addresses",
         wrapping,
         {"Tell \x8A\xAE\x97\xB9", "Warnings "},
         {"21\x8Ds\x96\xDA", "\x82\xD9\x82\xA9\x82\xC9 4 \x8C\x8F"}},  // 21行目, ほかに 4 件
        {"UTF-16 without its mark",
         std::string("C\0"
                     "0\0"
                     "0\0"
                     "0\0"
                     "\n\0",
                     10),
         {"Tell " +
          Written([](TextOut& out) { text::NothingRead(out, text::kNothingReadZeroBytes); })},
         {}},
    };
    for (const auto& c : cases) {
        ui.options.binary_mode = false;
        ChooseFiles(c.listing, "listing.txt");
        commands.Apply();
        ui.log.erase(ui.log.begin());  // ReadDumpOptions
        ui.log.pop_back();             // EnableWriteBack
        ASSERT_EQ(c.starts.size(), ui.log.size())
            << c.name << ": " << ::testing::PrintToString(ui.log);
        for (std::size_t i = 0; i < c.starts.size(); ++i) {
            EXPECT_EQ(0u, ui.log[i].rfind(c.starts[i], 0)) << c.name << ": " << ui.log[i];
        }
        for (const std::string& held : c.holds) {
            EXPECT_NE(std::string::npos, ui.log.back().find(held))
                << c.name << ": " << ui.log.back();
        }
    }
}

#ifndef _WIN32
// A listing from a FIFO is read once: a completion with the warnings
// gathered on that read; a refusal with the report, and in place of the
// whole listing's findings the word that a pipe cannot be read again.
TEST_F(CommandsTest, AListingFromAFifoIsReadOnce) {
    const std::string hole =
        DataLine("3000", 1) + DataLine("3004", 5) + DataLine("3OO8", 9) + DataLine("300C", 13);
    const std::string typo =
        DataLine("C000", 1) + "C004 05 06 07 09 1A\n" + "SUM 06 08 0A 0C 0024\n";
    const struct {
        const char* name;
        std::string listing;
        std::vector<std::string> starts;
        std::string last;  // what the last entry holds
    } cases[] = {
        {"a skipped line", hole, {"Tell \x8A\xAE\x97\xB9", "Warnings "}, "3OO8"},
        {"a refused line",
         typo,
         {"Report \x83`\x83\x46\x83\x62\x83N", "Findings "},
         text::kFindingsNotShown},
    };
    const std::string fifo = dir.File("listing.fifo");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    for (const auto& c : cases) {
        ChooseFiles("", "unused.txt");
        ui.dump_choice = fifo;
        ASSERT_EQ(CommandResult::Done, commands.BrowseDumpFile());
        ui.options.binary_mode = false;
        ui.log.clear();
        std::thread writer([&] { test::WriteFile(fifo, c.listing); });
        commands.Apply();
        writer.join();
        ui.log.erase(ui.log.begin());  // ReadDumpOptions
        ui.log.pop_back();             // EnableWriteBack
        ASSERT_EQ(c.starts.size(), ui.log.size())
            << c.name << ": " << ::testing::PrintToString(ui.log);
        for (std::size_t i = 0; i < c.starts.size(); ++i) {
            EXPECT_EQ(0u, ui.log[i].rfind(c.starts[i], 0)) << c.name << ": " << ui.log[i];
        }
        EXPECT_NE(std::string::npos, ui.log.back().find(c.last)) << c.name << ": " << ui.log.back();
    }
}
#endif

TEST_F(CommandsTest, AboutAndExitGoToTheView) {
    EXPECT_EQ(CommandResult::Done, commands.About());
    EXPECT_EQ(CommandResult::Done, commands.Exit());
    EXPECT_EQ((std::vector<std::string>{"ShowAbout", "Exit"}), ui.log);
}

}  // namespace
}  // namespace tsy::gui
