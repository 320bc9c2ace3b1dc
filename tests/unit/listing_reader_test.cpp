// The listing reader end to end: a listing written to a file, read into a small
// synthetic state image; the message told (exact Shift-JIS bytes) and the
// whole emulated memory afterwards are compared.
#include "listing/listing_reader.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/test_support.h"

namespace tsy {
namespace {

using test::Message;

// ---- Expected texts, built from Shift-JIS bytes ---------------------------

#define SJ_SPACE "\x81\x40"                                                 // 　
#define SJ_LAST_ADDRESS "\x92\xBC\x91\x4F\x83\x41\x83\x68\x83\x8C\x83\x58"  // 直前アドレス
#define SJ_ADDRESS "\x83\x41\x83\x68\x83\x8C\x83\x58"                       // アドレス
#define SJ_OFFSET "\x83\x49\x83\x74\x83\x5A\x83\x62\x83\x67"                // オフセット
#define SJ_DATA "\x83\x66\x81\x5B\x83\x5E"                                  // データ
#define SJ_ERROR "\x83\x47\x83\x89\x81\x5B"                                 // エラー
#define SJ_CHECKSUM "\x83\x60\x83\x46\x83\x62\x83\x4E\x83\x54\x83\x80"      // チェックサム
#define SJ_GIVEN "\x8E\x77\x92\xE8"                                         // 指定
#define SJ_COMPUTED "\x8E\x5A\x8F\x6F"                                      // 算出
#define SJ_CRC "\x82\x62\x82\x71\x82\x62"                                   // ＣＲＣ
#define SJ_VERTICAL "\x8F\x63"                                              // 縦
#define SJ_HORIZONTAL "\x89\xA1"                                            // 横
#define SJ_STATE_DATA /* ステートセーブデータ */ \
    "\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75\x83\x66\x81\x5B\x83\x5E"

std::string Data(const std::string& address, const std::string& offset, const std::string& data) {
    return SJ_DATA SJ_ERROR "\r\n" SJ_SPACE SJ_LAST_ADDRESS ":" + address +
           "\r\n" SJ_SPACE SJ_OFFSET ":" + offset + "\r\n" SJ_SPACE SJ_DATA ":" + data +
           "\r\n(E00)";
}

std::string LineChecksum(const char* code, const std::string& address, const std::string& given,
                         const std::string& computed) {
    return SJ_CHECKSUM SJ_ERROR "\r\n" SJ_SPACE SJ_ADDRESS ":" + address +
           "\r\n" SJ_SPACE SJ_GIVEN SJ_CHECKSUM ":" + given +
           "\r\n" SJ_SPACE SJ_COMPUTED SJ_CHECKSUM ":" + computed + "\r\n(" + code + ")";
}

std::string ColumnData(const std::string& address, const std::string& offset,
                       const std::string& data) {
    return SJ_CHECKSUM "\x95\x94" SJ_DATA SJ_ERROR "\r\n" SJ_SPACE SJ_LAST_ADDRESS ":" + address +
           "\r\n" SJ_SPACE SJ_OFFSET ":+" + offset + "\r\n" SJ_SPACE SJ_DATA ":" + data +
           "\r\n(E04)";
}

std::string ColumnsHeading(const std::string& address) {
    return SJ_VERTICAL SJ_CHECKSUM SJ_ERROR "\r\n" SJ_SPACE SJ_LAST_ADDRESS ":" + address + "\r\n";
}

std::string Entry(const std::string& label, const std::string& given, const std::string& computed) {
    return SJ_SPACE SJ_SPACE "+" + label + SJ_SPACE + given + "/" + computed + "\n";
}

std::string Columns(const std::string& address, const std::string& entries) {
    return ColumnsHeading(address) + entries + "\r\n(E05)";
}

std::string Total(const char* code, const std::string& address, const std::string& given,
                  const std::string& computed) {
    return SJ_VERTICAL SJ_HORIZONTAL SJ_CHECKSUM SJ_ERROR "\r\n" SJ_SPACE SJ_LAST_ADDRESS ":" +
           address + "\r\n" SJ_SPACE SJ_GIVEN SJ_CHECKSUM ":" + given +
           "\r\n" SJ_SPACE SJ_COMPUTED SJ_CHECKSUM ":" + computed + "\r\n(" + code + ")";
}

std::string Crc(const std::string& address, const std::string& given, const std::string& computed) {
    return SJ_CRC SJ_ERROR "\r\n" SJ_SPACE SJ_LAST_ADDRESS ":" + address +
           "\r\n" SJ_SPACE SJ_GIVEN SJ_CRC ":" + given + "\r\n" SJ_SPACE SJ_COMPUTED SJ_CRC ":" +
           computed + "\r\n(E07)";
}

std::string Range(const std::string& address, const std::string& first, const std::string& last,
                  const std::string& size) {
    return SJ_ADDRESS "\x94\xCD\x88\xCD" SJ_ERROR "\r\n" SJ_SPACE SJ_ADDRESS ":" + address +
           "\r\n" SJ_SPACE "\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x94\xCD\x88\xCD:$" + first + " - $" +
           last + "\r\n" SJ_SPACE SJ_STATE_DATA "\x83\x54\x83\x43\x83\x59:" + size + "\r\n(E09)";
}

Message Report(const std::string& text) {
    return Message{MessageKind::Report, text};
}

Message Done(const std::string& lowest, const std::string& highest) {
    return Message{MessageKind::Information,
                   "\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\n" SJ_ADDRESS ":$" + lowest +
                       " - $" + highest};
}

// ---- The runner ------------------------------------------------------------

constexpr std::uint32_t kMemoryOffset = 16;
constexpr unsigned char kFill = 0xA5;
const std::string kDashes(30, '-');

// "C" Checksum, "A" AddressSum, "L" LowerAddressOnly, "M" OhMzSum, "X" OhXCrc.
ListingOptions Options(const std::string& flags) {
    ListingOptions options;
    options.checksum = flags.find('C') != std::string::npos;
    options.address_sum = flags.find('A') != std::string::npos;
    options.lower_address_only = flags.find('L') != std::string::npos;
    options.ohmz_sum = flags.find('M') != std::string::npos;
    options.ohx_crc = flags.find('X') != std::string::npos;
    return options;
}

// Writes a state-save file of a 16-byte header and `memory_size` bytes of
// emulated memory filled with kFill, loads it, and runs the reader on
// listings, recording what it tells.
class ListingRunner {
  public:
    explicit ListingRunner(std::uint32_t memory_size = 0x10000) : memory_size_(memory_size) {}

