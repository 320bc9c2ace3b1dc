// PlaceBinaryDump on real files: the start address text, the end at FFFF,
// plain and UNIX text placement, ranges outside the image and the failures.
#include "image/binary_dump.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/faults.h"
#include "platform/platform.h"
#include "tests/unit/test_support.h"

namespace tsy {
namespace {

using platform::FaultPoint;
using test::Message;

// The messages, as Shift-JIS bytes.
const std::string kPlaced =  // 完了しました\nアドレス:$
    "\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\n\x83\x41\x83\x68\x83\x8C\x83\x58:$";
const std::string kOpenFailed =  // ダンプファイルがオープンできません。使用中、…
    "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x83\x49\x81\x5B\x83\x76"
    "\x83\x93\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\x8E\x67\x97\x70\x92\x86\x81\x41"
    "\x83\x41\x83\x4E\x83\x5A\x83\x58\x8C\xA0\x82\xC8\x82\xC7\x82\xCC\x8A\x6D\x94\x46\x82\xF0"
    "\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42";
const std::string kSizeFailed =  // ダンプファイルのサイズ取得でエラーが発生しました(
    "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x83\x54\x83\x43\x83\x59"
    "\x8E\xE6\x93\xBE\x82\xC5\x83\x47\x83\x89\x81\x5B\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC"
    "\x82\xB5\x82\xBD(";
const std::string kTooLarge =  // ダンプファイルが大きすぎるか開始アドレスが大きすぎます。\n…:
    "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x91\xE5\x82\xAB\x82\xB7"
    "\x82\xAC\x82\xE9\x82\xA9\x8A\x4A\x8E\x6E\x83\x41\x83\x68\x83\x8C\x83\x58\x82\xAA\x91\xE5"
    "\x82\xAB\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81\x42\n"
    "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x83\x54\x83\x43\x83\x59:";
const std::string kMemoryFailed =  // ダンプファイル格納メモリ取得に失敗しました(
    "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x8A\x69\x94\x5B\x83\x81\x83\x82"
    "\x83\x8A\x8E\xE6\x93\xBE\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD(";
const std::string kReadFailed =  // ダンプファイルを読み込めませんでした
    "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x93\xC7\x82\xDD\x8D\x9E"
    "\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD";
const std::string kOutsideImage =  // 書き込み先がステートセーブデータの範囲外です。\nアドレス:$
    "\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x90\xE6\x82\xAA\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A"
    "\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xCC\x94\xCD\x88\xCD\x8A\x4F\x82\xC5\x82\xB7"
    "\x81\x42\n\x83\x41\x83\x68\x83\x8C\x83\x58:$";
const std::string kImageSize =  // ステートセーブデータサイズ:
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x83\x54"
    "\x83\x43\x83\x59:";
const std::string kNoImage =  // ステートセーブデータが読み込まれていません。\n…
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xAA"
    "\x93\xC7\x82\xDD\x8D\x9E\x82\xDC\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81\x42\n"
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E\x82\xF0"
    "\x8E\x77\x92\xE8\x82\xB5\x92\xBC\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42";

const std::string kEmpty =  // ダンプファイルが空(0バイト)です。書き込むデータがありません。
    "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8B\xF3(0\x83\x6F"
    "\x83\x43\x83\x67)\x82\xC5\x82\xB7\x81\x42\x8F\x91\x82\xAB\x8D\x9E\x82\xDE\x83\x66"
    "\x81\x5B\x83\x5E\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
const std::string kEmptyText =  // UNIX版テキスト変換では…ありません。\nダンプファイルサイズ:
    "UNIX\x94\xC5\x83\x65\x83\x4C\x83\x58\x83\x67\x95\xCF\x8A\xB7\x82\xC5\x82\xCD\x90\xE6"
    "\x93\xAA"
    "18\x83\x6F\x83\x43\x83\x67\x82\xF0\x93\xC7\x82\xDD\x94\xF2\x82\xCE\x82\xB7"
    "\x82\xBD\x82\xDF\x81\x41\x8F\x91\x82\xAB\x8D\x9E\x82\xDE\x83\x66\x81\x5B\x83\x5E"
    "\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42\n"
    "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x83\x54\x83\x43\x83\x59:";

constexpr std::uint32_t kOffset = 4096;

std::vector<Message> Placed(const std::string& range) {
    return {Message{MessageKind::Information, kPlaced + range}};
}

std::vector<Message> Error(const std::string& text) {
    return {Message{MessageKind::Error, text}};
}

// `size` bytes of a pattern without line feeds.
std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(0x80 + i % 0x70);
    }
    return bytes;
}

