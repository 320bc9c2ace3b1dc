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
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <sstream>
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
        WriteBackStatus status;
    };
    const Case cases[] = {
        {"a byte rewritten in place, size and time kept", ChangeInPlaceKeepingTime,
         WriteBackStatus::Changed},
        {"only its time of last write changed",
         [](const std::string& path) {
             fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(2));
         },
         WriteBackStatus::Changed},
        {"grown", [](const std::string& path) { test::WriteFile(path, StateBytes() + "more"); },
         WriteBackStatus::Changed},
        {"replaced by another file of the same bytes and time",
         [](const std::string& path) {
             const auto time = fs::last_write_time(path);
             test::WriteFile(path + ".saved", test::ReadFile(path));
             fs::last_write_time(path + ".saved", time);
             fs::rename(path + ".saved", path);
         },
         WriteBackStatus::Changed},
        {"replaced by a folder",
         [](const std::string& path) {
             fs::remove(path);
             fs::create_directory(path);
         },
         WriteBackStatus::Changed},
        {"deleted", [](const std::string& path) { fs::remove(path); }, WriteBackStatus::Missing},
        {"renamed away", [](const std::string& path) { fs::rename(path, path + ".kept"); },
         WriteBackStatus::Missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& name : Names()) {
            fs::remove_all(dir_.File(name));
        }
        LoadChanged(path_);
        c.change(path_);
        const std::vector<std::string> names = Names();
        const bool file = fs::is_regular_file(path_);
        const std::string changed = file ? test::ReadFile(path_) : "";
        const WriteBackResult result = image_.WriteBack(path_.c_str());
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.status == WriteBackStatus::Missing ? text::kStateMissing : text::kStateChanged,
                  Said(result));
        EXPECT_EQ(names, Names());
        if (file) {
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

#ifndef _WIN32
// Another program saves the file in place (a byte at 100, size and time
// kept: only the content tells) at a moment inside the write-back. (On
// Windows the write-back's own handle keeps such a program out.)
TEST_F(WriteBackTest, ASaveInPlaceDuringTheWriteBackIsNeverWrittenOver) {
    struct Saver {
        std::string path;
        bool opening = false;  // it begins to open the file, then waits
        std::thread late;
    };
    struct Case {
        const char* name;
        FaultPoint point;  // the save happens just before this call ...
        int after_calls;   // ... after this many others
        bool backup;       // an earlier backup is there
        bool opening;
    };
    const Case cases[] = {
        {"before the new content is written", FaultPoint::Create, 0, false, false},
        {"while the backup is copied", FaultPoint::Rewind, 1, false, false},
        {"after the backup is on disk", FaultPoint::SyncFolder, 0, false, false},
        {"just before the final check", FaultPoint::HoldOpeners, 0, false, false},
        {"just before the final check, a backup there", FaultPoint::HoldOpeners, 0, true, false},
        {"from an open begun as the names are exchanged", FaultPoint::ExchangeNames, 0, false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadChanged(path_);
        if (c.backup) {
            test::WriteFile(backup_, "an earlier backup");
        }
        const std::vector<std::string> names = Names();
        Saver saver{path_, c.opening, {}};
        platform::InjectEvent(
            c.point,
            [](void* context) {
                Saver& saver = *static_cast<Saver*>(context);
                if (!saver.opening) {
                    ChangeInPlaceKeepingTime(saver.path);
                    return;
                }
                // It finds the file by its name now, then waits to open it.
                saver.late = std::thread([&saver] { ChangeInPlaceKeepingTime(saver.path); });
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            },
            &saver, c.after_calls);
        const WriteBackResult result = image_.WriteBack(path_.c_str());
        if (saver.late.joinable()) {
            saver.late.join();
        }
        EXPECT_FALSE(platform::FaultPending(c.point));
        EXPECT_EQ(WriteBackStatus::Changed, result.status);
        EXPECT_EQ(text::kStateChanged, Said(result));
        std::string saved = original_;
        saved[100] = '\x5A';
        EXPECT_EQ(saved, test::ReadFile(path_));
        EXPECT_EQ(names, Names());
        if (c.backup) {
            EXPECT_EQ("an earlier backup", test::ReadFile(backup_));
        }
        fs::remove(backup_);
    }
}
#endif

TEST_F(WriteBackTest, TemporaryFilesOfAKilledRunAreRemovedByTheNextOnly) {
    // Names beside the file, and whether a write-back removes them: the
    // program's own naming is '~', a digit and two more of [0-9a-z]. (No
    // two differ only in case: Windows takes them for one.)
    struct Planted {
        std::string name;
        bool removed;
    };
    std::vector<Planted> planted = {
        {"game.tsy~0ab", true},  {"game.tsy~9zz", true},
        {"game.tsy~bak", false},  // a user's own copy: no digit first
        {"game.tsy~0a", false},  {"game.tsy~0abc", false},
        {"game.tsy~1AB", false}, {"game.tsy.old~0ab", false},
        {"copy.tsy~0ab", false},
    };
#ifndef _WIN32
    planted.push_back({"game.tsy~1ln", false});  // a link, not a file
    planted.push_back({"game.tsy~2hl", false});  // a file with another name
#endif
    LoadChanged(path_);
    for (const Planted& p : planted) {
        test::WriteFile(dir_.File(p.name), "left");
    }
#ifndef _WIN32
    fs::remove(dir_.File("game.tsy~1ln"));
    fs::create_symlink(dir_.File("copy.tsy~0ab"), dir_.File("game.tsy~1ln"));
    fs::create_hard_link(dir_.File("game.tsy~2hl"), dir_.File("linked"));
#endif
    const std::vector<std::string> before = Names();
    // Without the lock, nothing is touched: another run may be making them.
    platform::InjectFault(FaultPoint::Lock, 11);
    EXPECT_EQ(WriteBackStatus::LockFailed, image_.WriteBack(path_.c_str()).status);
    EXPECT_EQ(before, Names());
    ASSERT_EQ(WriteBackStatus::Written, image_.WriteBack(path_.c_str()).status);
    for (const Planted& p : planted) {
        EXPECT_EQ(!p.removed, fs::exists(fs::symlink_status(dir_.File(p.name)))) << p.name;
    }
    EXPECT_EQ("left", test::ReadFile(dir_.File("copy.tsy~0ab")));
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
// What a file carries besides its bytes: mode, owner, group and every
// extended attribute (ACLs among them) with its value, as text.
std::string Facts(const std::string& path) {
    struct stat st;
    EXPECT_EQ(0, ::stat(path.c_str(), &st)) << path;
    std::ostringstream facts;
    facts << std::oct << (st.st_mode & 07777) << std::dec << " " << st.st_uid << ":" << st.st_gid;
    char names[4096];
    const ssize_t size = ::listxattr(path.c_str(), names, sizeof names);
    for (ssize_t i = 0; i < size; i += static_cast<ssize_t>(std::strlen(names + i)) + 1) {
        unsigned char value[4096];
        const ssize_t length = ::getxattr(path.c_str(), names + i, value, sizeof value);
        facts << " " << names + i << "=" << std::hex;
        for (ssize_t k = 0; k < length; ++k) {
            facts << static_cast<int>(value[k]);
        }
        facts << std::dec;
    }
    return facts.str();
}

// A POSIX ACL as the system stores it: version 2, then (tag, permissions,
// id) for each entry.
std::string Acl(std::initializer_list<std::array<std::uint32_t, 3>> entries) {
    std::string acl("\x02\0\0\0", 4);
    for (const auto& [tag, permissions, id] : entries) {
        const std::uint32_t words[2] = {tag | (permissions << 16), id};
        acl.append(reinterpret_cast<const char*>(words), sizeof words);
    }
    return acl;
}

constexpr std::uint32_t kAclUserObj = 1, kAclUser = 2, kAclGroupObj = 4, kAclMask = 0x10,
                        kAclOther = 0x20, kNoId = 0xFFFFFFFF;

TEST_F(WriteBackTest, EverythingAboutTheFileIsKept) {
    const bool root = ::geteuid() == 0;
    const std::string named_user = Acl({{kAclUserObj, 6, kNoId},
                                        {kAclUser, 6, 65534},
                                        {kAclGroupObj, 4, kNoId},
                                        {kAclMask, 6, kNoId},
                                        {kAclOther, 0, kNoId}});
    const std::string folder_default = Acl({{kAclUserObj, 7, kNoId},
                                            {kAclUser, 7, 65534},
                                            {kAclGroupObj, 5, kNoId},
                                            {kAclMask, 7, kNoId},
                                            {kAclOther, 5, kNoId}});
    auto attribute = [](const std::string& path, const char* name, const std::string& value) {
        return ::setxattr(path.c_str(), name, value.data(), value.size(), 0) == 0;
    };
    struct Case {
        const char* name;
        std::function<bool(const std::string&)> make;  // false: not had here
    };
    const Case cases[] = {
        {"mode 0604", [](const std::string& path) { return ::chmod(path.c_str(), 0604) == 0; }},
        {"mode 0664, set-group-id",
         [](const std::string& path) { return ::chmod(path.c_str(), 02664) == 0; }},
        {"another owner and group (as root)",
         [&](const std::string& path) { return root && ::chown(path.c_str(), 65534, 65534) == 0; }},
        {"0640 and a named user in its ACL",
         [&](const std::string& path) {
             return ::chmod(path.c_str(), 0640) == 0 &&
                    attribute(path, "system.posix_acl_access", named_user);
         }},
        {"an extended attribute of the user's",
         [&](const std::string& path) { return attribute(path, "user.origin", "magazine"); }},
        {"no ACL, in a folder with a default one",
         [&](const std::string&) {
             return attribute(dir_.Path(), "system.posix_acl_default", folder_default);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadChanged(path_);
        if (!c.make(path_)) {
            std::printf("not had here: %s (%s)\n", c.name, std::strerror(errno));
            continue;
        }
        const std::string before = Facts(path_);
        ASSERT_EQ(WriteBackStatus::Written, image_.WriteBack(path_.c_str()).status);
        EXPECT_EQ(Bytes(image_), test::ReadFile(path_));
        EXPECT_EQ(before, Facts(path_));
        EXPECT_EQ(before, Facts(backup_));
        ::removexattr(dir_.Path().c_str(), "system.posix_acl_default");
        fs::remove(path_);
    }
}

// Written back by another user (a child process as uid and gid 65534) in a
// folder where anyone may create files and only owners remove theirs.
TEST_F(WriteBackTest, WhatTheNewFileCannotKeepIsRefusedByNameAndNothingIsLeft) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "acting as another user needs root";
    }
    constexpr uid_t kUser = 65534;
    struct Case {
        const char* name;
        uid_t owner;
        gid_t group;
        bool rename_fails;
        WriteBackStatus status;
        const char* named;  // the attribute the message names
    };
    const Case cases[] = {
        {"another user's file", 0, 0, false, WriteBackStatus::AttributesFailed,
         text::kAttributeOwner},
        {"another user's file, the rename failing", 0, 0, true, WriteBackStatus::AttributesFailed,
         text::kAttributeOwner},
        {"the user's file in a group not the user's", kUser, 0, false,
         WriteBackStatus::AttributesFailed, text::kAttributeGroup},
        {"the user's own file, the rename failing", kUser, kUser, true,
         WriteBackStatus::ReplaceFailed, ""},
        {"the user's own file", kUser, kUser, false, WriteBackStatus::Written, ""},
    };
    const std::string shared = dir_.File("shared");
    fs::create_directory(shared);
    ASSERT_EQ(0, ::chmod(shared.c_str(), 01777));
    const std::string path = shared + "/game.tsy";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path + ".old");
        test::WriteFile(path, original_);
        ASSERT_EQ(0, ::chown(path.c_str(), c.owner, c.group));
        ASSERT_EQ(0, ::chmod(path.c_str(), 0666));
        ASSERT_EQ(LoadStatus::Loaded, image_.Load(path.c_str()).status);
        const unsigned char byte = 0xEE;
        image_.Store(0x10, &byte, 1);
        int said[2];
        ASSERT_EQ(0, ::pipe(said));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(kUser, kUser, kUser) != 0 ||
                ::setresuid(kUser, kUser, kUser) != 0) {
                std::_Exit(99);
            }
            if (c.rename_fails) {
                platform::InjectFault(test::kReplaceCall, 5);
            }
            const WriteBackResult result = image_.WriteBack(path.c_str());
            const std::string text = Said(result);
            const bool told =
                ::write(said[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
            std::_Exit(told ? static_cast<int>(result.status) : 98);
        }
        ::close(said[1]);
        std::string text;
        char piece[256];
        for (ssize_t n; (n = ::read(said[0], piece, sizeof piece)) > 0;) {
            text.append(piece, static_cast<std::size_t>(n));
        }
        ::close(said[0]);
        int status = 0;
        ASSERT_EQ(child, ::waitpid(child, &status, 0));
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(static_cast<int>(c.status), WEXITSTATUS(status)) << text;
        EXPECT_NE(std::string::npos, text.find(c.named)) << text;
        struct stat st;
        ASSERT_EQ(0, ::stat(path.c_str(), &st));
        EXPECT_EQ(c.owner, st.st_uid);
        EXPECT_EQ(c.group, st.st_gid);
        const bool written = c.status == WriteBackStatus::Written;
        EXPECT_EQ(written ? Bytes(image_) : original_, test::ReadFile(path));
        const std::vector<std::string> names = {"game.tsy", "game.tsy.old"};
        EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + (written ? 2 : 1)),
                  test::NamesIn(shared));
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

TEST_F(WriteBackTest, ABackupNameThatHoldsNoRegularFileOfItsOwnIsRefused) {
    struct Case {
        const char* name;
        std::function<void()> make;
    };
    const std::string kept = dir_.File("kept.bin");
    std::vector<Case> cases = {
        {"a folder", [&] { fs::create_directory(backup_); }},
    };
#ifndef _WIN32
    // A link is no backup of its own: what it leads to is another file, or
    // nothing.
    cases.push_back(
        {"a dangling link", [&] { ASSERT_EQ(0, ::symlink("nowhere", backup_.c_str())); }});
    cases.push_back({"a link to a regular file", [&] {
                         test::WriteFile(kept, "kept");
                         ASSERT_EQ(0, ::symlink(kept.c_str(), backup_.c_str()));
                     }});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadChanged(path_);
        c.make();
        const std::vector<std::string> names = Names();
        const WriteBackResult result = image_.WriteBack(path_.c_str());
        EXPECT_EQ(WriteBackStatus::BackupNotKept, result.status);
        EXPECT_EQ(text::kStateBackupNotKept, Said(result));
        EXPECT_EQ(original_, test::ReadFile(path_));
        EXPECT_EQ(names, Names());
        if (fs::exists(kept)) {
            EXPECT_EQ("kept", test::ReadFile(kept));
        }
        fs::remove_all(backup_);
        fs::remove(kept);
    }
}

