#include "cli/check.h"

#include <cstdint>
#include <cstdio>

#include "app/check/listing_check.h"
#include "cli/terminal.h"
#include "listing/report.h"
#include "resources/check_texts.h"

namespace tsy::cli {
namespace {

using check::Certainty;
using check::Diagnosis;
using check::DiagnosisKind;
using check::Finding;

constexpr int kNoFindings = 0;
constexpr int kFindings = 1;
constexpr int kFileError = 3;
constexpr std::size_t kFindingTextSize = 2048;

// A text built by formatted pieces, never past its capacity.
class Text {
  public:
    Text(char* out, std::size_t capacity) : out_(out), capacity_(capacity) {
        if (capacity_ > 0) {
            out_[0] = '\0';
        }
    }

    template <typename... Args>
    void Add(const char* format, Args... args) {
        if (length_ + 1 >= capacity_) {
            return;
        }
        const int written = std::snprintf(out_ + length_, capacity_ - length_, format, args...);
        if (written > 0) {
            length_ += static_cast<std::size_t>(written);
            if (length_ > capacity_ - 1) {
                length_ = capacity_ - 1;
            }
        }
    }

  private:
    char* out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

// A value in `digits` hexadecimal digits.
struct Hex {
    Hex(std::uint32_t value, int digits) {
        std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    }
    char text[12];
};

unsigned Column(int column) {
    return static_cast<unsigned>(column);
}

void AddReport(const Finding& finding, Text* text) {
    switch (finding.code) {
        case LineOutcome::E00:
            text->Add(text::kCheckE00, Column(finding.index), finding.given.text);
            break;
        case LineOutcome::E02:
            text->Add(text::kCheckE02, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E03:
            text->Add(text::kCheckE03, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E04:
            text->Add(text::kCheckE04, Column(finding.index), finding.given.text);
            break;
        case LineOutcome::E05:
            text->Add("%s", text::kCheckE05);
            for (int i = 0; i < finding.column_count; ++i) {
                const check::ColumnEntry& entry = finding.columns[i];
                const Hex label(Column(entry.column), 1);
                text->Add(text::kCheckE05Entry, label.text, entry.given.text,
                          static_cast<unsigned>(entry.computed));
            }
            if (finding.columns_left_out > 0) {
                text->Add("%s", text::kCheckLeftOut);
            }
            break;
        case LineOutcome::E06:
            text->Add(text::kCheckE06, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E07:
            text->Add(text::kCheckE07, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E08:
            text->Add(text::kCheckE08, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E09:
            text->Add(text::kCheckE09, static_cast<unsigned>(finding.first_address),
                      static_cast<unsigned>(finding.last_address));
            break;
        case LineOutcome::Accepted:
        case LineOutcome::Ignored:
            break;
    }
}

void AddDiagnosis(const Diagnosis& d, Text* text) {
    const char* sure = d.certainty == Certainty::Certain ? text::kCheckCertain : text::kCheckLikely;
    const Hex typed(d.typed, d.digits);
    const Hex right(d.right, d.digits);
    text->Add("\n");
    switch (d.kind) {
        case DiagnosisKind::WrongByte:
            text->Add(text::kCheckWrongByte, sure, Column(d.column), typed.text, right.text);
            break;
        case DiagnosisKind::OneOfBytes:
            text->Add(text::kCheckOneOfBytes, sure, Column(d.column), typed.text, right.text);
            break;
        case DiagnosisKind::LineOffBy: {
            const std::uint32_t size = static_cast<std::uint32_t>(d.delta < 0 ? -d.delta : d.delta);
            const Hex magnitude(size, 2);
            char change[16];
            std::snprintf(change, sizeof change, "%c%s", d.delta < 0 ? '-' : '+', magnitude.text);
            text->Add(text::kCheckLineOffBy, sure, change);
            break;
        }
        case DiagnosisKind::ChecksumToken:
            text->Add(text::kCheckChecksumToken, sure, d.token.text, right.text);
            break;
        case DiagnosisKind::AddressField:
            text->Add(text::kCheckAddressField, sure, typed.text, right.text);
            break;
        case DiagnosisKind::Misreading:
            if (d.column >= 0) {
                text->Add(text::kCheckMisreading, sure, Column(d.column), d.token.text,
                          d.reading.text);
            } else {
                text->Add(text::kCheckChecksumMisreading, sure, d.token.text, d.reading.text);
            }
            break;
        case DiagnosisKind::SumMisreading:
            text->Add(text::kCheckSumMisreading, sure, Column(d.column), d.token.text,
                      d.reading.text);
            break;
        case DiagnosisKind::ExplainedBy:
            text->Add(text::kCheckExplainedBy, sure, static_cast<unsigned>(d.line_number),
                      d.address_text, Column(d.column), typed.text, right.text);
            break;
        case DiagnosisKind::ColumnToken:
            text->Add(text::kCheckColumnToken, sure, Column(d.column), d.token.text, right.text);
            break;
        case DiagnosisKind::TotalToken:
            text->Add(text::kCheckTotalToken, sure, d.token.text, right.text);
            break;
        case DiagnosisKind::CrcToken:
            text->Add(text::kCheckCrcToken, sure, d.token.text, right.text);
            break;
        case DiagnosisKind::UnseenColumns: {
            char columns[64] = {};
            Text list(columns, sizeof columns);
            for (int c = 0; c < kColumnCount; ++c) {
                if ((d.columns >> c) & 1u) {
                    list.Add(" +%X", Column(c));
                }
            }
            text->Add(text::kCheckUnseenColumns, sure, columns);
            break;
        }
        case DiagnosisKind::SwappedBytes: {
            const Hex before(d.typed, 4);
            const Hex after(d.right, 4);
            char from[8];
            char to[8];
            std::snprintf(from, sizeof from, "%.2s %.2s", before.text, before.text + 2);
            std::snprintf(to, sizeof to, "%.2s %.2s", after.text, after.text + 2);
            text->Add(text::kCheckSwappedBytes, sure, static_cast<unsigned>(d.line_number),
                      d.address_text, Column(d.column), Column(d.column2), from, to);
            break;
        }
        case DiagnosisKind::NotCounted:
            text->Add(text::kCheckNotCounted, static_cast<unsigned>(d.line_number), d.address_text);
            break;
    }
}

// Prints each finding as it comes.
class TerminalFindings : public check::FindingSink {
  public:
    void Report(const Finding& finding) override {
        char text[kFindingTextSize];
        FormatFinding(finding, text, sizeof text);
        PrintText(stdout, text);
    }
};

}  // namespace

void FormatFinding(const Finding& finding, char* out, std::size_t capacity) {
    Text text(out, capacity);
    text.Add(finding.check_line ? text::kCheckCheckHeading : text::kCheckDataHeading,
             static_cast<unsigned>(finding.line_number), finding.address_text,
             CodeName(finding.code));
    AddReport(finding, &text);
    for (int i = 0; i < finding.diagnosis_count; ++i) {
        AddDiagnosis(finding.diagnoses[i], &text);
    }
    if (finding.diagnoses_left_out > 0) {
        text.Add("\n");
        text.Add(text::kCheckMoreDiagnoses, finding.diagnoses_left_out);
    }
}

void FormatSummary(const check::CheckSummary& summary, char* out, std::size_t capacity) {
    Text text(out, capacity);
    text.Add(text::kCheckSummary, static_cast<unsigned>(summary.lines_read),
             static_cast<unsigned>(summary.data_lines), static_cast<unsigned>(summary.blocks),
             static_cast<unsigned>(summary.findings));
}

int RunCheck(const CliOptions& options) {
    TerminalFindings findings;
    const check::CheckRun run =
        check::CheckListing(options.dump_path.c_str(), options.dump.listing, &findings);
    if (run.status == check::CheckStatus::OpenFailed) {
        char message[kFindingTextSize];
        FormatOpenFailure(run.open_error, message, sizeof message);
        PrintText(stderr, message);
        return kFileError;
    }
    char summary[kFindingTextSize];
    FormatSummary(run.summary, summary, sizeof summary);
    PrintText(stdout, summary);
    if (run.status == check::CheckStatus::ReadFailed) {
        PrintText(stderr, text::kCheckReadFailed);
        return kFileError;
    }
    return run.summary.findings > 0 ? kFindings : kNoFindings;
}

}  // namespace tsy::cli
