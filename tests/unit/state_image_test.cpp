// StateImage on real files: load and its failures, the format check, Store's
// range check, and the write-back with its backup and its failure points.
#include "image/state_image.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/faults.h"
#include "platform/platform.h"
#include "tests/unit/test_support.h"

namespace tsy {
namespace {

using platform::FaultPoint;
using test::Message;

// The messages, as Shift-JIS bytes.
const std::string kOpenFailed =  // ステートセーブデータがオープンできません。使用中、…
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xAA"
    "\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\x8E\x67"
    "\x97\x70\x92\x86\x81\x41\x83\x41\x83\x4E\x83\x5A\x83\x58\x8C\xA0\x82\xC8\x82\xC7\x82\xCC"
    "\x8A\x6D\x94\x46\x82\xF0\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42";
const std::string kSizeFailed =  // ステートセーブデータのサイズ取得でエラーが発生しました(
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xCC"
    "\x83\x54\x83\x43\x83\x59\x8E\xE6\x93\xBE\x82\xC5\x83\x47\x83\x89\x81\x5B\x82\xAA\x94\xAD"
    "\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD(";
const std::string kMemoryFailed =  // ステートセーブデータ格納メモリ取得に失敗しました(
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x8A\x69"
    "\x94\x5B\x83\x81\x83\x82\x83\x8A\x8E\xE6\x93\xBE\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC"
    "\x82\xB5\x82\xBD(";
const std::string kReadFailed =  // ステートセーブデータを読み込めませんでした
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xF0"
    "\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD";
const std::string kWriteFailed =  // ステートセーブ内容を正常に書き込めませんでした。
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x93\xE0\x97\x65\x82\xF0\x90\xB3"
    "\x8F\xED\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5"
    "\x82\xBD\x81\x42";
const std::string kNotWritten =  // 書き戻しは行いませんでした。
    "\x8F\x91\x82\xAB\x96\xDF\x82\xB5\x82\xCD\x8D\x73\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x82\xC5"
    "\x82\xB5\x82\xBD\x81\x42";
const std::string kBackupTooLong =  // …パスが長すぎるため、バックアップ(.old)を作成できません。
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xCC"
    "\x83\x70\x83\x58\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x81\x41\x83\x6F"
    "\x83\x62\x83\x4E\x83\x41\x83\x62\x83\x76(.old)\x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB"
    "\x82\xDC\x82\xB9\x82\xF1\x81\x42\n" +
    kNotWritten;
const std::string kBackupFailed =  // …バックアップ(.old)を作成できませんでした(
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xCC"
    "\x83\x6F\x83\x62\x83\x4E\x83\x41\x83\x62\x83\x76(.old)\x82\xF0\x8D\xEC\x90\xAC\x82\xC5"
    "\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD(";
const std::string kReplaceFailed =  // ステートセーブデータを置き換えられませんでした(
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xF0"
    "\x92\x75\x82\xAB\x8A\xB7\x82\xA6\x82\xE7\x82\xEA\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5"
    "\x82\xBD(";
const std::string kOriginalKept =  // 元のファイルはそのままです。
    "\x8C\xB3\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCD\x82\xBB\x82\xCC\x82\xDC\x82\xDC"
    "\x82\xC5\x82\xB7\x81\x42";
const std::string kTempFailed =  // ステートセーブデータの一時ファイルを作成できませんでした(
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xCC"
    "\x88\xEA\x8E\x9E\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB"
    "\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD(";
const std::string kInUse =  // ステートセーブデータは他の書き戻しが使用中です(
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82"
    "\xCD\x91\xBC\x82\xCC\x8F\x91\x82\xAB\x96\xDF\x82\xB5\x82\xAA\x8E\x67\x97\x70\x92\x86"
    "\x82\xC5\x82\xB7(";
const std::string kCheckFailed =  // ステートセーブデータの現在の状態を確認できませんでした(
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82"
    "\xCC\x8C\xBB\x8D\xDD\x82\xCC\x8F\xF3\x91\xD4\x82\xF0\x8A\x6D\x94\x46\x82\xC5\x82\xAB"
    "\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD(";
const std::string kAttributesFailed =  // …のアクセス権を新しいファイルに引き継げませんでした(
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82"
    "\xCC\x83\x41\x83\x4E\x83\x5A\x83\x58\x8C\xA0\x82\xF0\x90\x56\x82\xB5\x82\xA2\x83\x74"
    "\x83\x40\x83\x43\x83\x8B\x82\xC9\x88\xF8\x82\xAB\x8C\x70\x82\xB0\x82\xDC\x82\xB9\x82"
    "\xF1\x82\xC5\x82\xB5\x82\xBD(";
const std::string kMissing =  // …読み込んだ後に削除されています(名前の変更、移動を含みます)。\n…
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xAA"
    "\x93\xC7\x82\xDD\x8D\x9E\x82\xF1\x82\xBE\x8C\xE3\x82\xC9\x8D\xED\x8F\x9C\x82\xB3\x82\xEA"
    "\x82\xC4\x82\xA2\x82\xDC\x82\xB7(\x96\xBC\x91\x4F\x82\xCC\x95\xCF\x8D\x58\x81\x41\x88\xDA"
    "\x93\xAE\x82\xF0\x8A\xDC\x82\xDD\x82\xDC\x82\xB7)\x81\x42\n" +
    kNotWritten;
const std::string kNoImage =  // ステートセーブデータが読み込まれていません。\n…
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xAA"
    "\x93\xC7\x82\xDD\x8D\x9E\x82\xDC\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81\x42\n"
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xF0"
    "\x8E\x77\x92\xE8\x82\xB5\x92\xBC\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42";

std::vector<Message> Error(const std::string& text) {
    return {Message{MessageKind::Error, text}};
}

// A state-save file of `size` bytes: the valid header, then a pattern that
// differs from `seed` to `seed`.
std::string StateFile(std::size_t size, int seed = 0) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + 3 + seed);
    }
    return std::string("TSRY\x01\x00", 6).substr(0, size) + bytes.substr(size < 6 ? size : 6);
}

