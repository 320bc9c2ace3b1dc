// Typos planted at random into generated listings, over a thousand per
// convention: no typo passes without a finding, and every certain reading
// agrees with the listing as it was before the typo.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/check_support.h"

namespace tsy::proof {
namespace {

constexpr int kCasesPerConvention = 1200;

enum class Typo {
    Byte,
    TwoBytes,  // two bytes of one line
    TwoLines,  // a byte in each of two or three lines of a block
    Checksum,
    Column,
    Total,  // the compared digits of a total or CRC
    Swap,   // two bytes of a line swapped
    AddressLookAlike,
    AddressDigit,
    DropLine,
    RepeatLine,
    DataLookAlike,
    ChecksumLookAlike,
};
const char* const kTypoNames[] = {
    "Byte",       "TwoBytes",      "TwoLines",         "Checksum",     "Column",
    "Total",      "Swap",          "AddressLookAlike", "AddressDigit", "DropLine",
    "RepeatLine", "DataLookAlike", "ChecksumLookAlike"};

// The typos each convention's sums can see at all.
std::vector<Typo> TyposFor(Convention convention) {
    using T = Typo;
    switch (convention) {
        case Convention::NoChecksum:
            return {T::AddressLookAlike, T::AddressDigit, T::DropLine, T::RepeatLine,
                    T::DataLookAlike};
        case Convention::OhMz:  // no column sums; a swap changes no sum
            return {T::Byte,       T::TwoBytes,         T::TwoLines,         T::Checksum,
                    T::Total,      T::AddressLookAlike, T::AddressDigit,     T::DropLine,
                    T::RepeatLine, T::DataLookAlike,    T::ChecksumLookAlike};
        case Convention::OhXCrcOnly:
            return {T::Byte,     T::TwoBytes,   T::TwoLines,         T::Checksum,
                    T::Total,    T::Swap,       T::AddressLookAlike, T::AddressDigit,
                    T::DropLine, T::RepeatLine, T::DataLookAlike,    T::ChecksumLookAlike};
        default:
            break;
    }
    std::vector<Typo> all;
    for (int t = 0; t <= static_cast<int>(T::ChecksumLookAlike); ++t) {
        all.push_back(static_cast<Typo>(t));
    }
    return all;
}

using Random = std::mt19937;

int Pick(Random& random, int count) {
    return static_cast<int>(random() % static_cast<unsigned>(count));
}

// A typo of a byte: a digit changed, the digits swapped, or another byte.
std::uint8_t Mistype(Random& random, std::uint8_t byte) {
    for (;;) {
        std::uint8_t typed = static_cast<std::uint8_t>(random());
        const int how = Pick(random, 4);
        if (how < 2) {
            const int shift = 4 * Pick(random, 2);
            typed =
                static_cast<std::uint8_t>((byte & ~(0xF << shift)) | (Pick(random, 16) << shift));
        } else if (how == 2) {
            typed = static_cast<std::uint8_t>((byte << 4) | (byte >> 4));
        }
        if (typed != byte) {
            return typed;
        }
    }
}

std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> tokens;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = line.find(' ', at);
        tokens.push_back(line.substr(at, end - at));
        at = end;
    }
    return tokens;
}

// A digit of `text` at one of `places` changed to another.
std::string ChangeDigit(Random& random, std::string text, const std::vector<std::size_t>& places) {
    const std::size_t at = places[Pick(random, static_cast<int>(places.size()))];
    const std::string digits = "0123456789ABCDEF";
    char typed;
    do {
        typed = digits[Pick(random, 16)];
    } while (typed == text[at]);
    text[at] = typed;
    return text;
}

// A look-alike letter for one of the digits 0, 1, 2, 5 in `text`; false when
// it has none.
bool LookAlike(Random& random, std::string* text) {
    std::vector<std::size_t> places;
    for (std::size_t i = 0; i < text->size(); ++i) {
        if (std::string("0125").find((*text)[i]) != std::string::npos) {
            places.push_back(i);
        }
    }
    if (places.empty()) {
        return false;
    }
    const std::size_t at = places[Pick(random, static_cast<int>(places.size()))];
    static const char* const kLetters[] = {"Oo", "lI", "Zz", "Ss"};
    const char* letters = kLetters[std::string("0125").find((*text)[at])];
    (*text)[at] = letters[Pick(random, 2)];
    return true;
}

