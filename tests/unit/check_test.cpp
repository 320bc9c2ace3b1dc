// Proofreading whole listings: listings generated in every convention (and
// checked against the bundled examples), typos planted into them, and the
// findings and diagnoses compared as short descriptions.
#include "proof/listing_check.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/check.h"
#include "tests/unit/test_support.h"

namespace tsy::proof {
namespace {

// ---- Listings in every convention -------------------------------------------

enum class Convention { Plain, AddressSum, LowerAddress, OhMz, OhX, OhXCrcOnly, NoChecksum };

ListingOptions OptionsFor(Convention convention) {
    ListingOptions options;
    options.address_sum =
        convention == Convention::AddressSum || convention == Convention::LowerAddress;
    options.lower_address_only = convention == Convention::LowerAddress;
    options.ohmz_sum = convention == Convention::OhMz;
    options.ohx_crc = convention == Convention::OhX || convention == Convention::OhXCrcOnly;
    options.checksum = convention != Convention::NoChecksum;
    return options;
}

const char* Name(Convention convention) {
    static const char* const kNames[] = {"Plain", "AddressSum", "LowerAddress", "OhMz",
                                         "OhX",   "OhXCrcOnly", "NoChecksum"};
    return kNames[static_cast<int>(convention)];
}

void PrintTo(Convention convention, std::ostream* out) {
    *out << Name(convention);
}

bool IsOhX(Convention convention) {
    return convention == Convention::OhX || convention == Convention::OhXCrcOnly;
}

// The block CRC, bit by bit, written here again as the test's own oracle.
std::uint16_t Crc(std::uint16_t crc, std::uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
        const bool carry = (crc & 0x8000) != 0;
        crc = static_cast<std::uint16_t>(crc << 1);
        crc ^= carry ? 0x1021 : 0;
        crc ^= (byte >> bit) & 1;
    }
    return crc;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

struct Listing {
    std::vector<std::string> lines;  // line n of the listing is lines[n - 1]
    std::string Text() const {
        std::string text;
        for (const std::string& line : lines) {
            text += line + "\n";
        }
        return text;
    }
};

// A listing laid out as the examples are: a title, a blank line, then blocks
// of `lines_per_block` data lines of `per_line` bytes, each block closed by its
// check line (and a blank line after a SUM line, or after every check line
// with `blank_after_dashes`).
Listing MakeListing(Convention convention, const std::vector<std::uint8_t>& bytes, int per_line,
                    int lines_per_block, const std::string& title = "; listing",
                    bool blank_after_dashes = true) {
    Listing listing;
    listing.lines = {title, ""};
    unsigned address = 0xC000;
    std::size_t at = 0;
    while (at < bytes.size()) {
        unsigned columns[16] = {};
        unsigned block_sum = 0;
        std::uint16_t crc = 0;
        for (int l = 0; l < lines_per_block && at < bytes.size(); ++l) {
            std::string data;
            unsigned line_sum = 0;
            for (int k = 0; k < per_line && at < bytes.size(); ++k, ++at) {
                const std::uint8_t b = bytes[at];
                data += (k == 0 ? "" : " ") + Hex(b, 2);
                line_sum += b;
                columns[k] += b;
                block_sum += b;
                crc = Crc(crc, b);
            }
            const unsigned low = address & 0xFF;
            const unsigned high = address >> 8;
            std::string line;
            switch (convention) {
                case Convention::Plain:
                case Convention::AddressSum:
                case Convention::LowerAddress: {
                    if (convention != Convention::Plain) {
                        line_sum += low + (convention == Convention::AddressSum ? high : 0);
                    }
                    line = Hex(address, 4) + "  " + data + "  " + Hex(line_sum & 0xFF, 2);
                    break;
                }
                case Convention::OhMz:
                    line = Hex(address, 4) + " " + data + " (" + Hex((line_sum >> 8) & 0xF, 1) +
                           "." + Hex(line_sum & 0xFF, 2) + ")";
                    break;
                case Convention::OhX:
                case Convention::OhXCrcOnly:
                    line = Hex(address, 4) + " : " + data + " : " + Hex(line_sum & 0xFF, 2);
                    break;
                case Convention::NoChecksum:
                    line = Hex(address, 4) + " " + data;
                    break;
            }
            listing.lines.push_back(line);
            address += static_cast<unsigned>(per_line);
        }
        std::string sums;
        for (int c = 0; c < per_line; ++c) {
            sums += Hex(columns[c] & 0xFF, 2) + " ";
        }
        switch (convention) {
            case Convention::Plain:
            case Convention::AddressSum:
            case Convention::LowerAddress:
                listing.lines.push_back("SUM  " + sums + Hex(block_sum & 0xFFFF, 4));
                listing.lines.push_back("");
                break;
            case Convention::OhMz:
                listing.lines.push_back(std::string(30, '-') + " " + Hex(block_sum & 0xFFFF, 4));
                if (blank_after_dashes) {
                    listing.lines.push_back("");
                }
                break;
            case Convention::OhX:
                listing.lines.push_back("SUM    " + sums + Hex(crc, 4));
                listing.lines.push_back("");
                break;
            case Convention::OhXCrcOnly:
                listing.lines.push_back("SUM    " + Hex(crc, 4));
                listing.lines.push_back("");
                break;
            case Convention::NoChecksum:
                break;
        }
    }
    return listing;
}

// The 64 bytes of the examples (examples/program.bin).
const std::vector<std::uint8_t> kProgram = {
    0x21, 0x00, 0xD0, 0x06, 0x40, 0x3E, 0x41, 0x77, 0x23, 0x10, 0xFC, 0xC9, 0x00, 0x00, 0x00, 0x00,
    0x48, 0x45, 0x4C, 0x4C, 0x4F, 0x2C, 0x20, 0x54, 0x53, 0x59, 0x50, 0x41, 0x54, 0x43, 0x48, 0x21,
    0x3E, 0x01, 0x02, 0x03, 0x21, 0x00, 0xC0, 0xC9, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
    0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90};

// Which token of a line an edit retypes.
enum class Piece { Byte, Checksum, Column, Total, Address };

int TokenIndex(Convention convention, Piece piece, int index, int per_line) {
    const int ohx = IsOhX(convention) ? 1 : 0;  // the ':' before the data
    switch (piece) {
        case Piece::Byte:
            return 1 + ohx + index;
        case Piece::Checksum:
            return 1 + 2 * ohx + per_line;
        case Piece::Column:
            return 1 + index;
        case Piece::Total:
            return convention == Convention::OhXCrcOnly ? 1 : 1 + per_line;
        case Piece::Address:
            return 0;
    }
    return 0;
}

struct Edit {
    int line;  // listing line number, from 1
    Piece piece;
    int index;  // data byte k or column c
    std::string text;
};

// Replaces token `token` (from 0, split at spaces) of `line`; a DashedLine's
// total is its last token.
void Retype(std::string* line, int token, const std::string& text) {
    std::size_t start = 0;
    for (int t = 0;; ++t) {
        start = line->find_first_not_of(' ', start);
        const std::size_t end = line->find(' ', start);
        if (t == token) {
            line->replace(start, end == std::string::npos ? std::string::npos : end - start, text);
            return;
        }
        start = end;
    }
}

void Apply(Convention convention, int per_line, const std::vector<Edit>& edits, Listing* listing) {
    for (const Edit& edit : edits) {
        std::string& line = listing->lines[static_cast<std::size_t>(edit.line - 1)];
        int token = TokenIndex(convention, edit.piece, edit.index, per_line);
        if (convention == Convention::OhMz && edit.piece == Piece::Total) {
            token = 1;
        }
        Retype(&line, token, edit.text);
    }
}

// ---- Running the checker and describing what it found ------------------------

struct Collector : FindingSink {
    void Report(const Finding& finding) override { findings.push_back(finding); }
    std::vector<Finding> findings;
};

// Feeds `text` line by line, as LineSource would give it.
std::vector<Finding> Check(const std::string& text, const ListingOptions& options,
                           CheckSummary* summary = nullptr) {
    Collector collector;
    auto checker = std::make_unique<ListingChecker>(options, &collector);
    std::uint32_t number = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(at, end - at);
        checker->Line(line.c_str(), line.size(), ++number);
        at = end;
    }
    checker->Finish();
    if (summary != nullptr) {
        *summary = checker->Summary();
    }
    return collector.findings;
}

std::string Describe(const Diagnosis& d) {
    static const char* const kKinds[] = {
        "WrongByte",  "OneOfBytes",    "LineOffBy",    "ChecksumToken", "AddressField",
        "Misreading", "SumMisreading", "ExplainedBy",  "ColumnToken",   "TotalToken",
        "CrcToken",   "UnseenColumns", "SwappedBytes", "NotCounted"};
    std::string text = kKinds[static_cast<int>(d.kind)];
    text += d.certainty == Certainty::Certain ? " C" : " L";
    const std::string change = Hex(d.typed, d.digits) + ">" + Hex(d.right, d.digits);
    switch (d.kind) {
        case DiagnosisKind::WrongByte:
        case DiagnosisKind::OneOfBytes:
            return text + " +" + Hex(static_cast<unsigned>(d.column), 1) + " " + change;
        case DiagnosisKind::ExplainedBy:
            return text + " @" + std::to_string(d.line_number) + " +" +
                   Hex(static_cast<unsigned>(d.column), 1) + " " + change;
        case DiagnosisKind::LineOffBy:
            return text + " " + std::to_string(d.delta);
        case DiagnosisKind::AddressField:
            return text + " " + change;
        case DiagnosisKind::Misreading:
        case DiagnosisKind::SumMisreading:
            return text + (d.column < 0 ? " sum" : " +" + Hex(static_cast<unsigned>(d.column), 1)) +
                   " " + d.token.text + ">" + d.reading.text;
        case DiagnosisKind::ColumnToken:
            return text + " +" + Hex(static_cast<unsigned>(d.column), 1) + " " + d.token.text +
                   ">" + Hex(d.right, d.digits);
        case DiagnosisKind::ChecksumToken:
        case DiagnosisKind::TotalToken:
        case DiagnosisKind::CrcToken:
            return text + " " + d.token.text + ">" + Hex(d.right, d.digits);
        case DiagnosisKind::UnseenColumns: {
            for (int c = 0; c < 16; ++c) {
                if ((d.columns >> c) & 1) {
                    text += " +" + Hex(static_cast<unsigned>(c), 1);
                }
            }
            return text;
        }
        case DiagnosisKind::SwappedBytes:
            return text + " @" + std::to_string(d.line_number) + " +" +
                   Hex(static_cast<unsigned>(d.column), 1) + "+" +
                   Hex(static_cast<unsigned>(d.column2), 1) + " " + Hex(d.typed, 4) + ">" +
                   Hex(d.right, 4);
        case DiagnosisKind::NotCounted:
            return text.substr(0, text.size() - 2) + " @" + std::to_string(d.line_number);
    }
    return text;
}

// "L5 E03: WrongByte C +4 4E>4F; ..." for one finding.
std::string Describe(const Finding& finding) {
    std::string text = "L" + std::to_string(finding.line_number) + " " + CodeName(finding.code);
    for (int i = 0; i < finding.diagnosis_count; ++i) {
        text += (i == 0 ? ": " : "; ") + Describe(finding.diagnoses[i]);
    }
    return text;
}

std::vector<std::string> Describe(const std::vector<Finding>& findings) {
    std::vector<std::string> texts;
    for (const Finding& finding : findings) {
        texts.push_back(Describe(finding));
    }
    return texts;
}

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
     {"L4 E03: ChecksumToken L F9>F8"}},
    {"WrongChecksumAddressSum",
     C::AddressSum,
     {{4, P::Checksum, 0, "C1"}},
     {"L4 E03: ChecksumToken L C1>C0"}},
    {"WrongChecksumOhMz",
     C::OhMz,
     {{4, P::Checksum, 0, "(1.F9)"}},
     {"L4 E02: ChecksumToken L 1F9>1F8"}},
    {"WrongChecksumOhX", C::OhX, {{12, P::Checksum, 0, "C1"}}, {"L12 E03: ChecksumToken L C1>C0"}},
    // With AddressSum a mistyped address shows in the line sum; the run of
    // addresses says which one it should be.
    {"WrongAddressAddressSum",
     C::AddressSum,
     {{5, P::Address, 0, "C011"}},
     {"L5 E03: AddressField L C011>C010"}},
    {"WrongAddressLowerAddress",
     C::LowerAddress,
     {{10, P::Address, 0, "C038"}},
     {"L10 E03: AddressField L C038>C028"}},
    // A checksum token whose misreading makes it right.
    {"MisreadChecksum",
     C::Plain,
     {{12, P::Checksum, 0, "CO"}},
     {"L12 E03: Misreading L sum CO>C0"}},

    // The SUM line's own tokens.
    {"WrongColumnToken", C::Plain, {{7, P::Column, 2, "69"}}, {"L7 E05: ColumnToken L +2 69>68"}},
    {"WrongColumnTokenOhX",
     C::OhX,
     {{13, P::Column, 7, "F7"}},
     {"L13 E05: ColumnToken L +7 F7>F1"}},
    {"WrongTotal", C::Plain, {{7, P::Total, 0, "0877"}}, {"L7 E06: TotalToken L 77>76"}},
    {"WrongDashedTotal", C::OhMz, {{7, P::Total, 0, "0867"}}, {"L7 E08: TotalToken L 0867>0876"}},
    {"WrongCrc", C::OhX, {{7, P::Total, 0, "7DE1"}}, {"L7 E07: CrcToken L 7DE1>7DE7"}},
    {"MisreadColumnToken",
     C::Plain,
     {{13, P::Column, 6, "BG"}},
     {"L13 E04: SumMisreading L +6 BG>B6"}},

    // Errors no line sum sees: a swap is named where one line fits it (and
    // with Oh!X the CRC confirms it); otherwise only the columns.
    {"SwappedBytes",
     C::Plain,
     {{9, P::Byte, 5, "C0"}, {9, P::Byte, 6, "00"}},
     {"L13 E05: SwappedBytes L @9 +5+6 C000>00C0"}},
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
     {"L3 E03: WrongByte L +1 05>00", "L6 E03: WrongByte L +6 49>48",
      "L7 E05: ExplainedBy L @3 +1 05>00; ExplainedBy L @6 +6 49>48"}},
    {"TwoLinesOneBlockAmbiguous",
     C::Plain,
     {{3, P::Byte, 1, "01"}, {6, P::Byte, 6, "49"}},
     {"L3 E03", "L6 E03", "L7 E05"}},

    // Misreadings of an unreadable token, confirmed by the column sum where
    // there is one.
    {"OForZero", C::Plain, {{9, P::Byte, 1, "O1"}}, {"L9 E00: Misreading C +1 O1>01"}},
    {"OForZeroAddressSum",
     C::AddressSum,
     {{9, P::Byte, 1, "O1"}},
     {"L9 E00: Misreading C +1 O1>01"}},
    {"OForZeroOhX", C::OhX, {{9, P::Byte, 1, "O1"}}, {"L9 E00: Misreading C +1 O1>01"}},
    {"OForZeroOhMz", C::OhMz, {{9, P::Byte, 1, "O1"}}, {"L9 E00: Misreading L +1 O1>01"}},
    {"FullWidthDigits",
     C::Plain,
     {{9, P::Byte, 1, "\x82\x4F\x82\x50"}},
     {"L9 E00: Misreading C +1 \x82\x4F\x82\x50>01"}},
    {"FullWidthLetters",
     C::Plain,
     {{11, P::Byte, 4, "\x82\x63\x82\x84"}},
     {"L11 E00: Misreading C +4 \x82\x63\x82\x84>DD"}},
    {"LowerCaseLAndCapitalI",
     C::Plain,
     {{10, P::Byte, 0, "lI"}},
     {"L10 E00: Misreading C +0 lI>11"}},
    {"SForFive", C::Plain, {{10, P::Byte, 4, "S5"}}, {"L10 E00: Misreading C +4 S5>55"}},
    // G may be 6 or C; only one of them makes the line sum right.
    {"GReadTwoWays", C::Plain, {{11, P::Byte, 3, "GC"}}, {"L11 E00: Misreading C +3 GC>CC"}},
    {"Unreadable", C::Plain, {{11, P::Byte, 3, "XC"}}, {"L11 E00", "L13 E05: NotCounted @11"}},
};