    ListingStatus Run(const std::string& listing, const std::string& flags) {
        std::string state = "TSRY\x01";
        state += std::string(kMemoryOffset - state.size(), '\0');
        state += std::string(memory_size_, static_cast<char>(kFill));
        const std::string state_path = dir_.File("state.tsy");
        test::WriteFile(state_path, state);
        EXPECT_EQ(LoadStatus::Loaded, image_.Load(state_path.c_str()).status);
        image_.SetMemoryOffset(kMemoryOffset);
        const std::string listing_path = dir_.File("listing.txt");
        test::WriteFile(listing_path, listing);
        log_.Clear();
        last_ = ReadListing(image_, listing_path.c_str(), Options(flags));
        code = last_.stopped_by;
        return log_.Keep(last_);
    }

    const std::vector<Message>& Messages() const { return log_.Messages(); }
    // The whole result of the last run, its message buffer included.
    const ListingResult& Last() const { return last_; }

    // The emulated memory as it now stands.
    std::string Memory() const {
        return std::string(reinterpret_cast<const char*>(image_.Bytes()) + kMemoryOffset,
                           memory_size_);
    }

    // The untouched memory with `bytes` placed at each address.
    std::string Expected(const std::vector<std::pair<std::uint32_t, std::string>>& stores) const {
        std::string memory(memory_size_, static_cast<char>(kFill));
        for (const auto& store : stores) {
            memory.replace(store.first, store.second.size(), store.second);
        }
        return memory;
    }

