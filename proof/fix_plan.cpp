// The edits each certain diagnosis calls for, and the likely diagnoses left
// as typed.
#include <cstdio>

#include "proof/fix.h"

namespace tsy::proof {
namespace {

std::string Hex(std::uint32_t value, int digits) {
    char text[12];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

// Whether a diagnosis names something to retype (or a place left as typed),
// rather than saying where a check line's difference comes from.
bool NamesCorrection(DiagnosisKind kind) {
    switch (kind) {
        case DiagnosisKind::SkippedCounts:
        case DiagnosisKind::MissingCounts:
        case DiagnosisKind::RepeatCounts:
        case DiagnosisKind::StrayCounts:
        case DiagnosisKind::NotCounted:
        case DiagnosisKind::LinesNotInSums:
        case DiagnosisKind::TwoDigitTotal:
        case DiagnosisKind::BlockTooLong:
            return false;
        default:
            return true;
    }
}

}  // namespace

FixEdit& FixPlan::Add(const Finding&, std::uint32_t line, FixEditKind kind, int index,
                      std::string text) {
    FixEdit edit;
    edit.line = line;
    edit.kind = kind;
    edit.index = index;
    edit.text = std::move(text);
    edit.correction = current_;
    edits_.push_back(edit);
    return edits_.back();
}

void FixPlan::Report(const Finding& finding) {
    for (int i = 0; i < finding.diagnosis_count; ++i) {
        const Diagnosis& d = finding.diagnoses[i];
        if (!NamesCorrection(d.kind)) {
            continue;
        }
        Correction correction;
        correction.line = finding.line_number;
        correction.finding = finding;
        correction.finding.diagnosis_count = 1;
        correction.finding.diagnoses_left_out = 0;
        correction.finding.diagnoses[0] = d;
        if (d.certainty != Certainty::Certain) {
            left_.push_back(correction);
            continue;
        }
        // A byte the check line's finding names again, already on its line.
        if (d.kind == DiagnosisKind::ExplainedBy) {
            bool named = false;
            for (const FixEdit& edit : edits_) {
                named = named || (edit.kind == FixEditKind::Window && edit.line == d.line_number &&
                                  edit.index == d.column && edit.text == Hex(d.right, 2));
            }
            if (named) {
                continue;
            }
        }
        current_ = static_cast<int>(corrections_.size());
        corrections_.push_back(correction);
        AddDiagnosis(finding, d);
    }
}

void FixPlan::AddDiagnosis(const Finding& f, const Diagnosis& d) {
    const std::uint32_t here = f.line_number;
    // A line a diagnosis of the check line places: before line `other_line`,
    // or before the check line when 0.
    const std::uint32_t place = d.other_line != 0 ? d.other_line : here;
    switch (d.kind) {
        case DiagnosisKind::WrongByte:
            Add(f, here, FixEditKind::Window, d.column, Hex(d.right, 2)).whole =
                d.token.text[0] != '\0';
            break;
        case DiagnosisKind::ExplainedBy:
            Add(f, d.line_number, FixEditKind::Window, d.column, Hex(d.right, 2)).whole =
                d.token.text[0] != '\0';
            break;
        case DiagnosisKind::ChecksumToken:
            Add(f, here, FixEditKind::Window, -1, Hex(d.right, d.digits));
            break;
        case DiagnosisKind::AddressField:
            Add(f, d.line_number, FixEditKind::Field, 0, Hex(d.right, 4));
            break;
        case DiagnosisKind::Misreading:
            Add(f, here, FixEditKind::Window, d.column, d.reading.text).whole = true;
            break;
        case DiagnosisKind::SumMisreading:
            Add(f, here, FixEditKind::Token, 1 + d.column, d.reading.text);
            break;
        case DiagnosisKind::ColumnToken:
            Add(f, here, FixEditKind::Token, 1 + d.column, Hex(d.right, 2));
            break;
        case DiagnosisKind::TotalToken:
            Add(f, here, FixEditKind::Total, 0, Hex(d.right, d.digits)).whole = d.digits == 4;
            break;
        case DiagnosisKind::CrcToken:
            Add(f, here, FixEditKind::Crc, 0, Hex(d.right, 4));
            break;
        case DiagnosisKind::TokenMisreading:
            if (d.role == TokenRole::Checksum) {
                Add(f, here, FixEditKind::Window, -1, d.reading.text).whole = true;
            } else if (d.role == TokenRole::Crc) {
                Add(f, here, FixEditKind::Crc, 0, std::string(d.reading.text).substr(0, 4));
            } else {
                Add(f, here, FixEditKind::Total, 0, d.reading.text).whole = true;
            }
            break;
        case DiagnosisKind::SwappedBytes:
            Add(f, d.line_number, FixEditKind::Window, d.column, Hex(d.right >> 8, 2));
            Add(f, d.line_number, FixEditKind::Window, d.column2, Hex(d.right & 0xFFu, 2));
            break;
        case DiagnosisKind::MissingLine:
            if (d.byte_count > 0) {
                FixEdit& edit = Add(f, place, FixEditKind::InsertBefore);
                edit.address = d.right;
                edit.bytes.assign(d.bytes, d.bytes + d.byte_count);
            }
            break;
        case DiagnosisKind::MovedHere:
            Add(f, place, FixEditKind::MoveBefore).other = d.line_number;
            break;
        case DiagnosisKind::MovedLine:
            // Within its block; a line another block rebuilt is moved there
            // in Finish.
            if (d.column >= 0) {
                Add(f, d.other_line,
                    d.column == 0 ? FixEditKind::MoveBefore : FixEditKind::MoveAfter)
                    .other = d.line_number;
            }
            break;
        case DiagnosisKind::Duplicate:
            Add(f, here, FixEditKind::Delete);
            break;
        case DiagnosisKind::SwappedLines:
            Add(f, here, FixEditKind::Swap).other = d.line_number;
            break;
        case DiagnosisKind::DoubledByte:
            Add(f, d.line_number, FixEditKind::DropWindow, d.column);
            break;
        case DiagnosisKind::DroppedByte:
            Add(f, d.line_number, FixEditKind::AddWindow, d.column, Hex(d.right, 2));
            break;
        case DiagnosisKind::AddressReading:
            Add(f, here, FixEditKind::Field, 0, Hex(d.right, 4));
            break;
        case DiagnosisKind::FullWidth:
            Add(f, here, FixEditKind::HalfWidth);
            break;
        default:
            // StrayLine and MovedLine move a line only with the other half
            // of their move (Finish); the rest names nothing to retype.
            break;
    }
}

void FixPlan::Finish() {
    for (std::size_t c = 0; c < corrections_.size(); ++c) {
        const Diagnosis& d = corrections_[c].finding.diagnoses[0];
        if (d.kind != DiagnosisKind::MovedLine || d.column >= 0) {
            continue;
        }
        // The row rebuilt where it was left out is this line: moved there whole.
        for (FixEdit& edit : edits_) {
            if (edit.kind == FixEditKind::InsertBefore && edit.address == d.right &&
                (d.other_line == 0 || edit.line == d.other_line)) {
                edit.kind = FixEditKind::MoveBefore;
                edit.other = d.line_number;
                edit.bytes.clear();
                break;
            }
        }
    }
}

}  // namespace tsy::proof
