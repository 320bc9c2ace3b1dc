// The write-back against what lies around the file, on real files in real
// folders: updates by others since the load, a second writer and its lock,
// links, modes, files that are not regular, the backup's name, and a failure
// or a crash at each of its file calls in turn.
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "image/state_image.h"
#include "platform/faults.h"
#include "platform/platform.h"
#include "resources/texts.h"
#include "tests/unit/test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tsy {
namespace {

namespace fs = std::filesystem;
using platform::FaultAction;
using platform::FaultPoint;

constexpr std::size_t kFileSize = 4096 + 0x100;

// A state-save file whose bytes differ from `seed` to `seed`.
std::string StateBytes(int seed = 0) {
    std::string bytes(kFileSize, '\0');
    for (std::size_t i = 6; i < kFileSize; ++i) {
        bytes[i] = static_cast<char>(i * 13 + seed);
    }
    return std::string("TSRY\x01\x00", 6) + bytes.substr(6);
}

std::string Bytes(const StateImage& image) {
    return std::string(reinterpret_cast<const char*>(image.Bytes()), image.Size());
}

std::string Said(const WriteBackResult& result) {
    return result.message.text;
}

class WriteBackTest : public ::testing::Test {
  protected:
    void TearDown() override { platform::ClearFaults(); }

    // Writes the original state-save file, loads it and changes a byte of
    // the image; the backup is removed.
    void LoadChanged(const std::string& path) {
        fs::remove(path + ".old");
        test::WriteFile(path, original_);
        ASSERT_EQ(LoadStatus::Loaded, image_.Load(path.c_str()).status);
        const unsigned char byte = 0xEE;
        ASSERT_EQ(StoreResult::Stored, image_.Store(0x10, &byte, 1));
    }

    std::vector<std::string> Names() const { return test::NamesIn(dir_.Path()); }

    test::TempDir dir_;
    StateImage image_;
    const std::string path_ = dir_.File("game.tsy");
    const std::string backup_ = path_ + ".old";
    const std::string original_ = StateBytes();
};

// ---- No lost update ----------------------------------------------------------

// Rewrites the bytes of the file at `path` in place: the same file, its
// time of last write as it was.
void ChangeInPlaceKeepingTime(const std::string& path) {
    const auto time = fs::last_write_time(path);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(100);
    file.put('\x5A');
    file.close();
    fs::last_write_time(path, time);
}

TEST_F(WriteBackTest, AFileChangedSinceTheLoadIsRefusedAndLeftAsItIs) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
    };
    const Case cases[] = {
        {"a byte rewritten in place, size and time kept", ChangeInPlaceKeepingTime},
        {"only its time of last write changed",
         [](const std::string& path) {
             fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(2));
         }},
        {"grown", [](const std::string& path) { test::WriteFile(path, StateBytes() + "more"); }},
        {"replaced by another file of the same bytes and time",
         [](const std::string& path) {
             const auto time = fs::last_write_time(path);
             test::WriteFile(path + ".saved", test::ReadFile(path));
             fs::last_write_time(path + ".saved", time);
             fs::rename(path + ".saved", path);
         }},
        {"replaced by a folder",
         [](const std::string& path) {
             fs::remove(path);
             fs::create_directory(path);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(path_);
        LoadChanged(path_);
        c.change(path_);
        const std::vector<std::string> names = Names();
        const bool folder = fs::is_directory(path_);
        const std::string changed = folder ? "" : test::ReadFile(path_);
        const WriteBackResult result = image_.WriteBack(path_.c_str());
        EXPECT_EQ(WriteBackStatus::Changed, result.status);
        EXPECT_EQ(text::kStateChanged, Said(result));
        EXPECT_EQ(names, Names());
        EXPECT_EQ(folder, fs::is_directory(path_));
        if (!folder) {
            EXPECT_EQ(changed, test::ReadFile(path_));
        }
    }
}

