// The reusable pieces of the listing reader on their own: the line source,
// tokens and windows, values, the CRC step, the line evaluations and the
// bounds of the reports.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "listing/check_line.h"
#include "listing/data_line.h"
#include "listing/line_source.h"
#include "listing/report.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "tests/unit/test_support.h"

namespace tsy {
namespace {

std::string AsString(Token token) {
    return std::string(token.text, token.length);
}

// ---- LineSource ------------------------------------------------------------

struct ReadLine {
    std::string text;
    std::uint32_t number;  // physical line it begins in
};

std::vector<ReadLine> ReadAll(const std::string& bytes) {
    MemoryByteSource memory(bytes.data(), bytes.size());
    LineSource source(memory);
    std::vector<ReadLine> lines;
    char line[kLineBufferSize];
    std::size_t length;
    while ((length = source.Next(line)) != 0) {
        EXPECT_EQ('\0', line[length]);
        lines.push_back(ReadLine{std::string(line, length), source.LineNumber()});
    }
    EXPECT_EQ(lines.size(), source.LinesReturned());
    EXPECT_EQ(0u, source.Next(line));  // stays at the end

    // Read again with the upper-cased copy: the same lines, and the copy
    // UpperCaseLine makes of each.
    MemoryByteSource again(bytes.data(), bytes.size());
    LineSource upper_source(again);
    char upper[kLineBufferSize];
    char expected[kLineBufferSize];
    std::size_t upper_length;
    for (const ReadLine& read : lines) {
        length = upper_source.Next(line, upper, &upper_length);
        EXPECT_EQ(read.text, std::string(line, length));
        EXPECT_EQ(read.number, upper_source.LineNumber());
        const std::size_t expected_length = UpperCaseLine(line, length, expected);
        EXPECT_EQ(std::string(expected, expected_length + 1), std::string(upper, upper_length + 1));
    }
    EXPECT_EQ(0u, upper_source.Next(line, upper, &upper_length));
    return lines;
}

TEST(LineSource, ReadsAsAWindowsTextStream) {
    const std::string x1499(1499, 'x');
    const std::string x1023(1023, 'x');
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"LF lines", "A\nB\n", {"A\n", "B\n"}},
        {"CR LF like LF", "A\r\nB\r\n", {"A\n", "B\n"}},
        {"lone CR dropped", "A\rB\r\r\n\r", {"AB\n"}},
        {"last line without LF", "A\nBC", {"A\n", "BC"}},
        {"0x1A ends the input",
         "A\nB\x1A"
         "C\nD\n",
         {"A\n", "B"}},
        {"0x1A first",
         "\x1A"
         "A\n",
         {}},
        {"1500 bytes: 1023 then 477", x1499 + "\n", {x1023, std::string(476, 'x') + "\n"}},
        {"1023 bytes and LF: the LF alone follows", x1023 + "\nA\n", {x1023, "\n", "A\n"}},
        {"1023 bytes and CR LF: the LF alone follows", x1023 + "\r\nA\r\n", {x1023, "\n", "A\n"}},
        {"1022 bytes and CR LF: one line",
         x1023.substr(1) + "\r\nA\n",
         {x1023.substr(1) + "\n", "A\n"}},
        {"CR inside a line", "AB\rC\r\nD\n", {"ABC\n", "D\n"}},
        {"CR CR LF", "A\r\r\n", {"A\n"}},
        {"CR does not count toward 1023", std::string(1023, '\r') + "A\n", {"A\n"}},
        {"zero bytes are kept", std::string("A\0B\n", 4), {std::string("A\0B\n", 4)}},
        {"letters and Shift-JIS bytes, 16 and 32 bytes with LF",
         "c000 0a 1b 2c 3\n\x82\x60 abcdefghijklmnopqrstuvwxyz{\r\nab\n",
         {"c000 0a 1b 2c 3\n", "\x82\x60 abcdefghijklmnopqrstuvwxyz{\n", "ab\n"}},
        {"zero byte, CR and 0x1A inside long lines",
         std::string(
             "abcdefghijklmnopq\0rstuvwxyz\nabcdefghijklmnopq\rrst\nabcdefghijklmnopqrs\x1A\n", 71),
         {std::string("abcdefghijklmnopq\0rstuvwxyz\n", 28), "abcdefghijklmnopqrst\n",
          "abcdefghijklmnopqrs"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> texts;
        for (const ReadLine& line : ReadAll(c.bytes)) {
            texts.push_back(line.text);
        }
        EXPECT_EQ(c.lines, texts);
    }
}

TEST(LineSource, CountsPhysicalLines) {
    // The two pieces of a split line share its number.
    const std::vector<ReadLine> lines = ReadAll("A\n" + std::string(1500, 'x') + "\r\nB\n\nC");
    ASSERT_EQ(6u, lines.size());
    const std::uint32_t numbers[] = {1, 2, 2, 3, 4, 5};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(numbers[i], lines[i].number) << i;
    }
}

TEST(LineSource, ReadsAcrossItsBufferBoundary) {
    // Lines that straddle every refill of the read buffer come out whole.
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; bytes.size() < 3 * LineSource::kReadBufferSize; ++i) {
        std::string line = std::to_string(i) + std::string(static_cast<std::size_t>(i % 37), 'y');
        bytes += line + "\r\n";
        expected.push_back(line + "\n");
    }
    std::vector<std::string> texts;
    for (const ReadLine& line : ReadAll(bytes)) {
        texts.push_back(line.text);
    }
    EXPECT_EQ(expected, texts);
}

