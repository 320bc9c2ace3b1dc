// Writers on one state-save file at once, as processes of the built command
// line. Two started together, each with its own dump at its own address, a
// few hundred times: whatever their order, the file is never missing, cut
// or empty, a writer that exited 3 has none of its bytes in it, and a
// writer that exited 0 has all of them there at the end. And a program that
// saves the file in place now and then, taking no lock, against 200
// write-backs one after the other: none of its saves is lost, and every
// write-back that did not write says why.
#if !defined(_WIN32) && defined(TSY_CLI_PATH)

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
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

// Starts the built command line with `args`, its output thrown away, or
// its standard error into the file `errors`.
pid_t StartCli(std::vector<std::string> args, const std::string& errors = "/dev/null") {
    std::vector<char*> argv = {const_cast<char*>(TSY_CLI_PATH)};
    for (std::string& arg : args) {
        argv.push_back(&arg[0]);
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
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

TEST(TwoWriters, AnOutsideSaverWritingInPlaceLosesNoSave) {
    constexpr int kRuns = 200;
    test::TempDir dir;
    std::string original(kOffset + 0x10000, '\0');
    original.replace(0, 6, std::string("TSRY\x01\x00", 6));
    const std::string state = dir.File("s.tsy");
    test::WriteFile(state, original);
    const std::string dumps[2] = {dir.File("a.bin"), dir.File("b.bin")};
    test::WriteFile(dumps[0], "\x11\x22\x33\x44");
    test::WriteFile(dumps[1], "\x55\x66\x77\x88");
    const std::string errors = dir.File("errors.txt");
    // The message of a refusal for a file changed since the load.
    const std::string changed = "読み込んだ後に変更されています";

    // A program that saves the file in place, without the lock, every 0 to
    // 30 ms: save k writes k + 1 into slot k, below the bytes the dumps
    // change, so that every save it made leaves its own mark.
    constexpr std::size_t kFirstSlot = 256;
    constexpr int kSlots = static_cast<int>((kOffset + 0xC000 - kFirstSlot) / 4);
    std::atomic<bool> stop{false};
    std::atomic<bool> save_failed{false};
    std::atomic<int> saves{0};
    std::thread saver([&] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> pause(0, 30);
        for (std::uint32_t k = 0; !stop && k < kSlots; ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
            const int fd = ::open(state.c_str(), O_WRONLY);
            const std::uint32_t value = k + 1;
            save_failed = save_failed || fd < 0 ||
                          ::pwrite(fd, &value, 4, kFirstSlot + 4 * k) != 4 || ::close(fd) != 0;
            saves = static_cast<int>(k + 1);
        }
    });
    int written = 0;
    int refused = 0;
    int last_written = -1;
    const auto start = std::chrono::steady_clock::now();
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE(run);
        const int status =
            ExitStatus(StartCli({"-b", "-s", "C000", state, dumps[run % 2]}, errors));
        if (status == 0) {
            ++written;
            last_written = run;
        } else {
            ++refused;
            EXPECT_EQ(3, status);
            EXPECT_NE(std::string::npos, test::ReadFile(errors).find(changed))
                << test::ReadFile(errors);
        }
    }
    stop = true;
    saver.join();
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_FALSE(save_failed);
    EXPECT_LT(saves, kSlots);  // it saved until the last write-back
    const std::string final_state = test::ReadFile(state);
    ASSERT_EQ(original.size(), final_state.size());
    int lost = 0;
    for (int k = 0; k < saves; ++k) {
        std::uint32_t slot = 0;
        std::memcpy(&slot, final_state.data() + kFirstSlot + 4 * k, 4);
        lost += slot == static_cast<std::uint32_t>(k + 1) ? 0 : 1;
    }
    std::printf(
        "outside saver: %d write-backs in %.1f s, %d written, %d refused; %d saves, %d lost\n",
        kRuns, seconds, written, refused, saves.load(), lost);
    EXPECT_EQ(0, lost);
    if (last_written >= 0) {
        EXPECT_EQ(test::ReadFile(dumps[last_written % 2]), final_state.substr(kOffset + 0xC000, 4));
        EXPECT_EQ(std::string(4, '\0'), test::ReadFile(state + ".old").substr(kOffset + 0xC000, 4));
    }
    // Nothing else is left behind: no temporary file.
    EXPECT_EQ((std::vector<std::string>{"a.bin", "b.bin", "errors.txt", "s.tsy", "s.tsy.old"}),
              test::NamesIn(dir.Path()));
    // Without a save between a load and its write-back, nothing was put to
    // the test; without a write-back written, nothing was at stake.
    EXPECT_GT(refused, 0);
    EXPECT_GT(written, 0);
}

}  // namespace
}  // namespace tsy

#endif
