// Decoding under the sums without the engine: listings in every convention
// laid out as recognised pages, with misreadings planted in the readings.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "resources/scan_texts.h"
#include "scan/decoder.h"
#include "scan/layout.h"
#include "scan/page_order.h"
#include "scan/scan_report.h"
#include "scan/settle_shapes.h"
#include "tests/scan/sample_listings.h"

namespace tsy::scan {
namespace {

using test::kAddressSum;
using test::kLowerAddress;
using test::kOhMz;
using test::kOhX;
using test::kPlain;
using test::Options;

// A page whose every character was read as printed, sure of each; in a
// line, '\'' stands for a speck of dirt read as a point and '?' for a
// glyph the engine did not read.
PageText PageOf(const std::vector<std::string>& lines) {
    PageText page;
    page.rows.push_back(PageRow());  // a title the layout leaves out
    for (char c : std::string("LIST 1  DEMO")) {
        if (c != ' ') {
            page.rows.back().cells.push_back(Cell{0, {Choice{c, 0.99f}}});
        }
    }
    for (const std::string& line : lines) {
        PageRow row;
        for (std::size_t k = 0; k < line.size(); ++k) {
            Cell cell{static_cast<int>(k), {Choice{line[k], 0.99f}}};
            cell.speck = line[k] == '\'';
            if (cell.speck) {
                cell.choices[0].character = '.';
            } else if (line[k] == '?') {
                cell.choices.clear();
            }
            if (line[k] != ' ') {
                row.cells.push_back(cell);
            }
        }
        page.rows.push_back(row);
    }
    return page;
}

// A misreading planted at line `line` (of the listing), column `column`:
// read as `read`, with the printed character among the alternatives or not;
// `read` 0 leaves the cell unread.
struct Misreading {
    int line;
    int column;
    char read;
    bool offered;
    char also = 0;  // another digit offered after those
};

void Plant(PageText* page, const std::vector<std::string>& lines, const Misreading& m) {
    PageRow& row = page->rows[static_cast<std::size_t>(m.line) + 1];
    for (Cell& cell : row.cells) {
        if (cell.column != m.column) {
            continue;
        }
        const char printed =
            lines[static_cast<std::size_t>(m.line)][static_cast<std::size_t>(m.column)];
        cell.choices.clear();
        if (m.read != 0) {
            cell.choices.push_back(Choice{m.read, 0.7f});
        }
        if (m.offered) {
            cell.choices.push_back(Choice{printed, 0.25f});
        }
        if (m.also != 0) {
            cell.choices.push_back(Choice{m.also, 0.2f});
        }
    }
}

constexpr double kDecodeSeconds = 5;

struct Case {
    const char* name;
    const char* convention;
    const std::vector<std::string>* lines;
    std::vector<Misreading> misreadings;
    bool verified;                    // every row verified, the listing as printed
    double seconds = kDecodeSeconds;  // the decoding's budget
    // Every glyph in a shape group of its character, but the misread ones,
    // and the groups settled.
    bool grouped = false;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class DecodeListing : public ::testing::TestWithParam<Case> {};

TEST_P(DecodeListing, VerifiedRowsAreAsPrinted) {
    const Case& c = GetParam();
    const std::vector<std::string>& lines = *c.lines;
    PageText page = PageOf(lines);
    for (PageRow& row : page.rows) {
        for (Cell& cell : row.cells) {
            cell.shape = c.grouped ? static_cast<unsigned char>(cell.choices[0].character) : -1;
        }
    }
    for (const Misreading& m : c.misreadings) {
        Plant(&page, lines, m);
        for (Cell& cell : page.rows[static_cast<std::size_t>(m.line) + 1].cells) {
            cell.shape = cell.column == m.column ? -1 : cell.shape;
        }
    }
    const ListingOptions options = Options(c.convention);
    std::vector<ListingRow> rows = ArrangeListing(page, options, 0);
    ASSERT_EQ(rows.size(), lines.size());
    Budget budget(c.seconds);
    if (c.grouped) {
        rows = SettleShapes(rows, options, budget);
    }
    const Decoding decoding = Decode(rows, options, budget);
    ASSERT_EQ(decoding.rows.size(), lines.size());
    for (std::size_t r = 0; r < lines.size(); ++r) {
        if (decoding.rows[r].verified) {
            EXPECT_EQ(decoding.rows[r].text, lines[r]) << "row " << r;
        }
    }
    EXPECT_EQ(decoding.AllVerified(), c.verified);
    // A misreading whose printed digit was offered, in a row left
    // unverified, is named with that digit among its candidates.
    for (const Misreading& m : c.misreadings) {
        if (!m.offered) {
            continue;
        }
        const std::size_t line = static_cast<std::size_t>(m.line);
        const char printed = lines[line][static_cast<std::size_t>(m.column)];
        const char read = m.read != 0 ? m.read : '?';
        const bool named =
            std::any_of(decoding.doubts.begin(), decoding.doubts.end(), [&](const Doubt& d) {
                return d.place.row == m.line && d.read == read &&
                       d.candidates.find(printed) != std::string::npos;
            });
        EXPECT_TRUE(decoding.rows[line].verified || named)
            << "line " << m.line << " column " << m.column;
    }
    if (c.verified) {
        // Each planted misreading is reported as a correction.
        EXPECT_EQ(decoding.corrections.size(), c.misreadings.size());
    }
}

// kPlain with the last two column sums of its SUM line lost.
const std::vector<std::string> kPlainSumShort = {kPlain[0], kPlain[1], kPlain[2], kPlain[3],
                                                 "SUM  DF AE 68 5C E3 AD       0876"};

const Case kCases[] = {
    {"PlainAsRead", "plain", &kPlain, {}, true},
    {"AddressSumAsRead", "address-sum", &kAddressSum, {}, true},
    {"OhXAsRead", "ohx", &kOhX, {}, true},
    {"OhMzAsRead", "ohmz", &kOhMz, {}, true},
    // The printed digit among the alternatives: the line checksum picks it.
    {"PlainAlternative", "plain", &kPlain, {{1, 12, '8', true}}, true},
    {"OhXAlternative", "ohx", &kOhX, {{2, 10, 'B', true}}, true},
    {"OhMzAlternative", "ohmz", &kOhMz, {{0, 5, '8', true}}, true},
    {"AddressSumChecksum", "address-sum", &kAddressSum, {{3, 32, '6', true}}, true},
    // Nothing offered: the line checksum and the column sum cross at it.
    {"PlainUnread", "plain", &kPlain, {{2, 9, 0, false}}, true},
    {"PlainSureButWrong", "plain", &kPlain, {{0, 28, 'B', false}}, true},
    {"OhXSureButWrong", "ohx", &kOhX, {{3, 19, '6', false}}, true},
    {"SumLineMisread", "plain", &kPlain, {{4, 9, '0', true}}, true},
    // A column digit of the SUM line read surely wrong: the total and the
    // other columns call for the rows' sum. A total's digit is not.
    {"SumLineColumnSureButWrong", "plain", &kPlain, {{4, 11, 'B', false}}, true},
    {"SumLineTotalSureButWrong", "plain", &kPlain, {{4, 31, '1', false}}, false},
    // A SUM line short of column sums agrees with its rows as far as it
    // goes, but is not the line printed: never verified.
    {"SumLineColumnsLost", "plain", &kPlainSumShort, {}, false},
    {"AddressFromSequence", "plain", &kPlain, {{2, 2, '8', false}}, true},
    {"SeveralRows",
     "plain",
     &kPlain,
     {{0, 6, '7', true}, {1, 27, 'F', true}, {3, 15, '0', true}},
     true},
    // Two sure misreadings in one row that keep its checksum: the column
    // sums refuse them, and nothing is verified wrong.
    {"PlainCompensating", "plain", &kPlain, {{0, 7, '2', false}, {0, 16, '5', false}}, false},
    // Every address's first digit misread alike, the printed one offered:
    // the steps hold either way and no sum reads the address.
    {"PlainAddressLeadUnsure",
     "plain",
     &kPlain,
     {{0, 0, '0', true}, {1, 0, '0', true}, {2, 0, '0', true}, {3, 0, '0', true}},
     false},
    // The leading digit misread alike in every row, the printed one offered
    // once: the other rows' sure readings do not anchor the run.
    {"PlainAddressLeadOnceUnsure",
     "plain",
     &kPlain,
     {{0, 0, '0', false}, {1, 0, '0', false}, {2, 0, '0', false}, {3, 0, '0', true}},
     false},
    // Two digits of an address read otherwise, the printed ones offered:
    // the sequence calls for them, but the address was not read.
    {"PlainAddressTwoGuessed", "plain", &kPlain, {{3, 2, '8', true}, {3, 3, 'B', true}}, false},
    // A row whose readings the budget cut short is not verified, though
    // the one reading tried meets its checksum: another might as well.
    {"PlainRowCutShort",
     "plain",
     &kPlain,
     {{1, 7, '3', false, '4'},
      {1, 10, '0', false, '1'},
      {1, 13, 'C', false, 'D'},
      {1, 16, '9', false, 'A'},
      {1, 19, '0', false, '1'},
      {1, 22, '0', false, '1'},
      {1, 25, '0', false, '1'}},
     false,
     -1},
    // A row whose address is in doubt holds a byte read 1 too high, its
    // checksum too; the column sums then call for the first row's unread
    // digit 1 too low, its unread checksum as the rest makes it. The block
    // vouches for no row while one of them is in doubt.
    {"PlainBlockWithARowInDoubt",
     "plain",
     &kPlain,
     {{0, 7, 0, false},
      {0, 32, 0, false},
      {1, 7, '4', false},
      {1, 32, '9', false},
      {1, 2, '8', true},
      {1, 3, 'B', true}},
     false},
    {"LowerAddressAsRead", "lower-address", &kLowerAddress, {}, true},
    // With the lower address only in the sums, the leading digits are
    // checked by nothing else either.
    {"LowerAddressLeadUnsure",
     "lower-address",
     &kLowerAddress,
     {{0, 0, '0', true}, {1, 0, '0', true}, {2, 0, '0', true}, {3, 0, '0', true}},
     false},
    // A row checked by its own sum alone: an unread digit with a second
    // one unsure cannot be told.
    {"OhMzTwoUnread", "ohmz", &kOhMz, {{1, 6, 0, false}, {1, 9, 0, false}}, false},
    // Two glyphs of a row checked once, blotted, so in no shape group,
    // read surely as 22 and 05 for 21 and 06: the checksum holds.
    {"OhMzTwoOddGlyphs",
     "ohmz",
     &kOhMz,
     {{0, 6, '2', false}, {0, 15, '5', false}},
     false,
     kDecodeSeconds,
     true},
};

INSTANTIATE_TEST_SUITE_P(Conventions, DecodeListing, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A row missing from the page: the address jumps, the block is not verified.
TEST(DecodeListingGaps, RowLeftOutIsReported) {
    std::vector<std::string> lines = kPlain;
    lines.erase(lines.begin() + 1);
    const ListingOptions options = Options("plain");
    const Decoding decoding = Decode(ArrangeListing(PageOf(lines), options, 0), options);
    ASSERT_EQ(decoding.gaps.size(), 1u);
    EXPECT_EQ(decoding.gaps[0], 1);
    EXPECT_EQ(decoding.verified_rows, 0);
}

// An Oh!MZ block whose total was misread, and one row misread past its
// own checksum: the other row still stands on its own checksum, and
// neither the misread row nor the total is verified.
TEST(DecodeListingDashed, RowsStandOnTheirOwnChecksums) {
    PageText page = PageOf(kOhMz);
    Plant(&page, kOhMz, Misreading{2, 34, '8', false});  // the total's 6
    Plant(&page, kOhMz, Misreading{1, 8, 'C', false});   // row 1: 4 read as C
    const ListingOptions options = Options("ohmz");
    const Decoding decoding = Decode(ArrangeListing(page, options, 0), options);
    ASSERT_EQ(decoding.rows.size(), 3u);
    EXPECT_TRUE(decoding.rows[0].verified);
    EXPECT_EQ(decoding.rows[0].text, kOhMz[0]);
    EXPECT_FALSE(decoding.rows[1].verified);
    EXPECT_FALSE(decoding.rows[2].verified);
}

// A listing without sums: nothing is verified; an address misread where
// the sequence calls for a digit offered is written as the sequence says and
// not named; a data digit with another reading offered is named with the
// printed one among its candidates.
TEST(DecodeUnsummed, NothingVerifiedTheLeastCertainNamed) {
    const std::vector<std::string> lines = {"C000 21 00 D0 06 40 3E 41 77",
                                            "C008 23 10 FC C9 00 00 00 00",
                                            "C010 48 45 4C 4C 4F 2C 20 54"};
    PageText page = PageOf(lines);
    Plant(&page, lines, Misreading{1, 3, '0', true});  // C008 read as C000
    Plant(&page, lines, Misreading{2, 8, 'A', true});  // 45 read as A5
    ListingOptions options;
    options.checksum = false;
    const Decoding decoding = Decode(ArrangeListing(page, options, 0), options);
    ASSERT_EQ(decoding.rows.size(), 3u);
    EXPECT_EQ(decoding.verified_rows, 0);
    EXPECT_FALSE(decoding.AllVerified());
    EXPECT_EQ(decoding.rows[1].text, lines[1]);
    ASSERT_EQ(decoding.doubts.size(), 1u);
    EXPECT_EQ(decoding.doubts[0].place.row, 2);
    EXPECT_EQ(decoding.doubts[0].place.field, 2);
    EXPECT_EQ(decoding.doubts[0].candidates, "A4");
    EXPECT_EQ(decoding.rows[2].text, "C010 48 A5 4C 4C 4F 2C 20 54");
}

// Titles, prose and the heading are no listing, also where the engine
// read the heading's '+' as 4, a word of prose as hex, specks of prose as
// dashes, or a few dashes in prose, and where a line holds digits where the
// rows' bytes are but ink between them too; a SUM line whose U was read as
// 0 is one still.
class ArrangeListingRows : public ::testing::TestWithParam<const char*> {};

TEST_P(ArrangeListingRows, HeadingAndProseAreLeftOut) {
    for (const char* convention : {"plain", "ohmz"}) {
        const std::vector<std::string>& listing =
            std::string(convention) == "ohmz" ? kOhMz : kPlain;
        std::vector<std::string> lines = {GetParam(), "Type in the listing below.",
                                          ". - - -  - . - - -   - - - - - - - -",
                                          "Notes ---- page 12"};
        lines.insert(lines.end(), listing.begin(), listing.end());
        // A run of glyphs with no gaps, digits where the rows' bytes are.
        lines.push_back("C0200123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789");
        if (std::string(convention) == "plain") {
            lines.back().replace(1, 1, "0");  // S0M
        }
        const std::vector<ListingRow> rows = ArrangeListing(PageOf(lines), Options(convention), 0);
        ASSERT_EQ(rows.size(), listing.size()) << convention;
        EXPECT_EQ(rows[0].fields.size(), std::string(convention) == "ohmz" ? 18u : 10u);
        EXPECT_NE(rows.back().kind, RowKind::Data);
    }
    EXPECT_TRUE(
        ArrangeListing(PageOf({"Type in the listing below."}), Options("plain"), 0).empty());
    const std::string hexlike = "FACE. 1CE AEEC1EE .EE.RE.E";
    EXPECT_TRUE(ArrangeListing(PageOf({hexlike, hexlike, hexlike}), Options("plain"), 0).empty());
}

INSTANTIATE_TEST_SUITE_P(Headings, ArrangeListingRows,
                         ::testing::Values("ADRS  +0 +1 +2 +3 +4 +5 +6 +7  SUM",
                                           "ADRS  40 41 42 43 44 45 46 47  SUM",
                                           "ADRS +0 +1 +2 +3 +4 +5 +6 +7 +8 +9 +A +B +C +D +E +F",
                                           // a kana title read as a SUM word
                                           "S'U FU R ?"));

// Marks of the layout that the engine misread or lost, and specks of dirt
// on the paper around and between the glyphs: the listing is still laid
// out and decoded as printed.
struct MarkCase {
    const char* name;
    const char* convention;
    const std::vector<std::string>* lines;
    std::string from;  // in every line where it occurs
    std::string to;
};

void PrintTo(const MarkCase& c, std::ostream* out) {
    *out << c.name;
}

class ArrangeMisreadMarks : public ::testing::TestWithParam<MarkCase> {};

TEST_P(ArrangeMisreadMarks, ListingDecodesAsPrinted) {
    const MarkCase& c = GetParam();
    std::vector<std::string> read = *c.lines;
    for (std::string& line : read) {
        const std::size_t at = line.find(c.from);
        if (at != std::string::npos) {
            line.replace(at, c.from.size(), c.to);
        }
    }
    const ListingOptions options = Options(c.convention);
    const Decoding decoding = Decode(ArrangeListing(PageOf(read), options, 0), options);
    ASSERT_EQ(decoding.rows.size(), c.lines->size());
    for (std::size_t r = 0; r < c.lines->size(); ++r) {
        EXPECT_TRUE(decoding.rows[r].verified) << "row " << r;
        EXPECT_EQ(decoding.rows[r].text, (*c.lines)[r]);
    }
}

const MarkCase kMarkCases[] = {
    {"SumWordUAsZeroMAsU", "plain", &kPlain, "SUM", "S0U"},
    {"SumWordMAsU", "ohx", &kOhX, "SUM", "SUU"},
    {"OhMzPointsLost", "ohmz", &kOhMz, ".", " "},
    {"SpeckAfterTheDashedTotal", "ohmz", &kOhMz, "0876", "0876            ."},
    {"SpeckBeforeTheSumWord", "plain", &kPlain, "SUM", "'SUM"},
    {"SpecksBetweenTheBytes", "plain", &kPlain, "48 45 4C 4C 4F 2C 20 54  14",
     "48'45'4C'4C'4F'2C'20'54' 14"},
    {"SumColonUnread", "plain", &kPlain, "SUM  ", "SUM? "},
    {"SumWordULost", "plain", &kPlain, "SUM", "S M"},
    {"SumWordSAsEight", "plain", &kPlain, "SUM", "8UM"},
    {"SumColonAsDigit", "plain", &kPlain, "SUM  ", "SUM3 "},
    {"MarksBeforeTheSumWord", "plain", &kPlain, "SUM", ".  :SUM"},
    {"LoneMarksBeforeTheSumWord", "plain", &kPlain, "SUM", ".  :  SUM"},
    {"SpeckAfterTheSumTotal", "plain", &kPlain, "0876", "0876   '"},
    {"SpecksBetweenTheSumColumns", "plain", &kPlain, "A9 EC 0876", "A9'EC'0876"},
};

INSTANTIATE_TEST_SUITE_P(Marks, ArrangeMisreadMarks, ::testing::ValuesIn(kMarkCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A listing of two blocks split over pages handed over out of order: the
// pages are put in address order, a block cut between two pages is one
// block under its sums again, and the report says which lines came from
// which image.
struct SetCase {
    const char* name;
    const char* convention;
    std::vector<std::size_t> cuts;  // the lines each page after the first begins at
    std::vector<int> given;         // the pages in the order handed over
};

void PrintTo(const SetCase& c, std::ostream* out) {
    *out << c.name;
}

// The listing `lines` again at 0x20 higher addresses (its sums hold no
// address).
std::vector<std::string> TwoBlocks(const std::vector<std::string>& lines) {
    std::vector<std::string> both = lines;
    for (std::string line : lines) {
        if (line[0] == 'C') {
            line[2] = static_cast<char>(line[2] + 2);
        }
        both.push_back(line);
    }
    return both;
}

class DecodePageSet : public ::testing::TestWithParam<SetCase> {};

TEST_P(DecodePageSet, PagesInAddressOrder) {
    const SetCase& c = GetParam();
    const std::vector<std::string> lines =
        TwoBlocks(std::string(c.convention) == "ohx" ? kOhX : kPlain);
    std::vector<std::size_t> cuts = c.cuts;
    cuts.insert(cuts.begin(), 0);
    cuts.push_back(lines.size());
    const ListingOptions options = Options(c.convention);
    ScanRun run;
    for (std::size_t i = 0; i < c.given.size(); ++i) {
        const std::size_t page = static_cast<std::size_t>(c.given[i]);
        const std::vector<std::string> part(lines.begin() + static_cast<long>(cuts[page]),
                                            lines.begin() + static_cast<long>(cuts[page + 1]));
        const std::vector<ListingRow> rows =
            ArrangeListing(PageOf(part), options, static_cast<int>(i));
        run.rows.insert(run.rows.end(), rows.begin(), rows.end());
    }
    run.rows = WithPagesInOrder(run.rows, PageOrder(run.rows, options));
    run.decoding = Decode(run.rows, options);
    ASSERT_EQ(run.decoding.rows.size(), lines.size());
    for (std::size_t r = 0; r < lines.size(); ++r) {
        EXPECT_EQ(run.decoding.rows[r].text, lines[r]) << "row " << r;
    }
    EXPECT_TRUE(run.decoding.AllVerified());
    EXPECT_TRUE(run.decoding.gaps.empty());
    const std::vector<std::string> report = ScanReportLines(run, options);
    for (std::size_t page = 0; page + 1 < cuts.size(); ++page) {
        const auto given = std::find(c.given.begin(), c.given.end(), static_cast<int>(page));
        const std::string line = Written([&](TextOut& out) {
            text::ScanLinesOfImage(out, static_cast<unsigned>(cuts[page] + 1),
                                   static_cast<unsigned>(cuts[page + 1]),
                                   static_cast<unsigned>(given - c.given.begin() + 1));
        });
        EXPECT_EQ(report[page], line) << "page " << page;
    }
}

const SetCase kSetCases[] = {
    {"CutAfterSumLine", "plain", {5}, {1, 0}},      {"CutInBlocks", "plain", {2, 7}, {2, 0, 1}},
    {"CutInBlockCrc", "ohx", {3}, {1, 0}},          {"InOrderAlready", "ohx", {4, 6}, {0, 1, 2}},
    {"LastPageOneRow", "plain", {3, 8}, {1, 2, 0}},
};

INSTANTIATE_TEST_SUITE_P(Sets, DecodePageSet, ::testing::ValuesIn(kSetCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A check line the layout cannot read (its word misread) is counted, not
// dropped: before the next row, or after the last; the listing is then not
// taken as all verified.
TEST(ArrangeListingLost, CheckLineLeftOutIsCounted) {
    const ListingOptions options = Options("plain");
    std::vector<std::string> lines = TwoBlocks(kPlain);
    lines[4].replace(0, 3, "XYZ");
    lines[9].replace(0, 3, "XYZ");
    const std::vector<ListingRow> rows = ArrangeListing(PageOf(lines), options, 0);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[4].checks_skipped_before, 1);
    EXPECT_EQ(rows[7].skipped_after, 1);
    const Decoding decoding = Decode(rows, options);
    EXPECT_EQ(decoding.skipped_rows, 2);
    EXPECT_FALSE(decoding.AllVerified());
}

// A row of stray ink among the listing's (the halves of a row split by a
// tilted line, a bar of colour) is a lost listing row only where the rows
// around it leave room for one: not squeezed between two rows a pitch apart,
// nor where the rows' places are not known.
TEST(ArrangeListingLost, StrayRowCountedOnlyWhereARowFits) {
    struct {
        const char* name;
        double stray_at;  // in pitches below the row above it
        double shift;     // pitches the rows below it move down
        int lost;
    } const cases[] = {
        {"squeezed", 0.5, 0, 0},
        {"room for a row", 1, 1, 1},
        {"places unknown", -1, 0, 1},
    };
    const ListingOptions options = Options("plain");
    const double pitch = 40;
    for (const auto& c : cases) {
        std::vector<std::string> lines = TwoBlocks(kPlain);
        lines.insert(lines.begin() + 2, "2 - 2  2 2 + 2 2 2 2");
        PageText page = PageOf(lines);
        for (std::size_t r = 1; c.stray_at >= 0 && r < page.rows.size(); ++r) {
            const double at = r < 3 ? r - 1 : (r == 3 ? 1 + c.stray_at : r - 2 + c.shift);
            page.rows[r].top = at * pitch;
            page.rows[r].bottom = at * pitch + pitch / 2;
        }
        const std::vector<ListingRow> rows = ArrangeListing(page, options, 0);
        ASSERT_EQ(rows.size(), lines.size() - 1) << c.name;
        EXPECT_EQ(rows[2].skipped_before, c.lost) << c.name;
        EXPECT_EQ(Decode(rows, options).skipped_rows, c.lost) << c.name;
    }
}

// A SUM line short of two column sums: the report says so at its line,
// under the address of the block's last row.
TEST(DecodeListingLost, SumLineShortOfColumnsIsReported) {
    const ListingOptions options = Options("plain");
    ScanRun run;
    run.rows = ArrangeListing(PageOf(kPlainSumShort), options, 0);
    run.decoding = Decode(run.rows, options);
    ASSERT_EQ(run.decoding.rows.size(), kPlainSumShort.size());
    const std::string expected = Written([&](TextOut& out) {
        text::ScanSumColumnsMissing(out, 5, kPlain[3].substr(0, 4).c_str(), 2);
    });
    const std::vector<std::string> report = ScanReportLines(run, options);
    EXPECT_NE(std::find(report.begin(), report.end(), expected), report.end());
}

// Blots in the margin of a printout: one before a SUM line's word (a mark,
// or a tractor hole read as a digit or a letter, also one column short of
// the word), others after its total. Both SUM lines are still read, and
// every row verified.
TEST(ArrangeListingLost, BlotsBesideSumLines) {
    const ListingOptions options = Options("plain");
    const std::vector<std::string> lines = TwoBlocks(kPlain);
    for (const char* blot : {"-   ", "8   ", "B   ", "  S "}) {
        std::vector<std::string> read;
        for (const std::string& line : lines) {
            const bool sum = line.rfind("SUM", 0) == 0;
            read.push_back((sum && read.size() < 5 ? blot : "    ") + line +
                           (sum && read.size() < 5 ? "    -      -" : ""));
        }
        const Decoding decoding = Decode(ArrangeListing(PageOf(read), options, 0), options);
        ASSERT_EQ(decoding.rows.size(), lines.size()) << blot;
        for (std::size_t r = 0; r < lines.size(); ++r) {
            EXPECT_EQ(decoding.rows[r].text, lines[r]) << blot << "row " << r;
        }
        EXPECT_TRUE(decoding.AllVerified()) << blot;
    }
}

// A row whose address cannot be read (unread cells, a letter that is no
// digit) is kept, written with the address the rows around it call for,
// and marked so; also where it is the row the sequence would start from.
TEST(DecodeListingGaps, UnreadAddressTakenFromNeighbours) {
    const ListingOptions options = Options("plain");
    for (const char* address : {"?S?8", "????", "??08"}) {
        PageText page = PageOf(kPlain);
        for (std::size_t k = 0; k < 4; ++k) {
            Cell& cell = page.rows[2].cells[k];
            cell.choices.clear();
            if (address[k] != '?') {
                cell.choices.push_back(Choice{address[k], 0.9f});
            }
        }
        const Decoding decoding = Decode(ArrangeListing(page, options, 0), options);
        ASSERT_EQ(decoding.rows.size(), kPlain.size()) << address;
        EXPECT_EQ(decoding.rows[1].text, kPlain[1]) << address;
        EXPECT_TRUE(decoding.rows[1].address_from_neighbours) << address;
        EXPECT_FALSE(decoding.rows[1].verified) << address;
    }
}

}  // namespace
}  // namespace tsy::scan
