#include "proof/view.h"

#include <cstring>

namespace tsy::proof {
namespace {

ViewLine FromLine(const BlockRecord& block, int i) {
    ViewLine line;
    line.source = i;
    line.count = block.lines[i].count;
    std::memcpy(line.values, block.lines[i].values, sizeof line.values);
    return line;
}

// Whether a line of the view has a wrong line sum that no misreading explains.
bool HasBadLines(const BlockRecord& block, const View& view) {
    for (const ViewLine& line : view.lines) {
        if (line.source >= 0 && block.lines[line.source].checksum_wrong &&
            !block.lines[line.source].checksum_misread) {
            return true;
        }
    }
    return false;
}

View WithSkipped(const BlockRecord& block) {
    View view;
    for (int i = 0; i < static_cast<int>(block.lines.size()); ++i) {
        if (block.lines[i].counted || block.lines[i].skipped) {
            view.lines.push_back(FromLine(block, i));
        }
    }
    return view;
}

View Without(const View& view, int source) {
    View trial;
    for (const ViewLine& line : view.lines) {
        if (line.source != source) {
            trial.lines.push_back(line);
        }
    }
    return trial;
}

// The view with a line of `bytes` before the line `before` of the block.
View WithRow(const View& view, int before, const std::uint8_t* bytes, int width) {
    View trial;
    ViewLine row;
    row.count = width;
    for (int k = 0; k < width; ++k) {
        row.values[k] = bytes[k];
    }
    bool placed = false;
    for (const ViewLine& line : view.lines) {
        if (!placed && line.source >= before) {
            trial.lines.push_back(row);
            placed = true;
        }
        trial.lines.push_back(line);
    }
    if (!placed) {
        trial.lines.push_back(row);
    }
    return trial;
}

Diagnosis OnCheck(DiagnosisKind kind, Certainty certainty, const RecordedLine& line) {
    return AboutLine(kind, certainty, line);
}

// A row's worth of bytes missing from the sums, or one too many, where no
// address shows it: every mismatching column within the row, the total off
// by their sum.
bool RowShortfall(const BlockRecord& block, const View& view, const BlockEvidence& evidence,
                  Finding* check) {
    const int width = BlockWidth(block);
    if (evidence.total != TotalKind::Sum8 || evidence.mismatch_count < 2 ||
        evidence.total_diff == 0 || HasBadLines(block, view)) {
        return false;
    }
    std::uint32_t sum = 0;
    for (int c = 0; c < evidence.compared_columns; ++c) {
        if (evidence.mismatched[c] && c >= width) {
            return false;
        }
        sum += evidence.column_diff[c];
    }
    if ((sum & 0xFFu) != evidence.total_diff) {
        return false;
    }
    // A line the excess equals: counted twice, under another address.
    for (const ViewLine& line : view.lines) {
        bool equal = line.source >= 0 && line.count == width;
        for (int c = 0; equal && c < width; ++c) {
            equal = ((line.values[c] + evidence.column_diff[c]) & 0xFFu) == 0;
        }
        if (equal) {
            check->Add(
                OnCheck(DiagnosisKind::RepeatCounts, Certainty::Likely, block.lines[line.source]));
            return true;
        }
    }
    Diagnosis diagnosis;
    diagnosis.kind = DiagnosisKind::RowShortfall;
    diagnosis.byte_count = width;
    for (int c = 0; c < width; ++c) {
        diagnosis.bytes[c] = evidence.column_diff[c];
    }
    check->Add(diagnosis);
    return true;
}

}  // namespace

View CountedLines(const BlockRecord& block) {
    View view;
    for (int i = 0; i < static_cast<int>(block.lines.size()); ++i) {
        if (block.lines[i].counted) {
            view.lines.push_back(FromLine(block, i));
        }
    }
    return view;
}

BlockEvidence Compare(const CheckGiven& given, std::uint16_t crc_start, View* view) {
    std::uint32_t columns[kColumnCount] = {};
    std::uint32_t sum = 0;
    std::uint16_t crc = crc_start;
    std::uint32_t offset = 0;
    for (ViewLine& line : view->lines) {
        line.offset = offset;
        for (int k = 0; k < line.count; ++k) {
            const std::uint32_t value = line.values[k];
            if (k < kColumnCount) {
                columns[k] += value;
            }
            sum += value;
            crc = CrcByte(crc, static_cast<std::uint8_t>(value));
        }
        offset += static_cast<std::uint32_t>(line.count);
    }
    view->bytes = offset;

    BlockEvidence evidence;
    evidence.compared_columns = given.compared_columns;
    for (int c = 0; c < given.compared_columns; ++c) {
        const std::uint32_t computed = columns[c] & 0xFFu;
        evidence.column_computed[c] = static_cast<std::uint8_t>(computed);
        if (given.column[c] != static_cast<std::int32_t>(computed)) {
            evidence.mismatched[c] = true;
            evidence.column_diff[c] =
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(given.column[c]) - computed);
            ++evidence.mismatch_count;
        }
    }
    evidence.total = given.total;
    evidence.total_given = given.total_value;
    std::uint32_t mask = 0xFFu;
    switch (given.total) {
        case TotalKind::None:
            return evidence;
        case TotalKind::Sum8:
            evidence.total_computed = sum & 0xFFu;
            break;
        case TotalKind::Sum16:
            mask = 0xFFFFu;
            evidence.total_computed = sum & 0xFFFFu;
            break;
        case TotalKind::Crc:
            mask = 0xFFFFu;
            evidence.total_computed = crc;
            break;
    }
    evidence.total_diff = (given.total_value - evidence.total_computed) & mask;
    evidence.total_right = given.total_value == evidence.total_computed;
    return evidence;
}