class BinaryDumpTest : public ::testing::Test {
  protected:
    void SetUp() override { LoadImage(kOffset + 0x10000); }
    void TearDown() override { platform::ClearFaults(); }

    // Loads a state-save file of `size` bytes, all 0xEE after the header.
    void LoadImage(std::size_t size) {
        original_ = "TSRY" + std::string("\x01\x00", 2) + std::string(size - 6, '\xEE');
        test::WriteFile(state_path_, original_);
        ASSERT_EQ(LoadStatus::Loaded, image_.Load(state_path_.c_str()).status);
        image_.SetMemoryOffset(kOffset);
    }

    // Writes `dump` as the dump file and places it.
    PlaceStatus Place(const std::string& dump, const char* start, bool unix_text) {
        test::WriteFile(dump_path_, dump);
        return messages_.Keep(PlaceBinaryDump(image_, dump_path_.c_str(), start, unix_text));
    }

    // The image as expected: the original with `bytes` at emulated `address`.
    std::string With(std::uint32_t address, const std::string& bytes) const {
        return std::string(original_).replace(kOffset + address, bytes.size(), bytes);
    }

    std::string Image() const {
        return std::string(reinterpret_cast<const char*>(image_.Bytes()), image_.Size());
    }

    test::TempDir dir_;
    test::MessageLog messages_;
    StateImage image_;
    std::string original_;
    const std::string state_path_ = dir_.File("game.tsy");
    const std::string dump_path_ = dir_.File("dump.bin");
};

TEST(ParseStartAddress, ReadsHexadecimalLikeStrtoul) {
    struct Case {
        const char* text;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"8000", 0x8000},    {"", 0},           {"xyz", 0},
        {"12G4", 0x12},      {" 8000", 0x8000}, {"\t\n ff", 0xFF},
        {"aBcD", 0xABCD},    {"0x1F", 0x1F},    {"0X1f", 0x1F},
        {"0x", 0},           {"0xG", 0},        {"+10", 0x10},
        {"-1", 0xFFFFFFFFu}, {"-0", 0},         {"-8000", 0xFFFF8000u},
        {"- 1", 0},          {"1234", 0x1234},  {"123456789", 0x23456789u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value, ParseStartAddress(c.text)) << '"' << c.text << '"';
    }
}

TEST_F(BinaryDumpTest, PlainDumpLandsAtMemoryOffsetPlusStart) {
    const std::string dump = Pattern(256);
    EXPECT_EQ(PlaceStatus::Placed, Place(dump, "8000", false));
    EXPECT_EQ(With(0x8000, dump), Image());
    EXPECT_EQ(Placed("8000 - $80FF"), messages_.Messages());
}

