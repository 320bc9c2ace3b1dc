// The text of a finding: its heading and the report of its E code or
// notice, then one line per diagnosis; and the summary of a run.
#include "proof/finding_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "listing/report.h"
#include "resources/check_texts.h"
#include "resources/texts.h"

namespace tsy::proof {
namespace {

unsigned Column(int column) {
    return static_cast<unsigned>(column);
}

void AddReport(const Finding& finding, TextOut* text) {
    switch (finding.code) {
        case LineOutcome::E00:
            text::CheckE00(*text, Column(finding.index), finding.given.text);
            break;
        case LineOutcome::E02:
            text::CheckE02(*text, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E03:
            text::CheckE03(*text, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E04:
            text::CheckE04(*text, Column(finding.index), finding.given.text);
            break;
        case LineOutcome::E05:
            text->Append(text::kCheckE05);
            for (int i = 0; i < finding.column_count; ++i) {
                const ColumnEntry& entry = finding.columns[i];
                const Hex label(Column(entry.column), 1);
                text::CheckE05Entry(*text, label.text, entry.given.text,
                                    static_cast<unsigned>(entry.computed));
            }
            if (finding.columns_left_out > 0) {
                text->Append(text::kCheckLeftOut);
            }
            break;
        case LineOutcome::E06:
            text::CheckE06(*text, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E07:
            text::CheckE07(*text, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E08:
            text::CheckE08(*text, finding.given.text, static_cast<unsigned>(finding.computed));
            break;
        case LineOutcome::E09:
            text::CheckE09(*text, static_cast<unsigned>(finding.first_address),
                           static_cast<unsigned>(finding.last_address));
            break;
        case LineOutcome::Accepted:
        case LineOutcome::Ignored:
            break;
    }
}

void AddDiagnosis(const Finding& finding, const Diagnosis& d, TextOut* text) {
    const char* sure = d.certainty == Certainty::Certain ? text::kCheckCertain : text::kCheckLikely;
    const Hex typed(d.typed, d.digits);
    // A byte typed unreadable is quoted as typed.
    const char* typed_byte = d.token.text[0] != '\0' ? d.token.text : typed.text;
    const Hex right(d.right, d.digits);
    text->Append("\n");
    switch (d.kind) {
        case DiagnosisKind::WrongByte:
            text::CheckWrongByte(*text, sure, Column(d.column), typed_byte, right.text);
            break;
        case DiagnosisKind::OneOfBytes:
            text::CheckOneOfBytes(*text, sure, Column(d.column), typed_byte, right.text);
            break;
        case DiagnosisKind::LineOffBy: {
            const std::uint32_t size = static_cast<std::uint32_t>(d.delta < 0 ? -d.delta : d.delta);
            const Hex magnitude(size, 2);
            char change[16];
            std::snprintf(change, sizeof change, "%c%s", d.delta < 0 ? '-' : '+', magnitude.text);
            text::CheckLineOffBy(*text, sure, change);
            break;
        }
        case DiagnosisKind::ChecksumToken:
            text::CheckChecksumToken(*text, sure, d.token.text, right.text);
            break;
        case DiagnosisKind::AddressField:
            text::CheckAddressField(*text, sure, typed.text, right.text);
            break;
        case DiagnosisKind::Misreading:
            if (d.column >= 0) {
                text::CheckMisreading(*text, sure, Column(d.column), d.token.text, d.reading.text);
            } else {
                text::CheckChecksumMisreading(*text, sure, d.token.text, d.reading.text);
            }
            break;
        case DiagnosisKind::SumMisreading:
            text::CheckSumMisreading(*text, sure, Column(d.column), d.token.text, d.reading.text);
            break;
        case DiagnosisKind::ExplainedBy:
            text::CheckExplainedBy(*text, sure, static_cast<unsigned>(d.line_number),
                                   d.address_text, Column(d.column), typed_byte, right.text);
            break;
        case DiagnosisKind::ColumnToken:
            text::CheckColumnToken(*text, sure, Column(d.column), d.token.text, right.text);
            break;
        case DiagnosisKind::ExtraColumn:
            text::CheckExtraColumn(*text, sure, Column(d.column), d.token.text);
            break;
        case DiagnosisKind::TotalToken:
            text::CheckTotalToken(*text, sure, d.token.text, right.text);
            break;
        case DiagnosisKind::CrcToken:
            text::CheckCrcToken(*text, sure, d.token.text, right.text);
            break;
        case DiagnosisKind::UnseenColumns: {
            char columns[64] = {};
            TextOut list(columns, sizeof columns);
            for (int c = 0; c < kColumnCount; ++c) {
                if ((d.columns >> c) & 1u) {
                    list.Format(" +%X", Column(c));
                }
            }
            text::CheckUnseenColumns(*text, sure, columns);
            break;
        }
        case DiagnosisKind::SwappedBytes: {
            const Hex before(d.typed, 4);
            const Hex after(d.right, 4);
            char from[8];
            char to[8];
            std::snprintf(from, sizeof from, "%.2s %.2s", before.text, before.text + 2);
            std::snprintf(to, sizeof to, "%.2s %.2s", after.text, after.text + 2);
            text::CheckSwappedBytes(*text, sure, static_cast<unsigned>(d.line_number),
                                    d.address_text, Column(d.column), Column(d.column2), from, to);
            break;
        }
        case DiagnosisKind::NotCounted:
            text::CheckNotCounted(*text, static_cast<unsigned>(d.line_number), d.address_text);
            break;
        case DiagnosisKind::BlockTooLong:
            text::CheckBlockTooLong(*text, static_cast<unsigned>(d.line_number));
            break;
        case DiagnosisKind::AddressReading:
        case DiagnosisKind::RowLength:
        case DiagnosisKind::MissingLine:
        case DiagnosisKind::Duplicate:
        case DiagnosisKind::SkippedCounts:
        case DiagnosisKind::MissingCounts:
        case DiagnosisKind::RepeatCounts:
        case DiagnosisKind::RowShortfall:
        case DiagnosisKind::LinesNotInSums:
        case DiagnosisKind::TwoDigitTotal:
        case DiagnosisKind::TokenMisreading:
        case DiagnosisKind::DoubledByte:
        case DiagnosisKind::DroppedByte:
        case DiagnosisKind::StrayLine:
        case DiagnosisKind::MovedLine:
        case DiagnosisKind::StrayCounts:
        case DiagnosisKind::MovedHere:
        case DiagnosisKind::SwappedLines:
        case DiagnosisKind::FullWidth:
            AddLineDiagnosis(finding, d, sure, text);
            break;
    }
}

}  // namespace

void FormatFinding(const Finding& finding, char* out, std::size_t capacity) {
    TextOut text(out, capacity);
    if (finding.kind != FindingKind::Refusal) {
        FormatNotice(finding, &text);
    } else {
        auto* heading = finding.check_line ? text::CheckCheckHeading : text::CheckDataHeading;
        heading(text, static_cast<unsigned>(finding.line_number), finding.address_text,
                CodeName(finding.code));
        AddReport(finding, &text);
    }
    for (int i = 0; i < finding.diagnosis_count; ++i) {
        AddDiagnosis(finding, finding.diagnoses[i], &text);
    }
    if (finding.diagnoses_left_out > 0) {
        text.Append("\n");
        text::CheckMoreDiagnoses(text, finding.diagnoses_left_out);
    }
}

void FormatDiagnosis(const Finding& finding, const Diagnosis& diagnosis, char* out,
                     std::size_t capacity) {
    TextOut text(out, capacity);
    AddDiagnosis(finding, diagnosis, &text);
    // Without the line break AddDiagnosis puts before it.
    if (out[0] == '\n') {
        std::memmove(out, out + 1, std::strlen(out));
    }
}

void FormatSummary(const CheckSummary& summary, char* out, std::size_t capacity) {
    TextOut text(out, capacity);
    text::CheckSummary(
        text, static_cast<unsigned>(summary.lines_read), static_cast<unsigned>(summary.data_lines),
        static_cast<unsigned>(summary.blocks), static_cast<unsigned>(summary.findings),
        static_cast<unsigned>(summary.warnings), static_cast<unsigned>(summary.notes));
}

}  // namespace tsy::proof