bool ExplainByLines(const ListingOptions& options, const CheckGiven& given, BlockRecord* block,
                    View* view, BlockEvidence* evidence, Finding* check) {
    bool unplaced = false;
    if (!block->skipped.empty()) {
        View trial = WithSkipped(*block);
        const BlockEvidence with = Compare(given, block->crc_start, &trial);
        if (with.Faults() < evidence->Faults()) {
            *view = trial;
            *evidence = with;
            const Certainty certainty = with.AllRight() ? Certainty::Certain : Certainty::Likely;
            for (const SkippedRecord& skipped : block->skipped) {
                if (check != nullptr) {
                    Diagnosis diagnosis = OnCheck(DiagnosisKind::SkippedCounts, certainty,
                                                  block->lines[skipped.line]);
                    diagnosis.token = skipped.typed;
                    check->Add(diagnosis);
                }
            }
        } else if (!evidence->AllRight()) {
            unplaced = true;
        }
    }
    for (const RepeatRecord& repeat : block->repeats) {
        if (!block->lines[repeat.line].counted) {
            continue;
        }
        View trial = Without(*view, repeat.line);
        const BlockEvidence without = Compare(given, block->crc_start, &trial);
        if (without.Faults() < evidence->Faults()) {
            *view = trial;
            *evidence = without;
            const Certainty certainty = without.AllRight() ? Certainty::Certain : Certainty::Likely;
            const RecordedLine& line = block->lines[repeat.line];
            Finding& finding = block->pending[repeat.finding];
            Diagnosis diagnosis = OnCheck(DiagnosisKind::Duplicate, certainty, line);
            diagnosis.line_number = finding.other_line;
            diagnosis.by_sums = true;
            finding.Add(diagnosis);
            if (check != nullptr) {
                check->Add(OnCheck(DiagnosisKind::RepeatCounts, certainty, line));
            }
        } else if (!evidence->AllRight()) {
            unplaced = true;
        }
    }
    if (!block->gaps.empty() && !evidence->AllRight()) {
        // One row left out: its bytes are the column shortfalls; with Oh!X
        // the CRC tells its place too.
        int works = 0;
        const GapRecord* found = nullptr;
        View rebuilt;
        BlockEvidence rebuilt_evidence;
        std::uint8_t bytes[kColumnCount] = {};
        for (const GapRecord& gap : block->gaps) {
            if (gap.rows != 1 || gap.width > evidence->compared_columns ||
                HasBadLines(*block, *view)) {
                continue;
            }
            std::uint8_t row[kColumnCount] = {};
            bool fits = true;
            for (int c = 0; c < evidence->compared_columns; ++c) {
                fits = fits && (c < gap.width || !evidence->mismatched[c]);
                row[c] = evidence->column_diff[c];
            }
            View trial = WithRow(*view, gap.line, row, gap.width);
            const BlockEvidence with = Compare(given, block->crc_start, &trial);
            if (fits && with.AllRight()) {
                ++works;
                found = &gap;
                rebuilt = trial;
                rebuilt_evidence = with;
                std::memcpy(bytes, row, sizeof bytes);
            }
        }
        if (works == 1) {
            *view = rebuilt;
            *evidence = rebuilt_evidence;
            bool nonzero = false;
            std::uint32_t sum = options.address_sum ? AddressPart(options, found->address) : 0u;
            Diagnosis diagnosis;
            diagnosis.kind = DiagnosisKind::MissingLine;
            diagnosis.byte_count = found->width;
            for (int c = 0; c < found->width; ++c) {
                diagnosis.bytes[c] = bytes[c];
                nonzero = nonzero || bytes[c] != 0;
                sum += bytes[c];
            }
            diagnosis.certainty =
                nonzero && given.total != TotalKind::None ? Certainty::Certain : Certainty::Likely;
            diagnosis.right = static_cast<std::uint32_t>(found->address);
            diagnosis.sum = options.checksum ? SumState::Right : SumState::NoChecksum;
            diagnosis.typed = sum & LineMask(options);
            diagnosis.digits = options.ohmz_sum ? 3 : 2;
            if (found->finding < 0) {
                // After the block's last line: the next block tells the gap.
                if (check != nullptr) {
                    check->Add(diagnosis);
                }
            } else {
                block->pending[found->finding].Add(diagnosis);
            }
            if (check != nullptr && found->finding >= 0) {
                Diagnosis counts = OnCheck(DiagnosisKind::MissingCounts, diagnosis.certainty,
                                           block->lines[found->line]);
                counts.right = diagnosis.right;
                check->Add(counts);
            }
        } else {
            unplaced = true;
        }
    }
    // With a bad line the search may still find the one correction that
    // fits every sum; without one, nothing can be blamed.
    if (unplaced && HasBadLines(*block, *view)) {
        unplaced = false;
    }
    if (check == nullptr) {
        return !unplaced;
    }
    if (unplaced) {
        Diagnosis diagnosis;
        diagnosis.kind = DiagnosisKind::LinesNotInSums;
        check->Add(diagnosis);
        return false;
    }
    if (block->skipped.empty() && block->gaps.empty() && block->repeats.empty() &&
        RowShortfall(*block, *view, *evidence, check)) {
        return false;
    }
    return true;
}

}  // namespace tsy::proof
