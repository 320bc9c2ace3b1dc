// Proofreading of a whole listing in one pass: every line is classified and
// evaluated as an apply would, but no error ends the run. A data line that
// fails (E00, E02, E03) is reported and the check goes on; a check line that
// fails (E04 to E08) is reported and resets the block's sums as if it had
// been accepted, so that every block is judged on its own. Bytes past 0xFFFF
// are reported as E09. The findings of a block are reported when its check
// line is read (or the listing ends), with the diagnoses its sums support.
//
// Which lines the block's sums count: an accepted line, and a line whose
// only fault is its line sum (E02, E03) or its range (E09), with its bytes
// as typed, so that a mistyped byte shows in exactly the sums it belongs to.
// A line with an unreadable window (E00) is counted with the one reading
// that makes its line sum right, or not at all.
//
// Besides the E codes, a run reports as warnings what an apply takes without
// a word: a line it skips that looks like a data line, a data line whose
// address does not continue the one before, a look-alike letter in a
// checksum, total or CRC token it reads; and as notes the jumps that start a
// new region on purpose.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/byte_source.h"
#include "listing/check_line.h"
#include "listing/data_line.h"
#include "listing/listing_options.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "proof/addresses.h"
#include "proof/block.h"
#include "proof/finding.h"
#include "proof/puzzle.h"

namespace tsy::proof {

class ListingChecker {
  public:
    // The most lines of one block held for its diagnosis.
    static constexpr std::size_t kMaxHeldLines = 4096;

    // Reports to `sink`, which must outlive the checker. About 30 KB: keep it
    // off small stacks.
    ListingChecker(const ListingOptions& options, FindingSink* sink);
    ListingChecker(const ListingChecker&) = delete;
    ListingChecker& operator=(const ListingChecker&) = delete;

    // Examines one line as LineSource::Next gives it (`length` bytes, line
    // feed kept), which began on the listing's physical line `line_number`.
    void Line(const char* line, std::size_t length, std::uint32_t line_number);

    // Judges the last block once the listing has ended.
    void Finish();

    const CheckSummary& Summary() const { return summary_; }

  private:
    void DataLine(const char* raw, std::size_t length, std::uint32_t line_number);
    // Keeps every window of the data line `upper` (evaluated as `data`) in
    // `line`, those past the reader's last included.
    void KeepWindows(const char* upper, std::size_t length, const DataLineResult& data,
                     RecordedLine* line) const;
    // Tokens after the last one the reader keeps, which no apply reads (a
    // byte typed twice before a checksum that still agrees): a warning.
    bool UnreadTokens(const char* raw, std::size_t length, std::uint32_t line_number,
                      Finding* finding) const;
    // Full-width characters (full_width_lines.cpp). Whether the upper-cased
    // half-width line reads as a data line whose line sum an apply could
    // compare; its evaluation is left in scratch_.
    bool ReadsAsData(const char* upper, std::size_t length);
    // Counts the data line by its half-width reading (scratch_), which
    // becomes data_, and names its full-width characters on `finding`.
    void CountHalfWidth(const char* raw, RecordedLine* line, Finding* finding);
    // A line the reader skips that reads as a data line half-width: a
    // skipped line of its own. False when it does not.
    bool FullWidthLine(const char* raw, std::uint32_t line_number);
    // The tokens of the half-width line that hold full-width characters,
    // each named with its reading on `finding`; `certain` when its line sum
    // agrees.
    void NameFullWidth(const char* raw, Certainty certainty, Finding* finding) const;
    // A line the reader skips: recorded when it looks like a data line.
    // `five_digits`: a DataLine ignored for its address above FFFF.
    void SkippedLine(const char* raw, std::size_t length, std::uint32_t line_number,
                     bool five_digits);
    void SumLine(const char* raw, std::size_t length, std::uint32_t line_number);
    // An E04 SumLine with its unreadable column tokens taken as unknown: what
    // it gives; not judged when they cannot be so read.
    CheckGiven UnreadableColumns(const char* raw, std::size_t length) const;
    void DashedLine(const char* raw, std::size_t length, std::uint32_t line_number);
    // A check line's total or CRC token `token` with a look-alike letter:
    // a finding of its own when the line was accepted, else a diagnosis on
    // `check`. Returns whether a reading gives the block's value `sum`
    // (BlockSum, or the CRC), that reading in `reading`.
    bool LookAlikeTotal(const char* raw, Token token, TokenRole role, std::uint32_t read,
                        std::uint32_t sum, std::uint32_t line_number, Finding* check,
                        Quote* reading);
    // What a SumLine that passed the pair test gives, its two-digit total
    // taken as a total.
    Finding CheckFinding(std::uint32_t line_number, LineOutcome code) const;
    int Hold(const Finding& finding);
    // Reports a block that holds kMaxHeldLines lines as it stands, so that
    // a run holds no more: its check line is then compared, not diagnosed.
    void LimitBlock();
    // A block ended by a check line is held until the next data line is
    // read (or the listing ends), whose address tells whether the block's
    // last line continues: `check` is the check line's finding (null when it
    // was accepted).
    void EndBlock(const CheckGiven& given, const Finding* check);
    // Judges and reports the held block; `next_address` is the address of
    // the data line after it, -1 when unknown.
    void ReleaseHeld(std::int32_t next_address);
    void Judge(BlockRecord* block, std::int32_t next_address, const CheckGiven& given,
               Finding* check);
    void Flush(BlockRecord* block);
    void Emit(const Finding& finding);