TEST(LineSource, ReadsAFileThroughThePlatform) {
    test::TempDir dir;
    const std::string path = dir.File("lines.txt");
    test::WriteFile(path, "A\r\nB");
    FileByteSource file;
    ASSERT_TRUE(file.Open(path.c_str()));
    LineSource source(file);
    char line[kLineBufferSize];
    EXPECT_EQ(2u, source.Next(line));
    EXPECT_EQ(1u, source.Next(line));
    EXPECT_EQ(0u, source.Next(line));
    EXPECT_FALSE(source.ReadFailed());

    FileByteSource missing;
    EXPECT_FALSE(missing.Open(dir.File("missing.txt").c_str()));
    EXPECT_EQ(ENOENT, platform::CErrorNumber(missing.Error()));
}

TEST(LineSource, AFileReadAheadGivesItsBytesInOrderToTheEnd) {
    // Blocks read ahead of the requests, whatever their size, give the
    // file's bytes once each, in order, with no empty read before the end.
    test::TempDir dir;
    const std::string path = dir.File("long.txt");
    std::string bytes;
    for (int i = 0; bytes.size() < 40000; ++i) {
        bytes += std::to_string(i) + (i % 7 == 0 ? "\r\n" : " ");
    }
    test::WriteFile(path, bytes);
    for (const std::size_t size : {1u, 7u, 4095u, 4096u, 16384u}) {
        SCOPED_TRACE(size);
        FileByteSource file;
        ASSERT_TRUE(file.Open(path.c_str()));
        std::vector<unsigned char> buffer(size);
        std::string read;
        std::size_t got = 0;
        do {
            ASSERT_TRUE(file.Read(buffer.data(), size, &got));
            ASSERT_TRUE(got > 0 || read.size() == bytes.size());
            read.append(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
        } while (got > 0);
        EXPECT_EQ(bytes, read);
    }
}

TEST(LineSource, AReadErrorEndsTheInputAsAFailure) {
    // The error comes after the first line and a half; the half line is
    // still given, then nothing more.
    const std::string bytes = "C000 01\nC001 0";
    MemoryByteSource failing(bytes.data(), bytes.size(), bytes.size());
    LineSource source(failing);
    char line[kLineBufferSize];
    EXPECT_EQ(8u, source.Next(line));
    EXPECT_EQ(6u, source.Next(line));
    EXPECT_EQ(0u, source.Next(line));
    EXPECT_TRUE(source.ReadFailed());
}

// ---- Upper-casing, classification, tokens ---------------------------------

TEST(ListingTokens, UpperCaseIsByteByByteAndStopsAtZero) {
    char upper[kLineBufferSize];
    const std::string line = "c010 $3e z{\x83\x61\n";
    ASSERT_EQ(line.size(), UpperCaseLine(line.data(), line.size(), upper));
    // A Shift-JIS second byte in a..z is changed too: nothing is interpreted.
    EXPECT_EQ("C010 $3E Z{\x83\x41\n", std::string(upper));
    EXPECT_EQ(2u, UpperCaseLine("ab\0cd\n", 6, upper));
    EXPECT_STREQ("AB", upper);
    // Letters past the first sixteen bytes, and a zero byte among eight or
    // sixteen read at once.
    const std::string row = "c010 3e 01 02 03 0a 0b 0c fe\n";
    ASSERT_EQ(row.size(), UpperCaseLine(row.data(), row.size(), upper));
    EXPECT_STREQ("C010 3E 01 02 03 0A 0B 0C FE\n", upper);
    EXPECT_EQ(11u, UpperCaseLine("c010 3e 01 \0 02\n", 16, upper));
    EXPECT_STREQ("C010 3E 01 ", upper);
    EXPECT_EQ(17u, UpperCaseLine("c010 3e 01 02 03 \0 44 55 66\n", 28, upper));
    EXPECT_STREQ("C010 3E 01 02 03 ", upper);
}

TEST(ListingTokens, Classification) {
    ListingOptions none;
    none.checksum = false;
    ListingOptions checksum;
    ListingOptions ohmz = none;
    ohmz.ohmz_sum = true;
    const std::string dashes(30, '-');
    struct Case {
        std::string line;
        const ListingOptions& options;
        LineKind kind;
    };
    const Case cases[] = {
        {"C010 3E\n", none, LineKind::DataLine},
        {"C010", none, LineKind::DataLine},
        {"ABCD\n", checksum, LineKind::DataLine},
        {"C01", checksum, LineKind::Ignored},
        {"C01\n", checksum, LineKind::Ignored},
        {"C01G 3E\n", checksum, LineKind::Ignored},
        {" C010 3E\n", checksum, LineKind::Ignored},
        {"SUM\n", checksum, LineKind::SumLine},
        {"SUMMARY OF PROGRAM\n", checksum, LineKind::SumLine},
        {"SUM 00 00\n", none, LineKind::Ignored},
        {"SUM", checksum, LineKind::Ignored},
        {dashes + "\n", ohmz, LineKind::DashedLine},
        {dashes, ohmz, LineKind::DashedLine},
        {dashes + "\n", checksum, LineKind::Ignored},
        {dashes.substr(1) + "\n", ohmz, LineKind::Ignored},
        // Four digits win over the other rules.
        {"ADDE\n", ohmz, LineKind::DataLine},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.kind, ClassifyLine(c.line.c_str(), c.line.size(), c.options)) << c.line;
    }
}

