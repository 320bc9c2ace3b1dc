// Helpers of the proofreading tests: listings generated in every convention
// with what each line holds, typos retyped into them, the checker run on a
// text, and findings described in short.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "proof/fix.h"
#include "proof/listing_check.h"

namespace tsy::proof {

// ---- Listings in every convention -------------------------------------------

enum class Convention { Plain, AddressSum, LowerAddress, OhMz, OhX, OhXCrcOnly, NoChecksum };

inline ListingOptions OptionsFor(Convention convention) {
    ListingOptions options;
    options.address_sum =
        convention == Convention::AddressSum || convention == Convention::LowerAddress;
    options.lower_address_only = convention == Convention::LowerAddress;
    options.ohmz_sum = convention == Convention::OhMz;
    options.ohx_crc = convention == Convention::OhX || convention == Convention::OhXCrcOnly;
    options.checksum = convention != Convention::NoChecksum;
    return options;
}

inline const char* Name(Convention convention) {
    static const char* const kNames[] = {"Plain", "AddressSum", "LowerAddress", "OhMz",
                                         "OhX",   "OhXCrcOnly", "NoChecksum"};
    return kNames[static_cast<int>(convention)];
}

inline void PrintTo(Convention convention, std::ostream* out) {
    *out << Name(convention);
}

inline bool IsOhX(Convention convention) {
    return convention == Convention::OhX || convention == Convention::OhXCrcOnly;
}

// The block CRC, bit by bit, written here again as the test's own oracle.
inline std::uint16_t Crc(std::uint16_t crc, std::uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
        const bool carry = (crc & 0x8000) != 0;
        crc = static_cast<std::uint16_t>(crc << 1);
        crc ^= carry ? 0x1021 : 0;
        crc ^= (byte >> bit) & 1;
    }
    return crc;
}

inline std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// What a generated line holds, for checking what a diagnosis claims.
struct LineTruth {
    enum Kind { Other, Data, Sum, Dashed } kind = Other;
    unsigned address = 0;             // Data
    std::vector<std::uint8_t> bytes;  // Data
    unsigned checksum = 0;            // Data: the value of its checksum window
    std::vector<unsigned> columns;    // Sum
    unsigned total = 0;               // Sum, Dashed: the total (16 bits) or the CRC
};

struct Listing {
    std::vector<std::string> lines;  // line n of the listing is lines[n - 1]
    std::vector<LineTruth> truth;    // what line n holds is truth[n - 1]
    std::string Text() const {
        std::string text;
        for (const std::string& line : lines) {
            text += line + "\n";
        }
        return text;
    }
};

// Where the data continue at a new address: before data line `line` (from
// 0), at `address`.
struct Jump {
    int line;
    unsigned address;
};