TEST_F(WriteBackTest, OfTwoWritersThatLoadedTheSameFileTheLaterIsRefused) {
    test::WriteFile(path_, original_);
    StateImage first;
    StateImage second;
    ASSERT_EQ(LoadStatus::Loaded, first.Load(path_.c_str()).status);
    ASSERT_EQ(LoadStatus::Loaded, second.Load(path_.c_str()).status);
    const unsigned char a = 0xA1;
    const unsigned char b = 0xB2;
    first.Store(0x20, &a, 1);
    second.Store(0x40, &b, 1);

    ASSERT_EQ(WriteBackStatus::Written, first.WriteBack(path_.c_str()).status);
    EXPECT_EQ(WriteBackStatus::Changed, second.WriteBack(path_.c_str()).status);
    EXPECT_EQ(Bytes(first), test::ReadFile(path_));

    // Loaded again, the second writer's change joins the first's; the first
    // may write again, as its image is the file.
    ASSERT_EQ(LoadStatus::Loaded, second.Load(path_.c_str()).status);
    second.Store(0x40, &b, 1);
    ASSERT_EQ(WriteBackStatus::Written, second.WriteBack(path_.c_str()).status);
    const std::string both = test::ReadFile(path_);
    EXPECT_EQ(static_cast<char>(a), both[4096 + 0x20]);
    EXPECT_EQ(static_cast<char>(b), both[4096 + 0x40]);
    EXPECT_EQ(WriteBackStatus::Changed, first.WriteBack(path_.c_str()).status);
    EXPECT_EQ(original_, test::ReadFile(backup_));
}

TEST_F(WriteBackTest, AWriteBackWaitsForTheLockAndThenSeesTheOtherWritersFile) {
    LoadChanged(path_);
    // Another writer holds the lock, replaces the file a while later and
    // lets go; the lock is taken and released on its own thread.
    std::promise<void> locked;
    std::thread other([&] {
        platform::FileLock lock;
        const bool got = platform::LockFile(path_.c_str(), &lock);
        locked.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        test::WriteFile(path_ + ".other", StateBytes(7));
        platform::RenameReplace((path_ + ".other").c_str(), path_.c_str());
        if (got) {
            platform::Unlock(&lock);
        }
    });
    locked.get_future().wait();
    const auto start = std::chrono::steady_clock::now();
    const WriteBackResult result = image_.WriteBack(path_.c_str());
    const auto waited = std::chrono::steady_clock::now() - start;
    other.join();
    EXPECT_EQ(WriteBackStatus::Changed, result.status);
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    EXPECT_EQ(StateBytes(7), test::ReadFile(path_));
    EXPECT_EQ(std::vector<std::string>{"game.tsy"}, Names());
}

// ---- The file stays what it was ----------------------------------------------