INSTANTIATE_TEST_SUITE_P(Check, PlantedTypos, ::testing::ValuesIn(kTypoCases),
                         [](const ::testing::TestParamInfo<TypoCase>& info) {
                             return std::string(info.param.name);
                         });

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
     {"L3 E06: TotalToken L EF>EE"}},
    {"WorkedExampleColumns",
     kPlain,
     "C000 3E 01 02 03 44\nC004 21 00 C0 C9 AA\nSUM 5F 02 C2 CD 01EE\n",
     {"L3 E05: ColumnToken L +1 02>01; ColumnToken L +3 CD>CC"}},
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
     {"L2 E05: ColumnToken L +0 01>00"}},
    // Bytes past 0xFFFF are reported; the line still counts in its block.
    {"PastTheAddressSpace",
     kPlain,
     "FFF8 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 88\n"
     "SUM 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 0088\n",
     {"L1 E09"}},
    // Without line sums no reading can be confirmed and no line is known
    // right; the dashed total still notes the line it lacks.
    {"UnreadableWithoutChecksum",
     kOhMzWithoutChecksum,
     "C000 3E 01 02 03 44\nC004 21 0O C0 C9 AA\n------------------------------ 02DC\n",
     {"L2 E00", "L3 E08: NotCounted @2"}},
    {"LowerCaseAndDollars", kPlain, "c010: $3e $01 $02 $03 $44\nsum 3e 01 02 03 0044\n", {}},
    // G reads as 6 or C. Of the four readings of 1G 2G only 16 26 makes the
    // line sum 3C; 42 fits two of them, and then nothing is named.
    {"OneReadingOfSeveralFits",
     kPlain,
     "C000 1G 2G 3C\n",
     {"L1 E00: Misreading L +0 1G>16; Misreading L +1 2G>26"}},
    {"TwoReadingsFit", kPlain, "C000 1G 2G 42\n", {"L1 E00"}},
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
        "L" + std::to_string(checksum_line) + " E03: ChecksumToken L " + typed_checksum + ">" +
            checksum,
        "L" + std::to_string(sum_line) + " E05: ColumnToken L +5 " + typed_column + ">" + column,
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