std::string ImageBytes(const StateImage& image) {
    return std::string(reinterpret_cast<const char*>(image.Bytes()), image.Size());
}

class StateImageTest : public ::testing::Test {
  protected:
    void TearDown() override { platform::ClearFaults(); }

    // Writes `content` as the state-save file and loads it.
    void LoadFile(const std::string& content) {
        test::WriteFile(path_, content);
        ASSERT_TRUE(Load(path_.c_str()));
    }

    // Changes one byte of the held image.
    // Removes the backup, then puts an earlier one in place when asked.
    void SetEarlierBackup(bool present) {
        std::filesystem::remove(backup_);
        if (present) {
            test::WriteFile(backup_, "an earlier backup");
        }
    }

    // Load and WriteBack, their messages kept; true when they succeeded.
    bool Load(const char* path) { return messages_.Keep(image_.Load(path)) == LoadStatus::Loaded; }
    bool WriteBack(const char* path) {
        return messages_.Keep(image_.WriteBack(path)) == WriteBackStatus::Written;
    }

    void Poke(std::uint32_t address, unsigned char value) {
        ASSERT_EQ(StoreResult::Stored, image_.Store(address, &value, 1));
    }

    // The names in the test folder, sorted: what a write-back left behind.
    std::vector<std::string> Names() const { return test::NamesIn(dir_.Path()); }

    test::TempDir dir_;
    test::MessageLog messages_;
    StateImage image_;
    const std::string path_ = dir_.File("game.tsy");
    const std::string backup_ = path_ + ".old";
};

const std::vector<std::string> kFileAlone = {"game.tsy"};
const std::vector<std::string> kFileAndBackup = {"game.tsy", "game.tsy.old"};

// ---- Load and the format check ---------------------------------------------