TEST_F(WriteBackTest, AReadOnlyFileIsRefused) {
    LoadChanged(path_);
    fs::permissions(path_,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const WriteBackResult result = image_.WriteBack(path_.c_str());
    EXPECT_EQ(WriteBackStatus::ReadOnly, result.status);
    EXPECT_EQ(text::kStateReadOnly, Said(result));
    EXPECT_EQ(original_, test::ReadFile(path_));
    EXPECT_EQ(std::vector<std::string>{"game.tsy"}, Names());
    EXPECT_EQ(fs::perms::none, fs::status(path_).permissions() & fs::perms::owner_write);
    fs::permissions(path_, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(WriteBackTest, AFileWithAnotherNameIsRefusedUnlessThatNameIsItsBackup) {
    const std::string other = dir_.File("copy.tsy");
    LoadChanged(path_);
    fs::create_hard_link(path_, other);
    const WriteBackResult result = image_.WriteBack(path_.c_str());
    EXPECT_EQ(WriteBackStatus::HardLinked, result.status);
    EXPECT_EQ(text::kStateHardLinked, Said(result));
    EXPECT_EQ(original_, test::ReadFile(path_));
    EXPECT_EQ(original_, test::ReadFile(other));
    EXPECT_EQ((std::vector<std::string>{"copy.tsy", "game.tsy"}), Names());
    fs::remove(other);

    // The backup as a second name is what a write-back that ended before
    // its rename leaves: it is the first version, and stays.
    fs::create_hard_link(path_, backup_);
    ASSERT_EQ(WriteBackStatus::Written, image_.WriteBack(path_.c_str()).status);
    EXPECT_EQ(Bytes(image_), test::ReadFile(path_));
    EXPECT_EQ(original_, test::ReadFile(backup_));
}

#ifndef _WIN32
TEST_F(WriteBackTest, TheNewFileHasTheOldOnesModeOwnerAndGroup) {
    for (const mode_t mode : {0600, 0640, 0604, 0664}) {
        SCOPED_TRACE(mode);
        LoadChanged(path_);
        ASSERT_EQ(0, ::chmod(path_.c_str(), mode));
        const bool root = ::geteuid() == 0;
        if (root) {
            ASSERT_EQ(0, ::chown(path_.c_str(), 65534, 65534));
        }
        ASSERT_EQ(WriteBackStatus::Written, image_.WriteBack(path_.c_str()).status);
        struct stat st;
        ASSERT_EQ(0, ::stat(path_.c_str(), &st));
        EXPECT_EQ(mode, st.st_mode & 07777);
        if (root) {
            EXPECT_EQ(65534u, st.st_uid);
            EXPECT_EQ(65534u, st.st_gid);
        }
    }
}

TEST_F(WriteBackTest, ALinkIsWrittenThroughToItsTargetWithTheBackupBesideIt) {
    fs::create_directory(dir_.File("saves"));
    const std::string target = dir_.File("saves") + "/target.tsy";
    test::WriteFile(target, original_);
    ASSERT_EQ(0, ::symlink("saves/target.tsy", path_.c_str()));
    ASSERT_EQ(LoadStatus::Loaded, image_.Load(path_.c_str()).status);
    const unsigned char byte = 0x77;
    image_.Store(0, &byte, 1);
    ASSERT_EQ(WriteBackStatus::Written, image_.WriteBack(path_.c_str()).status);
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_EQ(Bytes(image_), test::ReadFile(target));
    EXPECT_EQ(original_, test::ReadFile(target + ".old"));
    EXPECT_EQ((std::vector<std::string>{"game.tsy", "saves"}), Names());
    EXPECT_EQ((std::vector<std::string>{"target.tsy", "target.tsy.old"}),
              test::NamesIn(dir_.File("saves")));
}

TEST_F(WriteBackTest, ALinkPlantedAtATemporaryNameIsNeverFollowed) {
    // Where a write-back once wrote its temporary file, and a name of the
    // form it uses now: neither link's target changes.
    const std::string victim = dir_.File("victim.txt");
    test::WriteFile(victim, "victim");
    LoadChanged(path_);
    ASSERT_EQ(0, ::symlink(victim.c_str(), (path_ + ".new").c_str()));
    const std::string planted = path_ + "~abc";
    ASSERT_EQ(0, ::symlink(victim.c_str(), planted.c_str()));
    EXPECT_EQ(platform::kNoFile, platform::CreateExclusive(planted.c_str()));
    EXPECT_EQ(EEXIST, static_cast<int>(platform::LastError()));
    ASSERT_EQ(WriteBackStatus::Written, image_.WriteBack(path_.c_str()).status);
    EXPECT_EQ("victim", test::ReadFile(victim));
    EXPECT_TRUE(fs::is_symlink(path_ + ".new") && fs::is_symlink(planted));
    EXPECT_EQ(Bytes(image_), test::ReadFile(path_));
}

// ---- Only regular files ------------------------------------------------------

TEST_F(WriteBackTest, WhatIsNotARegularFileIsRefusedAtTheLoadWithoutWaiting) {
    const std::string fifo = dir_.File("fifo.tsy");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    std::vector<std::string> paths = {fifo, dir_.Path(), "/dev/null"};
    if (::geteuid() == 0) {
        const std::string device = dir_.File("null.tsy");
        ASSERT_EQ(0, ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)));
        paths.push_back(device);
    }
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const LoadResult result = image_.Load(path.c_str());
        EXPECT_EQ(LoadStatus::NotRegular, result.status);
        EXPECT_STREQ(text::kStateNotRegular, result.message.text);
        EXPECT_FALSE(image_.IsLoaded());
    }
    // One put in the file's place after the load is not written over.
    LoadChanged(path_);
    fs::remove(path_);
    ASSERT_EQ(0, ::mkfifo(path_.c_str(), 0600));
    EXPECT_EQ(WriteBackStatus::Changed, image_.WriteBack(path_.c_str()).status);
    EXPECT_TRUE(fs::is_fifo(path_));
}
#endif