// ---- Clean listings -------------------------------------------------------------

TEST(CheckClean, GeneratedListingsOfEveryConventionHaveNoFindings) {
    for (Convention convention : {C::Plain, C::AddressSum, C::LowerAddress, C::OhMz, C::OhX,
                                  C::OhXCrcOnly, C::NoChecksum}) {
        CheckSummary summary;
        const Listing listing = MakeListing(convention, kProgram, 8, 4);
        EXPECT_TRUE(Check(listing.Text(), OptionsFor(convention), &summary).empty())
            << listing.Text();
        EXPECT_EQ(8u, summary.data_lines);
        // Data lines after the last check line (here: all) form one block.
        EXPECT_EQ(convention == C::NoChecksum ? 1u : 2u, summary.blocks);
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
        {"no-checksum.txt", C::NoChecksum, 16, 4, 1},
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

    cli::FormatFinding(findings[0], text, sizeof text);
    EXPECT_EQ("5" SJ_LINE SJ_ADDRESS "C010 (E03) " SJ_CHECKSUM_ERROR " " SJ_GIVEN "14 " SJ_COMPUTED
              "13\n" SJ_CERTAIN "+4 " SJ_OF_DATA " 4E \x82\xCD 4F " SJ_MISTAKE,
              std::string(text));

    cli::FormatFinding(findings[1], text, sizeof text);
    EXPECT_EQ("7" SJ_LINE SJ_LAST SJ_ADDRESS "C018 (E05) \x8F\x63" SJ_CHECKSUM_ERROR
              " +4 E3/E2\n" SJ_CERTAIN "5" SJ_LINE "C010 \x82\xCC +4 " SJ_OF_DATA
              "(4E \x81\xA8 4F)" SJ_MISTAKE "\x82\xC9\x82\xE6\x82\xE9\x82\xE0\x82\xCC",
              std::string(text));

    cli::FormatSummary(summary, text, sizeof text);
    EXPECT_EQ(
        "\x8C\x9F\x8D\xB8\x8C\x8B\x89\xCA\x3A 14\x8D\x73\x82\xF0\x93\xC7\x82\xDD\x81\x41"
        "\x83\x66\x81\x5B\x83\x5E\x8D\x73 8\x81\x41\x83\x75\x83\x8D\x83\x62\x83\x4E 2"
        "\x81\x41\x83\x47\x83\x89\x81\x5B 2",
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
    cli::FormatFinding(finding, text, 32);
    EXPECT_EQ(31u, std::strlen(text));
    EXPECT_EQ('x', text[32]);
}

}  // namespace
}  // namespace tsy::proof