    StateImage& Image() { return image_; }
    test::TempDir& Dir() { return dir_; }
    LineOutcome code = LineOutcome::Ignored;

  private:
    std::uint32_t memory_size_;
    test::TempDir dir_;
    StateImage image_;
    test::MessageLog log_;
    ListingResult last_;
};

// Where two memories first differ, for readable failures.
std::string FirstDifference(const std::string& actual, const std::string& expected) {
    for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        if (actual[i] != expected[i]) {
            char text[64];
            std::snprintf(text, sizeof text, "address %04zX: %02X, expected %02X", i,
                          static_cast<unsigned char>(actual[i]),
                          static_cast<unsigned char>(expected[i]));
            return text;
        }
    }
    return "none";
}

struct Case {
    const char* name;
    const char* flags;
    std::string listing;
    Message told;
    std::vector<std::pair<std::uint32_t, std::string>> stored;
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListingRunner runner;
        const ListingStatus result = runner.Run(c.listing, c.flags);
        const bool failed = c.told.kind == MessageKind::Report;
        EXPECT_EQ(failed ? ListingStatus::CheckFailed : ListingStatus::Completed, result);
        ASSERT_EQ(1u, runner.Messages().size());
        EXPECT_EQ(c.told, runner.Messages()[0]);
        // The text is formatted into a cleared buffer: zero bytes after it.
        const char* buffer = runner.Last().message.text;
        const std::size_t end = std::strlen(buffer);
        EXPECT_EQ(std::string(kMessageSize - end, '\0'),
                  std::string(buffer + end, kMessageSize - end));
        if (failed) {
            EXPECT_EQ(c.told.text.substr(c.told.text.size() - 4, 3), CodeName(runner.code));
        }
        const std::string memory = runner.Memory();
        const std::string expected = runner.Expected(c.stored);
        EXPECT_TRUE(memory == expected) << FirstDifference(memory, expected);
    }
}

// Two data lines and their sums: columns 5F 01 C2 CC, BlockSum 1EE.
const std::string kTwoLines = "C000 3E 01 02 03 44\nC004 21 00 C0 C9 AA\n";
const std::string kTwoLinesOhX = "C000 : 3E 01 02 03 : 44\nC004 : 21 00 C0 C9 : AA\n";
const std::string kTwoLinesOhMz = "C000 3E 01 02 03 (0.44)\nC004 21 00 C0 C9 (1.AA)\n";
const std::pair<std::uint32_t, std::string> kTwoLinesBytes{
    0xC000, std::string("\x3E\x01\x02\x03\x21\x00\xC0\xC9", 8)};

TEST(ListingReader, DataLineExamples) {
    const std::pair<std::uint32_t, std::string> bytes{0xC010, "\x3E\x01\x02\x03"};
    RunCases({
        {"checksum", "C", "C010 3E 01 02 03 44\n", Done("C010", "C013"), {bytes}},
        {"address sum", "CA", "C010 3E 01 02 03 14\n", Done("C010", "C013"), {bytes}},
        {"low address only", "CAL", "C010 3E 01 02 03 54\n", Done("C010", "C013"), {bytes}},
        {"no checksum: the last token is data",
         "",
         "C010 3E 01 02 03 44\n",
         Done("C010", "C014"),
         {{0xC010, "\x3E\x01\x02\x03\x44"}}},
        {"Oh!MZ window of (3.FC)",
         "CM",
         "C010 FF FF FF FF (3.FC)\n",
         Done("C010", "C013"),
         {{0xC010, "\xFF\xFF\xFF\xFF"}}},
        {"Oh!MZ with address sum",
         "CMA",
         "C010 FF FF FF FF (4.CC)\n",
         Done("C010", "C013"),
         {{0xC010, "\xFF\xFF\xFF\xFF"}}},
        {"Oh!X drops ':' tokens", "CX", "C010 : 3E 01 02 03 : 44\n", Done("C010", "C013"), {bytes}},
        {"upper-cased, windows of $3e",
         "C",
         "c010: $3e $01 $02 $03 $44\n",
         Done("C010", "C013"),
         {bytes}},
        {"one-character data token", "C", "C010 3E 1 02 41\n", Report(Data("C010", "01", "1")), {}},
        {"checksum mismatch",
         "C",
         "C010 3E 01 02 03 45\n",
         Report(LineChecksum("E03", "C010", "45", "44")),
         {}},
        {"Oh!MZ checksum mismatch",
         "CM",
         "C010 3E 01 02 03 (0.45)\n",
         Report(LineChecksum("E02", "C010", "045", "044")),
         {}},
    });
}