TEST_F(StateImageTest, LoadHoldsTheFileAndChecksItsHeader) {
    struct Case {
        const char* name;
        std::string content;
        bool passes;
    };
    const std::string body = StateFile(64).substr(6);
    const Case cases[] = {
        {"valid header", StateFile(64), true},
        {"header alone", std::string("TSRY\x01\x00", 6), true},
        {"valid header, rest ignored", std::string("TSRY\x01\x00\xFF\xFF", 8), true},
        {"lower-case signature", std::string("tsry\x01\x00", 6) + body, false},
        {"one letter off", std::string("TSRy\x01\x00", 6) + body, false},
        {"byte 4 is 2", std::string("TSRY\x02\x00", 6) + body, false},
        {"byte 4 is 0", std::string("TSRY\x00\x00", 6) + body, false},
        {"byte 5 is 1", std::string("TSRY\x01\x01", 6) + body, false},
        {"five bytes", std::string("TSRY\x01", 5), false},
        {"signature alone", "TSRY", false},
        {"empty file", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadFile(c.content);
        EXPECT_TRUE(image_.IsLoaded());
        EXPECT_EQ(c.content.size(), image_.Size());
        EXPECT_EQ(c.content, ImageBytes(image_));
        EXPECT_EQ(c.passes, image_.CheckFormat());
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(StateImageTest, NoImageFailsTheCheck) {
    EXPECT_FALSE(image_.IsLoaded());
    EXPECT_FALSE(image_.CheckFormat());
}

TEST_F(StateImageTest, SecondLoadReplacesTheFirst) {
    LoadFile(StateFile(100, 1));
    const std::string other = dir_.File("other.tsy");
    test::WriteFile(other, StateFile(50, 2));
    ASSERT_TRUE(Load(other.c_str()));
    EXPECT_EQ(StateFile(50, 2), ImageBytes(image_));
}

TEST_F(StateImageTest, FailedOpenDropsTheHeldImage) {
    LoadFile(StateFile(100));
    EXPECT_FALSE(Load(dir_.File("missing.tsy").c_str()));
    EXPECT_FALSE(image_.IsLoaded());
    EXPECT_EQ(0u, image_.Size());
    EXPECT_FALSE(image_.CheckFormat());
    EXPECT_EQ(Error(kOpenFailed), messages_.Messages());
}

TEST_F(StateImageTest, EachFailingLoadStepIsToldAndLeavesNoImage) {
    struct Case {
        FaultPoint point;
        std::uint32_t code;
        std::string message;
    };
    const Case cases[] = {
        {FaultPoint::OpenForReading, 32, kOpenFailed},
        {FaultPoint::GetSize, 87, kSizeFailed + "87)"},
        {FaultPoint::Allocate, 8, kMemoryFailed + "8)"},
        {FaultPoint::Read, 0, kReadFailed},  // one byte short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.point));
        LoadFile(StateFile(100));
        messages_.Clear();
        platform::InjectFault(c.point, c.code);
        EXPECT_FALSE(Load(path_.c_str()));
        EXPECT_FALSE(image_.IsLoaded());
        EXPECT_EQ(Error(c.message), messages_.Messages());
    }
}

TEST_F(StateImageTest, FaultFiresAfterTheGivenCalls) {
    test::WriteFile(path_, StateFile(100));
    platform::InjectFault(FaultPoint::Read, 0, 1);
    EXPECT_TRUE(Load(path_.c_str()));
    EXPECT_FALSE(Load(path_.c_str()));
    EXPECT_TRUE(Load(path_.c_str()));
    EXPECT_EQ(Error(kReadFailed), messages_.Messages());
}

// ---- Store -----------------------------------------------------------------

TEST_F(StateImageTest, StoreWritesOnlyRangesWhollyInsideTheImage) {
    struct Case {
        std::uint32_t offset;
        std::uint32_t address;
        std::uint32_t count;
        bool fits;
    };
    const Case cases[] = {
        {16, 0, 4, true},                     // the first bytes of memory
        {16, 47, 1, true},                    // the image's last byte
        {16, 40, 8, true},                    // ends with the image
        {0, 0, 64, true},                     // the whole image
        {16, 48, 0, true},                    // nothing, just past the end
        {16, 40, 9, false},                   // one byte past the end
        {16, 48, 1, false},                   // starts past the end
        {16, 0xFFFFFFFFu, 2, false},          // offset + address wraps in 32 bits
        {0xFFFFFFF0u, 0x20, 1, false},        // a huge offset wraps to inside
        {16, 0, 0xFFFFFFFFu, false},          // count wraps
        {0xFFFFFFFFu, 0xFFFFFFFFu, 1, false}  // both at the top
    };
    const std::string original = StateFile(64);
    const std::string data(64, '\xA5');
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << "+" << c.address << " count " << c.count);
        LoadFile(original);
        image_.SetMemoryOffset(c.offset);
        EXPECT_EQ(c.fits, image_.Fits(c.address, c.count));
        // A range that does not fit may be longer than `data`: Store must
        // not read any of it.
        const StoreResult result =
            image_.Store(c.address, reinterpret_cast<const unsigned char*>(data.data()), c.count);
        std::string expected = original;
        if (c.fits) {
            EXPECT_EQ(StoreResult::Stored, result);
            expected.replace(c.offset + c.address, c.count, data.substr(0, c.count));
        } else {
            EXPECT_EQ(StoreResult::OutsideImage, result);
        }
        EXPECT_EQ(expected, ImageBytes(image_));
    }
}

TEST_F(StateImageTest, StoreWithoutImageStoresNothing) {
    const unsigned char byte = 1;
    EXPECT_FALSE(image_.Fits(0, 1));
    EXPECT_EQ(StoreResult::NoImage, image_.Store(0, &byte, 1));
}

// ---- Write-back -------------------------------------------------------------

// Big enough for the default MemoryOffset and a few bytes of memory.
constexpr std::size_t kFileSize = 4096 + 64;

// A path of exactly `length` characters inside `dir`, its directories made.
std::string PathOfLength(const test::TempDir& dir, std::size_t length) {
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    std::string path = dir.Path();
    // Directory names of 100 characters while there is room for one more and
    // a file name of at least 10.
    while (path.size() + 1 + 100 + 1 + 10 < length) {
        path += separator + std::string(100, 'd');
        std::filesystem::create_directory(path);
    }
    path += separator;
    path += std::string(length - path.size(), 'f');
    return path;
}

TEST_F(StateImageTest, FirstWriteBackMovesThePreviousFileToTheBackup) {
    const std::string previous = StateFile(kFileSize);
    LoadFile(previous);
    Poke(5, 0xAB);
    ASSERT_TRUE(WriteBack(path_.c_str()));
    EXPECT_TRUE(messages_.Messages().empty());
    EXPECT_NE(previous, ImageBytes(image_));
    EXPECT_EQ(ImageBytes(image_), test::ReadFile(path_));
    EXPECT_EQ(previous, test::ReadFile(backup_));
    EXPECT_EQ(kFileAndBackup, Names());
}

TEST_F(StateImageTest, LaterWriteBacksLeaveTheBackupAlone) {
    const std::string previous = StateFile(kFileSize);
    LoadFile(previous);
    Poke(1, 0x11);
    ASSERT_TRUE(WriteBack(path_.c_str()));
    Poke(2, 0x22);
    ASSERT_TRUE(WriteBack(path_.c_str()));
    EXPECT_TRUE(image_.IsLoaded());
    EXPECT_EQ(ImageBytes(image_), test::ReadFile(path_));
    EXPECT_EQ(previous, test::ReadFile(backup_));
    EXPECT_EQ(kFileAndBackup, Names());
}

TEST_F(StateImageTest, AnExistingBackupIsNeverReplaced) {
    test::WriteFile(backup_, "an earlier backup");
    LoadFile(StateFile(kFileSize));
    Poke(5, 0xAB);
    ASSERT_TRUE(WriteBack(path_.c_str()));
    EXPECT_EQ(ImageBytes(image_), test::ReadFile(path_));
    EXPECT_EQ("an earlier backup", test::ReadFile(backup_));
}

TEST_F(StateImageTest, FileEndsAsExactlyTheImage) {
    // The file on disk has grown since the load, and had a backup or not:
    // that is an update by someone else, refused and left whole; loaded
    // again and written back, the file holds exactly the new image.
    for (bool backup_present : {false, true}) {
        SCOPED_TRACE(backup_present ? "backup present" : "no backup");
        SetEarlierBackup(backup_present);
        LoadFile(StateFile(kFileSize));
        const std::string grown = StateFile(kFileSize + 100, 9);
        test::WriteFile(path_, grown);
        EXPECT_FALSE(WriteBack(path_.c_str()));
        EXPECT_EQ(grown, test::ReadFile(path_));
        ASSERT_TRUE(Load(path_.c_str()));
        Poke(5, 0xAB);
        ASSERT_TRUE(WriteBack(path_.c_str()));
        EXPECT_EQ(ImageBytes(image_), test::ReadFile(path_));
        EXPECT_EQ(kFileSize + 100, test::ReadFile(path_).size());
    }
}

TEST_F(StateImageTest, DeletedStateFileIsNotWrittenAnew) {
    for (bool backup_present : {false, true}) {
        SCOPED_TRACE(backup_present ? "backup present" : "no backup");
        SetEarlierBackup(backup_present);
        LoadFile(StateFile(kFileSize));
        Poke(5, 0xAB);
        std::filesystem::remove(path_);
        messages_.Clear();
        EXPECT_FALSE(WriteBack(path_.c_str()));
        EXPECT_EQ(Error(kMissing), messages_.Messages());
        EXPECT_FALSE(test::FileExists(path_));
        EXPECT_EQ(backup_present, test::FileExists(backup_));
    }
}

TEST_F(StateImageTest, FailedWriteBackLeavesThePreviousFile) {
    struct Case {
        FaultPoint point;
        std::string message;
        bool needs_backup;  // the fault fires only when a backup is made
    };
    const Case cases[] = {
        {FaultPoint::OpenForUpdate, kOpenFailed, false},
        {FaultPoint::Lock, kInUse + "5)\n" + kNotWritten, false},
        {FaultPoint::ResolvePath, kCheckFailed + "5)\n" + kNotWritten, false},
        {FaultPoint::Create, kTempFailed + "5)\n" + kNotWritten, false},
        {FaultPoint::Write, kWriteFailed, false},  // one byte short
        {FaultPoint::Flush, kWriteFailed, false},
        {FaultPoint::CopyAttributes, kAttributesFailed + "5)\n" + kNotWritten, false},
        {FaultPoint::SyncFolder, kBackupFailed + "5)\n" + kNotWritten, true},
        {test::kReplaceCall, kReplaceFailed + "5)\n" + kOriginalKept, false},
    };
    const std::string previous = StateFile(kFileSize);
    for (const Case& c : cases) {
        for (bool backup_present : {false, true}) {
            if (backup_present && c.needs_backup) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(c.point)
                                            << (backup_present ? ", backup present" : ""));
            SetEarlierBackup(backup_present);
            LoadFile(previous);
            Poke(5, 0xAB);
            const std::string image = ImageBytes(image_);
            messages_.Clear();
            platform::InjectFault(c.point, 5);

            EXPECT_FALSE(WriteBack(path_.c_str()));
            EXPECT_EQ(Error(c.message), messages_.Messages());
            EXPECT_EQ(previous, test::ReadFile(path_));
            EXPECT_EQ(backup_present ? kFileAndBackup : kFileAlone, Names());
            if (backup_present) {
                EXPECT_EQ("an earlier backup", test::ReadFile(backup_));
            }
            EXPECT_EQ(image, ImageBytes(image_));

            // The fault has fired; the next write-back goes through.
            EXPECT_TRUE(WriteBack(path_.c_str()));
            EXPECT_EQ(image, test::ReadFile(path_));
        }
    }
}

