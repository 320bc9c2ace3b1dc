// Two writers on one state-save file at once, as two processes of the built
// command line started together, each with its own dump at its own address,
// a few hundred times. Whatever their order, the file is never missing, cut
// or empty, a writer that exited 3 has none of its bytes in it, and a writer
// that exited 0 has all of them there at the end.
#if !defined(_WIN32) && defined(TSY_CLI_PATH)

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/test_support.h"

extern char** environ;

namespace tsy {
namespace {

constexpr std::size_t kOffset = 4096;
// A few hundred pairs, fewer where the processes start slowly (a sanitizer
// build, a busy machine): the time is bounded.
constexpr int kPairs = 300;
constexpr auto kTimeLimit = std::chrono::seconds(20);

// Starts the built command line with `args`, its output thrown away.
pid_t StartCli(std::vector<std::string> args) {
    std::vector<char*> argv = {const_cast<char*>(TSY_CLI_PATH)};
    for (std::string& arg : args) {
        argv.push_back(&arg[0]);
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, TSY_CLI_PATH, &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status of a started process, -1 when it did not exit.
int ExitStatus(pid_t pid) {
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST(TwoWriters, NeitherLosesAnUpdateNorClaimsOneItDidNotMake) {
    test::TempDir dir;
    std::string original(kOffset + 0x10000, '\0');
    original.replace(0, 6, std::string("TSRY\x01\x00", 6));
    const std::string a_bytes = "\x11\x22\x33\x44\x55\x66\x77\x88";
    const std::string b_bytes = "\x99\xAA\xBB\xCC\xDD\xEE\xF1\xF2";
    const std::string a_dump = dir.File("a.bin");
    const std::string b_dump = dir.File("b.bin");
    test::WriteFile(a_dump, a_bytes);
    test::WriteFile(b_dump, b_bytes);
    std::string with_a = original;
    with_a.replace(kOffset + 0xC000, 8, a_bytes);
    std::string with_b = original;
    with_b.replace(kOffset + 0xD000, 8, b_bytes);
    std::string with_both = with_a;
    with_both.replace(kOffset + 0xD000, 8, b_bytes);

    int outcomes[2][2] = {};  // [first written][second written]
    int pairs = 0;
    const auto start = std::chrono::steady_clock::now();
    for (; pairs < kPairs && std::chrono::steady_clock::now() - start < kTimeLimit; ++pairs) {
        SCOPED_TRACE(pairs);
        // A fresh name each time: no backup yet, so each pair makes one.
        const std::string state = dir.File("s" + std::to_string(pairs) + ".tsy");
        test::WriteFile(state, original);
        const pid_t first = StartCli({"-b", "-s", "C000", state, a_dump});
        const pid_t second = StartCli({"-b", "-s", "D000", state, b_dump});
        const int a = ExitStatus(first);
        const int b = ExitStatus(second);
        ASSERT_TRUE(a == 0 || a == 3) << a;
        ASSERT_TRUE(b == 0 || b == 3) << b;
        ++outcomes[a == 0][b == 0];
        // Both written: the later one loaded what the earlier one wrote.
        const std::string& expected =
            a == 0 ? (b == 0 ? with_both : with_a) : (b == 0 ? with_b : original);
        EXPECT_EQ(expected, test::ReadFile(state));
        if (a == 0 || b == 0) {
            EXPECT_EQ(original, test::ReadFile(state + ".old"));
        }
        // Nothing else is left behind: no temporary file.
        EXPECT_EQ((a == 0 || b == 0 ? 4u : 3u), test::NamesIn(dir.Path()).size());
        std::filesystem::remove(state);
        std::filesystem::remove(state + ".old");
    }
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "two writers: %d pairs in %.1f s: both written %d, first refused %d, second refused %d, "
        "both refused %d\n",
        pairs, seconds, outcomes[1][1], outcomes[0][1], outcomes[1][0], outcomes[0][0]);
    EXPECT_GE(pairs, 20);
    // Without a pair that overlapped, nothing above was put to the test.
    EXPECT_GT(outcomes[0][1] + outcomes[1][0], 0);
}

}  // namespace
}  // namespace tsy

#endif