TEST(ListingReader, CheckLineExamples) {
    RunCases({
        {"SUM accepted",
         "C",
         kTwoLines + "SUM 5F 01 C2 CC 01EE\n",
         Done("C000", "C007"),
         {kTwoLinesBytes}},
        {"SUM total mismatch",
         "C",
         kTwoLines + "SUM 5F 01 C2 CC 01EF\n",
         Report(Total("E06", "C004", "EF", "EE")),
         {kTwoLinesBytes}},
        {"two column mismatches",
         "C",
         kTwoLines + "SUM 5F 02 C2 CD 01EE\n",
         Report(Columns("C004", Entry("1", "02", "01") + Entry("3", "CD", "CC"))),
         {kTwoLinesBytes}},
        {"column token not hexadecimal",
         "C",
         kTwoLines + "SUM 5F 0G C2 CC 01EE\n",
         Report(ColumnData("C004", "01", "0G")),
         {kTwoLinesBytes}},
        {"Oh!X CRC accepted",
         "CX",
         kTwoLinesOhX + "SUM 5F 01 C2 CC 4458\n",
         Done("C000", "C007"),
         {kTwoLinesBytes}},
        {"Oh!X CRC mismatch",
         "CX",
         kTwoLinesOhX + "SUM 5F 01 C2 CC 4459\n",
         Report(Crc("C004", "4459", "4458")),
         {kTwoLinesBytes}},
        {"dashed total accepted",
         "CM",
         kTwoLinesOhMz + kDashes + " 01EE\n",
         Done("C000", "C007"),
         {kTwoLinesBytes}},
        {"dashed total mismatch",
         "CM",
         kTwoLinesOhMz + kDashes + " 01EF\n",
         Report(Total("E08", "C004", "01EF", "01EE")),
         {kTwoLinesBytes}},
    });
}

TEST(ListingReader, ReadingTheFile) {
    const std::pair<std::uint32_t, std::string> bytes{0xC010, "\x3E\x01\x02\x03"};
    RunCases({
        {"empty listing", "C", "", Done("10000", "0000"), {}},
        {"only ignored lines",
         "M",
         "TITLE\n\n C010 3E 01 02 03 45\nC01\nSUM\n-----\n",
         Done("10000", "0000"),
         {}},
        {"CR LF like LF", "C", "C010 3E 01 02 03 44\r\n", Done("C010", "C013"), {bytes}},
        {"a lone CR is dropped", "C", "C0\r10 3E 01 02 03 4\r4\n", Done("C010", "C013"), {bytes}},
        {"nothing after 0x1A is read",
         "C",
         "C010 3E 01 02 03 44\n\x1A"
         "C020 3E 1 45\n",
         Done("C010", "C013"),
         {bytes}},
        {"a 0x1A inside a line ends it there",
         "C",
         "C010 3E 01 02 03 44\x1A 99\n",
         Done("C010", "C013"),
         {bytes}},
        {"last line without line feed", "C", "C010 3E 01 02 03 44", Done("C010", "C013"), {bytes}},
        // 1023 bytes, then the rest of the physical line as a line of its own.
        {"long line split after 1023 bytes",
         "C",
         std::string(1023, 'X') + "C010 3E 01 02 03 44\n",
         Done("C010", "C013"),
         {bytes}},
        {"tab swallows a byte",
         "C",
         "C010\t3E 01 02 03 06\n",
         Done("C010", "C012"),
         {{0xC010, "\x01\x02\x03"}}},
        {"line starting with a blank is no data line",
         "C",
         " C010 3E 01 02 03 45\n",
         Done("10000", "0000"),
         {}},
    });
}

