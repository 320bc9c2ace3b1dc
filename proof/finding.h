// What proofreading a listing reports: one Finding per examined line that an
// apply would refuse, each with the diagnoses that the block's sums support,
// and the warnings and notes about what an apply takes without a word (lines
// it skips that look like data, addresses that do not continue, look-alike
// letters in the tokens it reads). Plain records, free of printing; a front
// end turns them into text.
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

// How far the sums pin a diagnosis down: Certain when exactly one correction
// (of the fewest typos) fits every sum, Likely when another reading remains.
enum class Certainty : unsigned char { Certain, Likely };

// What a finding reports. Only a Refusal carries an E code; the others are
// about lines an apply takes (or skips) without a word.
enum class FindingKind : unsigned char {
    Refusal,       // an E code: an apply stops at this line
    SkippedLine,   // a line the reader ignores that looks like a data line
    AddressStep,   // a data line whose address does not continue the one before
    LookAlike,     // a token the reader takes holds a look-alike letter
    TotalDigits,   // the digits of a SUM line's total that an apply does not compare differ
    FullWidth,     // full-width characters in a line an apply takes as it should
    Jump,          // a note: the data continues elsewhere on purpose
    UnreadTokens,  // `given`: tokens after the last one the reader keeps (`index` 1: its checksum)
};

// Whether findings of the kind count as errors or warnings (check's exit
// status); a Jump is only a note.
inline bool IsWarning(FindingKind kind) {
    return kind != FindingKind::Refusal && kind != FindingKind::Jump;
}

// Why a line that looks like a data line is skipped.
enum class SkipReason : unsigned char {
    LookAlike,     // its address field has letters that only look like digits
    ShortAddress,  // three hexadecimal digits
    LongAddress,   // five hexadecimal digits, above FFFF
    Indented,      // blanks before the address
    FullWidth,     // typed in full-width characters
};

// How a data line's address stands to the line before (AddressStep, Jump).
enum class StepKind : unsigned char {
    Gap,         // bytes left out between the two lines
    Overlap,     // the line begins inside bytes already written
    Repeat,      // the line has the address of an earlier line
    Backward,    // the address goes back before the line before
    OffAddress,  // the lines before and after agree on another address
    RowLength,   // the line before holds more or fewer bytes than the rows around
    Jump,        // a new block or an aligned new region (a note)
    Stray,       // the line after continues the line before: this one is out of place
    Swapped,     // this line and the next continue each other in the other order
};

// Which token of a line a look-alike finding or diagnosis means.
enum class TokenRole : unsigned char { Checksum, Total, Crc, DashedTotal };

// Whether a line's own checksum agrees with a reading of it.
enum class SumState : unsigned char { NoChecksum, Right, Wrong };

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
    // On a skipped line's finding.
    AddressReading,  // the address field `token` reads as `right`; `sum` tells the line sum
    // On an address step's finding.
    RowLength,    // line `line_number` holds `typed` bytes where the rows hold `right`
    MissingLine,  // the line left out at `right` holds `bytes`, checksum `typed`
    Duplicate,    // this line repeats line `line_number` (`by_sums`: the sums say so)
    // On a check line's finding.
    SkippedCounts,   // the skipped line `line_number` (`token`) makes the difference
    MissingCounts,   // the line missing before line `line_number` (at `right`) makes it
    RepeatCounts,    // the repeated line `line_number` makes it
    RowShortfall,    // one row of `bytes` is missing from the sums (`delta` > 0) or too much
    LinesNotInSums,  // lines skipped or left out hide which token is wrong
    TwoDigitTotal,   // the last column `token` is a total in two digits; `by_sums` it fits
    // On a look-alike finding, or a check line's E06 to E08.
    TokenMisreading,  // the `role` token `token` reads as `reading`
    // On a check line's finding.
    BlockTooLong,  // the block held more than `line_number` data lines: not diagnosed
    // On the finding of a line whose row has a byte too many or too few:
    // byte `column` was typed twice (or is a stray), or byte `right` was
    // left out before byte `column`; the row as meant is `bytes`.
    DoubledByte,
    DroppedByte,
    // On the step of a line out of place (`line_number`): its bytes are not
    // part of this block; a MovedLine belongs at address `right`, before
    // line `other_line` (`column` 0), after it (1), or where another block
    // found it left out (-1: before line `other_line`, or after that
    // block's last line when 0).
    StrayLine,
    MovedLine,
    StrayCounts,   // on a check line: the line `line_number` out of place makes the difference
    MovedHere,     // on a gap: the line `line_number`, typed elsewhere, belongs here
    SwappedLines,  // this line and line `line_number` are in each other's place
    // On a line with full-width characters: `token` reads as `reading`
    // (`column` the data window, -1 the whole line).
    FullWidth,
    // On a check line's finding: column `column`'s token `token` is one
    // token too many (the columns after it move up one); the rows stand as
    // typed.
    ExtraColumn,
};

struct Diagnosis {
    DiagnosisKind kind = DiagnosisKind::WrongByte;
    Certainty certainty = Certainty::Likely;
    std::uint32_t line_number = 0;  // the data line meant by a check line's diagnosis
    // MovedLine, MissingLine, MovedHere: the line it goes before (0: after
    // the block's last line).
    std::uint32_t other_line = 0;
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
    SumState sum = SumState::NoChecksum;   // AddressReading
    bool by_sums = false;                  // Duplicate, TwoDigitTotal
    TokenRole role = TokenRole::Checksum;  // TokenMisreading
    int byte_count = 0;                    // MissingLine, RowShortfall
    std::uint8_t bytes[kColumnCount] = {};
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
    FindingKind kind = FindingKind::Refusal;
    std::uint32_t line_number = 0;             // physical line of the listing, from 1
    bool check_line = false;                   // a SumLine or DashedLine rather than a DataLine
    LineOutcome code = LineOutcome::Accepted;  // the E code of a Refusal
    SkipReason skip = SkipReason::LookAlike;   // SkippedLine
    StepKind step = StepKind::Gap;             // AddressStep, Jump
    TokenRole role = TokenRole::Checksum;      // LookAlike
    std::uint32_t other_line = 0;              // AddressStep, Jump: the data line before
                                               // (Repeat: the line of the same address)
    // The data line's own address field; for a check line, AddressText of the
    // last data line before it (empty before the first).
    char address_text[kAddressTextSize] = {};
    // E00: the data window k; E04: the column c; a Gap step: the whole rows
    // left out (-1 when not whole rows); an Overlap step: the line's count
    // of bytes; Jump: 1 at the first line of a block.
    int index = -1;
    // E00 window, E02/E03 checksum, E04 token, E06-E08 compared part;
    // SkippedLine the address field as typed; LookAlike the token.
    Quote given;
    // E02/E03 LineSum; E06, E07, E08 the computed value; LookAlike the value read.
    std::uint32_t computed = 0;
    // E09: the line's first and last byte. AddressStep, Jump: the address that
    // continues the line before, and this line's address.
    std::int32_t first_address = 0;
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
    std::uint32_t blocks = 0;      // blocks ended by a check line
    std::uint32_t findings = 0;    // findings with an E code
    std::uint32_t warnings = 0;    // the other findings, notes aside
    std::uint32_t notes = 0;
};

}  // namespace tsy::proof