TEST(ListingTokens, OnlySpaceAndLineFeedSeparate) {
    const std::string line = "  C010\t3E  01,02 :  $44\n";
    Tokenizer tokens(line.data(), line.size());
    std::vector<std::string> texts;
    Token token;
    while (tokens.Next(&token)) {
        texts.push_back(AsString(token));
    }
    EXPECT_EQ((std::vector<std::string>{"C010\t3E", "01,02", ":", "$44"}), texts);
}

TEST(ListingTokens, Windows) {
    struct Case {
        const char* token;
        bool ohmz;
        const char* window;
    };
    const Case cases[] = {
        {"3E", false, "3E"},     {"1", false, "1"},         {"$3E", false, "3E"},
        {"01EE", false, "EE"},   {":44", false, "44"},      {"3E", true, "3E"},
        {"(3.FC)", true, "3FC"}, {"(0.45)", true, "045"},   {"ABC", true, "B"},
        {"ABCD", true, "BD"},    {"ABCDEFGH", true, "BDE"}, {"1", true, "1"},
    };
    for (const Case& c : cases) {
        const TokenWindow window = MakeTokenWindow(Token{c.token, std::strlen(c.token)}, c.ohmz);
        EXPECT_EQ(std::string(c.window), std::string(window.text, window.length)) << c.token;
        EXPECT_EQ('\0', window.text[window.length]);
    }
}