TEST(ListingReader, DataLineEdges) {
    const std::pair<std::uint32_t, std::string> bytes{0xC010, "\x3E\x01\x02\x03"};
    // Nine good lines at 0100, 0102, ... storing (line, 10) each.
    std::string nine_bytes;
    for (int line = 0; line < 9; ++line) {
        nine_bytes += static_cast<char>(line);
        nine_bytes += '\x10';
    }
    RunCases({
        {"five-digit address above FFFF is ignored",
         "C",
         "1C010 3E 01 02 03 45\n",
         Done("10000", "0000"),
         {}},
        {"five-digit address with a leading 0",
         "C",
         "0C010 3E 01 02 03 45\n",
         Report(LineChecksum("E03", "0C010", "45", "44")),
         {}},
        {"five-digit address with a leading 0 stores at C010",
         "C",
         "0C010 3E 01 02 03 44\n",
         Done("C010", "C013"),
         {bytes}},
        {"address field with a colon",
         "C",
         "C010: 3E 01 02 03 45\n",
         Report(LineChecksum("E03", "C010:", "45", "44")),
         {}},
        {"lower case shown upper-cased",
         "C",
         "c010 3e 01 02 03 4f\n",
         Report(LineChecksum("E03", "C010", "4F", "44")),
         {}},
        {"checksum window without digits counts as 0",
         "C",
         "C010 00 ZZ\n",
         Done("C010", "C010"),
         {{0xC010, std::string(1, '\0')}}},
        {"':' is data without Oh!X", "C", "C010 : 3E 3E\n", Report(Data("C010", "00", ":")), {}},
        {"17 kept windows without checksum",
         "",
         "C010 01 01 01 01 01 01 01 01 01 01 01 01 01 01 "
         "01 01 02 ZZ 1\n",
         Done("C010", "C020"),
         {{0xC010, std::string(16, '\x01') + "\x02"}}},
        {"the 17th kept window is the checksum",
         "C",
         "C010 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 10 ZZ 1\n",
         Done("C010", "C01F"),
         {{0xC010, std::string(16, '\x01')}}},
        {"address alone without checksum", "", "C010\n", Done("C010", "C00F"), {}},
        {"Oh!MZ three-digit data value enters the sums whole",
         "CM",
         "C010 (1.23) (1.23)\n" + kDashes + " 0123\n",
         Done("C010", "C010"),
         {{0xC010, "\x23"}}},
        {"checksum error in the tenth line keeps the first nine",
         "C",
         [&] {
             std::string listing;
             for (int line = 0; line < 9; ++line) {
                 char text[32];
                 std::snprintf(text, sizeof text, "%04X %02X %02X %02X\n", 0x100 + 2 * line, line,
                               0x10, line + 0x10);
                 listing += text;
             }
             return listing + "0200 01 02 04\n";
         }(),
         Report(LineChecksum("E03", "0200", "04", "03")),
         {{0x100, nine_bytes}}},
    });
}

