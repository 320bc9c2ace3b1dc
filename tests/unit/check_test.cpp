// Proofreading whole listings: listings generated in every convention (and
// checked against the bundled examples), typos planted into them, and the
// findings and diagnoses compared as short descriptions.
#include "proof/listing_check.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "proof/apply_watch.h"
#include "proof/finding_text.h"
#include "proof/fix_encoding.h"
#include "tests/unit/check_support.h"
#include "tests/unit/test_support.h"

namespace tsy::proof {
namespace {

// ---- Planted typos, convention by convention -------------------------------------

// The two-block listing of kProgram, 8 bytes a line, 4 lines a block: data at
// lines 3-6 (C000, C008, C010, C018) and 9-12 (C020, C028, C030, C038), check
// lines 7 and 13.
struct TypoCase {
    const char* name;
    Convention convention;
    std::vector<Edit> edits;
    std::vector<std::string> expected;
};

void PrintTo(const TypoCase& typo, std::ostream* out) {
    *out << typo.name;
}

class PlantedTypos : public ::testing::TestWithParam<TypoCase> {};

TEST_P(PlantedTypos, AreFoundAndDiagnosed) {
    const TypoCase& typo = GetParam();
    Listing listing = MakeListing(typo.convention, kProgram, 8, 4);
    Apply(typo.convention, 8, typo.edits, &listing);
    EXPECT_EQ(typo.expected, Describe(Check(listing.Text(), OptionsFor(typo.convention))))
        << listing.Text();
}

using C = Convention;
using P = Piece;

const TypoCase kTypoCases[] = {
    // One wrong byte: the line sum and one column sum cross at it.
    {"WrongBytePlain",
     C::Plain,
     {{5, P::Byte, 4, "4E"}},
     {"L5 E03: WrongByte C +4 4E>4F", "L7 E05: ExplainedBy C @5 +4 4E>4F"}},
    {"WrongByteAddressSum",
     C::AddressSum,
     {{5, P::Byte, 4, "4E"}},
     {"L5 E03: WrongByte C +4 4E>4F", "L7 E05: ExplainedBy C @5 +4 4E>4F"}},
    {"WrongByteLowerAddress",
     C::LowerAddress,
     {{11, P::Byte, 7, "01"}},
     {"L11 E03: WrongByte C +7 01>10", "L13 E05: ExplainedBy C @11 +7 01>10"}},
    {"WrongByteOhX",
     C::OhX,
     {{5, P::Byte, 4, "4E"}},
     {"L5 E03: WrongByte C +4 4E>4F", "L7 E05: ExplainedBy C @5 +4 4E>4F"}},
    // Oh!MZ has no column sums: the 12-bit line sum gives the change with its
    // sign, the 16-bit total confirms it, and only a byte that can take the
    // change is a candidate.
    {"WrongByteOhMzOneCandidate",
     C::OhMz,
     {{5, P::Byte, 6, "E0"}},
     {"L5 E02: WrongByte L +6 E0>20", "L7 E08: ExplainedBy L @5 +6 E0>20"}},
    {"WrongByteOhMzFewCandidates",
     C::OhMz,
     {{11, P::Byte, 0, "19"}},
     {"L11 E02: OneOfBytes L +0 19>99; OneOfBytes L +7 10>90", "L13 E08"}},
    {"WrongByteOhMzManyCandidates",
     C::OhMz,
     {{5, P::Byte, 4, "4E"}},
     {"L5 E02: LineOffBy L 1", "L7 E08"}},
    // The CRC alone picks the byte when the SUM line has no columns.
    {"WrongByteOhXCrcOnly",
     C::OhXCrcOnly,
     {{10, P::Byte, 3, "54"}},
     {"L10 E03: WrongByte C +3 54>44", "L13 E07: ExplainedBy C @10 +3 54>44"}},

    // A wrong line checksum while every block sum is right.
    {"WrongChecksumPlain",
     C::Plain,
     {{4, P::Checksum, 0, "F9"}},
     {"L4 E03: ChecksumToken C F9>F8"}},
    {"WrongChecksumAddressSum",
     C::AddressSum,
     {{4, P::Checksum, 0, "C1"}},
     {"L4 E03: ChecksumToken C C1>C0"}},
    {"WrongChecksumOhMz",
     C::OhMz,
     {{4, P::Checksum, 0, "(1.F9)"}},
     {"L4 E02: ChecksumToken C 1F9>1F8"}},
    {"WrongChecksumOhX", C::OhX, {{12, P::Checksum, 0, "C1"}}, {"L12 E03: ChecksumToken C C1>C0"}},
    // With AddressSum a mistyped address shows in the line sum; the run of
    // addresses says which one it should be.
    {"WrongAddressAddressSum",
     C::AddressSum,
     {{5, P::Address, 0, "C011"}},
     {"L5 E03: AddressField C C011>C010"}},
    {"WrongAddressLowerAddress",
     C::LowerAddress,
     {{10, P::Address, 0, "C038"}},
     {"L10 E03: AddressField C C038>C028"}},
    // A checksum token whose misreading makes it right: certain, the columns
    // confirming the row.
    {"MisreadChecksum",
     C::Plain,
     {{12, P::Checksum, 0, "CO"}},
     {"L12 E03: Misreading C sum CO>C0"}},

    // The SUM line's own tokens.
    {"WrongColumnToken", C::Plain, {{7, P::Column, 2, "69"}}, {"L7 E05: ColumnToken C +2 69>68"}},
    {"WrongColumnTokenOhX",
     C::OhX,
     {{13, P::Column, 7, "F7"}},
     {"L13 E05: ColumnToken C +7 F7>F1"}},
    // All four digits of a SUM line's total are the block's sum in 16 bits.
    {"WrongTotal", C::Plain, {{7, P::Total, 0, "0877"}}, {"L7 E06: TotalToken C 0877>0876"}},
    // A 16-bit total alone cannot tell a typo from a line left out before
    // the listing's first line; typed below the block's sum, it can: no row
    // adds less than nothing.
    {"WrongDashedTotal", C::OhMz, {{7, P::Total, 0, "0886"}}, {"L7 E08: TotalToken L 0886>0876"}},
    {"DashedTotalBelowTheSum",
     C::OhMz,
     {{7, P::Total, 0, "0867"}},
     {"L7 E08: TotalToken C 0867>0876"}},
    {"WrongCrc", C::OhX, {{7, P::Total, 0, "7DE1"}}, {"L7 E07: CrcToken C 7DE1>7DE7"}},
    {"MisreadColumnToken",
     C::Plain,
     {{13, P::Column, 6, "BG"}},
     {"L13 E04: SumMisreading C +6 BG>B6"}},

    // Errors no line sum sees: a swap is named where exactly one line fits
    // it; otherwise only the columns.
    {"SwappedBytes",
     C::Plain,
     {{9, P::Byte, 5, "C0"}, {9, P::Byte, 6, "00"}},
     {"L13 E05: SwappedBytes C @9 +5+6 C000>00C0"}},
    {"SwappedBytesOhX",
     C::OhX,
     {{9, P::Byte, 5, "C0"}, {9, P::Byte, 6, "00"}},
     {"L13 E05: SwappedBytes C @9 +5+6 C000>00C0"}},
    {"SwappedBytesOhMzUnseen", C::OhMz, {{9, P::Byte, 5, "C0"}, {9, P::Byte, 6, "00"}}, {}},
    {"CompensatingTypos",
     C::Plain,
     {{10, P::Byte, 0, "12"}, {10, P::Byte, 1, "21"}},
     {"L13 E05: UnseenColumns L +0 +1"}},

    // Typos in different blocks are judged block by block.
    {"TwoBlocks",
     C::Plain,
     {{5, P::Byte, 4, "4E"}, {11, P::Byte, 2, "B8"}},
     {"L5 E03: WrongByte C +4 4E>4F", "L7 E05: ExplainedBy C @5 +4 4E>4F",
      "L11 E03: WrongByte C +2 B8>BB", "L13 E05: ExplainedBy C @11 +2 B8>BB"}},
    // Two bad lines in one block: named only where each matches one column.
    {"TwoLinesOneBlockDistinct",
     C::Plain,
     {{3, P::Byte, 1, "05"}, {6, P::Byte, 6, "49"}},
     {"L3 E03: WrongByte C +1 05>00", "L6 E03: WrongByte C +6 49>48",
      "L7 E05: ExplainedBy C @3 +1 05>00; ExplainedBy C @6 +6 49>48"}},
    {"TwoLinesOneBlockAmbiguous",
     C::Plain,
     {{3, P::Byte, 1, "01"}, {6, P::Byte, 6, "49"}},
     {"L3 E03: OneOfBytes L +1 01>00; OneOfBytes L +6 41>40",
      "L6 E03: OneOfBytes L +6 49>48; OneOfBytes L +1 59>58", "L7 E05"}},

    // Misreadings of an unreadable token, confirmed by the column sum where
    // there is one.
    {"OForZero", C::Plain, {{9, P::Byte, 1, "O1"}}, {"L9 E00: Misreading C +1 O1>01"}},
    {"OForZeroAddressSum",
     C::AddressSum,
     {{9, P::Byte, 1, "O1"}},
     {"L9 E00: Misreading C +1 O1>01"}},
    {"OForZeroOhX", C::OhX, {{9, P::Byte, 1, "O1"}}, {"L9 E00: Misreading C +1 O1>01"}},
    {"OForZeroOhMz", C::OhMz, {{9, P::Byte, 1, "O1"}}, {"L9 E00: Misreading L +1 O1>01"}},
    // Full-width characters read half-width; certain where the line sum agrees.
    {"FullWidthDigits",
     C::Plain,
     {{9, P::Byte, 1, "\x82\x4F\x82\x50"}},
     {"L9 E00: FullWidth C +1 \x82\x4F\x82\x50>01"}},
    {"FullWidthLetters",
     C::Plain,
     {{11, P::Byte, 4, "\x82\x63\x82\x84"}},
     {"L11 E00: FullWidth C +4 \x82\x63\x82\x84>Dd"}},
    {"LowerCaseLAndCapitalI",
     C::Plain,
     {{10, P::Byte, 0, "lI"}},
     {"L10 E00: Misreading C +0 lI>11"}},
    {"SForFive", C::Plain, {{10, P::Byte, 4, "S5"}}, {"L10 E00: Misreading C +4 S5>55"}},
    // G may be 6 or C; only one of them makes the line sum right.
    {"GReadTwoWays", C::Plain, {{11, P::Byte, 3, "GC"}}, {"L11 E00: Misreading C +3 GC>CC"}},
    // An unreadable token is a typo known to be there: the sums that see it
    // give its value and cross on the other typo.
    {"UnreadableAndItsChecksum",
     C::Plain,
     {{4, P::Byte, 2, "FV"}, {4, P::Checksum, 0, "F9"}},
     {"L4 E00: WrongByte C +2 F0>FC; ChecksumToken C F9>F8", "L7 E05: ExplainedBy C @4 +2 F0>FC"}},
    {"UnreadableColumnAndAByte",
     C::Plain,
     {{7, P::Column, 1, "AW"}, {5, P::Byte, 4, "4E"}},
     {"L5 E03: WrongByte C +4 4E>4F", "L7 E04: ExplainedBy C @5 +4 4E>4F; ColumnToken C +1 AW>AE"}},
    {"LookAlikeColumnAndAByte",
     C::Plain,
     {{7, P::Column, 3, "SC"}, {5, P::Byte, 4, "4E"}},
     {"L5 E03: WrongByte C +4 4E>4F",
      "L7 E04: SumMisreading C +3 SC>5C; ExplainedBy C @5 +4 4E>4F"}},
    {"UnreadableAndDashedTotal",
     C::OhMz,
     {{4, P::Byte, 2, "FV"}, {7, P::Total, 0, "0867"}},
     {"L4 E00: WrongByte C +2 F0>FC", "L7 E08: ExplainedBy C @4 +2 F0>FC; TotalToken C 0867>0876"}},
    // Another typo in its line shifts the line sum and a dashed total alike:
    // nothing settles the unreadable byte then.
    {"UnreadableAndAByteOfItsLine",
     C::OhMz,
     {{4, P::Byte, 2, "-C"}, {4, P::Byte, 4, "01"}},
     {"L4 E00: LineOffBy L 239", "L7 E08"}},
    // An unreadable byte is an unknown byte that the line and column cross on.
    {"Unreadable",
     C::Plain,
     {{11, P::Byte, 3, "XC"}},
     {"L11 E00: WrongByte C +3 0C>CC", "L13 E05: ExplainedBy C @11 +3 0C>CC"}},

    // Two typos in one line: the column errors add up to the line's error.
    {"TwoBytesOneLine",
     C::Plain,
     {{5, P::Byte, 1, "47"}, {5, P::Byte, 5, "3C"}},
     {"L5 E03: WrongByte C +1 47>45; WrongByte C +5 3C>2C",
      "L7 E05: ExplainedBy C @5 +1 47>45; ExplainedBy C @5 +5 3C>2C"}},
    // Equal changes in two lines fit two ways; the CRC tells which.
    {"EqualChangesCrcDecides",
     C::OhX,
     {{3, P::Byte, 1, "01"}, {6, P::Byte, 6, "49"}},
     {"L3 E03: WrongByte C +1 01>00", "L6 E03: WrongByte C +6 49>48",
      "L7 E05: ExplainedBy C @3 +1 01>00; ExplainedBy C @6 +6 49>48"}},
    // A dashed block's change of +0B fits every byte; a one-digit typo
    // only three.
    {"OhMzNarrowedToOneDigitTypos",
     C::OhMz,
     {{5, P::Byte, 4, "44"}},
     {"L5 E02: OneOfBytes L +4 44>4F; OneOfBytes L +6 20>2B; OneOfBytes L +7 54>5F", "L7 E08"}},
    {"TwoDigitTotal", C::Plain, {{7, P::Total, 0, "76"}}, {"L7 E05: TwoDigitTotal L 76 fits"}},

    // Lines the reader skips, named with the address the neighbours and
    // the line's own sum agree on; the block's sums miss exactly them.
    {"SkippedLookAlike",
     C::Plain,
     {{6, P::Address, 0, "CO18"}},
     {"L6 Skipped: AddressReading C CO18>C018 sum", "L7 E05: SkippedCounts C @6"}},
    {"SkippedShortAddressAddressSum",
     C::AddressSum,
     {{10, P::Address, 0, "C28"}},
     {"L10 Skipped: AddressReading C C28>C028 sum", "L13 E05: SkippedCounts C @10"}},
    {"SkippedLongAddressOhX",
     C::OhX,
     {{4, P::Address, 0, "C0080"}},
     {"L4 Skipped: AddressReading C C0080>C008 sum", "L7 E05: SkippedCounts C @4"}},
    // One character no hex digit where the line before continues: the
    // address continuing is its reading.
    {"SkippedNeighbourKeyAddress",
     C::Plain,
     {{6, P::Address, 0, "CP18"}},
     {"L6 Skipped: AddressReading C CP18>C018 sum", "L7 E05: SkippedCounts C @6"}},
    {"SkippedNeighbourKeyLastLine",
     C::OhX,
     {{12, P::Address, 0, "C0-8"}},
     {"L12 Skipped: AddressReading C C0-8>C038 sum", "L13 E05: SkippedCounts C @12"}},
    {"SkippedWithALookAlikeInItsData",
     C::Plain,
     {{6, P::Address, 0, "CO18"}, {6, P::Byte, 3, "4l"}},
     {"L6 Skipped: AddressReading C CO18>C018 sum", "L7 E05: SkippedCounts C @6"}},
    {"SkippedWithATypoOfItsOwn",
     C::Plain,
     {{6, P::Address, 0, "CO18"}, {6, P::Byte, 2, "51"}},
     {"L6 Skipped: AddressReading L CO18>C018 nosum; WrongByte C +2 51>50",
      "L7 E05: SkippedCounts L @6; ExplainedBy C @6 +2 51>50"}},

    // Address steps: a row left out is rebuilt from the column shortfalls,
    // inside a block or at its end; a repeated row is named by the column
    // excesses; a mistyped address by the lines around it.
    {"MissingLineRebuilt",
     C::Plain,
     {{5, P::Line, 0, ""}},
     {"L6 Gap: MissingLine C C010: 48 45 4C 4C 4F 2C 20 54", "L7 E05: MissingCounts C @6 C010"}},
    {"MissingLineAtBlockEnd",
     C::OhX,
     {{6, P::Line, 0, ""}},
     {"L7 E05: MissingLine C C018: 53 59 50 41 54 43 48 21", "L9 Gap"}},
    {"RepeatedLine",
     C::Plain,
     {{8, P::Line, 0, "C020  3E 01 02 03 21 00 C0 C9  EE"}},
     {"L9 Repeat: Duplicate C @8", "L13 E05: RepeatCounts C @9"}},
    {"AddressTypoOnTheLastLineOfABlock",
     C::Plain,
     {{6, P::Address, 0, "C818"}},
     {"L6 OffAddress: AddressField C C818>C018"}},
    {"AShortRow", C::NoChecksum, {{5, P::Byte, 3, ""}}, {"L6 RowLength: RowLength L @5 7>8"}},
    {"ANewBlockElsewhereIsANote",
     C::Plain,
     {{9, P::Address, 0, "D000"},
      {10, P::Address, 0, "D008"},
      {11, P::Address, 0, "D010"},
      {12, P::Address, 0, "D018"}},
     {"L9 Jump"}},

    // A line typed into another block: the block that lacks it rebuilds it,
    // the block that holds it puts it back where it belongs.
    {"LineTypedIntoAnotherBlock",
     C::Plain,
     {{6, P::Line, 0, ""},
      {10, P::Line, 0, "C028  11 22 33 44 55 66 77 88  64\nC018  53 59 50 41 54 43 48 21  3D"}},
     {"L7 E05: MissingLine C C018: 53 59 50 41 54 43 48 21", "L9 Gap",
      "L11 Stray: MovedLine C @11 C018 <0", "L14 E05: StrayCounts C @11"}},
    {"TwoLinesSwapped",
     C::Plain,
     {{4, P::Line, 0, "C010  48 45 4C 4C 4F 2C 20 54  14"},
      {5, P::Line, 0, "C008  23 10 FC C9 00 00 00 00  F8"}},
     {"L4 Swapped: SwappedLines C @5"}},
    // A byte typed twice, or left out: named by place, the row rebuilt.
    {"ByteTypedTwice",
     C::Plain,
     {{5, P::Line, 0, "C010  48 45 4C 4C 4C 4F 2C 20 54  14"}},
     {"L5 E03: DoubledByte C +2 4C: 48 45 4C 4C 4F 2C 20 54", "L6 RowLength: RowLength L @5 9>8",
      "L7 E05"}},
    {"ByteLeftOut",
     C::Plain,
     {{5, P::Line, 0, "C010  48 45 4C 4F 2C 20 54  14"}},
     {"L5 E03: DroppedByte C +2 4C: 48 45 4C 4C 4F 2C 20 54", "L6 RowLength: RowLength L @5 7>8",
      "L7 E05"}},
    // First, second and last lines left out.
    {"FirstLineLeftOut",
     C::Plain,
     {{3, P::Line, 0, ""}},
     {"L7 E05: MissingLine C C000: 21 00 D0 06 40 3E 41 77"}},
    {"SecondLineLeftOut",
     C::Plain,
     {{4, P::Line, 0, ""}},
     {"L5 Gap: MissingLine C C008: 23 10 FC C9 00 00 00 00", "L7 E05: MissingCounts C @5 C008"}},
    {"LastLineLeftOut",
     C::Plain,
     {{12, P::Line, 0, ""}},
     {"L13 E05: MissingLine C C038: 20 30 40 50 60 70 80 90"}},
    // A byte with another typo: the sums cross where a person crosses them.
    {"ByteAndItsChecksum",
     C::Plain,
     {{5, P::Byte, 4, "4E"}, {5, P::Checksum, 0, "15"}},
     {"L5 E03: WrongByte C +4 4E>4F; ChecksumToken C 15>14", "L7 E05: ExplainedBy C @5 +4 4E>4F"}},
    {"ByteAndItsColumn",
     C::Plain,
     {{5, P::Byte, 4, "4E"}, {7, P::Column, 4, "E8"}},
     {"L5 E03: WrongByte C +4 4E>4F", "L7 E05: ExplainedBy C @5 +4 4E>4F; ColumnToken C +4 E8>E3"}},
    {"ByteAndAnotherColumn",
     C::Plain,
     {{5, P::Byte, 4, "4E"}, {7, P::Column, 1, "BE"}},
     {"L5 E03: WrongByte C +4 4E>4F", "L7 E05: ExplainedBy C @5 +4 4E>4F; ColumnToken C +1 BE>AE"}},
    {"ByteAndTotal",
     C::Plain,
     {{5, P::Byte, 4, "4E"}, {7, P::Total, 0, "0886"}},
     {"L5 E03: WrongByte C +4 4E>4F", "L7 E05: ExplainedBy C @5 +4 4E>4F; TotalToken C 0886>0876"}},
    {"ByteAndCrc",
     C::OhX,
     {{5, P::Byte, 4, "4E"}, {7, P::Total, 0, "7DE8"}},
     {"L5 E03: WrongByte C +4 4E>4F", "L7 E05: ExplainedBy C @5 +4 4E>4F; CrcToken C 7DE8>7DE7"}},
    // The digits of a total that an apply does not compare.
    {"TotalHighDigits",
     C::Plain,
     {{7, P::Total, 0, "0976"}},
     {"L7 TotalDigits: TotalToken C 0976>0876"}},
    // A high digit that is no digit, or whose look-alike reading is not the
    // sum: the block's sum is what it should read.
    {"TotalHighDigitNoDigit",
     C::Plain,
     {{7, P::Total, 0, "0W76"}},
     {"L7 TotalDigits: TotalToken C 0W76>0876"}},
    {"TotalHighDigitOtherLookAlike",
     C::Plain,
     {{7, P::Total, 0, "S876"}},
     {"L7 TotalDigits: TotalToken C S876>0876"}},
    // The last line's address: its line sum crosses it with AddressSum;
    // otherwise the block's sums, which see the row, and a step no whole
    // rows left out make up. A step of whole rows may be a row of zeros
    // left out.
    {"LastLineAddressAddressSum",
     C::AddressSum,
     {{12, P::Address, 0, "C838"}},
     {"L12 E03: AddressField C C838>C038", "L12 Gap"}},
    {"LastLineAddress",
     C::Plain,
     {{12, P::Address, 0, "C03A"}},
     {"L12 Gap: AddressField C C03A>C038"}},
    {"LastLineAddressARowOn",
     C::Plain,
     {{12, P::Address, 0, "C048"}},
     {"L12 Gap: AddressField L C048>C038"}},
    // Back before the line before, which its own neighbour confirms: the
    // block's sums see the row there; nothing may be left out before it.
    {"LastLineAddressGoingBack",
     C::Plain,
     {{12, P::Address, 0, "C008"}},
     {"L12 Stray: AddressField C C008>C038"}},
    {"LastLineAddressGoingBackOhX",
     C::OhX,
     {{12, P::Address, 0, "C008"}},
     {"L12 Stray: AddressField C C008>C038"}},
    // Full-width characters from an IME: a space, a whole line.
    {"FullWidthSpace",
     C::Plain,
     {{5, P::Line, 0,
       "C010  48 45 4C\x81\x40"
       "4C 4F 2C 20 54  14"}},
     {"L5 E03: FullWidth C +2 4C\x81\x40"
      "4C>4C 4C"}},
    {"FullWidthLine",
     C::Plain,
     {{5, P::Line, 0,
       "\x82\x62\x82\x4F\x82\x50\x82\x4F\x81\x40\x82\x53\x82\x57\x81\x40\x82\x53"
       "\x82\x54\x81\x40\x82\x53\x82\x62\x81\x40\x82\x53\x82\x62\x81\x40\x82\x53\x82"
       "\x65\x81\x40\x82\x51\x82\x62\x81\x40\x82\x51\x82\x4F\x81\x40\x82\x54\x82\x53"
       "\x81\x40\x82\x50\x82\x53"}},
     {"L5 Skipped: FullWidth C line "
      "\x82\x62\x82\x4F\x82\x50\x82\x4F\x81\x40\x82\x53\x82\x57\x81\x40\x82\x53\x82"
      "\x54\x81\x40>C010 48 45 4C 4C 4F 2C ; AddressReading C "
      "\x82\x62\x82\x4F\x82\x50\x82\x4F>C010 sum",
      "L7 E05: SkippedCounts C @5"}},

    // Look-alike letters in tokens the reader takes.
    {"TotalWithALookAlike",
     C::Plain,
     {{7, P::Total, 0, "O876"}},
     {"L7 LookAlike: TokenMisreading C O876>0876"}},
    {"DashedTotalWithALookAlike",
     C::OhMz,
     {{13, P::Total, 0, "OCB6"}},
     {"L13 E08: TokenMisreading C OCB6>0CB6"}},
};

INSTANTIATE_TEST_SUITE_P(Check, PlantedTypos, ::testing::ValuesIn(kTypoCases),
                         [](const ::testing::TestParamInfo<TypoCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- check --fix -----------------------------------------------------------------

// The typos of a row, fixed: the listing comes back, or (with `stays`) only
// what is likely is left as typed.
struct FixCase {
    const char* name;
    Convention convention;
    std::vector<Edit> edits;
    bool stays;
};

void PrintTo(const FixCase& fix, std::ostream* out) {
    *out << fix.name;
}

class FixedListings : public ::testing::TestWithParam<FixCase> {};

TEST_P(FixedListings, GiveTheListingBack) {
    const FixCase& fix = GetParam();
    const Listing original = MakeListing(fix.convention, kProgram, 8, 4);
    Listing typed = original;
    Apply(fix.convention, 8, fix.edits, &typed);
    std::vector<Finding> findings;
    int corrections = 0;
    const std::string fixed =
        Fixed(typed.Text(), OptionsFor(fix.convention), &findings, &corrections);
    // Lines put in are laid out as the line beside them; a line typed out
    // leaves its blank line.
    EXPECT_EQ(TokenLines(fix.stays ? typed.Text() : original.Text()), TokenLines(fixed)) << fixed;
}

const FixCase kFixCases[] = {
    {"Byte", C::Plain, {{5, P::Byte, 4, "4E"}}, false},
    {"ByteOhMzLikely", C::OhMz, {{5, P::Byte, 4, "4E"}}, true},
    {"ChecksumOhMz", C::OhMz, {{4, P::Checksum, 0, "(1.F9)"}}, false},
    {"Misreading", C::Plain, {{9, P::Byte, 1, "O1"}}, false},
    {"ColumnAndTotal", C::Plain, {{7, P::Column, 2, "69"}, {13, P::Total, 0, "0CB7"}}, false},
    {"Crc", C::OhX, {{7, P::Total, 0, "7DE1"}}, false},
    {"SwappedBytes", C::OhX, {{9, P::Byte, 5, "C0"}, {9, P::Byte, 6, "00"}}, false},
    {"LineLeftOut", C::Plain, {{5, P::Line, 0, ""}}, false},
    {"LineTypedTwice", C::Plain, {{8, P::Line, 0, "C020  3E 01 02 03 21 00 C0 C9  EE"}}, false},
    {"LinesSwapped",
     C::Plain,
     {{4, P::Line, 0, "C010  48 45 4C 4C 4F 2C 20 54  14"},
      {5, P::Line, 0, "C008  23 10 FC C9 00 00 00 00  F8"}},
     false},
    {"LineTypedIntoAnotherBlock",
     C::OhX,
     {{6, P::Line, 0, ""},
      {10, P::Line, 0, "C028 : 11 22 33 44 55 66 77 88 : 64\nC018 : 53 59 50 41 54 43 48 21 : 3D"}},
     false},
    {"ByteTypedTwice", C::Plain, {{5, P::Line, 0, "C010  48 45 4C 4C 4C 4F 2C 20 54  14"}}, false},
    {"ByteLeftOut", C::Plain, {{5, P::Line, 0, "C010  48 45 4C 4F 2C 20 54  14"}}, false},
    {"LastByteLeftOutOhX", C::OhX, {{5, P::Line, 0, "C010 : 48 45 4C 4C 4F 2C 20 : 14"}}, false},
    // Two bytes in one token, which the reader takes by its last two characters.
    {"TwoBytesWithoutABlank",
     C::Plain,
     {{5, P::Line, 0, "C010  48 45 4C4C 4F 2C 20 54  14"}},
     false},
    {"TwoBytesAcrossOtherText",
     C::Plain,
     {{5, P::Line, 0,
       "C010  48 45 4C\xE3\x80\x80"
       "4C 4F 2C 20 54  14"}},
     false},
    {"AddressLookAlike", C::Plain, {{6, P::Address, 0, "CO18"}}, false},
    {"FullWidthSpace",
     C::Plain,
     {{5, P::Line, 0,
       "C010  48 45 4C\x81\x40"
       "4C 4F 2C 20 54  14"}},
     false},
};

INSTANTIATE_TEST_SUITE_P(Check, FixedListings, ::testing::ValuesIn(kFixCases),
                         [](const ::testing::TestParamInfo<FixCase>& info) {
                             return std::string(info.param.name);
                         });

// Every byte the corrections do not touch stays: CR LF line ends, and what
// follows a 0x1A byte, which no reader sees.
TEST(FixedListings, KeepEveryOtherByte) {
    Listing listing = MakeListing(C::Plain, kProgram, 8, 4);
    Apply(C::Plain, 8, {{5, P::Byte, 4, "4E"}}, &listing);
    std::string typed;
    for (const std::string& line : listing.lines) {
        typed += line + "\r\n";
    }
    const std::string tail =
        "\x1A"
        "C040  01 02  04\r\n";
    std::vector<Finding> findings;
    int corrections = 0;
    std::string expected = typed + tail;
    expected.replace(expected.find("4E 2C"), 2, "4F");
    EXPECT_EQ(expected, Fixed(typed + tail, OptionsFor(C::Plain), &findings, &corrections));
    EXPECT_EQ(1, corrections);
}

// A listing saved as UTF-8 or UTF-16 is fixed in its own encoding, its mark
// and every character the corrections leave kept as stored.
TEST(FixedListings, KeepTheirEncoding) {
    struct Form {
        TextEncoding encoding;
        const char* mark;
        std::string title;  // "テスト" as stored
        int width;          // bytes of an ASCII character; 0 big-endian UTF-16
    };
    const Form kForms[] = {
        {TextEncoding::ShiftJis, "", "\x83\x65\x83\x58\x83\x67", 1},
        {TextEncoding::Utf8, "", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", 1},
        {TextEncoding::Utf8Bom, "\xEF\xBB\xBF", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", 1},
        {TextEncoding::Utf16Le, "\xFF\xFE", std::string("\xC6\x30\xB9\x30\xC8\x30", 6), 2},
        {TextEncoding::Utf16Be, "\xFE\xFF", std::string("\x30\xC6\x30\xB9\x30\xC8", 6), 0},
    };
    Listing listing = MakeListing(C::Plain, kProgram, 8, 4);
    const std::string right = "; \x83\x65\x83\x58\x83\x67\r\n" + listing.Text();
    Apply(C::Plain, 8, {{5, P::Byte, 4, "4E"}}, &listing);
    const std::string typed = "; \x83\x65\x83\x58\x83\x67\r\n" + listing.Text();
    std::vector<Finding> findings;
    int corrections = 0;
    const std::string fixed = Fixed(typed, OptionsFor(C::Plain), &findings, &corrections);
    ASSERT_EQ(right, fixed);
    for (const Form& form : kForms) {
        // The text as stored in the form's encoding.
        auto stored = [&](const std::string& text) {
            std::string bytes = form.mark;
            for (std::size_t i = 0; i < text.size(); ++i) {
                if (text.compare(i, 6, "\x83\x65\x83\x58\x83\x67") == 0) {
                    bytes += form.title;
                    i += 5;
                } else {
                    bytes += form.width == 0 ? std::string(1, '\0') + text[i]
                                             : text[i] + std::string(form.width - 1, '\0');
                }
            }
            return bytes;
        };
        const std::string typed_bytes = stored(typed);
        MemoryByteSource raw(typed_bytes.data(), typed_bytes.size());
        struct Out : ByteSink {
            bool Write(const char* bytes, std::size_t size) override {
                text.append(bytes, size);
                return true;
            }
            std::string text;
        } out;
        EncodingSink sink(form.encoding, &out);
        ASSERT_TRUE(sink.Learn(raw));
        // Written a line at a time, as the fix writes.
        for (std::size_t at = 0; at < fixed.size();) {
            const std::size_t end = std::min(fixed.find('\n', at), fixed.size() - 1) + 1;
            ASSERT_TRUE(sink.Write(fixed.data() + at, end - at));
            at = end;
        }
        EXPECT_EQ(stored(right), out.text) << static_cast<int>(form.encoding);
        EXPECT_FALSE(sink.Unknown());
    }
}

// ---- The watch an apply makes over a listing ----------------------------------------

// The watch an apply feeds reports every warning check reports of a listing
// the apply takes whole: skipped lines, address steps, look-alike letters in
// checksums and totals, the high digits of a total, full-width characters.
TEST(ApplyWatchReports, WhatCheckWarnsOf) {
    struct Only : FindingSink {
        void Report(const Finding& finding) override {
            if (IsWarning(finding.kind)) {
                // What an apply shows of it: the first line of its text.
                char text[2048];
                FormatFinding(finding, text, sizeof text);
                const std::string shown = text;
                lines.push_back(Describe(finding).substr(0, Describe(finding).find(':')) + "|" +
                                shown.substr(0, shown.find('\n')));
            }
            refused += finding.kind == FindingKind::Refusal ? 1 : 0;
        }
        std::vector<std::string> lines;
        int refused = 0;
    };
    const std::vector<std::vector<Edit>> typos = {
        {{6, P::Address, 0, "CO18"}},
        {{5, P::Line, 0, ""}},
        {{8, P::Line, 0, "C020  3E 01 02 03 21 00 C0 C9  EE"}},
        {{4, P::Line, 0, "C010  48 45 4C 4C 4F 2C 20 54  14"},
         {5, P::Line, 0, "C008  23 10 FC C9 00 00 00 00  F8"}},
        {{9, P::Address, 0, "D000"}},
        {{5, P::Line, 0, "\x82\x62\x82\x4F\x82\x50\x82\x4F\x81\x40\x82\x53\x82\x57"}},
        {{4, P::Byte, 4,
          "\x82\x4F"
          "00"}},
        {{7, P::Total, 0, "O876"}},
        {{7, P::Total, 0, "0976"}},
        {{7, P::Total, 0, "O976"}},
        {{7, P::Total, 0, "0W76"}},
        {{7, P::Total, 0, "0976"}, {6, P::Address, 0, "CO18"}, {13, P::Total, 0, "OCB6"}},
    };
    for (const std::vector<Edit>& edits : typos) {
        Listing listing = MakeListing(C::Plain, kProgram, 8, 4);
        Apply(C::Plain, 8, edits, &listing);
        const std::string text = listing.Text();
        Only check;
        Only watch;
        MemoryByteSource for_check(text.data(), text.size());
        MemoryByteSource for_watch(text.data(), text.size());
        CheckListing(for_check, OptionsFor(C::Plain), &check);
        WatchListing(for_watch, OptionsFor(C::Plain), &watch);
        EXPECT_FALSE(check.lines.empty()) << text;
        // Where the apply stops at an E code, check's diagnosis of the block
        // tells more of a warning than the watch: the kinds and lines agree.
        std::vector<std::string> named = check.lines;
        for (std::string& line : named) {
            line = line.substr(0, line.find('|'));
        }
        std::vector<std::string> watched = watch.lines;
        for (std::string& line : watched) {
            line = line.substr(0, line.find('|'));
        }
        EXPECT_EQ(named, watched) << text;
        if (check.refused == 0) {
            EXPECT_EQ(check.lines, watch.lines) << text;
        }
    }
}

// ---- Listings written out ----------------------------------------------------------

struct RawCase {
    const char* name;
    ListingOptions options;
    const char* text;
    std::vector<std::string> expected;
};

void PrintTo(const RawCase& raw, std::ostream* out) {
    *out << raw.name;
}

class RawListings : public ::testing::TestWithParam<RawCase> {};

TEST_P(RawListings, GiveTheirFindings) {
    const RawCase& raw = GetParam();
    EXPECT_EQ(raw.expected, Describe(Check(raw.text, raw.options)));
}

const ListingOptions kPlain = OptionsFor(Convention::Plain);
const ListingOptions kOhMzWithoutChecksum = {false, false, false, true, false};

const RawCase kRawCases[] = {
    {"WorkedExampleTotal",
     kPlain,
     "C000 3E 01 02 03 44\nC004 21 00 C0 C9 AA\nSUM 5F 01 C2 CC 01EF\n",
     {"L3 E06: TotalToken C 01EF>01EE"}},
    {"WorkedExampleColumns",
     kPlain,
     "C000 3E 01 02 03 44\nC004 21 00 C0 C9 AA\nSUM 5F 02 C2 CD 01EE\n",
     {"L3 E05: ColumnToken C +1 02>01; ColumnToken C +3 CD>CC"}},
    // A two-character token after the total shifts the columns: no diagnosis
    // is drawn from such a line.
    {"ShiftedSumLine",
     kPlain,
     "C000 3E 01 02 03 44\nC004 21 00 C0 C9 AA\nSUM 5F 01 C2 CC 01EE 00\n",
     {"L3 E05"}},
    {"SumLineWithoutTotal", kPlain, "C000 3E 01 02 03 44\nSUM 3E 01 02 03\n", {"L2 E06"}},
    {"TitleReadAsSumLine", kPlain, "SUMMARY OF PROGRAM\nC000 3E 01 02 03 44\n", {"L1 E04"}},
    {"EmptyBlockAgainstZeroSums",
     kPlain,
     "SUM 00 00 0000\nSUM 01 00 0000\n",
     {"L2 E05: ColumnToken C +0 01>00"}},
    {"EmptyBlockWithATotal", kPlain, "SUM 00 00 0000\nSUM 01 00 0001\n", {"L2 E05"}},
    {"EmptyDashedBlock",
     OptionsFor(Convention::OhMz),
     "------------------------------ 0693\n",
     {"L1 E08"}},
    // Bytes past 0xFFFF are reported; the line still counts in its block.
    {"PastTheAddressSpace",
     kPlain,
     "FFF8 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 88\n"
     "SUM 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 0088\n",
     {"L1 E09"}},
    // A byte typed twice before a checksum of the same value: the reader
    // takes the doubled byte as the checksum and never reads the rest.
    {"TokenAfterTheChecksum",
     kPlain,
     "C080 00 80 80 00 00 00 00 00 00 00 00 00 00 20 E0 D7 D7 D7\n",
     {"L1 Unread D7"}},
    {"TokensAfterTheSeventeenthByte",
     {false, false, false, false, false},
     "C000 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 \n",
     {"L1 Unread 12 13"}},
    // Without line sums only the dashed total gives the unreadable byte.
    {"UnreadableWithoutChecksum",
     kOhMzWithoutChecksum,
     "C000 3E 01 02 03 44\nC004 21 0O C0 C9 AA\n------------------------------ 02DC\n",
     {"L2 E00: WrongByte L +1 00>00", "L2 Overlap: AddressField L C004>C005"}},
    {"LowerCaseAndDollars", kPlain, "c010: $3e $01 $02 $03 $44\nsum 3e 01 02 03 0044\n", {}},
    // G reads as 6 or C. Of the four readings of 1G 2G only 16 26 makes the
    // line sum 3C; 42 fits two of them, and then nothing is named.
    {"OneReadingOfSeveralFits",
     kPlain,
     "C000 1G 2G 3C\n",
     {"L1 E00: Misreading L +0 1G>16; Misreading L +1 2G>26"}},
    {"TwoReadingsFit", kPlain, "C000 1G 2G 42\n", {"L1 E00"}},
    // A checksum 0O reads as 00 and passes; so does a line set in by blanks.
    {"ChecksumWithALookAlike",
     kPlain,
     "C000 01 FF 0O\nC002 01 02 03\n",
     {"L1 LookAlike: TokenMisreading C 0O>00"}},
    {"IndentedLine",
     kPlain,
     "C000 01 02 03\n  C002 03 04 07\nC004 05 06 0B\n",
     {"L2 Skipped: AddressReading C C002>C002 sum"}},
    // Without check lines: a jump to an aligned new region is a note, to
    // anywhere else a warning; a repeated line with the same data is named.
    {"AlignedRegionWithoutCheckLines",
     OptionsFor(Convention::NoChecksum),
     "C000 01 02\nC002 03 04\nD000 05 06\nD002 07 08\nD013 09 0A\n",
     {"L3 Jump", "L5 Gap"}},
    {"RepeatWithoutCheckLines",
     OptionsFor(Convention::NoChecksum),
     "C000 01 02\nC002 03 04\nC002 03 04\nC004 05 06\n",
     {"L3 Repeat: Duplicate C @2"}},
    // The last line, or one that the next line does not continue, may be a
    // row of the same bytes at a mistyped address.
    {"RepeatAtTheEndWithoutCheckLines",
     OptionsFor(Convention::NoChecksum),
     "C000 01 02\nC002 00 00\nC002 00 00\n",
     {"L3 Repeat: Duplicate L @2"}},
    {"SwapWithoutCheckLines",
     OptionsFor(Convention::NoChecksum),
     "C000 01 02\nC004 05 06\nC002 03 04\nC006 07 08\n",
     {"L2 Swapped: SwappedLines C @3"}},
    {"SwapAtARegionStartWithoutCheckLines",
     OptionsFor(Convention::NoChecksum),
     "C000 01 02\nD002 03 04\nD000 01 02\nD004 05 06\n",
     {"L2 Gap: SwappedLines C @3", "L3 Stray"}},
    // A first region of a single row, then an aligned new region: no typo.
    {"FirstRegionOfOneRow", kPlain, "C000 01 02 03\nD000 03 04 07\nD002 05 06 0B\n", {"L2 Jump"}},
    // One digit from the address before the region after it, but a region
    // of its own all the same.
    {"FirstRegionOfOneRowOneDigitOff",
     kPlain,
     "3000 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 88\n"
     "3100 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 88\n"
     "3110 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 88\n",
     {"L2 Jump"}},
    // Rows that would fill the step to an aligned region: left out only
    // when the sums say so.
    {"AlignedRegionRowsOn",
     kPlain,
     "C0D8 01 02 03 04 05 06 07 08 24\nC0E0 01 02 03 04 05 06 07 08 24\n"
     "C100 01 02 03 04 05 06 07 08 24\nSUM 03 06 09 0C 0F 12 15 18 006C\n",
     {"L3 Jump"}},
    {"AlignedRegionRowsLeftOut",
     kPlain,
     "C0D8 01 02 03 04 05 06 07 08 24\nC0E0 01 02 03 04 05 06 07 08 24\n"
     "C100 01 02 03 04 05 06 07 08 24\nSUM 04 08 0C 10 14 18 1C 20 0090\n",
     {"L3 Gap",
      "L4 E05: MissingLine L C0D0: 01 02 03 04 05 06 07 08; MissingLine L C108: 01 02 03 04 05 06 "
      "07 08"}},
    // The first line of the next block typed before this block's check
    // line: a total typed wrong fits the next block as well, and is no
    // more certain than the line moved.
    {"NextBlocksFirstLineBeforeTheCheckLine",
     OptionsFor(Convention::OhMz),
     "B000 49 4E 53 45 52 54 20 54 (2.49)\n"
     "B008 41 50 45 24 D1 7E DA 01 (3.24)\n"
     "B010 B0 2A 5C B0 18 0A D3 29 (3.04)\n"
     "B018 D5 38 EC 2E 13 37 CB 27 (3.63)\n"
     "B020 31 38 00 1E 83 F1 CB 3F (3.05)\n"
     "------------------------------ 0BD4\n"
     "B028 36 94 78 DB 43 F3 E1 38 (4.6C)\n"
     "B030 17 00 12 18 1B DA B9 0B (1.FA)\n"
     "B038 37 7B DA 38 00 D6 4C 04 (2.EA)\n"
     "------------------------------ 0C55\n"
     "B040 FE A1 E6 D6 19 DA 60 B0 (5.5E)\n",
     {"L6 E08: TotalToken L 0BD4>0ED9; StrayLine L; StrayCounts L @5",
      "L10 E08: TotalToken L 0C55>0950"}},
    // A zero typed twice among zeros changes no sum, so the step in the
    // addresses rests on the line the reader skipped: one key of its
    // address off the address both neighbours continue, it is that line.
    {"ZeroTypedTwiceAmongZeros",
     kPlain,
     "9000  12 DD 21 13 90 32 37 90  AC\n"
     "9008  22 23 90 7A 87 32 00 10  18\n"
     "9010  00 00 00 00 00 00 00 00  00\n"
     "9P18  00 00 00 00 00 00 00 00  00\n"
     "9020  00 00 00 00 2A 0F 90 ED  B6\n"
     "SUM  34 00 B1 8D 41 73 C7 8D 067A\n",
     {"L4 Skipped: AddressReading C 9P18>9018 sum"}},
    // A block's only row, a byte short of its check line's columns: the
    // byte left out, not four typos.
    {"OnlyRowShortOfAByte",
     kPlain,
     "A000 42 4F 4E 55 53 3D E9 D1\nSUM 42 4F 4E 55 53 24 3D E9 02D1\n",
     {"L1 E03: DroppedByte C +5 24: 42 4F 4E 55 53 24 3D E9", "L2 E05"}},
    // A line of zeros typed into the block: only the CRC sees it, and it
    // fits as well as the CRC typed wrong.
    {"ZeroLineOnlyTheCrcSees",
     OptionsFor(Convention::OhX),
     "C230 : C3 17 C2 18 F2 7B 1B F5 : 31\n"
     "C238 : 04 ED 5B 40 C2 F6 61 2A : CF\n"
     "SUM    C4 14 7C 51 E7 BB E8 33 3AD6\n"
     "C240 : 0F C2 3C 7C E6 F4 7E 23 : 04\n"
     "C248 : 31 28 C2 4F C6 52 7A 21 : 1D\n"
     "C250 : 01 C2                   : C3\n"
     "C200 : 00 00 00 00 00 00 00 00 : 00\n"
     "SUM    41 AC FE CB AC 46 F8 44 BE2D\n",
     {"L3 E05: CrcToken L 3AD6>F361; MissingLine L C228: FD 10 5F F9 33 4A 6C 14", "L7 Jump",
      "L8 E07: CrcToken L BE2D>A1B0"}},
    // With the lower address only, a high digit is in no line sum: the
    // address before it may as well be the one mistyped.
    {"HighAddressDigitNoSumSees",
     OptionsFor(Convention::LowerAddress),
     "B000 21 00 B0 11 06 B0 10 E3 8B\n"
     "B008 05 16 2F DD 77 00 DA B9 39\n"
     "B010 0B 23 0B D6 31 0D 47 26 CA\n"
     "SUM 31 39 EA C4 AE BD 31 C2 0776\n"
     "4000 2E D8 31 07 E0 32 09 E0 39\n"
     "E008 ED                      F5\n"
     "SUM 1B D8 31 07 E0 32 09 E0 0426\n",
     {"L5 Jump", "L6 Gap: AddressField L E008>4008"}},
    // A zero left out of a block's last row keeps its line sum right and
    // shifts the bytes after it: one byte left out, not three swaps.
    {"ZeroLeftOutOfABlocksLastRow",
     OptionsFor(Convention::AddressSum),
     "C000  48 BB 0A 17 F2 00 00 4D  23\n"
     "C008  F8 1F 00 A8 E3 9F F4 38  35\n"
     "C010 DB 59 16 3F EA A2 00 E5\n"
     "SUM  1B 33 20 BF 14 89 96 85 09E5\n"
     "C018  C2 3B CF 00 FA 15 00 36  E9\n"
     "C020  B2 B3 39 07 DD 8C AD F5  90\n"
     "SUM  74 EE 08 07 D7 A1 AD 2B 07C1\n",
     {"L4 E05: DroppedByte C +3 00: DB 59 16 00 3F EA A2 00", "L5 RowLength: RowLength L @3 7>8"}},
    // A zero left out of a block's only row before an aligned jump: only
    // the check line's columns show the row short, and a column token typed
    // twice there fits them as well.
    {"ZeroLeftOutOfABlocksOnlyRow",
     kPlain,
     "8000 00 00 00 00 F5 E9 FD DB\n"
     "SUM  00 00 00 00 00 F5 E9 FD 02DB\n"
     "A000 3E 01 02 03 21 00 C0 C9 EE\n"
     "A008 11 22 33 44 55 66 77 88 64\n"
     "SUM  4F 23 35 47 76 66 37 51 0452\n",
     {"L2 E05: DroppedByte L +0 00: 00 00 00 00 00 F5 E9 FD; ExtraColumn L +0 00", "L3 Jump"}},
    // A 00 typed twice in a block's short last row keeps its line sum, and
    // two bytes swapped there fit the columns as well: neither is certain.
    {"ZeroTypedTwiceInAShortLastRow",
     kPlain,
     "8100  3E D5 87 0E DD 3A 17 81  57\n"
     "8108  E9 D5 AF 47 38 1A 3A 2C  6C\n"
     "8110  81 05 D3 1F C6 D2 ED B0  AD\n"
     "8118  2A 1C 81 06 E9 ED 52 47  3C\n"
     "8120  CD 19 81 FE D6 ED B0 03  DB\n"
     "8128  12 7D 03 00 00 1A           AC\n"
     "SUM  B1 61 0E 78 B4 00 40 A7 1433\n",
     {"L7 E05: SwappedBytes L @6 +4+5 001A>1A00; DoubledByte L +3 00: 12 7D 03 00 1A"}},
    // A skipped line's address read by the line before alone where the
    // line after begins a new region.
    {"SkippedBeforeANewRegion",
     OptionsFor(Convention::NoChecksum),
     "8040 0A 7A EE 76 06 41 18 E8\n"
     "8-48 2A 4C 80 DA 27 80 20 07\n"
     "9000 C8 06 7D 7D 79 B7 36 DF\n",
     {"L2 Skipped: AddressReading C 8-48>8048", "L3 Jump"}},
    // And by the line after alone where the skipped line begins a new
    // region itself.
    {"SkippedBeginsANewRegion",
     OptionsFor(Convention::NoChecksum),
     "8040 0A 7A EE 76 06 41 18 E8\n"
     "9O00 2A 4C 80 DA 27 80 20 07\n"
     "9008 C8 06 7D 7D 79 B7 36 DF\n",
     {"L2 Skipped: AddressReading C 9O00>9000", "L2 Jump"}},
    // The last line's address typed as that of a line before: a digit of
    // it mistyped fits as well as a line typed out of place.
    {"LastAddressOfAnEarlierLine",
     OptionsFor(Convention::LowerAddress),
     "C030  A8 60 AF 0A C0 F8 00 09  B2\n"
     "C038  B7 F0 62 CF 00 B1 00 F1  B2\n"
     "C040  43 B9 7D D9 82 4B F1 18  68\n"
     "C048  00 11 61 76 76 DB AD 98  C6\n"
     "C050  73 1B 00 00 C5 00 E6 00  89\n"
     "C058  CE 66 71 BA 28 AC 00 A4  2F\n"
     "SUM  E3 9B 60 E2 A5 7B 84 4E 15B2\n"
     "C060  01 22 2D 00 8D 77 05 C1  7A\n"
     "C068  62 B2 06 A6 29 98 32 3E  59\n"
     "C070  2C C8 BF 00 70 BB 34 8D  0F\n"
     "C078  2C 00 23 CB B1 75 A3 3B  96\n"
     "C080  B0 04 6A E8 00 E9 52 EF  B0\n"
     "C038  00  88\n"
     "SUM  6B A0 7F 59 D7 28 60 B6 0FF8\n",
     {"L13 E03: AddressField L C038>C088", "L13 Stray: StrayLine L"}},
    // Without column sums the dashed total alone sees a row: the checksum
    // read as mistyped rests on it as much as the byte of the line before
    // does, and a byte of its line and the total typed wrong, shifting the
    // total alike, fit as well.
    {"ChecksumSeenByTheTotalAlone",
     OptionsFor(Convention::OhMz),
     "C018 EE 2A 14 3A A8 84 87 82 (4.13)\n"
     "C020 95 89 09 99 55 60 E7 00 (3.1C)\n"
     "C028 66 47 A0 1B 8B AC 00 D4 (3.73)\n"
     "------------------------------ 0AE2\n",
     {"L1 E02", "L2 E02: ChecksumToken L 31C>35C", "L4 E08"}},
    // The block's last row left out, mostly zeros: three bytes of a line
    // whose sum is right, changed so that they cancel there, are no
    // certain reading of its columns.
    {"LastRowOfZerosLeftOut",
     OptionsFor(Convention::LowerAddress),
     "C040  A2 00 80 75 79 CF 9D 92  4E\n"
     "C048  26 05 59 89 BF F9 68 93  08\n"
     "C050  3A 48 30 89 10 8F 00 F9  23\n"
     "SUM  CB 1F 6E 87 48 57 05 1E 0CA1\n",
     {"L4 E05: ExplainedBy L @2 +0 26>EF; ExplainedBy L @2 +1 05>D7; ExplainedBy L @2 +2 59>BE"}},
    // A full-width space between two zeros reads as one token: the row is
    // a byte short, and a zero left out fits as well as the space typed
    // full-width, or a zero typed twice on the SUM line. None is certain.
    {"FullWidthSpaceAmongZeros",
     kPlain,
     "B000  00 00 00 00 00 00 00\x81\x40"
     "00  00 00 00 00 00 7A CA 0D  51\n"
     "SUM  00 00 00 00 00 00 00 00  00 00 00 00 00 7A CA 0D 0151\n",
     {"L1 FullWidth: FullWidth L +6 00\x81\x40"
      "00>00 00",
      "L2 E05: DroppedByte L +0 00: 00 00 00 00 00 00 00 00 00 00 00 00 00 7A CA 0D; "
      "ExtraColumn L +0 00"}},
    // A row of zeros at the start of a block, where the CRC still stands at
    // zero, changes no sum: typed elsewhere, or a zero typed twice, fit
    // alike.
    {"ZeroRowWhereTheCrcIsZero",
     OptionsFor(Convention::OhX),
     "B000 : 49 4E 53 45 52 54 20 54 : 49\n"
     "B008 : 41 50 45 00 DD 77 00 10 : 3A\n"
     "B010 : FC CB 27 77 0E E1 DB C1 : F0\n"
     "B018 : 30 EA 7B FE 2A C0 E6 84 : E7\n"
     "SUM    B6 53 3A BA 67 6C E1 A9 BE19\n"
     "B300 : 00 00 00 00 00 00 00 00 : 00\n"
     "B310 : 00 00 00 0E 00 1F B3 15 : F5\n"
     "B318 : 00 34 B3 E9 06 56 2A 29 : 7F\n"
     "SUM    00 34 B3 F7 06 75 DD 3E CEDD\n"
     "B320 : B3 30 1B CB 27 DB 10 11 : EC\n"
     "B328 : 1A B3 F3 C6 75 E6 49 AF : D9\n"
     "B308 : 00 00 00 00 00 00 00 00 : 00\n"
     "B330 : C0 DB D3 CA 1D B3 26 CC : FA\n"
     "SUM    8D BE E1 5B B9 74 7F 8C 995D\n",
     {"L6 Jump", "L7 Gap: DoubledByte L +0 00: 00 00 00 00 00 00 00", "L12 Stray: StrayLine C",
      "L14 E07: StrayCounts C @12"}},
    // A block's last row of a single zero, its address typed with a letter
    // O: the reader skips it and every sum still agrees, so only its
    // address, which continues the line before, tells it is data.
    {"SingleZeroSkippedForItsAddress",
     kPlain,
     "C048  7B AF B2 50 71 83 20 1E  5E\n"
     "C050  4A 00 96 5C 16 E7 8D B8  7E\n"
     "Co58  00  00\n"
     "SUM  C5 AF 48 AC 87 6A AD D6 06DC\n",
     {"L3 Skipped: AddressReading C Co58>C058 sum"}},
    // No SUM lines, the address in the line sum: a line one digit off the
    // address the line before continues, its checksum holding there. Only
    // likely where the step may be a row left out.
    {"AddressBySumLastLine",
     OptionsFor(Convention::AddressSum),
     "7000 01 02 03 04 05 06 07 08 94\n"
     "7008 10 20 30 40 50 60 70 80 B8\n"
     "701D AA BB CC DD EE FF 00 11 8C\n",
     {"L3 E03: AddressField C 701D>7010", "L3 Gap"}},
    {"AddressBySumLastLineARowOn",
     OptionsFor(Convention::AddressSum),
     "7000 01 02 03 04 05 06 07 08 94\n"
     "7008 10 20 30 40 50 60 70 80 B8\n"
     "7018 AA BB CC DD EE FF 00 11 8C\n",
     {"L3 E03: AddressField L 7018>7010", "L3 Gap"}},
    {"AddressBySumBetweenNeighbours",
     OptionsFor(Convention::AddressSum),
     "7000 01 02 03 04 05 06 07 08 94\n"
     "7009 10 20 30 40 50 60 70 80 B8\n"
     "7010 AA BB CC DD EE FF 00 11 8C\n",
     {"L2 E03: AddressField C 7009>7008"}},
    // A row of zeros typed after its block's SUM line: no sum sees it, so
    // it fits the block before as well as a place among the next block's
    // rows; neither order is certain.
    {"ZeroRowAfterItsSumLine",
     OptionsFor(Convention::AddressSum),
     "7020 13 70 7E CD 28 70 C5 ED A8\n"
     "7028 79 20 EA 00 00 00 00 00 1B\n"
     "SUM 8C 90 68 CD 28 70 C5 ED 059B\n"
     "7100 00 00 00 00 1A 00 0B 71 07\n"
     "7030 00 00 00 00 00 00 00 00 A0\n"
     "7108 1A 00 07 00 02 00 1E 00 BA\n"
     "SUM 1A 00 07 00 1C 00 29 71 00D7\n",
     {"L4 Stray: MovedLine L @4 7100 <6", "L6 Gap: DoubledByte L +0 00: 00 00 00 00 00 00 00"}},
    // A row typed after the next block's first: taken out of this block
    // it belongs to the block before, and the order of the rest follows
    // from that, not on its own.
    {"RowMovedPastTheNextBlocksFirst",
     OptionsFor(Convention::AddressSum),
     "B040  10 31 61 B0 20 0D 0E 9F  1B C2 38 00 28 15 ED B0  0B\n"
     "B050  C6 32 49 4E 53 45 52 54  20 54 41 50 45 24 2E D9  42\n"
     "B060  D1 F6 92 C9 18 F1 EE 8B  ED 78 18 1C 32 03 B0 3E  70\n"
     "SUM  22 21 B9 B4 04 BF 1B 96  28 B0 E4 1C 8C B4 CF B5 1AC0\n"
     "B080  6A 1B 00 69 B0 39 B0 22  00 00 10 19 00 7C B0 1F  4D\n"
     "B070  7B C8 7D ED 79 7C CD 18  00 22 53 B0 ED 78 04 EE  23\n"
     "SUM  6A 1B 00 69 B0 39 B0 22  00 00 10 19 00 7C B0 1F 041D\n"
     "B200  DD 23 E6 AA 36 FA D5 C6  1B 0E 34 0B D3 B1 32 B9  E4\n"
     "B210  0B C0 2B D3 80 11 18 00  7B F6 C6 05 D3 2F 3D 08  B7\n"
     "B220  18 FE 36 34 2B 47 B7 7B  2E 71 50 55 53 48 20 53  48\n"
     "B230  50 41 43 45 20 4B 45 59  00 C2 18 B2 ED 52 06 9A  6F\n"
     "SUM  50 22 8A F6 01 9D E9 9A  C4 37 62 17 E6 7A 95 AE 192A\n",
     {"L4 E05: MissingLine C B070: 7B C8 7D ED 79 7C CD 18 00 22 53 B0 ED 78 04 EE",
      "L5 Stray: MovedLine L @5 B080 <6", "L7 E05: MovedLine C @6 B070 <0; StrayCounts C @6",
      "L8 Jump"}},
    // A line typed into a block before its own: the row its own block's
    // columns rebuild holds its bytes, so the row may be that line rather
    // than one left out where it is rebuilt.
    {"RebuiltRowTypedInAnEarlierBlock",
     OptionsFor(Convention::LowerAddress),
     "C040 EE 91 11 31 C0 7C 3A 2F A6\n"
     "C208 E5 CD 17 C2 E5 E1 08 20 81\n"
     "SUM EE 91 11 31 C0 7C 3A 2F 0366\n"
     "C200 C5 09 20 0A F5 04 4F 10 50\n"
     "C210 E6 3C 7B 01 1B C2 31 06 C2\n"
     "C218 C2 FE F9 1B D6 66 36 F0 4E\n"
     "SUM 52 10 AB E8 CB 0D BE 26 0EB1\n",
     {"L2 Gap: StrayLine C", "L3 E05: StrayCounts C @2", "L4 Stray",
      "L7 E05: MovedHere L @2 C220; MissingLine L C220: E5 CD 17 C2 E5 E1 08 20"}},
    {"RebuiltRowTypedInAnUnexplainedBlock",
     OptionsFor(Convention::AddressSum),
     "9300  12 79 C5 0E 14 20 E9 18  26\n"
     "9000  00 00 00 00 00 00 00 00  90\n"
     "SUM  00 00 00 00 00 00 00 00 0000\n"
     "9308  1D 10 0B 31 1E 93 D2 01  88\n"
     "9310  93 12 ED 44 21 18 00 7D  2F\n"
     "9318  79 AF F3 3A 18 00 10 11  39\n"
     "SUM  3B 4A B0 BD 6B CB CB A7 099A\n"
     "B000  02 00 12 B0 0B 00 12 B0  41\n"
     "SUM  02 00 12 B0 0B 00 12 B0 0191\n",
     {"L2 Stray", "L3 E05: LinesNotInSums L",
      "L7 E05: MovedHere L @1 9320; MissingLine L 9320: 12 79 C5 0E 14 20 E9 18", "L8 Jump"}},
    // A dashed total against a block whose first row was typed into the
    // block before: that row taken in explains the total as well.
    {"DashedTotalOfABlockMissingAMovedRow",
     OptionsFor(Convention::OhMz),
     "3200 1A 03 7E 01 2A 32 0E 31 20 E7 FD 23 D6 BF D3 96 (6.5C)\n"
     "3000 CB 3F 38 0C 16 E9 0B 3A 05 00 D3 DF 1E 74 1B 21 (5.17)\n"
     "------------------------------ 0517\n"
     "3210 22 43 32 CD 0D 32 DD 77 0B D3 D4 B7 C3 B9 0B ED (7.D4)\n"
     "3220 78 C2 06 32 05 00 11 35 32 36 16 E6 9E 11 4E 32 (4.50)\n"
     "3230 11 12 32 00 00 00 00 00 00 00 00 00 00 00 00 00 (0.55)\n"
     "------------------------------ 12D5\n"
     "3240 DB 3D 4F C0 EE 71 DA 10 32 1E 4D C2 35 32 00 00 (6.36)\n"
     "------------------------------ 0636\n",
     {"L2 Stray: StrayLine L", "L3 E08: TotalToken L 0517>065C; StrayCounts L @2",
      "L7 E08: TotalToken L 12D5>0C79"}},
    // A line typed into a later block, between lines its typed address
    // does not continue: the row its own block lacks explains it as well as
    // an address typo does.
    {"LineTypedIntoALaterBlock",
     OptionsFor(Convention::OhMz),
     "8080 06 86 47 41 4D 45 20 4F 56 45 52 00 05 0E BA E6 (4.B5)\n"
     "8090 F2 0B CA B7 80 26 86 C6 34 F1 FE A3 7B 04 C6 BE (9.39)\n"
     "80B0 21 45 80 1B DA DC 80 37 F6 74 1E 8D 50 55 53 48 (6.C3)\n"
     "------------------------------ 1B67\n"
     "80C0 20 53 50 41 43 45 20 4B 45 59 0D 54 49 4D 45 00 (3.D1)\n"
     "80D0 C6 FC CD 18 00 36 E1 77 36 DC 4F FE A3 ED 79 3E (8.DB)\n"
     "80E0 6F CA A0 80 FE 5B D6 44 0E 8A 11 05 00 16 49 ED (6.C6)\n"
     "80A0 CD 0B 80 FE 73 22 2A 80 0E 12 31 63 80 36 DA DD (6.B6)\n"
     "------------------------------ 1372\n"
     "8100 32 1F 81 F6 3A 32 16 81 C6 96 D2 03 81 32 02 81 (6.32)\n"
     "------------------------------ 0632\n",
     {"L3 Gap: MissingLine L 80A0:", "L4 E08: MissingCounts L @3 80A0",
      "L8 OffAddress: AddressField L 80A0>80F0",
      "L9 E08: TotalToken L 1372>1A28; StrayLine L; StrayCounts L @8"}},
    // Two bytes in other rows and columns, one of them two digits off: three
    // one-digit typos at the corners of their rectangle fit every sum too.
    {"TwoBytesOrThreeAtTheCorners",
     OptionsFor(Convention::AddressSum),
     "9000  10 E6 DD 77 0B 23 C9 D9  AA\n"
     "9008  18 F0 C2 3A 90 06 CC 2E  2C\n"
     "9010  93 CB 7F E7 20 03 19 02  01\n"
     "9018  01 01 90 D6 20 3C 19 7D  02\n"
     "9020  F6 BA 3E C4 2E 63 31 2F  53\n"
     "9028  90 06 95 C3 2E 90 C9 1B  47\n"
     "SUM  42 62 81 54 37 5B C0 D0 139B\n",
     {"L3 E03: WrongByte L +3 E7>46", "L6 E03: WrongByte L +6 C9>C8",
      "L7 E05: ExplainedBy L @3 +3 E7>46; ExplainedBy L @6 +6 C9>C8"}},
    // Two bytes in one column, one of them two digits off: one byte taking
    // both changes and another column carrying one of them from row to row
    // is three one-digit typos that fit every sum too.
    {"TwoBytesInAColumnOrThreeAtTheCorners",
     OptionsFor(Convention::LowerAddress),
     "6000 DB 07 04 2B 37 C2 05 00 CB 3F EE 5F 0E F0 ED 52 A3\n"
     "6010 31 16 60 30 F3 2E 24 EB D6 6B 0E 47 01 15 60 FB 3B\n"
     "6020 7B C3 40 60 19 01 3D 60 F6 BC 30 F1 21 34 60 18 55\n"
     "6030 05 13 30 FF FE A3 87 AF D8 23 20 14 D1 41 B9 0B 43\n"
     "6040 B7 EE D5 ED 79 1A FE A8 D2 3C 60 CA 34 60 36 86 68\n"
     "SUM 43 E1 A9 B4 BA AE EB A2 41 C5 AC 75 35 DA 9C F6 233E\n",
     {"L2 E03: WrongByte L +3 30>4D", "L4 E03: WrongByte L +3 FF>EF",
      "L6 E05: ExplainedBy L @2 +3 30>4D; ExplainedBy L @4 +3 FF>EF"}},
    // A checksum typed with a look-alike letter whose reading is the line
    // sum: certain where the columns confirm the row's bytes, beside another
    // line's checksum typo.
    {"ChecksumLookAlikeTheColumnsConfirm",
     kPlain,
     "C000 3E 01 02 13 S4\nC004 21 00 C0 C9 A9\nSUM 5F 01 C2 DC 01FE\n",
     {"L1 E03: Misreading C sum S4>54", "L2 E03: ChecksumToken C A9>AA"}},
    // The first line's address, against the two lines after it.
    {"FirstAddressMistyped",
     kPlain,
     "C800 01 02 03\nC002 03 04 07\nC004 05 06 0B\n",
     {"L1 OffAddress: AddressField L C800>C000"}},
};

INSTANTIATE_TEST_SUITE_P(Check, RawListings, ::testing::ValuesIn(kRawCases),
                         [](const ::testing::TestParamInfo<RawCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- A long listing with typos of every kind -----------------------------------

class LongListing : public ::testing::TestWithParam<Convention> {};

// 200 lines: a title, a blank line, 18 blocks of 9 data lines, each followed
// by its SUM line and a blank line; five typos in five blocks, all reported
// in one run, each byte named.
TEST_P(LongListing, FiveTyposInOneRun) {
    const Convention convention = GetParam();
    std::vector<std::uint8_t> bytes(18 * 9 * 8);
    std::uint32_t seed = 20220105;
    for (std::uint8_t& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    auto line_of = [](int block, int data_line) { return 3 + 11 * block + data_line; };
    auto byte_at = [](int block, int data_line, int k) {
        return static_cast<std::size_t>((block * 9 + data_line) * 8 + k);
    };
    bytes[byte_at(12, 0, 7)] = 0x0A;  // typed OA
    bytes[byte_at(16, 8, 0)] = 0x4F;  // typed F4
    Listing listing = MakeListing(convention, bytes, 8, 9);
    ASSERT_EQ(200u, listing.lines.size());

    const unsigned wrong = bytes[byte_at(1, 4, 2)];
    const unsigned typed = (wrong + 0x10) & 0xFF;
    const int checksum_line = line_of(4, 7);
    std::string checksum = listing.lines[checksum_line - 1];
    checksum = checksum.substr(checksum.size() - 2);
    const std::string typed_checksum = Hex((std::stoul(checksum, nullptr, 16) + 1) & 0xFF, 2);
    const int sum_line = line_of(8, 9);
    std::string column = listing.lines[sum_line - 1].substr(7 + 5 * 3, 2);
    if (convention != C::OhX) {
        column = listing.lines[sum_line - 1].substr(5 + 5 * 3, 2);
    }
    const std::string typed_column = Hex((std::stoul(column, nullptr, 16) + 0x20) & 0xFF, 2);
    Apply(convention, 8,
          {{line_of(1, 4), P::Byte, 2, Hex(typed, 2)},
           {checksum_line, P::Checksum, 0, typed_checksum},
           {sum_line, P::Column, 5, typed_column},
           {line_of(12, 0), P::Byte, 7, "OA"},
           {line_of(16, 8), P::Byte, 0, "F4"}},
          &listing);

    const std::string at = std::to_string(line_of(1, 4));
    const std::string byte = " +2 " + Hex(typed, 2) + ">" + Hex(wrong, 2);
    const std::string last = std::to_string(line_of(16, 8));
    const std::vector<std::string> expected = {
        "L" + at + " E03: WrongByte C" + byte,
        "L" + std::to_string(line_of(1, 9)) + " E05: ExplainedBy C @" + at + byte,
        "L" + std::to_string(checksum_line) + " E03: ChecksumToken C " + typed_checksum + ">" +
            checksum,
        "L" + std::to_string(sum_line) + " E05: ColumnToken C +5 " + typed_column + ">" + column,
        "L" + std::to_string(line_of(12, 0)) + " E00: Misreading C +7 OA>0A",
        "L" + last + " E03: WrongByte C +0 F4>4F",
        "L" + std::to_string(line_of(16, 9)) + " E05: ExplainedBy C @" + last + " +0 F4>4F",
    };
    CheckSummary summary;
    EXPECT_EQ(expected, Describe(Check(listing.Text(), OptionsFor(convention), &summary)));
    EXPECT_EQ(200u, summary.lines_read);
    EXPECT_EQ(162u, summary.data_lines);
    EXPECT_EQ(18u, summary.blocks);
    EXPECT_EQ(7u, summary.findings);
}

INSTANTIATE_TEST_SUITE_P(Check, LongListing, ::testing::Values(C::Plain, C::AddressSum, C::OhX));

// More findings in one block than are held for its diagnosis: every one is
// still reported, in listing order, and no diagnosis is guessed.
TEST(CheckLimits, ABlockOfAThousandLinesKeepsEveryFindingAndItsDiagnosis) {
    // 1,000 lines of 01 02 in one block; every tenth line's checksum reads
    // 04 for 03. The column sums and the total agree, so each of the 100
    // findings is a checksum token typed wrong.
    std::string text;
    for (unsigned i = 0; i < 1000; ++i) {
        text += Hex(0x1000u + 2u * i, 4) + (i % 10 == 0 ? " 01 02 04\n" : " 01 02 03\n");
    }
    text += "SUM E8 D0 0BB8\n";  // 1000 x 01, 1000 x 02, 3000 in all
    const std::vector<Finding> findings = Check(text, OptionsFor(C::Plain));
    ASSERT_EQ(100u, findings.size());
    for (std::size_t i = 0; i < findings.size(); ++i) {
        EXPECT_EQ("L" + std::to_string(10 * i + 1) + " E03: ChecksumToken L 04>03",
                  Describe(findings[i]));
    }
}

// A block longer than the lines held for it is reported as it stands, in
// listing order; its check line is compared but not diagnosed against lines
// no longer held.
TEST(CheckLimits, ABlockBeyondTheHeldLinesKeepsItsOrderUndiagnosed) {
    const unsigned lines = ListingChecker::kMaxHeldLines + 100;
    std::string text;
    for (unsigned i = 0; i < lines; ++i) {
        const bool typo = i == 10 || i == lines - 10;  // 01 02 typed 01 03
        text += Hex(2u * i, 4) + (typo ? " 01 03 03\n" : " 01 02 03\n");
    }
    text += "SUM " + Hex(lines & 0xFF, 2) + " " + Hex((2 * lines) & 0xFF, 2) + " " +
            Hex((3 * lines) & 0xFFFF, 4) + "\n";
    CheckSummary summary;
    EXPECT_EQ((std::vector<std::string>{"L11 E03", "L" + std::to_string(lines - 9) + " E03",
                                        "L" + std::to_string(lines + 1) + " E05: BlockTooLong C"}),
              Describe(Check(text, OptionsFor(C::Plain), &summary)));
    EXPECT_EQ(3u, summary.findings);
}

// ---- Clean listings -------------------------------------------------------------

TEST(CheckClean, GeneratedListingsOfEveryConventionHaveNoFindings) {
    for (Convention convention : {C::Plain, C::AddressSum, C::LowerAddress, C::OhMz, C::OhX,
                                  C::OhXCrcOnly, C::NoChecksum}) {
        CheckSummary summary;
        const Listing listing = MakeListing(convention, kProgram, 8, 4);
        EXPECT_TRUE(Check(listing.Text(), OptionsFor(convention), &summary).empty())
            << listing.Text();
        EXPECT_EQ(8u, summary.data_lines);
        // Blocks ended by a check line: none without checksums.
        EXPECT_EQ(convention == C::NoChecksum ? 0u : 2u, summary.blocks);
        EXPECT_EQ(0u, summary.findings);
    }
}

std::string ExamplePath(const std::string& name) {
    std::string path = __FILE__;  // .../tests/unit/check_test.cpp
    path.erase(path.find_last_of("/\\"));
    path.erase(path.find_last_of("/\\"));
    path.erase(path.find_last_of("/\\"));
    return path + "/examples/" + name;
}

TEST(CheckClean, TheBundledExamplesAreCleanAndMatchTheGenerator) {
    struct Example {
        const char* file;
        Convention convention;
        int per_line;
        int lines_per_block;
        std::uint32_t blocks;
    };
    const Example examples[] = {
        {"plain.txt", C::Plain, 8, 4, 2},
        {"address-sum.txt", C::AddressSum, 8, 4, 2},
        {"lower-address.txt", C::LowerAddress, 8, 4, 2},
        {"ohx.txt", C::OhX, 8, 4, 2},
        {"ohmz.txt", C::OhMz, 16, 2, 2},
        {"no-checksum.txt", C::NoChecksum, 16, 4, 0},
    };
    for (const Example& example : examples) {
        const std::string path = ExamplePath(example.file);
        const std::string text = test::ReadFile(path);
        ASSERT_FALSE(text.empty()) << path;
        // The generator writes the examples byte for byte, so the planted
        // typos above are typos in listings of the same shape.
        const std::string title = text.substr(0, text.find('\n'));
        EXPECT_EQ(text, MakeListing(example.convention, kProgram, example.per_line,
                                    example.lines_per_block, title, false)
                            .Text())
            << example.file;

        Collector collector;
        const CheckRun run = CheckListing(path.c_str(), OptionsFor(example.convention), &collector);
        EXPECT_EQ(CheckStatus::Checked, run.status) << example.file;
        EXPECT_TRUE(collector.findings.empty()) << example.file;
        EXPECT_EQ(example.blocks, run.summary.blocks) << example.file;
        EXPECT_EQ(static_cast<std::uint32_t>(64 / example.per_line), run.summary.data_lines)
            << example.file;
    }
}

// A block longer than the lines kept for it: the CRC still finds a byte far
// from the check line; the swap search, which needs every line, gives way to
// naming the columns.
TEST(CheckLimits, ALongBlockIsJudgedWhole) {
    // 300 lines in one block: a byte typed wrong in the third line is named
    // by the CRC, and two bytes swapped there are found among all lines.
    std::vector<std::uint8_t> bytes(300 * 8);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 8);
    }
    Listing crc_only = MakeListing(C::OhXCrcOnly, bytes, 8, 300);
    ASSERT_EQ(304u, crc_only.lines.size());  // title, blank, 300 data lines, SUM, blank
    Apply(C::OhXCrcOnly, 8, {{3, P::Byte, 5, "FF"}}, &crc_only);
    EXPECT_EQ((std::vector<std::string>{"L3 E03: WrongByte C +5 FF>23",
                                        "L303 E07: ExplainedBy C @3 +5 FF>23"}),
              Describe(Check(crc_only.Text(), OptionsFor(C::OhXCrcOnly))));

    Listing swapped = MakeListing(C::OhX, bytes, 8, 300);
    Apply(C::OhX, 8, {{3, P::Byte, 0, "07"}, {3, P::Byte, 1, "00"}}, &swapped);
    EXPECT_EQ((std::vector<std::string>{"L303 E05: SwappedBytes C @3 +0+1 0700>0007"}),
              Describe(Check(swapped.Text(), OptionsFor(C::OhX))));
}

// ---- Files and texts -----------------------------------------------------------------

// Read from a file: CR LF line ends, physical line numbers, nothing after a
// 0x1A byte.
TEST(CheckListingFile, ReadsAsTheApplyDoes) {
    test::TempDir dir;
    Listing listing = MakeListing(C::Plain, kProgram, 8, 4);
    Apply(C::Plain, 8, {{5, P::Byte, 4, "4E"}}, &listing);
    std::string text;
    for (const std::string& line : listing.lines) {
        text += line + "\r\n";
    }
    text +=
        "\x1A"
        "C040  01 02  04\r\n";  // never read
    const std::string path = dir.File("typo.txt");
    test::WriteFile(path, text);

    Collector collector;
    const CheckRun run = CheckListing(path.c_str(), OptionsFor(C::Plain), &collector);
    EXPECT_EQ(CheckStatus::Checked, run.status);
    EXPECT_EQ((std::vector<std::string>{"L5 E03: WrongByte C +4 4E>4F",
                                        "L7 E05: ExplainedBy C @5 +4 4E>4F"}),
              Describe(collector.findings));
    EXPECT_EQ(14u, run.summary.lines_read);
    EXPECT_EQ(2u, run.summary.findings);
}

TEST(CheckListingFile, AMissingFileIsAnOpenFailure) {
    test::TempDir dir;
    Collector collector;
    const CheckRun run =
        CheckListing(dir.File("none.txt").c_str(), OptionsFor(C::Plain), &collector);
    EXPECT_EQ(CheckStatus::OpenFailed, run.status);
    EXPECT_EQ(2, platform::CErrorNumber(run.system_error));  // ENOENT on every platform
    EXPECT_TRUE(collector.findings.empty());
}

#define SJ_LINE "\x8D\x73\x96\xDA\x20"                     // 行目 + space
#define SJ_ADDRESS "\x83\x41\x83\x68\x83\x8C\x83\x58\x3A"  // アドレス:
#define SJ_LAST "\x92\xBC\x91\x4F"                         // 直前
#define SJ_CHECKSUM_ERROR                                  /* チェックサムエラー */ \
    "\x83\x60\x83\x46\x83\x62\x83\x4E\x83\x54\x83\x80\x83\x47\x83\x89\x81\x5B"
#define SJ_GIVEN "\x8E\x77\x92\xE8\x3A"                // 指定:
#define SJ_COMPUTED "\x8E\x5A\x8F\x6F\x3A"             // 算出:
#define SJ_CERTAIN "\x81\x40\x8A\x6D\x92\xE8\x3A\x20"  // 　確定: + space
#define SJ_OF_DATA "\x82\xCC\x83\x66\x81\x5B\x83\x5E"  // のデータ
#define SJ_MISTAKE "\x82\xCC\x8C\xEB\x82\xE8"          // の誤り

TEST(CheckTexts, AFindingAndItsDiagnosisInShiftJis) {
    Listing listing = MakeListing(C::Plain, kProgram, 8, 4);
    Apply(C::Plain, 8, {{5, P::Byte, 4, "4E"}}, &listing);
    CheckSummary summary;
    const std::vector<Finding> findings = Check(listing.Text(), OptionsFor(C::Plain), &summary);
    ASSERT_EQ(2u, findings.size());
    char text[2048];

    proof::FormatFinding(findings[0], text, sizeof text);
    EXPECT_EQ("5" SJ_LINE SJ_ADDRESS "C010 (E03) " SJ_CHECKSUM_ERROR " " SJ_GIVEN "14 " SJ_COMPUTED
              "13\n" SJ_CERTAIN "+4 " SJ_OF_DATA " 4E \x82\xCD 4F " SJ_MISTAKE,
              std::string(text));

    proof::FormatFinding(findings[1], text, sizeof text);
    EXPECT_EQ("7" SJ_LINE SJ_LAST SJ_ADDRESS "C018 (E05) \x8F\x63" SJ_CHECKSUM_ERROR
              " +4 E3/E2\n" SJ_CERTAIN "5" SJ_LINE "C010 \x82\xCC +4 " SJ_OF_DATA
              "(4E \x81\xA8 4F)" SJ_MISTAKE "\x82\xC9\x82\xE6\x82\xE9\x82\xE0\x82\xCC",
              std::string(text));

    proof::FormatSummary(summary, text, sizeof text);
    EXPECT_EQ(
        "\x8C\x9F\x8D\xB8\x8C\x8B\x89\xCA\x3A 14\x8D\x73\x82\xF0\x93\xC7\x82\xDD\x81\x41"
        "\x83\x66\x81\x5B\x83\x5E\x8D\x73 8\x81\x41\x83\x75\x83\x8D\x83\x62\x83\x4E 2"
        "\x81\x41\x83\x47\x83\x89\x81\x5B 2\x81\x41\x8C\x78\x8D\x90 0",
        std::string(text));

    // A warning without an E code: its tag in the code's place.
    const std::vector<Finding> unread =
        Check("C080 00 80 80 00 00 00 00 00 00 00 00 00 00 20 E0 D7 D7 D7\n", OptionsFor(C::Plain));
    ASSERT_EQ(1u, unread.size());
    proof::FormatFinding(unread[0], text, sizeof text);
    EXPECT_EQ("1" SJ_LINE SJ_ADDRESS
              "C080 (\x93\xC7\x82\xDD\x8E\x63\x82\xB5) "
              "\x83\x60\x83\x46\x83\x62\x83\x4E\x83\x54\x83\x80\x82\xCC\x8C\xE3\x82\xCC D7 "
              "\x82\xCD\x93\xC7\x82\xDC\x82\xEA\x82\xDC\x82\xB9\x82\xF1\x28\x83\x6F\x83\x43"
              "\x83\x67\x82\xF0\x8F\x64\x82\xCB\x82\xC4\x91\xC5\x82\xC1\x82\xBD\x82\xA9\x82\xE0"
              "\x82\xB5\x82\xEA\x82\xDC\x82\xB9\x82\xF1\x29",
              std::string(text));
}

// Cut to the buffer, a finding's text stays terminated.
TEST(CheckTexts, FormatStaysInsideItsBuffer) {
    Finding finding;
    finding.line_number = 123456;
    finding.code = LineOutcome::E05;
    finding.column_count = kMaxColumnEntries;
    char text[40];
    std::memset(text, 'x', sizeof text);
    proof::FormatFinding(finding, text, 32);
    EXPECT_EQ(31u, std::strlen(text));
    EXPECT_EQ('x', text[32]);
}

}  // namespace
}  // namespace tsy::proof