// ---- The backup's name -------------------------------------------------------

TEST_F(WriteBackTest, ABackupNameThatHoldsNoRegularFileIsRefused) {
    struct Case {
        const char* name;
        std::function<void()> make;
        bool refused;
    };
    const std::string kept = dir_.File("kept.bin");
    std::vector<Case> cases = {
        {"a folder", [&] { fs::create_directory(backup_); }, true},
    };
#ifndef _WIN32
    cases.push_back(
        {"a dangling link", [&] { ASSERT_EQ(0, ::symlink("nowhere", backup_.c_str())); }, true});
    cases.push_back({"a link to a regular file",
                     [&] {
                         test::WriteFile(kept, "kept");
                         ASSERT_EQ(0, ::symlink(kept.c_str(), backup_.c_str()));
                     },
                     false});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadChanged(path_);
        c.make();
        const WriteBackResult result = image_.WriteBack(path_.c_str());
        if (c.refused) {
            EXPECT_EQ(WriteBackStatus::BackupNotKept, result.status);
            EXPECT_EQ(text::kStateBackupNotKept, Said(result));
            EXPECT_EQ(original_, test::ReadFile(path_));
        } else {
            EXPECT_EQ(WriteBackStatus::Written, result.status);
            EXPECT_EQ("kept", test::ReadFile(kept));
        }
        fs::remove_all(backup_);
    }
}

// ---- A failure or a crash at each file call ------------------------------------

// The file calls of a write-back, each failed in turn.
const FaultPoint kWriteBackCalls[] = {
    FaultPoint::InspectPath,   FaultPoint::OpenForUpdate,
    FaultPoint::Lock,          FaultPoint::Identify,
    FaultPoint::ResolvePath,   FaultPoint::ReadSome,
    FaultPoint::Create,        FaultPoint::Write,
    FaultPoint::Flush,         FaultPoint::CopyAttributes,
    FaultPoint::Link,          FaultPoint::Rewind,
    FaultPoint::SyncFolder,    FaultPoint::RenameNoReplace,
    FaultPoint::RenameReplace,
};

// Where a write-back starts from.
enum class Start {
    NoBackup,
    EarlierBackup,
    NoHardLinks,      // linking fails: the backup is a copy
    DeletedMeanwhile  // the file was deleted after the load: written anew
};

struct Sweep {
    Start start;
    const char* name;
};

const Sweep kStarts[] = {
    {Start::NoBackup, "no backup"},
    {Start::EarlierBackup, "an earlier backup"},
    {Start::NoHardLinks, "no hard links"},
    {Start::DeletedMeanwhile, "deleted after the load"},
};

class WriteBackSweep : public WriteBackTest {
  protected:
    // Puts the folder in the state of `start`, with the image loaded.
    void Prepare(Start start) {
        for (const std::string& name : Names()) {
            fs::remove_all(dir_.File(name));
        }
        LoadChanged(path_);
        if (start == Start::EarlierBackup) {
            test::WriteFile(backup_, "an earlier backup");
        }
        if (start == Start::DeletedMeanwhile) {
            fs::remove(path_);
        }
        if (start == Start::NoHardLinks) {
            platform::InjectFault(FaultPoint::Link, 1);
        }
    }