struct Planted {
    Listing original;
    Listing typed;
    std::vector<int> origin;  // typed line n is original line origin[n - 1]; -1 inserted
    Typo typo = Typo::Byte;
    int line = 0;  // the typed line of the typo (the copy of a repeat)

    const LineTruth* Truth(std::uint32_t typed_line) const {
        if (typed_line == 0 || typed_line > origin.size() || origin[typed_line - 1] < 0) {
            return nullptr;
        }
        return &original.truth[static_cast<std::size_t>(origin[typed_line - 1])];
    }
};

// Plants `typo` into a copy of `listing`; false when the listing offers no
// place for it.
bool Plant(Convention convention, int per_line, Typo typo, const Listing& listing, Random& random,
           Planted* planted) {
    planted->original = listing;
    planted->typed = listing;
    planted->typo = typo;
    planted->origin.clear();
    for (std::size_t i = 0; i < listing.lines.size(); ++i) {
        planted->origin.push_back(static_cast<int>(i));
    }
    std::vector<int> data;
    std::vector<int> sums;
    for (std::size_t i = 0; i < listing.truth.size(); ++i) {
        if (listing.truth[i].kind == LineTruth::Data) {
            data.push_back(static_cast<int>(i));
        } else if (listing.truth[i].kind != LineTruth::Other) {
            sums.push_back(static_cast<int>(i));
        }
    }
    std::vector<std::string>& lines = planted->typed.lines;
    const int at = data[Pick(random, static_cast<int>(data.size()))];
    const LineTruth& truth = listing.truth[at];
    std::string& line = lines[at];
    planted->line = at + 1;
    auto byte_token = [&](int k) { return TokenIndex(convention, Piece::Byte, k, per_line); };
    const int checksum_token = TokenIndex(convention, Piece::Checksum, 0, per_line);
    switch (typo) {
        case Typo::Byte: {
            const int k = Pick(random, per_line);
            Retype(&line, byte_token(k), Hex(Mistype(random, truth.bytes[k]), 2));
            return true;
        }
        case Typo::TwoBytes: {
            const int k1 = Pick(random, per_line);
            const int k2 = (k1 + 1 + Pick(random, per_line - 1)) % per_line;
            const std::uint8_t b1 = Mistype(random, truth.bytes[k1]);
            const std::uint8_t b2 = Mistype(random, truth.bytes[k2]);
            // Changes that cancel in a 12-bit line sum leave no trace there.
            if (convention == Convention::OhMz && b1 + b2 == truth.bytes[k1] + truth.bytes[k2]) {
                return false;
            }
            Retype(&line, byte_token(k1), Hex(b1, 2));
            Retype(&line, byte_token(k2), Hex(b2, 2));
            return true;
        }
        case Typo::TwoLines: {
            // Other lines of the same block.
            std::vector<int> block;
            for (int i = at - 1; i >= 0 && listing.truth[i].kind == LineTruth::Data; --i) {
                block.push_back(i);
            }
            for (int i = at + 1; i < static_cast<int>(listing.truth.size()) &&
                                 listing.truth[i].kind == LineTruth::Data;
                 ++i) {
                block.push_back(i);
            }
            if (block.empty()) {
                return false;
            }
            const int lines_typed = block.size() > 1 && Pick(random, 3) == 0 ? 3 : 2;
            for (int n = 0; n < lines_typed; ++n) {
                const int which = n == 0 ? at : block[static_cast<std::size_t>(n - 1)];
                const int k = Pick(random, per_line);
                Retype(&lines[which], byte_token(k),
                       Hex(Mistype(random, listing.truth[which].bytes[k]), 2));
            }
            return true;
        }
        case Typo::Checksum: {
            std::string token = Tokens(line)[static_cast<std::size_t>(checksum_token)];
            token = convention == Convention::OhMz ? ChangeDigit(random, token, {1, 3, 4})
                                                   : ChangeDigit(random, token, {0, 1});
            Retype(&line, checksum_token, token);
            return true;
        }
        case Typo::Column:
        case Typo::Total: {
            const int sum = sums[Pick(random, static_cast<int>(sums.size()))];
            std::string& check = lines[sum];
            planted->line = sum + 1;
            const std::vector<std::string> tokens = Tokens(check);
            if (typo == Typo::Column) {
                const int c = Pick(random, per_line);
                Retype(&check, 1 + c, Hex(Mistype(random, listing.truth[sum].columns[c]), 2));
                return true;
            }
            const int last = static_cast<int>(tokens.size()) - 1;
            const bool crc = IsOhX(convention);
            Retype(&check, last,
                   ChangeDigit(random, tokens.back(),
                               crc || convention == Convention::OhMz
                                   ? std::vector<std::size_t>{0, 1, 2, 3}
                                   : std::vector<std::size_t>{2, 3}));
            return true;
        }
        case Typo::Swap: {
            const int k1 = Pick(random, per_line);
            const int k2 = (k1 + 1 + Pick(random, per_line - 1)) % per_line;
            if (truth.bytes[k1] == truth.bytes[k2]) {
                return false;
            }
            Retype(&line, byte_token(k1), Hex(truth.bytes[k2], 2));
            Retype(&line, byte_token(k2), Hex(truth.bytes[k1], 2));
            return true;
        }
        case Typo::AddressLookAlike:
        case Typo::AddressDigit: {
            std::string address = Tokens(line)[0];
            if (typo == Typo::AddressDigit) {
                address = ChangeDigit(random, address, {0, 1, 2, 3});
            } else if (!LookAlike(random, &address)) {
                return false;
            }
            Retype(&line, 0, address);
            return true;
        }
        case Typo::DropLine:
        case Typo::RepeatLine: {
            // Nothing after the last line, nor without sums before the
            // first, tells that it is gone.
            if (at == data.back() || (at == data.front() && convention == Convention::NoChecksum)) {
                return false;
            }
            if (typo == Typo::DropLine) {
                lines.erase(lines.begin() + at);
                planted->origin.erase(planted->origin.begin() + at);
            } else {
                lines.insert(lines.begin() + at + 1, lines[at]);
                planted->origin.insert(planted->origin.begin() + at + 1, -1);
                planted->line = at + 2;
            }
            return true;
        }
        case Typo::DataLookAlike:
        case Typo::ChecksumLookAlike: {
            const int token =
                typo == Typo::DataLookAlike ? byte_token(Pick(random, per_line)) : checksum_token;
            std::string text = Tokens(line)[static_cast<std::size_t>(token)];
            if (!LookAlike(random, &text)) {
                return false;
            }
            Retype(&line, token, text);
            return true;
        }
    }
    return false;
}