// ---- A failure or a crash at each file call ------------------------------------

// The file calls of a write-back, each failed in turn.
const FaultPoint kWriteBackCalls[] = {
    FaultPoint::InspectPath,     FaultPoint::OpenForUpdate, FaultPoint::Lock,
    FaultPoint::Identify,        FaultPoint::ResolvePath,   FaultPoint::ReadSome,
    FaultPoint::Create,          FaultPoint::Write,         FaultPoint::Flush,
    FaultPoint::CopyAttributes,  FaultPoint::Rewind,        FaultPoint::SyncFolder,
    FaultPoint::RenameNoReplace, FaultPoint::RenameReplace, FaultPoint::ListFolder,
#ifndef _WIN32
    FaultPoint::HoldOpeners,     FaultPoint::ExchangeNames,
#endif
};

// Where a write-back starts from.
enum class Start {
    NoBackup,
    EarlierBackup,
    Leftovers,         // temporary files of an earlier run that was killed
    NoExchange,        // the file system cannot exchange names: renamed
    DeletedMeanwhile,  // the file was deleted after the load: refused
};

struct Sweep {
    Start start;
    const char* name;
};

const Sweep kStarts[] = {
    {Start::NoBackup, "no backup"},
    {Start::EarlierBackup, "an earlier backup"},
    {Start::Leftovers, "leftovers of a killed run"},
    {Start::NoExchange, "no exchange of names"},
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
        if (start == Start::Leftovers) {
            test::WriteFile(path_ + "~0ab", "a temporary file");
            test::WriteFile(path_ + "~9zz", original_);
        }
        if (start == Start::DeletedMeanwhile) {
            fs::remove(path_);
        }
        if (start == Start::NoExchange) {
            platform::InjectFault(FaultPoint::ExchangeNames, EINVAL);
        }
    }

    // What the folder must hold after a write-back from `start` that did or
    // did not take place; `crashed`: the process ended inside it, where
    // temporary files may stay and the file is either version; `quiet`: a
    // call that the removal of leftovers makes failed, which leaves them.
    void Check(Start start, bool written, bool crashed, bool quiet = false) {
        if (start == Start::DeletedMeanwhile) {
            EXPECT_FALSE(written);
            EXPECT_EQ(std::vector<std::string>{}, Names());
            return;
        }
        const std::string now = test::ReadFile(path_);
        if (!crashed) {
            EXPECT_EQ(written ? Bytes(image_) : original_, now);
        } else {
            // Never without a name, never a part: the original or the image.
            EXPECT_TRUE(now == original_ || now == Bytes(image_));
        }
        if (start == Start::EarlierBackup) {
            EXPECT_EQ("an earlier backup", test::ReadFile(backup_));
        } else if (now != original_) {
            EXPECT_EQ(original_, test::ReadFile(backup_));  // the original is recoverable
        }
        if (!crashed) {
            // Nothing the write-back made stays; leftovers of a killed run
            // go once a write-back gets as far as making files of its own.
            std::vector<std::string> names = {"game.tsy"};
            if (start == Start::EarlierBackup || written) {
                names.push_back("game.tsy.old");
            }
            const std::vector<std::string> now_names = Names();
            std::vector<std::string> ours;
            for (const std::string& name : now_names) {
                if (name != "game.tsy~0ab" && name != "game.tsy~9zz") {
                    ours.push_back(name);
                }
            }
            EXPECT_EQ(names, ours);
            if (written && !quiet) {
                EXPECT_EQ(ours, now_names);
            }
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
            if (sweep.start == Start::NoExchange && point == FaultPoint::ExchangeNames) {
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
                Check(sweep.start, written, false,
                      point == FaultPoint::ListFolder || point == FaultPoint::InspectPath);
                if (!hit) {
                    EXPECT_EQ(sweep.start != Start::DeletedMeanwhile, written) << Said(result);
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
            if (sweep.start == Start::NoExchange && point == FaultPoint::ExchangeNames) {
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
                    EXPECT_EQ(sweep.start == Start::DeletedMeanwhile ? 1 : 0, code);
                    break;
                }
                ++crashes;
                if (sweep.start == Start::DeletedMeanwhile) {
                    continue;
                }
                // The next write-back of the file removes what the killed
                // one left behind.
                StateImage next;
                ASSERT_EQ(LoadStatus::Loaded, next.Load(path_.c_str()).status);
                const unsigned char byte = 0x11;
                ASSERT_EQ(StoreResult::Stored, next.Store(0x20, &byte, 1));
                ASSERT_EQ(WriteBackStatus::Written, next.WriteBack(path_.c_str()).status);
                EXPECT_EQ((std::vector<std::string>{"game.tsy", "game.tsy.old"}), Names());
            }
        }
    }
    std::printf("crash sweep: %d crashes\n", crashes);
    EXPECT_GT(crashes, 40);
}
#endif

}  // namespace
}  // namespace tsy
