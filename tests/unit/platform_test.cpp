// The platform seam where it does more than pass a call through.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <thread>
#endif

namespace tsy {
namespace {

TEST(Platform, RenameNoReplaceNeverReplaces) {
    test::TempDir dir;
    const std::string from = dir.File("a");
    const std::string to = dir.File("b");
    test::WriteFile(from, "new");
    test::WriteFile(to, "kept");
    EXPECT_FALSE(platform::RenameNoReplace(from.c_str(), to.c_str()));
    EXPECT_EQ("kept", test::ReadFile(to));
    EXPECT_EQ("new", test::ReadFile(from));
    EXPECT_TRUE(platform::RenameReplace(from.c_str(), to.c_str()));
    EXPECT_EQ("new", test::ReadFile(to));
    EXPECT_FALSE(test::FileExists(from));
}

#ifndef _WIN32
TEST(Platform, ReplacingKeepsThePermissionsOfTheReplacedFile) {
    test::TempDir dir;
    const std::string from = dir.File("new");
    const std::string to = dir.File("state.tsy");
    test::WriteFile(to, "old");
    ASSERT_EQ(0, ::chmod(to.c_str(), 0640));
    const platform::FileHandle replaced = platform::OpenForUpdate(to.c_str());
    const platform::FileHandle fresh = platform::CreateExclusive(from.c_str());
    ASSERT_NE(platform::kNoFile, replaced);
    ASSERT_NE(platform::kNoFile, fresh);
    struct stat st;
    ASSERT_EQ(0, ::stat(from.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777u);  // private until it gets the old file's permissions
    EXPECT_TRUE(platform::CopyAttributes(replaced, fresh));
    platform::Close(fresh);
    platform::Close(replaced);
    ASSERT_TRUE(platform::RenameReplace(from.c_str(), to.c_str()));
    ASSERT_EQ(0, ::stat(to.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 0777u);
}
#endif

#ifndef _WIN32
TEST(Platform, AnotherOpenOfAFileWhoseOpenersAreHeldWaitsForTheirRelease) {
    test::TempDir dir;
    const std::string path = dir.File("state.tsy");
    test::WriteFile(path, "state");
    platform::FileLock lock;
    ASSERT_TRUE(platform::LockFile(path.c_str(), &lock));
    // Not granted while another descriptor has the file open.
    const platform::FileHandle other = platform::OpenForReading(path.c_str());
    EXPECT_FALSE(platform::HoldOpeners(lock.file));
    platform::Close(other);
    if (!platform::HoldOpeners(lock.file)) {
        const int error = static_cast<int>(platform::LastError());
        platform::Unlock(&lock);
        GTEST_SKIP() << "no leases on this file system: " << std::strerror(error);
    }
    std::atomic<int> opened{0};
    std::vector<std::thread> openers;
    for (const platform::OpenWait wait :
         {platform::OpenWait::AsReadersDo, platform::OpenWait::Never}) {
        openers.emplace_back([&, wait] {
            const platform::FileHandle file = platform::OpenForReading(path.c_str(), wait);
            opened += file != platform::kNoFile ? 1 : 0;
            platform::Close(file);
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(0, opened.load());
    platform::ReleaseOpeners(lock.file);
    for (std::thread& opener : openers) {
        opener.join();
    }
    EXPECT_EQ(2, opened.load());
    platform::Unlock(&lock);
}
#endif

TEST(Platform, ProgramFolderHoldsTheRunningProgram) {
    char folder[1024];
    ASSERT_TRUE(platform::ProgramFolder(folder, sizeof folder));
#ifdef _WIN32
    const std::string program = std::string(folder) + "\\tsypatch_tests.exe";
#else
    const std::string program = std::string(folder) + "/tsypatch_tests";
#endif
    platform::FileInfo info;
    ASSERT_TRUE(platform::InspectPath(program.c_str(), &info));
    EXPECT_EQ(platform::FileKind::Regular, info.kind) << program;
    // A buffer one byte short fails rather than cutting the path.
    const std::size_t length = std::strlen(folder);
    EXPECT_FALSE(platform::ProgramFolder(folder, length));
    EXPECT_TRUE(platform::ProgramFolder(folder, length + 1));
    EXPECT_EQ(length, std::strlen(folder));
}

TEST(Platform, ShiftJisReachesTheTerminalConverted) {
    // テスト in Shift-JIS; the terminal's encoding differs per platform, but
    // the text must come out whole and ASCII must pass unchanged.
    char out[64];
    const std::size_t n = platform::ToTerminalEncoding(
        "A\x83\x65\x83\x58\x83\x67"
        "B",
        out, sizeof out);
    ASSERT_GE(n, 5u);
    EXPECT_EQ('A', out[0]);
    EXPECT_EQ('B', out[n - 1]);
    EXPECT_EQ('\0', out[n]);
    // Too small a buffer is cut, never overrun.
    char tiny[3] = {'x', 'x', 'x'};
    platform::ToTerminalEncoding("ABCDEF", tiny, sizeof tiny);
    EXPECT_EQ('\0', tiny[2]);
}

}  // namespace
}  // namespace tsy