std::uint32_t WindowValue(const char* text, bool ohmz_sum) {
    const TokenWindow window = MakeTokenWindow(Token{text, std::strlen(text)}, ohmz_sum);
    return static_cast<std::uint32_t>(HexValue(window.text, window.length));
}

// Whether a certain diagnosis on `finding` agrees with the original listing.
bool Agrees(const Planted& p, const ListingOptions& options, const Finding& f, const Diagnosis& d) {
    const LineTruth* at = p.Truth(f.line_number);
    const LineTruth* named = p.Truth(d.line_number);
    auto byte_is = [](const LineTruth* t, int k, std::uint32_t value) {
        return t != nullptr && t->kind == LineTruth::Data && k >= 0 &&
               k < static_cast<int>(t->bytes.size()) && t->bytes[k] == value;
    };
    switch (d.kind) {
        case DiagnosisKind::WrongByte:
            return byte_is(at, d.column, d.right);
        case DiagnosisKind::ExplainedBy:
            return byte_is(named, d.column, d.right);
        case DiagnosisKind::SwappedBytes:
            return byte_is(named, d.column, d.right >> 8) &&
                   byte_is(named, d.column2, d.right & 0xFF);
        case DiagnosisKind::ChecksumToken:
            return at != nullptr && at->checksum == d.right;
        case DiagnosisKind::AddressField:
        case DiagnosisKind::AddressReading:
            return at != nullptr && at->address == d.right;
        case DiagnosisKind::Misreading:
            return d.column < 0 ? at != nullptr &&
                                      at->checksum == WindowValue(d.reading.text, options.ohmz_sum)
                                : byte_is(at, d.column, WindowValue(d.reading.text, false));
        case DiagnosisKind::SumMisreading:
            return at != nullptr && at->kind == LineTruth::Sum &&
                   at->columns[static_cast<std::size_t>(d.column)] ==
                       static_cast<unsigned>(HexValue(d.reading.text, 2));
        case DiagnosisKind::ColumnToken:
            return at != nullptr && at->kind == LineTruth::Sum &&
                   at->columns[static_cast<std::size_t>(d.column)] == d.right;
        case DiagnosisKind::TotalToken:
            return at != nullptr &&
                   (at->kind == LineTruth::Dashed ? at->total : at->total & 0xFF) == d.right;
        case DiagnosisKind::CrcToken:
            return at != nullptr && at->total == d.right;
        case DiagnosisKind::TokenMisreading: {
            const std::string reading = d.reading.text;
            switch (d.role) {
                case TokenRole::Checksum:
                    return at != nullptr &&
                           at->checksum == WindowValue(d.reading.text, options.ohmz_sum);
                case TokenRole::Total:
                    return at != nullptr && static_cast<unsigned>(HexValue(
                                                reading.substr(reading.size() - 2).c_str(), 2)) ==
                                                (at->total & 0xFF);
                case TokenRole::Crc:
                case TokenRole::DashedTotal:
                    return at != nullptr &&
                           static_cast<unsigned>(HexValue(
                               reading.substr(d.role == TokenRole::Crc ? 0 : reading.size() - 4, 4)
                                   .c_str(),
                               4)) == at->total;
            }
            return false;
        }
        case DiagnosisKind::MissingLine:
        case DiagnosisKind::MissingCounts:
            // A line of that address, left out or not read as a data line.
            for (const LineTruth& line : p.original.truth) {
                if (line.kind == LineTruth::Data && line.address == d.right) {
                    return d.kind == DiagnosisKind::MissingCounts ||
                           std::vector<std::uint8_t>(d.bytes, d.bytes + d.byte_count) == line.bytes;
                }
            }
            return false;
        case DiagnosisKind::Duplicate:
        case DiagnosisKind::RepeatCounts:
            return p.typo == Typo::RepeatLine &&
                   p.typed.lines[(d.kind == DiagnosisKind::Duplicate ? f.line_number
                                                                     : d.line_number) -
                                 1] == p.typed.lines[static_cast<std::size_t>(p.line - 1)];
        case DiagnosisKind::SkippedCounts:
            return p.typo == Typo::AddressLookAlike &&
                   d.line_number == static_cast<unsigned>(p.line);
        case DiagnosisKind::NotCounted:
            return true;  // a fact of the reading, not a correction
        default:
            return false;  // no other kind is ever certain
    }
}

