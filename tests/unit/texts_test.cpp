// The texts must reach the user as exact Shift-JIS bytes, also where a
// character's second byte is 0x5C, the backslash.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "resources/texts.h"

namespace {

// The text a text function writes.
template <typename Write>
std::string Written(Write write) {
    char buffer[512];
    tsy::TextOut out(buffer, sizeof buffer);
    write(out);
    return buffer;
}

bool Contains(const char* text, const char* bytes) {
    return std::strstr(text, bytes) != nullptr;
}

TEST(Texts, SecondByte5CSurvives) {
    // 可能性: 89 C2 94 5C 90 AB
    EXPECT_TRUE(Contains(tsy::text::kFormatWarning, "\x89\xC2\x94\x5C\x90\xAB"));
    // 表 is 95 5C; ソ is 83 5C: neither appears, but 能 does in several texts.
    EXPECT_TRUE(Contains(tsy::text::kFormatWarning, "\x94\x5C"));
}

TEST(Texts, ExactBytes) {
    struct Case {
        std::string text;
        const char* sjis;
    };
    const Case cases[] = {
        {tsy::text::kWriteComplete, "\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x8A\xAE\x97\xB9"},
        {tsy::text::kProductTitle,
         "Tessary\x83\x58\x83\x65\x81\x5B\x83\x67\x83\x5A\x81\x5B\x83\x75 "
         "\x83\x81\x83\x82\x83\x8A\x8F\x91\x82\xAB\x8A\xB7\x82\xA6\x83\x63\x81\x5B\x83\x8B"},
        {Written([](tsy::TextOut& out) { tsy::text::PlacedRange(out, 0xC000, 0xC03F); }),
         "\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\n\x83\x41\x83\x68\x83\x8C\x83\x58:"
         "$C000 - $C03F"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(c.sjis), c.text);
    }
}

TEST(Texts, ReportsUseIdeographicSpaceAndCrLf) {
    // 　直前アドレス: after CR LF, indented with 81 40.
    const std::string e00 =
        Written([](tsy::TextOut& out) { tsy::text::ReportE00(out, "C000", 1, "G1"); });
    EXPECT_TRUE(Contains(e00.c_str(), "\r\n\x81\x40\x92\xBC\x91\x4F"));
    const std::string e07 =
        Written([](tsy::TextOut& out) { tsy::text::ReportE07(out, "C000", "4459", 0x4458); });
    EXPECT_TRUE(Contains(e07.c_str(), "\x82\x62\x82\x71\x82\x62"));  // ＣＲＣ
}

}  // namespace
