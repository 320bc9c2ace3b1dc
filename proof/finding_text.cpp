#include "proof/finding_text.h"

#include <cstdio>

#include "resources/check_texts.h"

namespace tsy::proof {
namespace {

// Bytes as "53 59 50".
struct ByteList {
    ByteList(const std::uint8_t* bytes, int count) {
        TextOut out(text, sizeof text);
        for (int i = 0; i < count; ++i) {
            out.Format(i == 0 ? "%02X" : " %02X", static_cast<unsigned>(bytes[i]));
        }
    }
    char text[64] = {};
};

const char* RoleName(TokenRole role) {
    switch (role) {
        case TokenRole::Checksum:
            return text::kCheckRoleChecksum;
        case TokenRole::Crc:
            return text::kCheckRoleCrc;
        case TokenRole::Total:
        case TokenRole::DashedTotal:
            break;
    }
    return text::kCheckRoleTotal;
}

int RoleDigits(TokenRole role, std::uint32_t value) {
    switch (role) {
        case TokenRole::Checksum:
            return value > 0xFF ? 3 : 2;
        case TokenRole::Total:
            return 2;
        case TokenRole::Crc:
        case TokenRole::DashedTotal:
            break;
    }
    return 4;
}

const char* SkipText(SkipReason reason) {
    switch (reason) {
        case SkipReason::ShortAddress:
            return text::kCheckSkippedShort;
        case SkipReason::LongAddress:
            return text::kCheckSkippedLong;
        case SkipReason::Indented:
            return text::kCheckSkippedIndented;
        case SkipReason::FullWidth:
            return text::kCheckSkippedFullWidth;
        case SkipReason::LookAlike:
            break;
    }
    return text::kCheckSkippedLookAlike;
}

void AddStep(const Finding& finding, TextOut* text) {
    const unsigned expected = static_cast<unsigned>(finding.first_address);
    const unsigned address = static_cast<unsigned>(finding.last_address);
    switch (finding.step) {
        case StepKind::Gap:
            text::CheckStepGap(*text, expected, expected, address - 1, address - expected,
                               finding.index > 0 ? static_cast<unsigned>(finding.index) : 0u);
            break;
        case StepKind::Overlap: {
            // Written twice: from this line's address to the continuing
            // address, or to this line's end when that comes first.
            const unsigned count = static_cast<unsigned>(finding.index > 0 ? finding.index : 0);
            const unsigned end = address + count < expected ? address + count : expected;
            text::CheckStepOverlap(*text, expected, address, end - 1, end - address);
            break;
        }
        case StepKind::Repeat:
            text::CheckStepRepeat(*text, static_cast<unsigned>(finding.other_line));
            break;
        case StepKind::Backward:
            text::CheckStepBackward(*text, expected);
            break;
        case StepKind::OffAddress:
            text::CheckStepOffAddress(*text, expected);
            break;
        case StepKind::RowLength:
            text::CheckStepRowLength(*text, expected);
            break;
        case StepKind::Jump:
            text::CheckStepJump(*text, expected, address, finding.index == 1);
            break;
        case StepKind::Stray:
            text::CheckStepStray(*text, expected);
            break;
        case StepKind::Swapped:
            text::CheckStepSwapped(*text, expected);
            break;
    }
}

}  // namespace

void FormatNotice(const Finding& finding, TextOut* text) {
    const unsigned line = static_cast<unsigned>(finding.line_number);
    switch (finding.kind) {
        case FindingKind::SkippedLine:
            text::CheckDataHeading(*text, line, finding.given.text, text::kCheckTagSkipped);
            text->Append(SkipText(finding.skip));
            break;
        case FindingKind::AddressStep:
        case FindingKind::Jump:
            text::CheckDataHeading(
                *text, line, finding.address_text,
                finding.kind == FindingKind::Jump ? text::kCheckTagNote : text::kCheckTagAddress);
            AddStep(finding, text);
            break;
        case FindingKind::LookAlike: {
            auto* heading = finding.check_line ? text::CheckCheckHeading : text::CheckDataHeading;
            heading(*text, line, finding.address_text, text::kCheckTagLookAlike);
            const Hex read(finding.computed, RoleDigits(finding.role, finding.computed));
            text::CheckLookAlike(*text, RoleName(finding.role), finding.given.text, read.text);
            break;
        }
        case FindingKind::TotalDigits:
            text::CheckCheckHeading(*text, line, finding.address_text, text::kCheckTagTotal);
            text::CheckTotalDigits(*text, finding.given.text,
                                   static_cast<unsigned>(finding.computed));
            break;
        case FindingKind::FullWidth: {
            text::CheckDataHeading(*text, line, finding.address_text, text::kCheckTagFullWidth);
            const bool same = finding.diagnosis_count > 0 &&
                              finding.diagnoses[0].certainty == proof::Certainty::Certain;
            text->Append(same ? text::kCheckFullWidthRead : text::kCheckFullWidthMisread);
            break;
        }
        case FindingKind::UnreadTokens:
            text::CheckDataHeading(*text, line, finding.address_text, text::kCheckTagUnread);
            text::CheckUnreadTokens(*text, finding.given.text, finding.index == 1);
            break;
        case FindingKind::Refusal:
            break;
    }
}

void AddLineDiagnosis(const Finding& finding, const Diagnosis& d, const char* sure, TextOut* text) {
    const unsigned line = static_cast<unsigned>(d.line_number);
    const Hex right(d.right, d.digits);
    switch (d.kind) {
        case DiagnosisKind::AddressReading: {
            const char* note = d.sum == SumState::Right   ? text::kCheckSumAgrees
                               : d.sum == SumState::Wrong ? text::kCheckSumDisagrees
                                                          : "";
            if (finding.skip == SkipReason::Indented) {
                text::CheckIndentedReading(*text, sure, right.text, note);
            } else {
                text::CheckAddressReading(*text, sure, d.token.text, right.text, note);
            }
            break;
        }
        case DiagnosisKind::RowLength:
            text::CheckRowLength(*text, sure, line, d.address_text, d.typed, d.right);
            break;
        case DiagnosisKind::MissingLine: {
            const Hex address(d.right, 4);
            if (d.byte_count == 0) {
                text::CheckMissingLineUnknown(*text, sure, address.text);
                break;
            }
            const ByteList bytes(d.bytes, d.byte_count);
            const Hex checksum(d.typed, d.digits);
            text::CheckMissingLine(*text, sure, address.text, bytes.text,
                                   d.sum == SumState::NoChecksum ? "" : checksum.text);
            break;
        }
        case DiagnosisKind::DoubledByte:
        case DiagnosisKind::DroppedByte: {
            const ByteList row(d.bytes, d.byte_count);
            if (d.kind == DiagnosisKind::DoubledByte) {
                const Hex typed(d.typed, 2);
                text::CheckDoubledByte(*text, sure, static_cast<unsigned>(d.column), typed.text,
                                       row.text);
            } else {
                text::CheckDroppedByte(*text, sure, static_cast<unsigned>(d.column), right.text,
                                       row.text);
            }
            break;
        }
        case DiagnosisKind::StrayLine:
            text::CheckStrayLine(*text, sure, line, d.address_text);
            break;
        case DiagnosisKind::MovedLine: {
            const Hex address(d.right, 4);
            text::CheckMovedLine(*text, sure, line, d.address_text, address.text,
                                 static_cast<unsigned>(d.other_line), d.column == 1);
            break;
        }
        case DiagnosisKind::StrayCounts:
            text::CheckStrayCounts(*text, sure, line, d.address_text);
            break;
        case DiagnosisKind::MovedHere: {
            const Hex address(d.right, 4);
            text::CheckMovedHere(*text, sure, line, d.address_text, address.text);
            break;
        }
        case DiagnosisKind::SwappedLines:
            text::CheckSwappedLines(*text, sure, line, d.address_text);
            break;
        case DiagnosisKind::FullWidth:
            text::CheckFullWidth(*text, sure, d.token.text, d.reading.text);
            break;
        case DiagnosisKind::Duplicate:
            text::CheckDuplicate(*text, sure, line, d.by_sums);
            break;
        case DiagnosisKind::SkippedCounts:
            text::CheckSkippedCounts(*text, sure, line, d.token.text);
            break;
        case DiagnosisKind::MissingCounts: {
            const Hex address(d.right, 4);
            text::CheckMissingCounts(*text, sure, line, address.text);
            break;
        }
        case DiagnosisKind::RepeatCounts:
            text::CheckRepeatCounts(*text, sure, line, d.address_text);
            break;
        case DiagnosisKind::RowShortfall: {
            const ByteList bytes(d.bytes, d.byte_count);
            text::CheckRowShortfall(*text, bytes.text);
            break;
        }
        case DiagnosisKind::LinesNotInSums:
            text->Append(text::kCheckLinesNotInSums);
            break;
        case DiagnosisKind::TwoDigitTotal: {
            const Hex sum(d.right, 2);
            text::CheckTwoDigitTotal(*text, d.token.text, sum.text, d.by_sums);
            break;
        }
        case DiagnosisKind::TokenMisreading:
            text::CheckTokenMisreading(*text, sure, RoleName(d.role), d.token.text, d.reading.text);
            break;
        default:
            break;
    }
}

}  // namespace tsy::proof