struct Tally {
    int cases = 0;
    int certain = 0;
    int wrong = 0;
    int silent = 0;
    int two_in_a_line = 0;  // certain readings of two bytes in one line
    int several_lines = 0;  // certain readings of bytes in two or more lines
    int tokens = 0;         // certain readings of a checksum, column, total or CRC token
    std::string first_wrong;
};

void Judge(const Planted& planted, const ListingOptions& options, Tally* tally) {
    const std::vector<Finding> findings = Check(planted.typed.Text(), options);
    bool reported = false;
    std::vector<std::uint32_t> byte_lines;
    for (const Finding& finding : findings) {
        reported = reported || finding.kind != FindingKind::Jump;
        int bytes_here = 0;
        for (int i = 0; i < finding.diagnosis_count; ++i) {
            const Diagnosis& d = finding.diagnoses[i];
            if (d.certainty != Certainty::Certain) {
                continue;
            }
            ++tally->certain;
            if (d.kind == DiagnosisKind::WrongByte) {
                ++bytes_here;
                byte_lines.push_back(finding.line_number);
            }
            const DiagnosisKind kind = d.kind;
            tally->tokens +=
                kind == DiagnosisKind::ChecksumToken || kind == DiagnosisKind::ColumnToken ||
                        kind == DiagnosisKind::TotalToken || kind == DiagnosisKind::CrcToken
                    ? 1
                    : 0;
            if (!Agrees(planted, options, finding, d)) {
                if (tally->wrong++ == 0) {
                    tally->first_wrong = std::string(kTypoNames[static_cast<int>(planted.typo)]) +
                                         ": " + Describe(finding) + "\n" + planted.typed.Text();
                }
            }
        }
        tally->two_in_a_line += bytes_here >= 2 ? 1 : 0;
    }
    tally->several_lines +=
        byte_lines.size() >= 2 && byte_lines.front() != byte_lines.back() ? 1 : 0;
    if (!reported) {
        if (tally->silent++ == 0 && tally->first_wrong.empty()) {
            tally->first_wrong = std::string("silent ") +
                                 kTypoNames[static_cast<int>(planted.typo)] + "\n" +
                                 planted.typed.Text();
        }
    }
}