// A listing laid out as the examples are: a title, a blank line, then blocks
// of `lines_per_block` data lines of `per_line` bytes, each block closed by its
// check line (and a blank line after a SUM line, or after every check line
// with `blank_after_dashes`). The data start at C000 and continue at each of
// `jumps`.
inline Listing MakeListing(Convention convention, const std::vector<std::uint8_t>& bytes,
                           int per_line, int lines_per_block,
                           const std::string& title = "; listing", bool blank_after_dashes = true,
                           const std::vector<Jump>& jumps = {}) {
    Listing listing;
    listing.lines = {title, ""};
    listing.truth.resize(2);
    unsigned address = 0xC000;
    std::size_t at = 0;
    int data_line = 0;
    while (at < bytes.size()) {
        unsigned columns[16] = {};
        unsigned block_sum = 0;
        std::uint16_t crc = 0;
        for (int l = 0; l < lines_per_block && at < bytes.size(); ++l) {
            std::string data;
            unsigned line_sum = 0;
            for (const Jump& jump : jumps) {
                address = jump.line == data_line ? jump.address : address;
            }
            ++data_line;
            LineTruth truth;
            truth.kind = LineTruth::Data;
            truth.address = address;
            for (int k = 0; k < per_line && at < bytes.size(); ++k, ++at) {
                const std::uint8_t b = bytes[at];
                truth.bytes.push_back(b);
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
            truth.checksum = line_sum & (convention == Convention::OhMz ? 0xFFF : 0xFF);
            listing.lines.push_back(line);
            listing.truth.push_back(truth);
            address += static_cast<unsigned>(truth.bytes.size());
        }
        std::string sums;
        LineTruth check;
        check.kind = convention == Convention::OhMz ? LineTruth::Dashed : LineTruth::Sum;
        check.total = IsOhX(convention) ? crc : block_sum & 0xFFFF;
        for (int c = 0; c < per_line; ++c) {
            sums += Hex(columns[c] & 0xFF, 2) + " ";
            check.columns.push_back(columns[c] & 0xFF);
        }
        if (convention != Convention::NoChecksum) {
            listing.truth.push_back(check);
        }
        switch (convention) {
            case Convention::Plain:
            case Convention::AddressSum:
            case Convention::LowerAddress:
                listing.lines.push_back("SUM  " + sums + Hex(block_sum & 0xFFFF, 4));
                listing.lines.push_back("");
                listing.truth.emplace_back();
                break;
            case Convention::OhMz:
                listing.lines.push_back(std::string(30, '-') + " " + Hex(block_sum & 0xFFFF, 4));
                if (blank_after_dashes) {
                    listing.lines.push_back("");
                    listing.truth.emplace_back();
                }
                break;
            case Convention::OhX:
                listing.lines.push_back("SUM    " + sums + Hex(crc, 4));
                listing.lines.push_back("");
                listing.truth.emplace_back();
                break;
            case Convention::OhXCrcOnly:
                listing.lines.push_back("SUM    " + Hex(crc, 4));
                listing.lines.push_back("");
                listing.truth.emplace_back();
                break;
            case Convention::NoChecksum:
                break;
        }
    }
    return listing;
}

// The 64 bytes of the examples (examples/program.bin).
inline const std::vector<std::uint8_t> kProgram = {
    0x21, 0x00, 0xD0, 0x06, 0x40, 0x3E, 0x41, 0x77, 0x23, 0x10, 0xFC, 0xC9, 0x00, 0x00, 0x00, 0x00,
    0x48, 0x45, 0x4C, 0x4C, 0x4F, 0x2C, 0x20, 0x54, 0x53, 0x59, 0x50, 0x41, 0x54, 0x43, 0x48, 0x21,
    0x3E, 0x01, 0x02, 0x03, 0x21, 0x00, 0xC0, 0xC9, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
    0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90};

// Which token of a line an edit retypes; Line replaces the whole line.
enum class Piece { Byte, Checksum, Column, Total, Address, Line };

inline int TokenIndex(Convention convention, Piece piece, int index, int per_line) {
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
        case Piece::Line:
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
inline void Retype(std::string* line, int token, const std::string& text) {
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

inline void Apply(Convention convention, int per_line, const std::vector<Edit>& edits,
                  Listing* listing) {
    for (const Edit& edit : edits) {
        std::string& line = listing->lines[static_cast<std::size_t>(edit.line - 1)];
        if (edit.piece == Piece::Line) {
            line = edit.text;
            continue;
        }
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
inline std::vector<Finding> Check(const std::string& text, const ListingOptions& options,
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

// The tokens of a line, split at spaces.
inline std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> tokens;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = line.find(' ', at);
        tokens.push_back(line.substr(at, end - at));
        at = end;
    }
    return tokens;
}

// The check's certain corrections applied to `text` (check --fix).
inline std::string Fixed(const std::string& text, const ListingOptions& options,
                         std::vector<Finding>* findings, int* corrections) {
    struct Tee : FindingSink {
        void Report(const Finding& finding) override {
            plan->Report(finding);
            findings->push_back(finding);
        }
        FixPlan* plan;
        std::vector<Finding>* findings;
    };
    FixPlan plan(options);
    Tee tee;
    tee.plan = &plan;
    tee.findings = findings;
    MemoryByteSource bytes(text.data(), text.size());
    CheckListing(bytes, options, &tee);
    plan.Finish();
    struct Out : ByteSink {
        bool Write(const char* bytes, std::size_t size) override {
            text.append(bytes, size);
            return true;
        }
        std::string text;
    };
    MemoryByteSource listing(text.data(), text.size());
    MemoryByteSource again(text.data(), text.size());
    Out out;
    const FixResult result = WriteFixedListing(listing, again, options, plan, &out);
    *corrections = static_cast<int>(std::count(result.made.begin(), result.made.end(), true));
    return out.text;
}

// The tokens of every line of a text that holds any: a listing as its reader sees it.
inline std::vector<std::vector<std::string>> TokenLines(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        std::vector<std::string> tokens = Split(text.substr(at, end - at));
        if (!tokens.empty()) {
            lines.push_back(tokens);
        }
        at = end + 1;
    }
    return lines;
}

inline std::string Describe(const Diagnosis& d) {
    static const char* const kKinds[] = {
        "WrongByte",    "OneOfBytes",    "LineOffBy",      "ChecksumToken", "AddressField",
        "Misreading",   "SumMisreading", "ExplainedBy",    "ColumnToken",   "TotalToken",
        "CrcToken",     "UnseenColumns", "SwappedBytes",   "NotCounted",    "AddressReading",
        "RowLength",    "MissingLine",   "Duplicate",      "SkippedCounts", "MissingCounts",
        "RepeatCounts", "RowShortfall",  "LinesNotInSums", "TwoDigitTotal", "TokenMisreading",
        "BlockTooLong", "DoubledByte",   "DroppedByte",    "StrayLine",     "MovedLine",
        "StrayCounts",  "MovedHere",     "SwappedLines",   "FullWidth",     "ExtraColumn"};
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
        case DiagnosisKind::ExtraColumn:
            return text + " +" + Hex(static_cast<unsigned>(d.column), 1) + " " + d.token.text;
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
        case DiagnosisKind::BlockTooLong:
            return text;
        case DiagnosisKind::Duplicate:
        case DiagnosisKind::SkippedCounts:
        case DiagnosisKind::RepeatCounts:
            return text + " @" + std::to_string(d.line_number);
        case DiagnosisKind::AddressReading:
            return text + " " + d.token.text + ">" + Hex(d.right, 4) +
                   (d.sum == SumState::Right   ? " sum"
                    : d.sum == SumState::Wrong ? " nosum"
                                               : "");
        case DiagnosisKind::RowLength:
            return text + " @" + std::to_string(d.line_number) + " " + std::to_string(d.typed) +
                   ">" + std::to_string(d.right);
        case DiagnosisKind::MissingCounts:
            return text + " @" + std::to_string(d.line_number) + " " + Hex(d.right, 4);
        case DiagnosisKind::MissingLine:
        case DiagnosisKind::RowShortfall: {
            text += d.kind == DiagnosisKind::MissingLine ? " " + Hex(d.right, 4) + ":" : "";
            for (int k = 0; k < d.byte_count; ++k) {
                text += " " + Hex(d.bytes[k], 2);
            }
            return text;
        }
        case DiagnosisKind::LinesNotInSums:
            return text;
        case DiagnosisKind::TwoDigitTotal:
            return text + " " + d.token.text + (d.by_sums ? " fits" : " " + Hex(d.right, 2));
        case DiagnosisKind::TokenMisreading:
            return text + " " + d.token.text + ">" + d.reading.text;
        case DiagnosisKind::DoubledByte:
        case DiagnosisKind::DroppedByte: {
            text += " +" + Hex(static_cast<unsigned>(d.column), 1) + " " +
                    Hex(d.kind == DiagnosisKind::DoubledByte ? d.typed : d.right, 2) + ":";
            for (int k = 0; k < d.byte_count; ++k) {
                text += " " + Hex(d.bytes[k], 2);
            }
            return text;
        }
        case DiagnosisKind::StrayLine:
            return text;
        case DiagnosisKind::StrayCounts:
        case DiagnosisKind::SwappedLines:
            return text + " @" + std::to_string(d.line_number);
        case DiagnosisKind::MovedLine:
            return text + " @" + std::to_string(d.line_number) + " " + Hex(d.right, 4) + " <" +
                   std::to_string(d.other_line);
        case DiagnosisKind::MovedHere:
            return text + " @" + std::to_string(d.line_number) + " " + Hex(d.right, 4);
        case DiagnosisKind::FullWidth:
            return text +
                   (d.column < 0 ? " line" : " +" + Hex(static_cast<unsigned>(d.column), 1)) + " " +
                   d.token.text + ">" + d.reading.text;
    }
    return text;
}

// "L5 E03: WrongByte C +4 4E>4F; ..." for one finding; a finding without an
// E code is named by its kind ("L5 Skipped", "L9 Gap", "L9 Jump").
inline std::string Describe(const Finding& finding) {
    static const char* const kSteps[] = {"Gap",       "Overlap", "Repeat", "Backward", "OffAddress",
                                         "RowLength", "Jump",    "Stray",  "Swapped"};
    std::string text = "L" + std::to_string(finding.line_number) + " ";
    switch (finding.kind) {
        case FindingKind::Refusal:
            text += CodeName(finding.code);
            break;
        case FindingKind::SkippedLine:
            text += "Skipped";
            break;
        case FindingKind::AddressStep:
        case FindingKind::Jump:
            text += kSteps[static_cast<int>(finding.step)];
            break;
        case FindingKind::LookAlike:
            text += "LookAlike";
            break;
        case FindingKind::TotalDigits:
            text += "TotalDigits";
            break;
        case FindingKind::FullWidth:
            text += "FullWidth";
            break;
        case FindingKind::UnreadTokens:
            text += std::string("Unread ") + finding.given.text;
            break;
    }
    for (int i = 0; i < finding.diagnosis_count; ++i) {
        text += (i == 0 ? ": " : "; ") + Describe(finding.diagnoses[i]);
    }
    return text;
}

inline std::vector<std::string> Describe(const std::vector<Finding>& findings) {
    std::vector<std::string> texts;
    for (const Finding& finding : findings) {
        texts.push_back(Describe(finding));
    }
    return texts;
}

}  // namespace tsy::proof