    const ListingOptions options_;
    FindingSink* sink_;
    CheckSummary summary_;
    char upper_[kLineBufferSize] = {};
    // The line with its full-width characters made half-width: as read,
    // upper-cased, and the offset in the line of each byte; its length 0
    // when it has none.
    char half_[kLineBufferSize] = {};
    char half_upper_[kLineBufferSize] = {};
    std::uint16_t half_from_[kLineBufferSize] = {};
    std::size_t half_length_ = 0;
    char address_text_[kAddressTextSize] = {};  // AddressText
    BlockSums sums_;
    std::int32_t next_address_ = -1;  // A + n of the last data line
    DataLineResult data_;
    DataLineResult scratch_;
    CheckLineResult check_;
    BlockRecord block_;
    bool block_cut_ = false;  // LimitBlock reported lines of the block
    bool held_ = false;
    BlockRecord held_block_;
    CheckGiven held_given_;
    bool held_has_check_ = false;
    Finding held_check_;
    AddressTrail trail_;
    BlockLinks links_;
};

// What a SumLine that passed the pair test gives (`width`: the widest row of
// its block), its two-digit total taken as a total.
CheckGiven SumLineGiven(const char* upper, std::size_t length, const CheckLineResult& check,
                        const ListingOptions& options, int width);

// A LookAlike finding on `finding` for a token read as `read` with the
// look-alike reading of `diagnosis`; certain when `matches` is 1.
void NameLookAlike(Diagnosis diagnosis, std::uint32_t read, int matches, Finding* finding);

// Whether a SumLine's total token `total` (of `upper`, typed as `raw`) is
// four characters whose last two, the digits an apply compares, are digits
// and whose high digits are not, with no look-alike reading giving `sum`
// in four digits.
bool HighDigitsUnread(const char* raw, const char* upper, Token total, std::uint32_t sum);

// What an apply takes without a word in the total of an accepted SumLine or
// DashedLine (`kind`, evaluated as `check` against `sums`; `width` the
// widest row of its block), as check reports it: a look-alike letter in its
// total or CRC token, and the high digits of a four-digit total that differ
// where no look-alike reading settles them. Each finding is `base` (its
// line, address and check-line mark) made that warning, into `out` (room
// for two); returns how many.
int AcceptedTotalWarnings(const char* raw, const char* upper, std::size_t length, LineKind kind,
                          const CheckLineResult& check, const BlockSums& sums,
                          const ListingOptions& options, int width, const Finding& base,
                          Finding* out);

enum class CheckStatus {
    Checked,     // the whole listing was read
    OpenFailed,  // it could not be opened
    ReadFailed,  // reading stopped on an error; the findings so far were reported
    TooLarge,    // past LineSource's limits (an endless input); the findings so far were reported
};

struct CheckRun {
    CheckStatus status = CheckStatus::Checked;
    std::uint32_t system_error = 0;  // the platform's code of a failed open or read
    CheckSummary summary;
    SourceFacts source;                   // what the decoding of a file saw
    InputLimit limit = InputLimit::None;  // TooLarge: which limit
};

// Proofreads `listing` (a path converts) under `options`, reporting every
// finding to `sink` in listing order.
CheckRun CheckListing(const ListingInput& listing, const ListingOptions& options,
                      FindingSink* sink);

// The same for a listing read from `bytes`.
CheckRun CheckListing(ByteSource& bytes, const ListingOptions& options, FindingSink* sink);

}  // namespace tsy::proof