TEST_F(StateImageTest, FailedReplaceLeavesThePreviousFileInPlaceAndSaysSo) {
    const std::string previous = StateFile(kFileSize);
    LoadFile(previous);
    messages_.Clear();
    // The final move fails, and so does the removal of the new backup: the
    // previous file is still under its name, and the backup is whole.
    platform::InjectFault(test::kReplaceCall, 5);
    platform::InjectFault(FaultPoint::Delete, 6, 1);
    EXPECT_FALSE(WriteBack(path_.c_str()));
    EXPECT_EQ(Error(kReplaceFailed + "5)\n" + kOriginalKept), messages_.Messages());
    EXPECT_EQ(previous, test::ReadFile(path_));
    EXPECT_EQ(previous, test::ReadFile(backup_));
    EXPECT_EQ(kFileAndBackup, Names());
}

#ifndef _WIN32
TEST_F(StateImageTest, TemporaryFileThatCannotBeCreated) {
    // A name the file system takes, but not with four characters more: the
    // temporary file's creation fails, and the message says so.
    const std::string path = dir_.File(std::string(NAME_MAX - 2, 'n'));
    const std::string previous = StateFile(kFileSize);
    test::WriteFile(path, previous);
    ASSERT_TRUE(Load(path.c_str()));
    EXPECT_FALSE(WriteBack(path.c_str()));
    EXPECT_EQ(Error(kTempFailed + std::to_string(ENAMETOOLONG) + ")\n" + kNotWritten),
              messages_.Messages());
    EXPECT_EQ(previous, test::ReadFile(path));
    EXPECT_EQ(std::vector<std::string>{std::string(NAME_MAX - 2, 'n')}, Names());
}
#endif