    // What the folder must hold after a write-back from `start` that did or
    // did not take place; `crashed`: the process ended inside it, where
    // temporary files may stay and the file is either version.
    void Check(Start start, bool written, bool crashed) {
        const std::string now = test::ReadFile(path_);
        if (start == Start::DeletedMeanwhile) {
            // Written anew whole, or not at all.
            EXPECT_EQ(written || (crashed && fs::exists(path_)), fs::exists(path_));
            EXPECT_TRUE(!fs::exists(path_) || now == Bytes(image_));
        } else if (!crashed) {
            EXPECT_EQ(written ? Bytes(image_) : original_, now);
        } else {
            // Never without a name, never a part: the original or the image.
            EXPECT_TRUE(now == original_ || now == Bytes(image_));
        }
        if (start == Start::EarlierBackup) {
            EXPECT_EQ("an earlier backup", test::ReadFile(backup_));
        } else if (start != Start::DeletedMeanwhile && now != original_) {
            EXPECT_EQ(original_, test::ReadFile(backup_));  // the original is recoverable
        }
        if (!crashed) {
            std::vector<std::string> names;
            if (written || start != Start::DeletedMeanwhile) {
                names.push_back("game.tsy");
            }
            if (start == Start::EarlierBackup || (written && start != Start::DeletedMeanwhile)) {
                names.push_back("game.tsy.old");
            }
            EXPECT_EQ(names, Names());
        }
    }
};

TEST_F(WriteBackSweep, EachFileCallFailingInTurnLeavesTheOriginalOrTheWholeNewFile) {
    int runs = 0;  // runs in which the fault fired
    int failed_runs = 0;
    std::vector<bool> fired(sizeof kWriteBackCalls / sizeof kWriteBackCalls[0], false);
    for (const Sweep& sweep : kStarts) {
        for (std::size_t p = 0; p < fired.size(); ++p) {
            const FaultPoint point = kWriteBackCalls[p];
            if (sweep.start == Start::NoHardLinks && point == FaultPoint::Link) {
                continue;
            }
            for (int call = 0;; ++call) {
                SCOPED_TRACE(testing::Message() << sweep.name << ", fault "
                                                << static_cast<int>(point) << " at call " << call);
                Prepare(sweep.start);
                platform::InjectFault(point, 5, call);
                const WriteBackResult result = image_.WriteBack(path_.c_str());
                const bool hit = !platform::FaultPending(point);
                platform::ClearFaults();
                const bool written = result.status == WriteBackStatus::Written;
                Check(sweep.start, written, false);
                if (!hit) {
                    EXPECT_TRUE(written) << Said(result);
                    break;
                }
                fired[p] = true;
                ++runs;
                failed_runs += written ? 0 : 1;
                if (!written) {
                    EXPECT_EQ(MessageKind::Error, result.message.kind);
                }
            }
        }
    }
    for (std::size_t p = 0; p < fired.size(); ++p) {
        EXPECT_TRUE(fired[p]) << "never called: " << static_cast<int>(kWriteBackCalls[p]);
    }
    std::printf("fault sweep: %d runs, %d failed write-backs\n", runs, failed_runs);
    EXPECT_GT(failed_runs, 40);
}

#ifndef _WIN32
TEST_F(WriteBackSweep, ACrashBeforeEachFileCallLeavesTheOriginalOrTheWholeNewFile) {
    int crashes = 0;
    for (const Sweep& sweep : kStarts) {
        for (const FaultPoint point : kWriteBackCalls) {
            if (sweep.start == Start::NoHardLinks && point == FaultPoint::Link) {
                continue;
            }
            for (int call = 0;; ++call) {
                SCOPED_TRACE(testing::Message() << sweep.name << ", crash "
                                                << static_cast<int>(point) << " at call " << call);
                Prepare(sweep.start);
                const pid_t child = ::fork();
                ASSERT_GE(child, 0);
                if (child == 0) {
                    platform::InjectFault(point, 5, call, FaultAction::Exit);
                    const bool written =
                        image_.WriteBack(path_.c_str()).status == WriteBackStatus::Written;
                    std::_Exit(written ? 0 : 1);
                }
                platform::ClearFaults();
                int status = 0;
                ASSERT_EQ(child, ::waitpid(child, &status, 0));
                ASSERT_TRUE(WIFEXITED(status));
                const int code = WEXITSTATUS(status);
                const bool crashed = code == 86;
                Check(sweep.start, code == 0, crashed);
                if (!crashed) {
                    EXPECT_EQ(0, code);
                    break;
                }
                ++crashes;
            }
        }
    }
    std::printf("crash sweep: %d crashes\n", crashes);
    EXPECT_GT(crashes, 40);
}
#endif

}  // namespace
}  // namespace tsy
