// Typos planted at random into generated listings, over a thousand per
// convention (TSY_SWEEP_CASES sets another count): no typo passes without a
// finding, and every certain reading agrees with the listing as it was before
// the typo. Clean listings of many layouts have no error and no warning.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/check_support.h"

namespace tsy::proof {
namespace {

int CasesPerConvention() {
    const char* count = std::getenv("TSY_SWEEP_CASES");
    return count != nullptr && std::atoi(count) > 0 ? std::atoi(count) : 1500;
}

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
    MoveLine,         // a data line typed at another place, in its block or another
    SwapLines,        // two consecutive data lines swapped, also across a check line
    DoubleByte,       // a byte typed twice
    DropByte,         // a byte left out
    ByteAndChecksum,  // a byte and its own line's checksum
    ByteAndColumn,    // a byte and a column of its block's SUM line
    ByteAndTotal,     // a byte and its block's total, CRC or dashed total
    ThreeTypos,       // three of the bytes, checksums, columns and total of one block
    TotalHighDigits,  // the digits of a SUM line's total that an apply does not compare
    DropEndLine,      // the first, second or last data line left out
    LastAddress,      // a digit of the last data line's address
    SumLookAlike,     // a look-alike letter in a column, total or CRC token
    FullWidthToken,   // a data token typed in full-width characters
    FullWidthLine,    // a whole data line typed in full-width characters
    FullWidthSpace,   // one space typed as a full-width space
    // A digit of a byte or SUM column typed as a key that is no digit, and
    // a checksum, column, total, CRC or another byte of the line typed
    // wrong; planted apart from the others, in a sequence of its own
    UnreadableAndOther,
    // A data line typed into a block before its own, in a listing of several
    // regions; planted apart from the others, in a sequence of its own
    MoveLineEarlier,
    kCount
};
const char* const kTypoNames[] = {"Byte",
                                  "TwoBytes",
                                  "TwoLines",
                                  "Checksum",
                                  "Column",
                                  "Total",
                                  "Swap",
                                  "AddressLookAlike",
                                  "AddressDigit",
                                  "DropLine",
                                  "RepeatLine",
                                  "DataLookAlike",
                                  "ChecksumLookAlike",
                                  "MoveLine",
                                  "SwapLines",
                                  "DoubleByte",
                                  "DropByte",
                                  "ByteAndChecksum",
                                  "ByteAndColumn",
                                  "ByteAndTotal",
                                  "ThreeTypos",
                                  "TotalHighDigits",
                                  "DropEndLine",
                                  "LastAddress",
                                  "SumLookAlike",
                                  "FullWidthToken",
                                  "FullWidthLine",
                                  "FullWidthSpace",
                                  "UnreadableAndOther",
                                  "MoveLineEarlier"};

// The typos each convention's sums can see at all.
std::vector<Typo> TyposFor(Convention convention) {
    using T = Typo;
    switch (convention) {
        case Convention::NoChecksum:
            return {T::AddressLookAlike, T::AddressDigit, T::DropLine,       T::RepeatLine,
                    T::DataLookAlike,    T::MoveLine,     T::SwapLines,      T::DoubleByte,
                    T::DropByte,         T::LastAddress,  T::FullWidthToken, T::FullWidthLine,
                    T::FullWidthSpace};
        case Convention::OhMz:  // no column sums; a swap changes no sum
        case Convention::OhXCrcOnly: {
            std::vector<Typo> typos;
            for (int t = 0; t < static_cast<int>(T::UnreadableAndOther); ++t) {
                const Typo typo = static_cast<Typo>(t);
                if (typo != T::Column && typo != T::ByteAndColumn && typo != T::TotalHighDigits &&
                    (typo != T::Swap || convention != Convention::OhMz)) {
                    typos.push_back(typo);
                }
            }
            return typos;
        }
        default:
            break;
    }
    std::vector<Typo> all;
    for (int t = 0; t < static_cast<int>(T::UnreadableAndOther); ++t) {
        // The CRC is compared whole.
        if (static_cast<Typo>(t) != T::TotalHighDigits || convention != Convention::OhX) {
            all.push_back(static_cast<Typo>(t));
        }
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
    int line = 0;    // the typed line of the typo (the copy of a repeat)
    int second = 0;  // SwapLines: the other typed line

    // The original check line after original line `index`: the block it belongs to.
    int OriginalBlock(int index) const {
        while (index < static_cast<int>(original.truth.size()) &&
               original.truth[static_cast<std::size_t>(index)].kind == LineTruth::Data) {
            ++index;
        }
        return index;
    }
    // Whether typed line `typed_line` stands in another block than it belongs to.
    bool OutOfItsBlock(std::uint32_t typed_line) const {
        if (typed_line == 0 || typed_line > origin.size()) {
            return false;
        }
        if (origin[typed_line - 1] < 0) {
            return true;  // a line typed twice
        }
        std::size_t next = typed_line;
        while (next < origin.size() &&
               (origin[next] < 0 ||
                original.truth[static_cast<std::size_t>(origin[next])].kind == LineTruth::Data)) {
            ++next;
        }
        const int here =
            next < origin.size() ? origin[next] : static_cast<int>(original.truth.size());
        return OriginalBlock(origin[typed_line - 1]) != here;
    }

    const LineTruth* Truth(std::uint32_t typed_line) const {
        if (typed_line == 0 || typed_line > origin.size() || origin[typed_line - 1] < 0) {
            return nullptr;
        }
        return &original.truth[static_cast<std::size_t>(origin[typed_line - 1])];
    }
};

// Full-width Shift-JIS forms of a text of hexadecimal digits and spaces, as
// an IME types them.
std::string FullWidth(const std::string& text) {
    std::string wide;
    for (const char c : text) {
        if (c == ' ') {
            wide += "\x81\x40";
        } else if (c >= '0' && c <= '9') {
            wide += {'\x82', static_cast<char>(0x4F + (c - '0'))};
        } else if (c >= 'A' && c <= 'Z') {
            wide += {'\x82', static_cast<char>(0x60 + (c - 'A'))};
        } else {
            wide += c;
        }
    }
    return wide;
}

// The layout of the line at `at` of a listing: which token holds what.
struct Place {
    Convention convention;
    int per_line;    // the columns of the SUM lines
    int count;       // the bytes of this data line
    int check = -1;  // the index of its block's check line; -1 when none
    int ByteToken(int k) const { return TokenIndex(convention, Piece::Byte, k, count); }
    int ChecksumToken() const { return TokenIndex(convention, Piece::Checksum, 0, count); }
    int TotalToken() const {
        return convention == Convention::OhMz ? 1
                                              : TokenIndex(convention, Piece::Total, 0, per_line);
    }
};

// Retypes one byte of a data line; the new text.
void TypoInByte(Random& random, const Place& place, const LineTruth& truth, int k,
                std::string* line) {
    Retype(line, place.ByteToken(k),
           Hex(Mistype(random, truth.bytes[static_cast<std::size_t>(k)]), 2));
}

void TypoInChecksum(Random& random, const Place& place, std::string* line) {
    std::string token = Tokens(*line)[static_cast<std::size_t>(place.ChecksumToken())];
    token = place.convention == Convention::OhMz ? ChangeDigit(random, token, {1, 3, 4})
                                                 : ChangeDigit(random, token, {0, 1});
    Retype(line, place.ChecksumToken(), token);
}

void TypoInColumn(Random& random, const LineTruth& sum, int c, std::string* line) {
    Retype(line, 1 + c, Hex(Mistype(random, sum.columns[static_cast<std::size_t>(c)]), 2));
}

// A digit of the compared part of a total, CRC or dashed total; with
// `high`, of the two digits of a SUM line's total that are not compared.
void TypoInTotal(Random& random, const Place& place, bool high, std::string* line) {
    const int token = place.TotalToken();
    const std::string text = Tokens(*line)[static_cast<std::size_t>(token)];
    const bool whole = IsOhX(place.convention) || place.convention == Convention::OhMz;
    Retype(line, token,
           ChangeDigit(random, text,
                       whole  ? std::vector<std::size_t>{0, 1, 2, 3}
                       : high ? std::vector<std::size_t>{0, 1}
                              : std::vector<std::size_t>{2, 3}));
}

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
    std::vector<int>& origin = planted->origin;
    int at = data[Pick(random, static_cast<int>(data.size()))];
    if (typo == Typo::LastAddress) {
        at = data.back();
    }
    const LineTruth& truth = listing.truth[at];
    std::string& line = lines[at];
    planted->line = at + 1;
    Place place{convention, per_line, static_cast<int>(truth.bytes.size())};
    for (int i = at + 1; i < static_cast<int>(listing.truth.size()) && place.check < 0; ++i) {
        const LineTruth::Kind kind = listing.truth[i].kind;
        place.check = kind == LineTruth::Sum || kind == LineTruth::Dashed ? i : -1;
    }
    const int n = place.count;
    // Other lines of the same block.
    std::vector<int> block;
    for (int i = at - 1; i >= 0 && listing.truth[i].kind == LineTruth::Data; --i) {
        block.push_back(i);
    }
    for (int i = at + 1;
         i < static_cast<int>(listing.truth.size()) && listing.truth[i].kind == LineTruth::Data;
         ++i) {
        block.push_back(i);
    }
    const bool sums_here = place.check >= 0;
    switch (typo) {
        case Typo::Byte:
            TypoInByte(random, place, truth, Pick(random, n), &line);
            return true;
        case Typo::TwoBytes: {
            if (n < 2) {
                return false;
            }
            const int k1 = Pick(random, n);
            const int k2 = (k1 + 1 + Pick(random, n - 1)) % n;
            const std::uint8_t b1 = Mistype(random, truth.bytes[k1]);
            const std::uint8_t b2 = Mistype(random, truth.bytes[k2]);
            // Changes that cancel in a 12-bit line sum leave no trace there.
            if (convention == Convention::OhMz && b1 + b2 == truth.bytes[k1] + truth.bytes[k2]) {
                return false;
            }
            Retype(&line, place.ByteToken(k1), Hex(b1, 2));
            Retype(&line, place.ByteToken(k2), Hex(b2, 2));
            return true;
        }
        case Typo::TwoLines: {
            if (block.empty()) {
                return false;
            }
            const int lines_typed = block.size() > 1 && Pick(random, 3) == 0 ? 3 : 2;
            for (int t = 0; t < lines_typed; ++t) {
                const int which = t == 0 ? at : block[static_cast<std::size_t>(t - 1)];
                const LineTruth& other = listing.truth[which];
                Place there = place;
                there.count = static_cast<int>(other.bytes.size());
                TypoInByte(random, there, other, Pick(random, there.count), &lines[which]);
            }
            return true;
        }
        case Typo::Checksum:
            TypoInChecksum(random, place, &line);
            return true;
        case Typo::Column:
        case Typo::Total:
        case Typo::TotalHighDigits: {
            const int sum = sums[Pick(random, static_cast<int>(sums.size()))];
            planted->line = sum + 1;
            if (typo == Typo::Column) {
                TypoInColumn(random, listing.truth[sum], Pick(random, per_line), &lines[sum]);
            } else {
                TypoInTotal(random, place, typo == Typo::TotalHighDigits, &lines[sum]);
            }
            return true;
        }
        case Typo::Swap: {
            if (n < 2) {
                return false;
            }
            const int k1 = Pick(random, n);
            const int k2 = (k1 + 1 + Pick(random, n - 1)) % n;
            if (truth.bytes[k1] == truth.bytes[k2]) {
                return false;
            }
            Retype(&line, place.ByteToken(k1), Hex(truth.bytes[k2], 2));
            Retype(&line, place.ByteToken(k2), Hex(truth.bytes[k1], 2));
            return true;
        }
        case Typo::AddressLookAlike:
        case Typo::AddressDigit:
        case Typo::LastAddress: {
            std::string address = Tokens(line)[0];
            if (typo != Typo::AddressLookAlike) {
                address = ChangeDigit(random, address, {0, 1, 2, 3});
            } else if (!LookAlike(random, &address)) {
                return false;
            }
            Retype(&line, 0, address);
            return true;
        }
        case Typo::DropLine:
        case Typo::RepeatLine:
        case Typo::DropEndLine: {
            if (typo == Typo::DropEndLine) {
                // The first, second or last; without sums nothing tells that
                // the first or the last is gone.
                if (!sums_here) {
                    return false;
                }
                const int which = Pick(random, 3);
                at = which == 2 ? data.back() : data[static_cast<std::size_t>(which)];
                // A last row of zeros leaves no trace in any sum.
                const std::vector<std::uint8_t>& dropped = listing.truth[at].bytes;
                if (at == data.back() && std::all_of(dropped.begin(), dropped.end(),
                                                     [](std::uint8_t b) { return b == 0; })) {
                    return false;
                }
            } else if (at == data.back() ||
                       (at == data.front() && convention == Convention::NoChecksum)) {
                // Nothing after the last line, nor without sums before the
                // first, tells that it is gone.
                return false;
            }
            if (typo != Typo::RepeatLine) {
                planted->line = at + 1;
                lines.erase(lines.begin() + at);
                origin.erase(origin.begin() + at);
            } else {
                lines.insert(lines.begin() + at + 1, lines[at]);
                origin.insert(origin.begin() + at + 1, -1);
                planted->line = at + 2;
            }
            return true;
        }
        case Typo::DataLookAlike:
        case Typo::ChecksumLookAlike: {
            const int token = typo == Typo::DataLookAlike ? place.ByteToken(Pick(random, n))
                                                          : place.ChecksumToken();
            std::string text = Tokens(line)[static_cast<std::size_t>(token)];
            if (!LookAlike(random, &text)) {
                return false;
            }
            Retype(&line, token, text);
            return true;
        }
        case Typo::MoveLine:
        case Typo::MoveLineEarlier: {
            // Before or after another data line, anywhere in the listing, or
            // of a block before its own.
            int to = data[Pick(random, static_cast<int>(data.size()))];
            if (typo == Typo::MoveLineEarlier) {
                // A row of zeros no sum sees wherever it is typed.
                if (std::count(truth.bytes.begin(), truth.bytes.end(), 0) ==
                    static_cast<std::ptrdiff_t>(truth.bytes.size())) {
                    return false;
                }
                std::vector<int> earlier;
                for (const int other : data) {
                    if (planted->OriginalBlock(other) < planted->OriginalBlock(at)) {
                        earlier.push_back(other);
                    }
                }
                if (earlier.empty()) {
                    return false;
                }
                to = earlier[static_cast<std::size_t>(
                    Pick(random, static_cast<int>(earlier.size())))];
            }
            if (to == at ||
                (to == data.back() && at == data.front() && convention == Convention::NoChecksum)) {
                return false;
            }
            const int before = to + Pick(random, 2);
            if (before == at || before == at + 1) {
                return false;
            }
            const std::string text = lines[at];
            lines.erase(lines.begin() + at);
            origin.erase(origin.begin() + at);
            const int place_at = before > at ? before - 1 : before;
            lines.insert(lines.begin() + place_at, text);
            origin.insert(origin.begin() + place_at, at);
            planted->line = place_at + 1;
            return true;
        }
        case Typo::SwapLines: {
            const auto next = std::upper_bound(data.begin(), data.end(), at);
            if (next == data.end() || lines[at] == lines[*next]) {
                return false;
            }
            std::swap(lines[at], lines[*next]);
            std::swap(origin[at], origin[*next]);
            planted->second = *next + 1;
            return true;
        }
        case Typo::DoubleByte:
        case Typo::DropByte: {
            // Without sums nothing tells what the last line should hold.
            if ((at == data.back() && !sums_here) || (typo == Typo::DropByte && n < 2)) {
                return false;
            }
            const int k = Pick(random, n);
            // A zero typed twice or left out in the last row changes no sum.
            if (at == data.back() && truth.bytes[static_cast<std::size_t>(k)] == 0) {
                return false;
            }
            std::vector<std::string> tokens = Tokens(line);
            const auto token = tokens.begin() + place.ByteToken(k);
            if (typo == Typo::DoubleByte) {
                tokens.insert(token, *token);
            } else {
                tokens.erase(token);
            }
            line.clear();
            for (const std::string& t : tokens) {
                line += (line.empty() ? "" : " ") + t;
            }
            return true;
        }
        case Typo::ByteAndChecksum:
            if (!sums_here) {
                return false;
            }
            TypoInByte(random, place, truth, Pick(random, n), &line);
            TypoInChecksum(random, place, &line);
            return true;
        case Typo::ByteAndColumn:
        case Typo::ByteAndTotal: {
            if (!sums_here) {
                return false;
            }
            const int k = Pick(random, n);
            TypoInByte(random, place, truth, k, &line);
            std::string& check = lines[place.check];
            if (typo == Typo::ByteAndTotal) {
                TypoInTotal(random, place, false, &check);
            } else {
                // The same column as often as another.
                const int c = Pick(random, 2) == 0 ? k : Pick(random, per_line);
                TypoInColumn(random, listing.truth[place.check], c, &check);
            }
            return true;
        }
        case Typo::ThreeTypos: {
            if (!sums_here) {
                return false;
            }
            // Three different places among the block's bytes, checksums, columns and total.
            std::vector<int> lines_of_block = block;
            lines_of_block.push_back(at);
            std::vector<std::pair<int, int>> done;  // (line, token)
            const bool columns =
                convention != Convention::OhMz && convention != Convention::OhXCrcOnly;
            while (done.size() < 3) {
                const int what = Pick(random, 8);
                int which = lines_of_block[Pick(random, static_cast<int>(lines_of_block.size()))];
                Place there = place;
                there.count = static_cast<int>(listing.truth[which].bytes.size());
                int token = 0;
                if (what < 5) {
                    token = there.ByteToken(Pick(random, there.count));
                } else if (what == 5) {
                    token = there.ChecksumToken();
                } else if (what == 6 && columns) {
                    which = place.check;
                    token = 1 + Pick(random, per_line);
                } else {
                    which = place.check;
                    token = place.TotalToken();
                }
                if (std::find(done.begin(), done.end(), std::make_pair(which, token)) !=
                    done.end()) {
                    continue;
                }
                done.emplace_back(which, token);
                std::string& target = lines[which];
                if (which == place.check && token == place.TotalToken()) {
                    TypoInTotal(random, place, false, &target);
                } else if (which == place.check) {
                    TypoInColumn(random, listing.truth[which], token - 1, &target);
                } else if (token == there.ChecksumToken()) {
                    TypoInChecksum(random, there, &target);
                } else {
                    Retype(&target, token,
                           Hex(Mistype(random, static_cast<std::uint8_t>(std::stoul(
                                                   Tokens(target)[static_cast<std::size_t>(token)],
                                                   nullptr, 16))),
                               2));
                }
            }
            return true;
        }
        case Typo::UnreadableAndOther: {
            if (!sums_here) {
                return false;
            }
            // One of the two: a data byte or a column unreadable.
            const bool columns =
                convention != Convention::OhMz && convention != Convention::OhXCrcOnly;
            const int k = Pick(random, n);
            const bool in_column = columns && Pick(random, 4) == 0;
            std::string& target = in_column ? lines[place.check] : line;
            const int token = in_column ? 1 + k : place.ByteToken(k);
            std::string text = Tokens(target)[static_cast<std::size_t>(token)];
            text[static_cast<std::size_t>(Pick(random, 2))] =
                "GHJKLMNOPQRSTUVWXYZ-"[Pick(random, 20)];
            Retype(&target, token, text);
            const int other = Pick(random, 4);
            if (other == 0) {
                TypoInChecksum(random, place, &line);
            } else if (other == 3) {
                // Another byte of the same line.
                const int k2 = Pick(random, n);
                if (k2 == k && !in_column) {
                    return false;
                }
                TypoInByte(random, place, truth, k2, &line);
            } else if (other == 1 || !columns) {
                TypoInTotal(random, place, false, &lines[place.check]);
            } else {
                const int c = Pick(random, per_line);
                if (in_column && c == k) {
                    return false;
                }
                TypoInColumn(random, listing.truth[place.check], c, &lines[place.check]);
            }
            return true;
        }
        case Typo::SumLookAlike: {
            if (!sums_here) {
                return false;
            }
            std::string& check = lines[place.check];
            planted->line = place.check + 1;
            const bool columns =
                convention != Convention::OhMz && convention != Convention::OhXCrcOnly;
            const int token =
                columns && Pick(random, 2) == 0 ? 1 + Pick(random, per_line) : place.TotalToken();
            std::string text = Tokens(check)[static_cast<std::size_t>(token)];
            if (!LookAlike(random, &text)) {
                return false;
            }
            Retype(&check, token, text);
            return true;
        }
        case Typo::FullWidthToken: {
            const int token = place.ByteToken(Pick(random, n));
            Retype(&line, token, FullWidth(Tokens(line)[static_cast<std::size_t>(token)]));
            return true;
        }
        case Typo::FullWidthLine:
            line = FullWidth(line);
            return true;
        case Typo::FullWidthSpace: {
            // One of the single spaces between the data tokens.
            std::vector<std::size_t> spaces;
            for (std::size_t i = 5; i + 1 < line.size(); ++i) {
                if (line[i] == ' ' && line[i - 1] != ' ' && line[i + 1] != ' ') {
                    spaces.push_back(i);
                }
            }
            if (spaces.empty()) {
                return false;
            }
            line.replace(
                spaces[static_cast<std::size_t>(Pick(random, static_cast<int>(spaces.size())))], 1,
                "\x81\x40");
            return true;
        }
        case Typo::kCount:
            break;
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
            return at != nullptr && (d.digits == 4 ? at->total : at->total & 0xFF) == d.right;
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
            return (p.typo == Typo::AddressLookAlike || p.typo == Typo::FullWidthLine) &&
                   d.line_number == static_cast<unsigned>(p.line);
        case DiagnosisKind::NotCounted:
            return true;  // a fact of the reading, not a correction
        case DiagnosisKind::DoubledByte:
        case DiagnosisKind::DroppedByte:
            return named != nullptr && named->kind == LineTruth::Data &&
                   std::vector<std::uint8_t>(d.bytes, d.bytes + d.byte_count) == named->bytes;
        case DiagnosisKind::StrayLine:
        case DiagnosisKind::StrayCounts:
            return p.OutOfItsBlock(d.line_number);
        case DiagnosisKind::MovedLine: {
            if (named == nullptr || named->address != d.right) {
                return false;
            }
            if (d.column < 0) {
                return p.OutOfItsBlock(d.line_number);
            }
            // Within its block: right before or right after line other_line.
            const LineTruth* other = p.Truth(d.other_line);
            return other != nullptr && other->kind == LineTruth::Data &&
                   (d.column == 0 ? named->address + named->bytes.size() == other->address
                                  : other->address + other->bytes.size() == named->address);
        }
        case DiagnosisKind::MovedHere: {
            const LineTruth* moved = p.Truth(d.line_number);
            return p.OutOfItsBlock(d.line_number) && moved != nullptr && moved->address == d.right;
        }
        case DiagnosisKind::SwappedLines: {
            // Consecutive data lines of the listing, typed the other way round.
            const int first = f.line_number <= p.origin.size() ? p.origin[f.line_number - 1] : -1;
            const int second = d.line_number <= p.origin.size() ? p.origin[d.line_number - 1] : -1;
            if (first < 0 || second < 0 || second >= first) {
                return false;
            }
            for (int i = second + 1; i < first; ++i) {
                if (p.original.truth[static_cast<std::size_t>(i)].kind == LineTruth::Data) {
                    return false;
                }
            }
            return true;
        }
        case DiagnosisKind::FullWidth: {
            // The reading is what the line held before it was typed in full width.
            const int line = f.line_number <= p.origin.size() ? p.origin[f.line_number - 1] : -1;
            return line >= 0 && p.original.lines[static_cast<std::size_t>(line)].find(
                                    d.reading.text) != std::string::npos;
        }
        default:
            return false;  // no other kind is ever certain
    }
}

// Counts per kind of typo.
struct TypoTally {
    int cases = 0;
    int certain = 0;  // certain readings
    int wrong = 0;    // ... that disagree with the listing before the typo
    // Cases whose certain readings disagree but fit every sum with fewer
    // typos than were planted (the fixed listing checks clean): the rule.
    int fewer = 0;
    int silent = 0;   // cases without a finding
    int settled = 0;  // cases whose fixed listing is the listing before the typos
};

struct Tally {
    TypoTally typos[static_cast<int>(Typo::kCount)];
    int cases = 0;
    int two_in_a_line = 0;  // certain readings of two bytes in one line
    int several_lines = 0;  // certain readings of bytes in two or more lines
    int tokens = 0;         // certain readings of a checksum, column, total or CRC token
    std::string first_wrong;