TEST(ListingTokens, PairTest) {
    EXPECT_TRUE(PassesPairTest("3E", 2));
    EXPECT_FALSE(PassesPairTest("0G", 2));
    EXPECT_TRUE(PassesPairTest("3FC", 3));
    EXPECT_FALSE(PassesPairTest("3", 1));
    EXPECT_FALSE(PassesPairTest("3E", 1));  // only the given length counts
    EXPECT_FALSE(PassesPairTest("3e", 2));  // lines are upper-cased first
    EXPECT_FALSE(PassesPairTest(":4", 2));
}

TEST(ListingTokens, LeadingPairsStopBeforeAnyOtherForm) {
    // Tokens read: each " HH" wholly inside the blocks of sixteen bytes from
    // 0, 15 and 30 that the text holds, and followed by a space there.
    const std::string row = " 00 19 2A 3B 4C 5D 6E 7F 80 91 A2 B3 C4 D5 E6 F7 FF\n";
    struct Case {
        std::string text;
        int count;
    };
    const Case cases[] = {
        {row, 15},
        {row.substr(0, 46), 15},
        {row.substr(0, 45), 10},  // the third block does not fit
        {row.substr(0, 31), 10},
        {row.substr(0, 30), 5},
        {row.substr(0, 16), 5},
        {row.substr(0, 15), 0},
        {" 00 19 2A 3B 4C\n 6E 7F 80 91 A2 B3 C4 D5 E6 F7\n", 4},
        {" 00 19 2A 3b 4C 5D 6E 7F 80 91 A2 B3 C4 D5 E6 F7\n", 3},
        {" 00 19 2G 3B 4C 5D 6E 7F 80 91 A2 B3 C4 D5 E6 F7\n", 2},
        {" 00 19  2A 3B 4C 5D 6E 7F 80 91 A2 B3 C4 D5 E6 F7\n", 2},
        {" 00 19 2A\t3B 4C 5D 6E 7F 80 91 A2 B3 C4 D5 E6 F7\n", 2},
        {" 00 19 2A 3B 4C 5D 6E 7F 80 91 A2 B3 C4 D5 E6 F7 :FF\n", 15},
        {" 00 19 2A 3B 4C 5D 6E 7F 80 91 A2 B3 C4 D5 E6:F7 FF\n", 14},
        {"  00 19 2A 3B 4C 5D 6E 7F 80 91 A2 B3 C4 D5 E6 F7\n", 0},
    };
    const std::uint8_t values[] = {0x00, 0x19, 0x2A, 0x3B, 0x4C, 0x5D, 0x6E, 0x7F,
                                   0x80, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::uint8_t read[kMaxLeadingPairs] = {};
        const int count = LeadingPairs(c.text.data(), c.text.data() + c.text.size(), read);
#if defined(__SSE2__)
        ASSERT_EQ(c.count, count);
        EXPECT_EQ(0, std::memcmp(values, read, static_cast<std::size_t>(count)));
#else
        EXPECT_EQ(0, count);
#endif
    }
}

TEST(ListingTokens, ValuesReadLikeStrtolBase16) {
    struct Case {
        const char* text;
        std::int32_t value;
    };
    const Case cases[] = {
        {"3E", 0x3E},
        {"3FC", 0x3FC},
        {"C010:", 0xC010},
        {"C010\t3E", 0xC010},
        {"0C010", 0xC010},
        {"1C010", 0x1C010},
        {"ZZ", 0},
        {"", 0},
        {"-1", -1},
        {"+A", 10},
        {"\t 5", 5},
        {"0X1F", 0x1F},
        {"0x", 0},
        {"----", 0},
        {"- 1", 0},
        {"EE  ", 0xEE},
        {"7FFFFFFF", 0x7FFFFFFF},
        {"80000000", INT32_MAX},
        {"FFFFFFFFFFFF", INT32_MAX},
        {"-80000000", INT32_MIN},
        {"-FFFFFFFFFFFF", INT32_MIN},
        {"1000000EE", INT32_MAX},  // saturates; never wraps to EE
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value, HexValue(c.text, std::strlen(c.text))) << c.text;
    }
    EXPECT_EQ(0x12, HexValue("1234", 2));
}