TEST(ListingReader, CheckLineEdges) {
    RunCases({
        {"SUM lines ignored without checksum",
         "",
         "C000 3E\nSUM 00 00\n",
         Done("C000", "C000"),
         {{0xC000, "\x3E"}}},
        {"lower-case sum",
         "C",
         kTwoLines + "sum 5f 01 c2 cc 01ef\n",
         Report(Total("E06", "C004", "EF", "EE")),
         {kTwoLinesBytes}},
        {"SUMMARY OF PROGRAM",
         "C",
         kTwoLines + "SUMMARY OF PROGRAM\n",
         Report(ColumnData("C004", "00", "OF")),
         {kTwoLinesBytes}},
        {"SUMMARY before any data line quotes an empty address",
         "C",
         "SUMMARY OF PROGRAM\n",
         Report(ColumnData("", "00", "OF")),
         {}},
        {"':' is a column in a SUM line",
         "CX",
         kTwoLinesOhX + "SUM : 5F 01 C2 CC 4458\n",
         Report(ColumnData("C004", "00", ":")),
         {kTwoLinesBytes}},
        // A total of three characters is compared by its last two: 1EE is
        // EE, and 1EF reports EF.
        {"three-character total",
         "C",
         kTwoLines + "SUM 5F 01 C2 CC 1EE\n",
         Done("C000", "C007"),
         {kTwoLinesBytes}},
        {"three-character total that differs",
         "C",
         kTwoLines + "SUM 5F 01 C2 CC 1EF\n",
         Report(Total("E06", "C004", "EF", "EE")),
         {kTwoLinesBytes}},
        {"column mismatch, then a bad column: E04",
         "C",
         kTwoLines + "SUM 5F 02 ZZ CC 01EE\n",
         Report(ColumnData("C004", "02", "ZZ")),
         {kTwoLinesBytes}},
        {"two-character token after the total shifts the columns",
         "C",
         kTwoLines + "SUM 5F 01 C2 CC 01EE 00\n",
         Report(Columns("C004", Entry("4", "01EE", "00"))),
         {kTwoLinesBytes}},
        {"fewer columns than the block has",
         "C",
         kTwoLines + "SUM 5F 01 01EE\n",
         Done("C000", "C007"),
         {kTwoLinesBytes}},
        {"empty block after an accepted SUM",
         "C",
         kTwoLines + "SUM 5F 01 C2 CC 01EE\nSUM 00 00 00 00 0000\n",
         Done("C000", "C007"),
         {kTwoLinesBytes}},
        {"the sums start again after a SUM line",
         "C",
         kTwoLines + "SUM 5F 01 C2 CC 01EE\nC008 01 01\nSUM 01 0002\n",
         Report(Total("E06", "C008", "02", "01")),
         {kTwoLinesBytes, {0xC008, "\x01"}}},
        {"dashed line of dashes only reads 0",
         "M",
         "C000 3E 01\n" + kDashes + "\n",
         Report(Total("E08", "C000", "----", "003F")),
         {{0xC000, "\x3E\x01"}}},
        {"dashed line of dashes only with zero sums",
         "CM",
         kDashes + "\n",
         Done("10000", "0000"),
         {}},
        {"dashed line: trailing blanks count",
         "M",
         "C000 EE\n" + kDashes + " 00EF  \n",
         Report(Total("E08", "C000", "EF  ", "00EE")),
         {{0xC000, "\xEE"}}},
        {"dashed line: EE and two blanks pass",
         "M",
         "C000 EE\n" + kDashes + " 00EE  \n",
         Done("C000", "C000"),
         {{0xC000, "\xEE"}}},
        {"dashed line at the end without line feed",
         "M",
         "C000 EE\n" + kDashes + " 00EF",
         Report(Total("E08", "C000", "00EF", "00EE")),
         {{0xC000, "\xEE"}}},
        {"dashed lines are checked without checksum, last token is data",
         "M",
         kTwoLines + kDashes + " 02DC\n",
         Done("C000", "C008"),
         {{0xC000, std::string("\x3E\x01\x02\x03\x21\x00\xC0\xC9\xAA", 9)}}},
        {"dashed line ignored without Oh!MZ",
         "C",
         kTwoLines + kDashes + " 0000\n",
         Done("C000", "C007"),
         {kTwoLinesBytes}},
        // The dashed lines reset the column sums but not the CRC, so the
        // SUM line's CRC covers both blocks.
        {"CRC survives a dashed line",
         "CMX",
         "C000 : 3E 01 02 03 : (0.44)\n" + kDashes + " 0044\nC004 : 21 00 C0 C9 : (1.AA)\n" +
             kDashes + " 01AA\nSUM 00 4458\n",
         Done("C000", "C007"),
         {kTwoLinesBytes}},
        {"CRC over the last block alone is wrong after a dashed line",
         "CMX",
         "C000 : 3E 01 02 03 : (0.44)\n" + kDashes + " 0044\nC004 : 21 00 C0 C9 : (1.AA)\n" +
             "SUM 21 00 C0 C9 F51E\n",
         Report(Crc("C004", "F51E", "4458")),
         {kTwoLinesBytes}},
    });
}

