// Feeds an arbitrary listing to the proofreader as `tsypatch check` runs it:
// under the options chosen, then, when that run has findings, under every
// other convention it tries for a better one. The listing is read from
// memory.
//
// Input: byte 0 holds the options (bit 0 Checksum, 1 AddressSum,
// 2 LowerAddressOnly, 3 OhMzSum, 4 OhXCrc), the rest is the listing.
//
// Besides the sanitizers, every run checks what a front end relies on when
// it turns findings into text: a finding's kind and its E code agree,
// findings come in listing order, their counts stay within the arrays that
// hold them, every quote is zero-terminated, the columns named lie in a
// line, and the run's summary counts exactly the findings it reported.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "listing/byte_source.h"
#include "listing/tokens.h"
#include "proof/convention.h"
#include "proof/listing_check.h"

namespace {

using tsy::proof::Diagnosis;
using tsy::proof::Finding;
using tsy::proof::FindingKind;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "check_fuzz: %s\n", what);
        std::abort();
    }
}

bool Terminated(const char* text, std::size_t size) {
    return std::memchr(text, '\0', size) != nullptr;
}

// A column a diagnosis names: -1 for none, past the row's columns for a
// SUM line's extra column sums.
bool InLine(int column) {
    return column >= -1 && column < tsy::kMaxTokensPerLine;
}

void CheckDiagnosis(const Diagnosis& d) {
    Check(Terminated(d.token.text, sizeof d.token.text), "a diagnosis token without its end");
    Check(Terminated(d.reading.text, sizeof d.reading.text), "a diagnosis reading without its end");
    Check(Terminated(d.address_text, sizeof d.address_text), "a diagnosis address without its end");
    Check(InLine(d.column) && InLine(d.column2), "a diagnosis column past the line's tokens");
    Check(d.digits >= 1 && d.digits <= 8, "a diagnosis value of no sensible width");
    Check(d.byte_count >= 0 && d.byte_count <= tsy::kColumnCount,
          "a diagnosis byte count beyond a row");
    Check((d.columns >> tsy::kColumnCount) == 0, "a diagnosis naming columns past the row");
}

// Counts what a run reports, and checks each finding as it comes.
class Sink : public tsy::proof::FindingSink {
  public:
    void Report(const Finding& f) override {
        const bool refusal = f.kind == FindingKind::Refusal;
        Check(tsy::IsError(f.code) == refusal, "a finding's kind and its code disagree");
        Check(f.line_number >= last_line_, "findings out of listing order");
        Check(f.line_number >= 1, "a finding before the first line");
        last_line_ = f.line_number;
        Check(Terminated(f.given.text, sizeof f.given.text), "a quote without its end");
        Check(Terminated(f.address_text, sizeof f.address_text), "an address without its end");
        Check(f.column_count >= 0 && f.column_count <= tsy::proof::kMaxColumnEntries,
              "more columns than the finding holds");
        for (int i = 0; i < f.column_count; ++i) {
            // A SUM line may hold more column sums than a row has columns:
            // those past the row compare with 0.
            Check(f.columns[i].column >= 0 && f.columns[i].column < tsy::kMaxTokensPerLine,
                  "an E05 column past the line's tokens");
            Check(i == 0 || f.columns[i - 1].column < f.columns[i].column,
                  "E05 columns out of order");
            Check(Terminated(f.columns[i].given.text, sizeof f.columns[i].given.text),
                  "an E05 token without its end");
        }
        Check(f.diagnosis_count >= 0 && f.diagnosis_count <= tsy::proof::kMaxDiagnoses,
              "more diagnoses than the finding holds");
        Check(f.diagnoses_left_out >= 0 && f.columns_left_out >= 0, "a negative count left out");
        for (int i = 0; i < f.diagnosis_count; ++i) {
            CheckDiagnosis(f.diagnoses[i]);
        }
        if (refusal) {
            ++refusals;
        } else if (f.kind == FindingKind::Jump) {
            ++notes;
        } else {
            Check(tsy::proof::IsWarning(f.kind), "a finding of no kind");
            ++warnings;
        }
    }

    std::uint32_t refusals = 0;
    std::uint32_t warnings = 0;
    std::uint32_t notes = 0;

  private:
    std::uint32_t last_line_ = 0;
};

// One run under `options`, checked.
tsy::proof::CheckRun CheckedRun(const std::uint8_t* data, std::size_t size,
                                const tsy::ListingOptions& options) {
    tsy::MemoryByteSource listing(data, size);
    Sink sink;
    const tsy::proof::CheckRun run = tsy::proof::CheckListing(listing, options, &sink);
    Check(run.status == tsy::proof::CheckStatus::Checked, "a listing in memory not read whole");
    Check(run.summary.findings == sink.refusals, "the summary's errors and the findings differ");
    Check(run.summary.warnings == sink.warnings, "the summary's warnings and the findings differ");
    Check(run.summary.notes == sink.notes, "the summary's notes and the findings differ");
    Check(run.summary.data_lines <= run.summary.lines_read, "more data lines than lines");
    return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    tsy::ListingOptions chosen;
    chosen.checksum = (data[0] & 0x01) != 0;
    chosen.address_sum = (data[0] & 0x02) != 0;
    chosen.lower_address_only = (data[0] & 0x04) != 0;
    chosen.ohmz_sum = (data[0] & 0x08) != 0;
    chosen.ohx_crc = (data[0] & 0x10) != 0;
    const tsy::proof::CheckRun own = CheckedRun(data + 1, size - 1, chosen);
    if (own.summary.data_lines == 0 || tsy::proof::Problems(own.summary) == 0) {
        return 0;
    }
    for (const tsy::ListingOptions& options : tsy::proof::kConventions) {
        if (!tsy::proof::SameConvention(options, chosen)) {
            CheckedRun(data + 1, size - 1, options);
        }
    }
    return 0;
}