// ---- Sums and CRC ------------------------------------------------------------

TEST(ListingSums, CrcStep) {
    const std::uint8_t bytes[] = {0x3E, 0x01, 0x02, 0x03, 0x21, 0x00, 0xC0, 0xC9};
    const std::uint16_t crc = CrcBytes(0, bytes, 8);
    EXPECT_EQ(0x4458, crc);
    // Two further zero bytes would give the published CRC-16/XMODEM (1AF5),
    // which the reader never computes.
    const std::uint8_t zeros[] = {0, 0};
    EXPECT_EQ(0x1AF5, CrcBytes(crc, zeros, 2));
    EXPECT_EQ(0xF51E, CrcBytes(0, bytes + 4, 4));
    EXPECT_EQ(0x0001, CrcByte(0, 0x01));
    EXPECT_EQ(0x1021, CrcByte(0x0100, 0x00));  // bit 15 falls out on the 8th shift
}

TEST(ListingSums, Resets) {
    BlockSums sums;
    sums.block_sum = 0x1EE;
    sums.column_sums[15] = 7;
    sums.block_crc = 0x4458;
    BlockSums dashed = sums;
    dashed.ResetAfterDashedLine();
    EXPECT_EQ(0u, dashed.block_sum);
    EXPECT_EQ(0u, dashed.column_sums[15]);
    EXPECT_EQ(0x4458, dashed.block_crc);
    sums.ResetAfterSumLine();
    EXPECT_EQ(0u, sums.block_sum);
    EXPECT_EQ(0u, sums.column_sums[15]);
    EXPECT_EQ(0, sums.block_crc);
}

// ---- Line evaluations ------------------------------------------------------

DataLineResult Evaluate(const std::string& line, const char* flags) {
    ListingOptions options;
    options.checksum = std::strchr(flags, 'C') != nullptr;
    options.address_sum = std::strchr(flags, 'A') != nullptr;
    options.ohmz_sum = std::strchr(flags, 'M') != nullptr;
    options.ohx_crc = std::strchr(flags, 'X') != nullptr;
    DataLineResult result;
    EvaluateDataLine(line.c_str(), line.size(), options, &result);
    return result;
}

TEST(ListingDataLine, IndexOfTheFailingWindowCountsKeptWindowsOnly) {
    const DataLineResult result = Evaluate("C010 : 3E : G1 00 00\n", "CX");
    EXPECT_EQ(LineOutcome::E00, result.outcome);
    EXPECT_EQ(1, result.bad_window);
    EXPECT_STREQ("G1", result.windows[1].text);
}