TEST(ListingReader, DecidedLimits) {
    std::string seventeen = "SUM 5F 01 C2 CC";
    for (int c = 4; c < 17; ++c) {
        seventeen += " 00";
    }
    seventeen += " 01 0000\n";  // column 0x11 gives 01 against 0
    RunCases({
        {"store past FFFF is refused",
         "C",
         "C000 3E 3E\nFFFE 01 02 03 06\n",
         Report(Range("FFFE", "FFFE", "10000", "65552")),
         {{0xC000, "\x3E"}}},
        {"store up to FFFF is accepted",
         "C",
         "FFFE 01 02 03\n",
         Done("FFFE", "FFFF"),
         {{0xFFFE, "\x01\x02"}}},
        {"address alone with checksum: E03 with empty given",
         "C",
         "C010 3E 3E\nC010\n",
         Report(LineChecksum("E03", "C010", "", "00")),
         {{0xC010, "\x3E"}}},
        {"address alone with Oh!MZ and address sum: E02",
         "CMA",
         "C010\n",
         Report(LineChecksum("E02", "C010", "", "0D0")),
         {}},
        {"SUM line without total: E06 with empty given",
         "C",
         kTwoLines + "SUM 5F 01 C2 CC\n",
         Report(Total("E06", "C004", "", "EE")),
         {kTwoLinesBytes}},
        {"SUM line without CRC: E07 with empty given",
         "CX",
         kTwoLinesOhX + "SUM 5F 01 C2 CC\n",
         Report(Crc("C004", "", "4458")),
         {kTwoLinesBytes}},
        {"columns from 16 on compare with 0, labelled in two digits",
         "C",
         kTwoLines + seventeen,
         Report(Columns("C004", Entry("11", "01", "00"))),
         {kTwoLinesBytes}},
    });
}

TEST(ListingReader, StoreOutsideASmallImage) {
    ListingRunner runner(0x1000);
    EXPECT_EQ(ListingStatus::CheckFailed, runner.Run("0FFE 01 02 03\n0FFF 01 02 03\n", "C"));
    EXPECT_EQ(LineOutcome::E09, runner.code);
    ASSERT_EQ(1u, runner.Messages().size());
    EXPECT_EQ(Report(Range("0FFF", "0FFF", "1000", "4112")), runner.Messages()[0]);
    EXPECT_EQ(runner.Expected({{0xFFE, "\x01\x02"}}), runner.Memory());
}

TEST(ListingReader, E05TooLongEndsWithOmissionAndCode) {
    // 20 columns of 40-character tokens that all mismatch: only those that
    // leave room for the omission mark and the tail are listed.
    const std::string token(40, 'A');
    std::string line = "SUM";
    for (int c = 0; c < 20; ++c) {
        line += " " + token;
    }
    for (int c = 0; c < 20; ++c) {
        line += " 00";
    }
    ListingRunner runner;
    ASSERT_EQ(ListingStatus::CheckFailed, runner.Run(kTwoLines + line + "\n", "C"));
    const char* const computed[] = {"5F", "01", "C2", "CC", "00", "00", "00", "00"};
    std::string expected = ColumnsHeading("C004");
    for (int c = 0; c < 8; ++c) {
        expected += Entry(std::string(1, static_cast<char>('0' + c)), token, computed[c]);
    }
    expected += "\x81\x63\r\n\r\n(E05)";
    EXPECT_EQ(Report(expected), runner.Messages().at(0));
    EXPECT_LE(std::strlen(runner.Last().message.text), 511u);
}