TEST_F(StateImageTest, BackupNameMustFitThePathLimit) {
    const std::size_t limit = platform::MaxPathLength();
    struct Case {
        std::size_t length;
        bool written;
    };
    // ".old" and ".new" are four characters each.
    const Case cases[] = {{limit - 4, true}, {limit - 3, false}};
    const std::string previous = StateFile(kFileSize);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string path = PathOfLength(dir_, c.length);
        ASSERT_EQ(c.length, path.size());
        test::WriteFile(path, previous);
        ASSERT_TRUE(Load(path.c_str()));
        Poke(5, 0xAB);
        messages_.Clear();
        EXPECT_EQ(c.written, WriteBack(path.c_str()));
        if (c.written) {
            EXPECT_TRUE(messages_.Messages().empty());
            EXPECT_EQ(ImageBytes(image_), test::ReadFile(path));
            EXPECT_EQ(previous, test::ReadFile(path + ".old"));
        } else {
            EXPECT_EQ(Error(kBackupTooLong), messages_.Messages());
            EXPECT_EQ(previous, test::ReadFile(path));
        }
    }
}

TEST_F(StateImageTest, WriteBackWithoutImageTouchesNoFile) {
    // No image: never loaded, or dropped by a load that failed.
    const std::string previous = StateFile(kFileSize);
    test::WriteFile(path_, previous);
    EXPECT_FALSE(WriteBack(path_.c_str()));
    platform::InjectFault(FaultPoint::Read, 0);
    EXPECT_FALSE(Load(path_.c_str()));
    messages_.Clear();
    EXPECT_FALSE(WriteBack(path_.c_str()));
    EXPECT_EQ(Error(kNoImage), messages_.Messages());
    EXPECT_EQ(previous, test::ReadFile(path_));
    EXPECT_EQ(kFileAlone, Names());
}

}  // namespace
}  // namespace tsy