TEST(ListingDataLine, RowFormsAroundTheCommonOne) {
    // Rows of two-digit tokens read in one pass, and the forms that leave it.
    struct Case {
        const char* line;
        const char* flags;
        LineOutcome outcome;
        int count;          // n; for E00 the failing window
        std::int32_t last;  // the value of the last data window
    };
    const Case cases[] = {
        {"C010 3E 01 02 03 44\n", "C", LineOutcome::Accepted, 4, 0x03},
        {"C010 3E 01 02 03 44", "C", LineOutcome::Accepted, 4, 0x03},
        {"C010 3E", "", LineOutcome::Accepted, 1, 0x3E},
        {"C010  3E 01  02 03 44 \n", "C", LineOutcome::Accepted, 4, 0x03},
        {"C010 3E 01\t02 03 44\n", "C", LineOutcome::E03, 3, 0x03},  // 01<tab>02 reads 02
        {"C010 3E 0G 02 41\n", "C", LineOutcome::E00, 1, 0x3E},
        {"C010 3E 1 02 41\n", "C", LineOutcome::E00, 1, 0x3E},
        {"C010 3E 01 02 03 044\n", "C", LineOutcome::Accepted, 4, 0x03},
        {"C010 3E 01 :3 02 03 44\n", "CX", LineOutcome::Accepted, 4, 0x03},
        {"C010 3E 01 02 03 :44\n", "CX", LineOutcome::Accepted, 4, 0x03},
        {"C010 3E 01 02 (0.06) 47\n", "CM", LineOutcome::Accepted, 4, 0x006},
        {"C010 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 10 ZZ\n", "C", LineOutcome::Accepted,
         16, 0x01},
        {"C010 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 02 ZZ\n", "", LineOutcome::Accepted,
         17, 0x02},
    };
    for (const Case& c : cases) {
        const DataLineResult result = Evaluate(c.line, c.flags);
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.outcome, result.outcome);
        EXPECT_EQ(0xC010, result.address);
        if (c.outcome == LineOutcome::E00) {
            EXPECT_EQ(c.count, result.bad_window);
            EXPECT_EQ(c.last, result.values[0]);
            continue;
        }
        ASSERT_EQ(c.count, result.count);
        EXPECT_EQ(c.last, result.values[c.count - 1]);
        if (c.outcome == LineOutcome::Accepted && std::strchr(c.flags, 'C') != nullptr) {
            EXPECT_EQ(static_cast<std::int32_t>(result.line_sum), result.given_value);
        }
    }
}

TEST(ListingDataLine, ValuesAndBytes) {
    const DataLineResult result = Evaluate("C010 (1.23) 45 (1.68)\n", "CM");
    ASSERT_EQ(LineOutcome::Accepted, result.outcome);
    EXPECT_EQ(2, result.count);
    EXPECT_EQ(0x123, result.values[0]);
    EXPECT_EQ(0x23, result.bytes[0]);
    EXPECT_EQ(0x168u, result.line_sum);
    EXPECT_STREQ("168", result.given_checksum.text);

    BlockSums sums;
    AddToBlock(result, true, &sums);
    EXPECT_EQ(0x168u, sums.block_sum);
    EXPECT_EQ(0x123u, sums.column_sums[0]);
    const std::uint8_t bytes[] = {0x23, 0x45};
    EXPECT_EQ(CrcBytes(0, bytes, 2), sums.block_crc);
}

TEST(ListingDataLine, AddressFieldAndRange) {
    DataLineResult result = Evaluate("C010ABC 3E 3E\n", "C");
    EXPECT_EQ(LineOutcome::Ignored, result.outcome);  // A is C010A
    EXPECT_STREQ("C010A", result.address_text);

    result = Evaluate("FFF0 " + std::string(16 * 3, ' ') + "\n", "");
    AddressRange range;
    range.Add(result);  // no bytes: lowers the lowest, raises the highest to A - 1
    EXPECT_EQ(0xFFF0, range.lowest);
    EXPECT_EQ(0xFFEF, range.highest);

    result = Evaluate("FFF0 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01\n", "");
    EXPECT_EQ(17, result.count);
    EXPECT_FALSE(WithinAddressSpace(result));  // FFF0 + 17 - 1 = 10000
    result = Evaluate("FFF0 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01\n", "");
    EXPECT_TRUE(WithinAddressSpace(result));
}

// The result points into `line`, which the caller keeps.
CheckLineResult& SumLine(const std::string& line, const BlockSums& sums, bool ohx_crc) {
    static CheckLineResult result;
    EvaluateSumLine(line.c_str(), line.size(), sums, ohx_crc, &result);
    return result;
}

TEST(ListingCheckLine, ColumnsCountTwoByteTokensAnywhere) {
    BlockSums sums;
    sums.column_sums[0] = 0x15F;  // compared by its low byte
    sums.column_sums[1] = 0x01;
    sums.block_sum = 0x160;
    // N = 2 (5F and the 60 after the total), so "0001" is column 1, compared
    // by its value, and 0160 is the total.
    const std::string good = "SUM 5F 0001 0160 60\n";
    const std::string bad = "SUM 5F 0001 0161 60\n";
    const CheckLineResult& accepted = SumLine(good, sums, false);
    EXPECT_EQ(2, accepted.column_count);
    EXPECT_EQ(LineOutcome::Accepted, accepted.outcome);
    const CheckLineResult& total = SumLine(bad, sums, false);
    EXPECT_EQ(LineOutcome::E06, total.outcome);
    EXPECT_EQ("61", AsString(total.given));
    EXPECT_EQ(0x60u, total.computed);
}