class PlantedTypoSweep : public ::testing::TestWithParam<Convention> {};

TEST_P(PlantedTypoSweep, CertainReadingsAreNeverWrong) {
    const Convention convention = GetParam();
    const ListingOptions options = OptionsFor(convention);
    const std::vector<Typo> typos = TyposFor(convention);
    Random random(20220105u + static_cast<unsigned>(convention));
    Tally tally;
    while (tally.cases < kCasesPerConvention) {
        const int per_line = Pick(random, 2) == 0 ? 8 : 16;
        const int lines_per_block = 3 + Pick(random, 4);
        std::vector<std::uint8_t> bytes(
            static_cast<std::size_t>(per_line * lines_per_block * (2 + Pick(random, 2))));
        for (std::uint8_t& b : bytes) {
            b = Pick(random, 8) == 0 ? 0 : static_cast<std::uint8_t>(random());
        }
        const Listing listing = MakeListing(convention, bytes, per_line, lines_per_block);
        Planted planted;
        const Typo typo =
            typos[static_cast<std::size_t>(Pick(random, static_cast<int>(typos.size())))];
        if (!Plant(convention, per_line, typo, listing, random, &planted)) {
            continue;
        }
        ++tally.cases;
        Judge(planted, options, &tally);
    }
    std::printf(
        "[ sweep    ] %s: %d cases, %d certain readings (%d two bytes in a line, %d in "
        "several lines, %d tokens), %d wrong, %d without a finding\n",
        Name(convention), tally.cases, tally.certain, tally.two_in_a_line, tally.several_lines,
        tally.tokens, tally.wrong, tally.silent);
    EXPECT_EQ(0, tally.wrong) << tally.first_wrong;
    EXPECT_EQ(0, tally.silent) << tally.first_wrong;
    // The sweep reaches the readings it is meant to check.
    const bool columns =
        convention != Convention::OhMz && convention != Convention::OhXCrcOnly && options.checksum;
    if (options.checksum) {
        EXPECT_GT(tally.tokens, 0);
    }
    if (columns) {
        EXPECT_GT(tally.several_lines, 0);
        EXPECT_GT(tally.two_in_a_line, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Check, PlantedTypoSweep,
                         ::testing::Values(Convention::Plain, Convention::AddressSum,
                                           Convention::LowerAddress, Convention::OhMz,
                                           Convention::OhX, Convention::OhXCrcOnly,
                                           Convention::NoChecksum),
                         [](const ::testing::TestParamInfo<Convention>& info) {
                             return std::string(Name(info.param));
                         });

}  // namespace
}  // namespace tsy::proof
