// What proofreading a listing reports: one Finding per examined line that an
// apply would refuse, each with the diagnoses that the block's sums support.
// Plain records, free of printing; a front end turns them into text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/data_line.h"
#include "listing/outcome.h"
#include "listing/sums.h"

namespace tsy::proof {

// A token quoted by a finding: at most kQuoteSize - 1 bytes, zero-terminated.
inline constexpr std::size_t kQuoteSize = 24;
struct Quote {
    char text[kQuoteSize] = {};
};

// The first bytes of `text` (`length` bytes) that fit a Quote, never cut
// inside a Shift-JIS double-byte character.
Quote MakeQuote(const char* text, std::size_t length);

// How far the sums pin a diagnosis down: Certain when they determine it
// uniquely (for one mistyped byte), Likely when another reading remains.
enum class Certainty : unsigned char { Certain, Likely };

enum class DiagnosisKind : unsigned char {
    // On a data line's finding.
    WrongByte,      // data byte `column` reads `typed`, should be `right`
    OneOfBytes,     // one of several candidates of that kind, this one among them
    LineOffBy,      // some byte of the line is off by `delta`; too many candidates to name
    ChecksumToken,  // the checksum token `token` should read `right`
    AddressField,   // the address `typed` should be `right` (AddressSum sees it)
    Misreading,     // `token` reads as `reading`; `column` is the data window, -1 the checksum
    // On a check line's finding.
    SumMisreading,  // column `column`'s token `token` reads as `reading`
    ExplainedBy,    // the byte `column` of line `line_number` (`typed` for `right`) explains it
    ColumnToken,    // column `column`'s token `token` should read `right`
    TotalToken,     // the total `token` should read `right`
    CrcToken,       // the CRC `token` should read `right`
    UnseenColumns,  // `columns` (bit c for column c) hold an error no line sum sees
    SwappedBytes,   // line `line_number` has columns `column` and `column2` swapped:
                    // they read `typed` (two bytes, high first), should read `right`
    NotCounted,     // line `line_number` could not be read and is missing from the sums
};

struct Diagnosis {
    DiagnosisKind kind = DiagnosisKind::WrongByte;
    Certainty certainty = Certainty::Likely;
    std::uint32_t line_number = 0;             // the data line meant by a check line's diagnosis
    char address_text[kAddressTextSize] = {};  // its address field
    int column = -1;
    int column2 = -1;
    std::uint32_t columns = 0;
    std::uint32_t typed = 0;
    std::uint32_t right = 0;
    int digits = 2;          // hexadecimal digits of `typed` and `right`
    std::int32_t delta = 0;  // LineOffBy
    Quote token;
    Quote reading;
};

// One mismatching column of a SumLine.
struct ColumnEntry {
    int column = 0;
    Quote given;
    std::uint8_t computed = 0;
};

inline constexpr int kMaxColumnEntries = kColumnCount;
inline constexpr int kMaxDiagnoses = 6;

struct Finding {
    std::uint32_t line_number = 0;  // physical line of the listing, from 1
    bool check_line = false;        // a SumLine or DashedLine rather than a DataLine
    LineOutcome code = LineOutcome::Accepted;
    // The data line's own address field; for a check line, AddressText of the
    // last data line before it (empty before the first).
    char address_text[kAddressTextSize] = {};
    int index = -1;              // E00: the data window k; E04: the column c
    Quote given;                 // E00 window, E02/E03 checksum, E04 token, E06-E08 compared part
    std::uint32_t computed = 0;  // E02/E03 LineSum; E06, E07, E08 the computed value
    std::int32_t first_address = 0;  // E09: the line's first and last byte
    std::int32_t last_address = 0;
    int column_count = 0;  // E05: the mismatching columns kept, in column order
    ColumnEntry columns[kMaxColumnEntries];
    int columns_left_out = 0;
    int diagnosis_count = 0;
    Diagnosis diagnoses[kMaxDiagnoses];
    int diagnoses_left_out = 0;

    // Appends a diagnosis; counts it as left out once kMaxDiagnoses are held.
    void Add(const Diagnosis& diagnosis);
};

// Receives the findings of a run in listing order.
class FindingSink {
  public:
    virtual ~FindingSink() = default;
    virtual void Report(const Finding& finding) = 0;
};

struct CheckSummary {
    std::uint32_t lines_read = 0;  // lines as the line source gave them
    std::uint32_t data_lines = 0;  // lines classified as DataLines
    std::uint32_t blocks = 0;      // check lines, and a last run of data lines without one
    std::uint32_t findings = 0;
};

}  // namespace tsy::proof