TEST(ListingCheckLine, TotalAndCrcParts) {
    BlockSums sums;
    sums.block_sum = 0x1EE;
    sums.block_crc = 0x4458;
    EXPECT_EQ(LineOutcome::Accepted, SumLine("SUM 0001EE\n", sums, false).outcome);
    const std::string e = "SUM E\n";
    const CheckLineResult& short_total = SumLine(e, sums, false);
    EXPECT_EQ(LineOutcome::E06, short_total.outcome);
    EXPECT_EQ("E", AsString(short_total.given));
    EXPECT_EQ(0xEEu, short_total.computed);
    EXPECT_EQ(LineOutcome::Accepted, SumLine("SUM 4458FFFF\n", sums, true).outcome);
    const std::string short_crc = "SUM 445\n";
    const CheckLineResult& crc = SumLine(short_crc, sums, true);
    EXPECT_EQ(LineOutcome::E07, crc.outcome);
    EXPECT_EQ("445", AsString(crc.given));
}

TEST(ListingCheckLine, ColumnsOfTheCommonRow) {
    // Sixteen columns, most read several at a time, with the one wrong
    // column or token anywhere among them.
    BlockSums sums;
    std::string line = "SUM";
    for (int c = 0; c < kColumnCount; ++c) {
        sums.column_sums[c] = 0x100u * static_cast<unsigned>(c) + 0x11u * static_cast<unsigned>(c);
        line += " " + std::string(1, "0123456789ABCDEF"[c]) + "0123456789ABCDEF"[c];
    }
    sums.block_sum = 0x7F8;
    line += " 07F8\n";
    EXPECT_EQ(LineOutcome::Accepted, SumLine(line, sums, false).outcome);
    // A first token longer than "SUM" is no column.
    EXPECT_EQ(LineOutcome::Accepted, SumLine("SUM:00" + line.substr(3), sums, false).outcome);
    for (const int c : {0, 4, 5, 14, 15}) {
        SCOPED_TRACE(c);
        std::string wrong = line;
        wrong[static_cast<std::size_t>(3 * c + 5)] = '0' == wrong[3 * c + 5] ? '1' : '0';
        const CheckLineResult& mismatch = SumLine(wrong, sums, false);
        EXPECT_EQ(LineOutcome::E05, mismatch.outcome);
        ASSERT_EQ(1, mismatch.mismatch_count);
        EXPECT_EQ(c, mismatch.mismatches[0].column);
        EXPECT_EQ(wrong.substr(static_cast<std::size_t>(3 * c + 4), 2),
                  AsString(mismatch.mismatches[0].given));
        wrong[static_cast<std::size_t>(3 * c + 5)] = 'G';
        const CheckLineResult& bad = SumLine(wrong, sums, false);
        EXPECT_EQ(LineOutcome::E04, bad.outcome);
        EXPECT_EQ(c, bad.bad_column);
        EXPECT_EQ(0, bad.mismatch_count);
    }
}

TEST(ListingCheckLine, BadColumnDropsTheMismatchesBeforeIt) {
    BlockSums sums;
    const std::string line = "SUM 01 02 ZZ 04 0000\n";
    const CheckLineResult& result = SumLine(line, sums, false);
    EXPECT_EQ(LineOutcome::E04, result.outcome);
    EXPECT_EQ(2, result.bad_column);
    EXPECT_EQ("ZZ", AsString(result.bad_token));
    EXPECT_EQ(0, result.mismatch_count);
}

// ---- Report bounds -----------------------------------------------------------