TEST(ListingReader, LongQuotedTokenIsCutNotTheCode) {
    // Column 0 fails the pair test; its token is "G" and 450 two-byte
    // characters, cut where the report reaches 511 bytes without splitting a
    // character, whatever the lead byte's range.
    for (const char* character : {"\x82\xA0", "\x93\xFA", "\x9F\x40", "\xE0\x40", "\xFC\x40"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(character)));
        std::string token = "G";
        for (int i = 0; i < 450; ++i) {
            token += character;
        }
        ListingRunner runner;
        ASSERT_EQ(ListingStatus::CheckFailed, runner.Run("SUM " + token + " 00\n", "C"));
        const std::string empty = ColumnData("", "00", "");
        const std::size_t room = 511 - empty.size();
        const std::string kept = token.substr(0, room % 2 == 1 ? room : room - 1);
        EXPECT_EQ(Report(ColumnData("", "00", kept)), runner.Messages().at(0));
        EXPECT_LE(runner.Messages().at(0).text.size(), 511u);
    }
}

TEST(ListingReader, OpenFailureAndMissingImage) {
    ListingRunner runner;
    runner.Run("", "C");  // loads the image
    test::MessageLog recorder;
    const std::string missing = runner.Dir().File("missing.txt");
    EXPECT_EQ(ListingStatus::OpenFailed,
              recorder.Keep(ReadListing(runner.Image(), missing.c_str(), Options("C"))));
    ASSERT_EQ(1u, recorder.Messages().size());
    EXPECT_EQ((Message{MessageKind::Error,
                       "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x83\x49"
                       "\x81\x5B\x83\x76\x83\x93\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1(2)"}),
              recorder.Messages()[0]);

    // Without an image the reader refuses before opening anything: the
    // missing file gives no open failure.
    recorder.Clear();
    StateImage empty;
    EXPECT_EQ(ListingStatus::NoImage,
              recorder.Keep(ReadListing(empty, missing.c_str(), Options("C"))));
    ASSERT_EQ(1u, recorder.Messages().size());
    // ステートセーブデータが読み込まれていません。\nステートセーブデータを指定し直してください。
    EXPECT_EQ((Message{MessageKind::Error,
                       SJ_STATE_DATA "\x82\xAA\x93\xC7\x82\xDD\x8D\x9E\x82\xDC\x82\xEA\x82\xC4"
                                     "\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81\x42\n" SJ_STATE_DATA
                                     "\x82\xF0\x8E\x77\x92\xE8\x82\xB5\x92\xBC\x82\xB5\x82\xC4"
                                     "\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42"}),
              recorder.Messages()[0]);
}

TEST(ListingReader, AListingThatCannotBeReadToTheEndIsNoCompletion) {
    // The bytes stop with a read error after the first line: that line is
    // stored, and the run ends as a failure, not as a completion.
    ListingRunner runner;
    runner.Run("", "C");  // loads the image
    const std::string bytes = "C000 3E 01 02 03 44\nC004 21 00 C0 C9 AA\n";
    MemoryByteSource failing(bytes.data(), bytes.size(), 20);
    test::MessageLog recorder;
    EXPECT_EQ(ListingStatus::ReadFailed,
              recorder.Keep(ReadListing(runner.Image(), failing, Options("C"))));
    // ダンプファイルを最後まで読み込めませんでした。
    EXPECT_EQ((std::vector<Message>{{MessageKind::Error,
                                     "\x83\x5F\x83\x93\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B"
                                     "\x82\xF0\x8D\xC5\x8C\xE3\x82\xDC\x82\xC5\x93\xC7\x82\xDD"
                                     "\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5"
                                     "\x82\xBD\x81\x42"}}),
              recorder.Messages());
    EXPECT_EQ(runner.Expected({{0xC000, "\x3E\x01\x02\x03"}}), runner.Memory());
}

}  // namespace
}  // namespace tsy
