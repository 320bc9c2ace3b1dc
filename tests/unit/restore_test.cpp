// Putting the backup back: what each situation gives, and that the file is
// never half-written nor written over when it changed since it was read.
#include "session/restore.h"

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "platform/faults.h"
#include "test_support.h"

namespace tsy {
namespace {

// A file's content; "<other>" for anything that is not a regular file.
std::string ContentOf(const std::string& path) {
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
        return "<other>";
    }
    return test::ReadFile(path);
}

const std::string kNew = "TSRY\x01" + std::string(64, 'n');
const std::string kOld = "TSRY\x01" + std::string(32, 'o');

TEST(RestoreBackup, EachSituation) {
    struct Case {
        const char* name;
        std::function<void(const std::string& state)> make;
        RestoreStatus status;
        std::string state_after;  // empty: no file
    };
    const Case cases[] = {
        {"the backup goes back",
         [](const std::string& s) {
             test::WriteFile(s, kNew);
             test::WriteFile(s + ".old", kOld);
         },
         RestoreStatus::Restored, kOld},
        {"already the same",
         [](const std::string& s) {
             test::WriteFile(s, kOld);
             test::WriteFile(s + ".old", kOld);
         },
         RestoreStatus::Same, kOld},
        {"no backup", [](const std::string& s) { test::WriteFile(s, kNew); },
         RestoreStatus::NoBackup, kNew},
        {"the backup is a folder",
         [](const std::string& s) {
             test::WriteFile(s, kNew);
             std::filesystem::create_directory(s + ".old");
         },
         RestoreStatus::BackupFailed, kNew},
        {"no file", [](const std::string&) {}, RestoreStatus::StateFailed, ""},
        {"an empty backup is put back too",
         [](const std::string& s) {
             test::WriteFile(s, kNew);
             test::WriteFile(s + ".old", "");
         },
         RestoreStatus::Restored, ""},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string state = dir.File("s.tsy");
        c.make(state);
        const std::string backup = ContentOf(state + ".old");
        const RestoreResult result = RestoreBackup(state.c_str());
        EXPECT_EQ(c.status, result.status) << c.name;
        EXPECT_FALSE(result.message.Empty()) << c.name;
        EXPECT_EQ(c.state_after, test::ReadFile(state)) << c.name;
        EXPECT_EQ(backup, ContentOf(state + ".old")) << c.name << ": the backup stays";
        // Nothing else is left beside them.
        const auto names = test::NamesIn(dir.Path());
        EXPECT_LE(names.size(), 2u) << c.name;
    }
}

TEST(RestoreBackup, AFileSavedSinceItWasReadIsNotWrittenOver) {
    test::TempDir dir;
    const std::string state = dir.File("s.tsy");
    test::WriteFile(state, kNew);
    test::WriteFile(state + ".old", kOld);
    BackupRestore restore;
    ASSERT_EQ(RestoreStatus::Ready, restore.Read(state.c_str()).status);
    const std::string saved = "TSRY\x01" + std::string(64, 's');  // the same size
    test::WriteFile(state, saved);
    const RestoreResult result = restore.Write();
    EXPECT_EQ(RestoreStatus::Refused, result.status);
    EXPECT_EQ(saved, test::ReadFile(state));
    EXPECT_EQ(kOld, test::ReadFile(state + ".old"));
}

TEST(RestoreBackup, AFailedWriteLeavesTheFileWhole) {
    test::TempDir dir;
    const std::string state = dir.File("s.tsy");
    test::WriteFile(state, kNew);
    test::WriteFile(state + ".old", kOld);
    platform::InjectFault(platform::FaultPoint::Write, 5);
    const RestoreResult result = RestoreBackup(state.c_str());
    platform::ClearFaults();
    EXPECT_EQ(RestoreStatus::Refused, result.status);
    EXPECT_EQ(kNew, test::ReadFile(state));
    EXPECT_EQ((std::vector<std::string>{"s.tsy", "s.tsy.old"}), test::NamesIn(dir.Path()));
}

}  // namespace
}  // namespace tsy