TEST(ListingReport, ShiftJisPrefixNeverSplitsACharacter) {
    const std::string text =
        "A\x82\xA0"
        "B\x82\xA0";
    EXPECT_EQ(6u, ShiftJisPrefix(text.data(), text.size(), 6));
    EXPECT_EQ(4u, ShiftJisPrefix(text.data(), text.size(), 5));
    EXPECT_EQ(4u, ShiftJisPrefix(text.data(), text.size(), 4));
    EXPECT_EQ(3u, ShiftJisPrefix(text.data(), text.size(), 3));
    EXPECT_EQ(1u, ShiftJisPrefix(text.data(), text.size(), 2));
    EXPECT_EQ(1u, ShiftJisPrefix(text.data(), text.size(), 1));
    EXPECT_EQ(0u, ShiftJisPrefix(text.data(), text.size(), 0));
}

// A CheckLineResult listing two mismatching columns with tokens of the
// given lengths.
CheckLineResult& TwoMismatches(const std::string& first, const std::string& second) {
    static CheckLineResult check;
    check.outcome = LineOutcome::E05;
    check.mismatch_count = 2;
    check.mismatches[0].given = Token{first.data(), first.size()};
    check.mismatches[0].column = 0x0A;
    check.mismatches[0].computed = 0x5F;
    check.mismatches[1].given = Token{second.data(), second.size()};
    check.mismatches[1].column = 0x100;
    check.mismatches[1].computed = 0x00;
    return check;
}

TEST(ListingReport, ColumnsFillTheBufferExactlyOrEndWithTheOmissionMark) {
    // Heading 43 bytes, entries of 12 + 200 and 14 + 235 bytes (label 100),
    // tail 7: exactly 511 bytes.
    const std::string first(200, '1');
    const std::string fits(235, '2');
    char text[kMessageSize];
    std::memset(text, 'Z', sizeof text);
    FormatCheckLineReport(TwoMismatches(first, fits), "C004", text, sizeof text);
    const std::string full(text);
    EXPECT_EQ(511u, full.size());
    EXPECT_NE(std::string::npos, full.find("\x81\x40\x81\x40+A\x81\x40" + first + "/5F\n"));
    EXPECT_NE(std::string::npos,
              full.find("\x81\x40\x81\x40+100\x81\x40" + fits + "/00\n\r\n(E05)"));

    const std::string too_long(236, '2');
    FormatCheckLineReport(TwoMismatches(first, too_long), "C004", text, sizeof text);
    const std::string cut(text);
    EXPECT_EQ(43u + 12 + 200 + 4 + 7, cut.size());
    EXPECT_EQ("/5F\n\x81\x63\r\n\r\n(E05)", cut.substr(cut.size() - 15));
    EXPECT_EQ(std::string::npos, cut.find(too_long));
}

TEST(ListingReport, AnEntryThatLeavesNoRoomForTheOmissionMarkIsLeftOut) {
    // The first entry (12 + 449 bytes) would fit with the tail alone, but a
    // second entry follows, so the omission mark must fit as well.
    const std::string first(449, '1');
    const std::string second(2, '2');
    char text[kMessageSize];
    FormatCheckLineReport(TwoMismatches(first, second), "C004", text, sizeof text);
    EXPECT_EQ(43u + 4 + 7, std::strlen(text));
    EXPECT_EQ("\x81\x63\r\n\r\n(E05)", std::string(text + 43));
}

TEST(ListingReport, NeverWritesPastTheCapacity) {
    // With a 64-byte buffer no entry fits: the heading, the omission mark and
    // the tail; the bytes after the buffer stay untouched.
    const std::string token(300, 'A');
    char text[64 + 8];
    std::memset(text, 'Z', sizeof text);
    FormatCheckLineReport(TwoMismatches(token, token), "C004", text, 64);
    EXPECT_EQ(43u + 4 + 7, std::strlen(text));
    EXPECT_EQ("\x81\x63\r\n\r\n(E05)", std::string(text + 43));
    EXPECT_EQ('\0', text[63]);
    EXPECT_EQ('Z', text[64]);
}

}  // namespace
}  // namespace tsy