    int Sum(int TypoTally::*field) const {
        int sum = 0;
        for (const TypoTally& typo : typos) {
            sum += typo.*field;
        }
        return sum;
    }
};

// How many typos each kind plants (TwoLines two or three: counted as two).
int TyposPlanted(Typo typo) {
    switch (typo) {
        case Typo::TwoBytes:
        case Typo::TwoLines:
        case Typo::ByteAndChecksum:
        case Typo::ByteAndColumn:
        case Typo::ByteAndTotal:
        case Typo::UnreadableAndOther:
            return 2;
        case Typo::ThreeTypos:
            return 3;
        default:
            return 1;
    }
}

void Judge(const Planted& planted, const ListingOptions& options, Tally* tally) {
    std::vector<Finding> findings;
    int corrections = 0;
    const std::string fixed = Fixed(planted.typed.Text(), options, &findings, &corrections);
    TypoTally& typo = tally->typos[static_cast<int>(planted.typo)];
    ++typo.cases;
    ++tally->cases;
    const bool settled = TokenLines(fixed) == TokenLines(planted.original.Text());
    typo.settled += settled ? 1 : 0;
    // TSY_SWEEP_UNSETTLED=ThreeTypos prints the cases of that typo --fix leaves.
    const char* unsettled = std::getenv("TSY_SWEEP_UNSETTLED");
    if (!settled && unsettled != nullptr &&
        std::strcmp(unsettled, kTypoNames[static_cast<int>(planted.typo)]) == 0) {
        std::printf("---- unsettled\n%s", planted.typed.Text().c_str());
        for (const Finding& each : findings) {
            std::printf("  %s\n", Describe(each).c_str());
        }
    }
    // Readings of fewer typos than planted that fit every sum: the fixed
    // listing checks clean.
    CheckSummary after;
    Check(fixed, options, &after);
    const bool fewer = !settled && corrections < TyposPlanted(planted.typo) &&
                       after.findings + after.warnings == 0;
    bool disagrees = false;
    bool reported = false;
    std::vector<std::uint32_t> byte_lines;
    for (const Finding& finding : findings) {
        // Without any sum a row left out before an aligned region reads as
        // a new region: its note is all there is to say.
        reported = reported || finding.kind != FindingKind::Jump || !options.checksum;
        int bytes_here = 0;
        for (int i = 0; i < finding.diagnosis_count; ++i) {
            const Diagnosis& d = finding.diagnoses[i];
            if (d.certainty != Certainty::Certain) {
                continue;
            }
            ++typo.certain;
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
            if (!Agrees(planted, options, finding, d) && !fewer) {
                // TSY_SWEEP_SHOW=MoveLine prints every wrong reading of that typo.
                const char* show = std::getenv("TSY_SWEEP_SHOW");
                if (show != nullptr &&
                    std::strcmp(show, kTypoNames[static_cast<int>(planted.typo)]) == 0) {
                    std::printf("---- wrong: %s\n%s", Describe(finding).c_str(),
                                planted.typed.Text().c_str());
                    for (const Finding& each : findings) {
                        std::printf("  %s\n", Describe(each).c_str());
                    }
                }
                if (typo.wrong++ == 0 && tally->first_wrong.empty()) {
                    tally->first_wrong = std::string(kTypoNames[static_cast<int>(planted.typo)]) +
                                         ": " + Describe(finding) + "\n" + planted.typed.Text();
                }
            }
        }
        tally->two_in_a_line += bytes_here >= 2 ? 1 : 0;
    }
    tally->several_lines +=
        byte_lines.size() >= 2 && byte_lines.front() != byte_lines.back() ? 1 : 0;
    if (fewer) {
        for (const Finding& finding : findings) {
            for (int i = 0; i < finding.diagnosis_count; ++i) {
                disagrees = disagrees || (finding.diagnoses[i].certainty == Certainty::Certain &&
                                          !Agrees(planted, options, finding, finding.diagnoses[i]));
            }
        }
        typo.fewer += disagrees ? 1 : 0;
    }
    if (!reported) {
        const char* show = std::getenv("TSY_SWEEP_SHOW");
        if (show != nullptr && std::strcmp(show, "silent") == 0) {
            std::printf("---- silent %s\n%s", kTypoNames[static_cast<int>(planted.typo)],
                        planted.typed.Text().c_str());
        }
        if (typo.silent++ == 0 && tally->first_wrong.empty()) {
            tally->first_wrong = std::string("silent ") +
                                 kTypoNames[static_cast<int>(planted.typo)] + "\n" +
                                 planted.typed.Text();
        }
    }
}

// A listing of random bytes in a random layout: 8 or 16 bytes a row, blocks
// of one to eight rows, a short last row now and then, and with check lines
// (`jumps`) now and then a new region at an aligned address where a block
// begins, or after a first region of a single row.
Listing RandomListing(Random& random, Convention convention, int* per_line, bool jumps) {
    *per_line = Pick(random, 2) == 0 ? 8 : 16;
    const int lines_per_block = jumps ? 1 + Pick(random, 8) : 3 + Pick(random, 4);
    const int blocks = 2 + Pick(random, 2);
    std::size_t size = static_cast<std::size_t>(*per_line * lines_per_block * blocks);
    if (Pick(random, 4) == 0) {
        size -= static_cast<std::size_t>(1 + Pick(random, *per_line - 1));
    }
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& b : bytes) {
        b = Pick(random, 8) == 0 ? 0 : static_cast<std::uint8_t>(random());
    }
    // New regions start at an aligned address past the bytes before, far
    // enough that no row can be taken for left out.
    std::vector<Jump> regions;
    const int lines = static_cast<int>((size + static_cast<std::size_t>(*per_line) - 1) /
                                       static_cast<std::size_t>(*per_line));
    unsigned end = 0xC000;
    for (int line = 0; line < lines; ++line) {
        const bool block_start = line > 0 && line % lines_per_block == 0;
        const bool after_first = line == 1 && Pick(random, 4) == 0;
        if (jumps && (after_first || (block_start && convention != Convention::NoChecksum &&
                                      Pick(random, 3) == 0))) {
            end = ((end + 0xFFu) & ~0xFFu) + 0x100u * static_cast<unsigned>(1 + Pick(random, 8));
            regions.push_back({line, end});
        }
        end += static_cast<unsigned>(*per_line);
    }
    return MakeListing(convention, bytes, *per_line, lines_per_block, "; listing", true, regions);
}

