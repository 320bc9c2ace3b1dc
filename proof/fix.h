// check --fix: the listing with every certain correction applied. A FixPlan
// takes the findings of a check as they come and keeps the edits its certain
// diagnoses call for (a token retyped, a byte taken out or put in, a line put
// in, taken out, moved or swapped, full-width characters made half-width),
// and the likely diagnoses, which are left as typed. WriteFixedListing then
// copies the listing byte for byte with those edits made: every other byte,
// line ends and all, stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "listing/byte_source.h"
#include "listing/listing_options.h"
#include "proof/finding.h"

namespace tsy::proof {

enum class FixEditKind : unsigned char {
    Window,        // data window `index` (-1: the checksum) reads `text`; its token
                   // whole with `whole`
    Token,         // token `index` (the address field is 0) is `text`
    Field,         // the address field is `text`, with no blanks before it
    Total,         // the total's compared digits (a SumLine's total or a
                   // DashedLine's last four characters) read `text`; whole with `whole`
    Crc,           // the first four characters of the CRC token read `text`
    DropWindow,    // data window `index` goes, with the blank before it
    AddWindow,     // `text` comes before data window `index` (the checksum when past the data)
    HalfWidth,     // every full-width character of the line becomes half-width
    Delete,        // the line goes
    InsertBefore,  // a line of `address` and `bytes` comes before the line
    MoveBefore,    // line `other` comes before the line, and goes from where it is
    MoveAfter,     // line `other` comes after the line, and goes from where it is
    Swap,          // the line and line `other` change places
};

struct FixEdit {
    std::uint32_t line = 0;  // the physical line of the listing, from 1
    FixEditKind kind = FixEditKind::Token;
    int index = 0;
    bool whole = false;
    std::uint32_t other = 0;
    std::string text;
    std::uint32_t address = 0;        // InsertBefore
    std::vector<std::uint8_t> bytes;  // InsertBefore
    int correction = 0;               // in FixPlan::Corrections
};

// A diagnosis the plan acts on (certain) or leaves as typed (likely), with
// the line of the finding that carries it.
struct Correction {
    std::uint32_t line = 0;
    Finding finding;  // the finding, for its text; its diagnoses beside this one dropped
    bool made = false;
};

// Receives the findings of a check and keeps the edits of their certain
// diagnoses and the likely ones left as typed. Holds what the run reports
// (few, unlike its lines).
class FixPlan : public FindingSink {
  public:
    explicit FixPlan(const ListingOptions& options) : options_(options) {}
    void Report(const Finding& finding) override;
    // Ties the halves of moved lines together once the run has ended.
    void Finish();

    const std::vector<FixEdit>& Edits() const { return edits_; }
    const std::vector<Correction>& Corrections() const { return corrections_; }
    const std::vector<Correction>& LeftAsTyped() const { return left_; }

  private:
    void AddDiagnosis(const Finding& finding, const Diagnosis& d);
    FixEdit& Add(const Finding& finding, std::uint32_t line, FixEditKind kind, int index = 0,
                 std::string text = std::string());

    ListingOptions options_;
    std::vector<FixEdit> edits_;
    std::vector<Correction> corrections_;
    std::vector<Correction> left_;
    int current_ = -1;  // the correction being turned into edits
};

// Where the fixed listing goes.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // False on a write error.
    virtual bool Write(const char* bytes, std::size_t size) = 0;
};

struct FixResult {
    bool read_failed = false;
    bool write_failed = false;
    std::vector<bool> made;  // per correction of the plan: all its edits were made
};

// Copies `listing` to `out` with the plan's edits. `again` reads the same
// listing from its start, for the text of lines moved back before where
// they stand.
FixResult WriteFixedListing(ByteSource& listing, ByteSource& again, const ListingOptions& options,
                            const FixPlan& plan, ByteSink* out);

}  // namespace tsy::proof
