// A listing saved in UTF-8 or UTF-16 reads as the same text saved in
// Shift-JIS: the expected bytes below are Shift-JIS written out by hand, the
// inputs come from the compiler's own UTF-8 and UTF-16 literals.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "listing/byte_source.h"
#include "listing/listing_reader.h"
#include "test_support.h"

namespace tsy {
namespace {

// "; テスト　ＤＦ" then a data line; in Shift-JIS.
const std::string kShiftJis =
    "; \x83\x65\x83\x58\x83\x67\x81\x40\x82\x63\x82\x65\r\n"
    "C000 3E 01 02 03 44\r\n";
const char kUtf8[] = u8"; テスト　ＤＦ\r\nC000 3E 01 02 03 44\r\n";
const char16_t kUtf16[] = u"; テスト　ＤＦ\r\nC000 3E 01 02 03 44\r\n";

std::string Utf16Bytes(bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t* p = kUtf16; *p != 0; ++p) {
        const char high = static_cast<char>(*p >> 8);
        const char low = static_cast<char>(*p & 0xFF);
        bytes += big_endian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// Gives its bytes `step` at a time, so that every character is cut somewhere.
class Trickle final : public ByteSource {
  public:
    Trickle(const std::string& bytes, std::size_t step) : bytes_(bytes), step_(step) {}
    bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) override {
        *got = std::min({size, step_, bytes_.size() - at_});
        std::memcpy(buffer, bytes_.data() + at_, *got);
        at_ += *got;
        return true;
    }

  private:
    std::string bytes_;
    std::size_t step_;
    std::size_t at_ = 0;
};

std::string Decoded(const std::string& bytes, std::size_t step, SourceFacts* facts) {
    Trickle raw(bytes, step);
    DecodingByteSource decoded(raw);
    std::string text;
    unsigned char buffer[7];  // smaller than a line: the caller's reads are cut too
    for (std::size_t got = 1; got != 0;) {
        EXPECT_TRUE(decoded.Read(buffer, sizeof buffer, &got));
        text.append(reinterpret_cast<char*>(buffer), got);
    }
    *facts = decoded.Facts();
    return text;
}

TEST(DecodingByteSource, EveryEncodingReadsAsShiftJis) {
    const struct {
        const char* name;
        std::string bytes;
        TextEncoding encoding;
    } cases[] = {
        {"Shift-JIS", kShiftJis, TextEncoding::ShiftJis},
        {"UTF-8", kUtf8, TextEncoding::Utf8},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + std::string(kUtf8), TextEncoding::Utf8Bom},
        {"UTF-16 LE", Utf16Bytes(false), TextEncoding::Utf16Le},
        {"UTF-16 BE", Utf16Bytes(true), TextEncoding::Utf16Be},
    };
    for (const auto& c : cases) {
        for (std::size_t step : {1u, 2u, 3u, 5u, 4096u}) {
            SourceFacts facts;
            EXPECT_EQ(kShiftJis, Decoded(c.bytes, step, &facts)) << c.name << " by " << step;
            EXPECT_EQ(c.encoding, facts.encoding) << c.name;
            EXPECT_EQ(0u, facts.unconvertible) << c.name;
            EXPECT_EQ(0u, facts.zero_bytes) << c.name;
        }
    }
}

TEST(DecodingByteSource, WhatHasNoShiftJisFormIsSubstitutedAndCounted) {
    const std::string kSubstitute = "\x81\xAC";
    const struct {
        const char* name;
        std::string bytes;
        std::string text;
        std::uint32_t unconvertible;
    } cases[] = {
        {"an emoji and a rare kanji", u8"A😀B丂C", "A" + kSubstitute + "B" + kSubstitute + "C", 2},
        {"a stray byte in UTF-8 with its mark", "\xEF\xBB\xBFX\xFFY", "X" + kSubstitute + "Y", 1},
        {"a lone surrogate", std::string("\xFF\xFE\x41\x00\x00\xD8\x42\x00", 8),
         "A" + kSubstitute + "B", 1},
        {"a last odd byte of UTF-16", std::string("\xFF\xFE\x41\x00\x42", 5), "A" + kSubstitute, 1},
        {"UTF-8 cut at the end", "\xEF\xBB\xBFZ\xE3\x81", "Z" + kSubstitute + kSubstitute, 2},
    };
    for (const auto& c : cases) {
        for (std::size_t step : {1u, 4096u}) {
            SourceFacts facts;
            EXPECT_EQ(c.text, Decoded(c.bytes, step, &facts)) << c.name;
            EXPECT_EQ(c.unconvertible, facts.unconvertible) << c.name;
        }
    }
}

TEST(DecodingByteSource, TextThatIsNoUtf8PassesAsItIs) {
    const struct {
        const char* name;
        std::string bytes;
        std::uint32_t zero_bytes;
    } cases[] = {
        {"ASCII", "C000 3E\n", 0},
        {"Shift-JIS after ASCII", "C000\n; \x83\x65\x83\x58\n", 0},
        {"half-width kana that look like UTF-8 next to ones that do not", "\xC3\xA7\xB1\n", 0},
        // 燹 and 燿: a lead byte that also starts UTF-8, read a byte at a time.
        {"kanji of the second level", "; \xE0\x9F\xE0\xA0 " + std::string(64, 'x') + "\n", 0},
        {"UTF-16 without its mark",
         std::string("C\0"
                     "0\0"
                     "0\0"
                     "0\0",
                     8),
         4},
        {"a state-save file", std::string("TSRY\x01\x00\x00\x00", 8), 3},
        {"empty", "", 0},
    };
    for (const auto& c : cases) {
        SourceFacts facts;
        EXPECT_EQ(c.bytes, Decoded(c.bytes, 1, &facts)) << c.name;
        EXPECT_EQ(c.bytes, Decoded(c.bytes, 3, &facts)) << c.name;
        EXPECT_EQ(TextEncoding::ShiftJis, facts.encoding) << c.name;
        EXPECT_EQ(c.zero_bytes, facts.zero_bytes) << c.name;
        EXPECT_EQ(c.bytes.substr(0, SourceFacts::kHeadSize),
                  std::string(reinterpret_cast<const char*>(facts.head), facts.head_size))
            << c.name;
    }
}

// The reader takes a file through the decoding: a mark never costs the
// first line, and the listing lands alike in every encoding.
TEST(DecodingByteSource, AFileInEveryEncodingAppliesAlike) {
    test::TempDir dir;
    const std::string state(4096 + 0x10000, '\0');
    for (const std::string& listing :
         {kShiftJis, std::string(kUtf8), "\xEF\xBB\xBF" + std::string(kUtf8), Utf16Bytes(false),
          Utf16Bytes(true),
          std::string("\xEF\xBB\xBF"
                      "C000 3E 01 02 03 44\n")}) {
        test::WriteFile(dir.File("s.tsy"), state);
        test::WriteFile(dir.File("l.txt"), listing);
        StateImage image;
        ASSERT_EQ(LoadStatus::Loaded, image.Load(dir.File("s.tsy").c_str()).status);
        const ListingResult result =
            ReadListing(image, dir.File("l.txt").c_str(), ListingOptions{});
        EXPECT_EQ(ListingStatus::Completed, result.status);
        EXPECT_EQ(0xC000, result.range.lowest);
        EXPECT_EQ(0xC003, result.range.highest);
        EXPECT_EQ(0, std::memcmp(image.Bytes() + 4096 + 0xC000, "\x3E\x01\x02\x03", 4));
    }
}

}  // namespace
}  // namespace tsy