TEST_F(BinaryDumpTest, StartAddressTexts) {
    struct Case {
        const char* text;
        std::uint32_t start;
        const char* range;
    };
    const Case cases[] = {
        {"", 0x0000, "0000 - $0003"},
        {"12G4", 0x0012, "0012 - $0015"},
        {" 8000", 0x8000, "8000 - $8003"},
        {"1234", 0x1234, "1234 - $1237"},  // "12345" as the front ends pass it
        {"fffb", 0xFFFB, "FFFB - $FFFE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LoadImage(kOffset + 0x10000);
        messages_.Clear();
        EXPECT_EQ(PlaceStatus::Placed, Place("\x01\x02\x03\x04", c.text, false));
        EXPECT_EQ(With(c.start, "\x01\x02\x03\x04"), Image());
        EXPECT_EQ(Placed(c.range), messages_.Messages());
    }
}

TEST_F(BinaryDumpTest, DumpMayEndAtTheLastAddressNotPastIt) {
    struct Case {
        const char* start;
        std::size_t size;
        bool unix_text;
        bool placed;
        const char* message;  // the range placed, or the size refused
    };
    const Case cases[] = {
        {"FEFF", 256, false, true, "FEFF - $FFFE"},
        {"FF00", 256, false, true, "FF00 - $FFFF"},  // start + size == 0x10000
        {"FFFF", 1, false, true, "FFFF - $FFFF"},
        {"C000", 0x4000, false, true, "C000 - $FFFF"},  // a 16 KiB image at C000
        {"0", 0x10000, false, true, "0000 - $FFFF"},    // the whole address space
        {"FFF0", 18 + 4, true, false, "22"},            // the whole file counts, header included
        {"FF01", 256, false, false, "256"},             // one byte past FFFF
        {"FFFF", 2, false, false, "2"},
        {"-1", 1, false, false, "1"},           // far above 0xFFFF
        {"0", 0x10001, false, false, "65537"},  // too large from address 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " + " << c.size);
        LoadImage(kOffset + 0x10000);
        messages_.Clear();
        const std::string dump = Pattern(c.size);
        const PlaceStatus result = Place(dump, c.start, c.unix_text);
        if (c.placed) {
            EXPECT_EQ(PlaceStatus::Placed, result);
            EXPECT_EQ(With(ParseStartAddress(c.start), dump), Image());
            EXPECT_EQ(Placed(c.message), messages_.Messages());
        } else {
            EXPECT_EQ(PlaceStatus::Refused, result);
            EXPECT_EQ(Error(kTooLarge + c.message), messages_.Messages());
            EXPECT_EQ(original_, Image());
        }
    }
}

TEST_F(BinaryDumpTest, UnixTextIsConvertedAndEndsWithZero) {
    struct Case {
        const char* name;
        std::string text;    // what follows the 18-byte header
        std::string stored;  // what lands at the start address
        const char* range;
    };
    const Case cases[] = {
        {"line feed", "AB\nC", std::string("AB\rC\0", 5), "8000 - $8003"},
        {"CR LF", "A\r\nB", std::string("A\r\rB\0", 5), "8000 - $8003"},
        {"only line feeds", "\n\n", std::string("\r\r\0", 3), "8000 - $8001"},
    };
    // Line feeds and carriage returns in the header are skipped, not placed.
    const std::string header = "\n\r" + Pattern(16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoadImage(kOffset + 0x10000);
        messages_.Clear();
        EXPECT_EQ(PlaceStatus::Placed, Place(header + c.text, "8000", true));
        EXPECT_EQ(With(0x8000, c.stored), Image());
        EXPECT_EQ(Placed(c.range), messages_.Messages());
    }
}

// Nothing to place is no completion: an empty dump, or a UNIX text no
// longer than its header, is refused and stores nothing (not even the zero
// byte of a text).
TEST_F(BinaryDumpTest, ADumpWithNothingToPlaceIsRefused) {
    struct Case {
        std::size_t size;
        const char* start;
        bool unix_text;
        std::string said;
    };
    const Case cases[] = {
        {0, "8000", false, kEmpty},          {0, "0", false, kEmpty},
        {0, "8000", true, kEmptyText + "0"}, {1, "8000", true, kEmptyText + "1"},
        {18, "0", true, kEmptyText + "18"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " at " << c.start);
        LoadImage(kOffset + 0x10000);
        messages_.Clear();
        EXPECT_EQ(PlaceStatus::Refused, Place(Pattern(c.size), c.start, c.unix_text));
        EXPECT_EQ(original_, Image());
        EXPECT_EQ(Error(c.said), messages_.Messages());
    }
}

TEST_F(BinaryDumpTest, RangeOutsideTheImageIsRefusedWhole) {
    struct Case {
        const char* start;
        std::size_t size;
        bool unix_text;
        const char* refused;  // nullptr: placed
    };
    // Emulated memory of this image ends after address 0x00FF.
    const Case cases[] = {
        {"F8", 8, false, nullptr},
        {"F8", 9, false, "00F8 - $0100"},
        {"F8", 16, false, "00F8 - $0107"},
        {"F8", 18 + 7, true, nullptr},         // seven bytes and the zero
        {"F8", 18 + 8, true, "00F8 - $0100"},  // the zero byte would not fit
        {"100", 19, true, "0100 - $0101"},     // neither the byte nor the zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " + " << c.size);
        LoadImage(kOffset + 0x100);
        messages_.Clear();
        const PlaceStatus result = Place(Pattern(c.size), c.start, c.unix_text);
        if (c.refused == nullptr) {
            EXPECT_EQ(PlaceStatus::Placed, result);
            EXPECT_NE(original_, Image());
        } else {
            EXPECT_EQ(PlaceStatus::Refused, result);
            EXPECT_EQ(Error(kOutsideImage + c.refused + "\n" + kImageSize + "4352"),
                      messages_.Messages());
            EXPECT_EQ(original_, Image());
        }
    }
}

TEST_F(BinaryDumpTest, NoImageReadsNothing) {
    StateImage empty;
    // A missing dump file: had it been opened, its open failure would show.
    EXPECT_EQ(PlaceStatus::NoImage, messages_.Keep(PlaceBinaryDump(
                                        empty, dir_.File("missing.bin").c_str(), "8000", false)));
    EXPECT_EQ(Error(kNoImage), messages_.Messages());
}

TEST_F(BinaryDumpTest, FileFailuresStoreNothing) {
    struct Case {
        FaultPoint point;
        std::uint32_t code;
        std::string message;
    };
    const Case cases[] = {
        {FaultPoint::OpenForReading, 2, kOpenFailed},
        {FaultPoint::GetSize, 87, kSizeFailed + "87)"},
        {FaultPoint::Allocate, 8, kMemoryFailed + "8)"},
        {FaultPoint::Read, 0, kReadFailed},  // one byte short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.point));
        messages_.Clear();
        platform::InjectFault(c.point, c.code);
        EXPECT_EQ(PlaceStatus::FileError, Place(Pattern(256), "8000", false));
        EXPECT_EQ(Error(c.message), messages_.Messages());
        EXPECT_EQ(original_, Image());
    }
    messages_.Clear();
    EXPECT_EQ(
        PlaceStatus::FileError,
        messages_.Keep(PlaceBinaryDump(image_, dir_.File("missing.bin").c_str(), "8000", false)));
    EXPECT_EQ(Error(kOpenFailed), messages_.Messages());
}

#ifndef _WIN32
// A dump read from a pipe, as a shell's <(...) gives one: its size is what
// arrives before its end, within the limit a file's size has.
TEST_F(BinaryDumpTest, DumpFromAPipeIsReadToItsEnd) {
    struct Case {
        std::size_t size;
        const char* start;
        std::vector<Message> said;
    };
    const Case cases[] = {
        {256, "8000", Placed("8000 - $80FF")},
        {0x8000, "8000", Placed("8000 - $FFFF")},
        {0x8001, "8000", Error(kTooLarge + "32769")},  // would end past FFFF
        {0, "C000", Error(kEmpty)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        LoadImage(kOffset + 0x10000);
        // Every size here fits the pipe's buffer: written whole, then closed.
        int ends[2];
        ASSERT_EQ(0, ::pipe(ends));
        const std::string dump = Pattern(c.size);
        ASSERT_EQ(static_cast<ssize_t>(c.size), ::write(ends[1], dump.data(), dump.size()));
        ::close(ends[1]);
        const std::string path = "/dev/fd/" + std::to_string(ends[0]);
        messages_.Clear();
        const PlaceStatus status =
            messages_.Keep(PlaceBinaryDump(image_, path.c_str(), c.start, false));
        ::close(ends[0]);
        EXPECT_EQ(c.said, messages_.Messages());
        const bool placed = c.said[0].kind == MessageKind::Information;
        EXPECT_EQ(placed ? PlaceStatus::Placed : PlaceStatus::Refused, status);
        EXPECT_EQ(placed ? With(ParseStartAddress(c.start), dump) : original_, Image());
    }
}
#endif

}  // namespace
}  // namespace tsy