class PlantedTypoSweep : public ::testing::TestWithParam<Convention> {};

TEST_P(PlantedTypoSweep, CertainReadingsAreNeverWrong) {
    const Convention convention = GetParam();
    const ListingOptions options = OptionsFor(convention);
    const std::vector<Typo> typos = TyposFor(convention);
    Random random(20220105u + static_cast<unsigned>(convention));
    Tally tally;
    const int cases = CasesPerConvention();
    while (tally.cases < cases) {
        int per_line = 0;
        const Listing listing = RandomListing(random, convention, &per_line, false);
        Planted planted;
        const Typo typo =
            typos[static_cast<std::size_t>(Pick(random, static_cast<int>(typos.size())))];
        if (!Plant(convention, per_line, typo, listing, random, &planted)) {
            continue;
        }
        Judge(planted, options, &tally);
    }
    // Unreadable tokens with a second typo, from a sequence of their own.
    Random unreadable(19990303u + static_cast<unsigned>(convention));
    for (int planted_count = 0; planted_count < cases / 20 && options.checksum;) {
        int per_line = 0;
        const Listing listing = RandomListing(unreadable, convention, &per_line, false);
        Planted planted;
        if (Plant(convention, per_line, Typo::UnreadableAndOther, listing, unreadable, &planted)) {
            Judge(planted, options, &tally);
            ++planted_count;
        }
    }
    // Lines typed into an earlier block, where the regions of the listing
    // let the addresses around it mislead, from a sequence of their own.
    Random earlier(19850913u + static_cast<unsigned>(convention));
    for (int planted_count = 0; planted_count < cases / 5 && options.checksum;) {
        int per_line = 0;
        const Listing listing = RandomListing(earlier, convention, &per_line, true);
        Planted planted;
        if (Plant(convention, per_line, Typo::MoveLineEarlier, listing, earlier, &planted)) {
            Judge(planted, options, &tally);
            ++planted_count;
        }
    }
    std::printf(
        "[ sweep    ] %s: %d cases, %d certain readings (%d two bytes in a line, %d in "
        "several lines, %d tokens), %d wrong, %d without a finding\n",
        Name(convention), tally.cases, tally.Sum(&TypoTally::certain), tally.two_in_a_line,
        tally.several_lines, tally.tokens, tally.Sum(&TypoTally::wrong),
        tally.Sum(&TypoTally::silent));
    std::vector<Typo> shown = typos;
    shown.push_back(Typo::UnreadableAndOther);
    shown.push_back(Typo::MoveLineEarlier);
    for (const Typo typo : shown) {
        const TypoTally& t = tally.typos[static_cast<int>(typo)];
        std::printf(
            "[ sweep    ]   %-18s %6d cases %6d certain %4d wrong %4d fewer %4d silent %5.1f%% "
            "settled\n",
            kTypoNames[static_cast<int>(typo)], t.cases, t.certain, t.wrong, t.fewer, t.silent,
            t.cases > 0 ? 100.0 * t.settled / t.cases : 0.0);
    }
    EXPECT_EQ(0, tally.Sum(&TypoTally::wrong)) << tally.first_wrong;
    EXPECT_EQ(0, tally.Sum(&TypoTally::silent)) << tally.first_wrong;
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

// Listings of every layout the generator makes, checked in their own
// convention: no error and no warning (notes are fine).
TEST_P(PlantedTypoSweep, CleanListingsAreClean) {
    const Convention convention = GetParam();
    Random random(19870401u + static_cast<unsigned>(convention));
    for (int i = 0; i < CasesPerConvention(); ++i) {
        int per_line = 0;
        const Listing listing = RandomListing(random, convention, &per_line, true);
        CheckSummary summary;
        const std::vector<Finding> findings =
            Check(listing.Text(), OptionsFor(convention), &summary);
        ASSERT_EQ(0u, summary.findings + summary.warnings)
            << ::testing::PrintToString(Describe(findings)) << "\n"
            << listing.Text();
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
