// The diagnosis of one block: which byte or token the sums point at.
//
// Widths: a line sum is compared in 8 bits (12 with OhMzSum), column sums and
// a SumLine's total in 8, a DashedLine's total in 16; a byte's change is
// matched against each sum in that sum's width. The CRC is linear over the
// bytes (initial value 0, no final XOR), so one changed byte changes it by
// the CRC of that byte's XOR followed by the zero bytes after it.
#include <cstring>

#include "proof/block.h"

namespace tsy::proof {
namespace {

constexpr int kMaxNamed = 4;

struct Candidate {
    int column = 0;
    std::uint32_t typed = 0;
    std::uint32_t right = 0;
};

std::uint32_t LineMask(const ListingOptions& options) {
    return options.ohmz_sum ? 0xFFFu : 0xFFu;
}

// The value a data byte typed as `typed` must have for its line's sum, off
// by `line_diff`, to come right; false when no byte value does.
bool RightValue(const ListingOptions& options, std::uint32_t typed, std::uint32_t line_diff,
                std::uint32_t* right) {
    if (typed > 0xFF) {
        return false;
    }
    if (options.ohmz_sum) {
        // Twelve bits hold a byte's change exactly, with its sign.
        const std::int32_t delta = line_diff < 0x800
                                       ? static_cast<std::int32_t>(line_diff)
                                       : static_cast<std::int32_t>(line_diff) - 0x1000;
        const std::int32_t value = static_cast<std::int32_t>(typed) + delta;
        if (value < 0 || value > 0xFF) {
            return false;
        }
        *right = static_cast<std::uint32_t>(value);
        return true;
    }
    *right = (typed + line_diff) & 0xFFu;
    return true;
}

// A linear map of the 16-bit register: column j is the image of bit j.
struct CrcMap {
    std::uint16_t columns[16];

    std::uint16_t Apply(std::uint16_t crc) const {
        std::uint16_t image = 0;
        for (int j = 0; j < 16; ++j) {
            image ^= ((crc >> j) & 1u) != 0 ? columns[j] : 0;
        }
        return image;
    }
};

// Feeding zero bytes is linear in the register: the maps for 2^i zero
// bytes, built once, feed any count in a few steps.
const CrcMap* ZeroByteMaps() {
    static const struct Maps {
        CrcMap powers[32];
        Maps() {
            for (int j = 0; j < 16; ++j) {
                powers[0].columns[j] = CrcByte(static_cast<std::uint16_t>(1u << j), 0);
            }
            for (int i = 1; i < 32; ++i) {
                for (int j = 0; j < 16; ++j) {
                    powers[i].columns[j] = powers[i - 1].Apply(powers[i - 1].columns[j]);
                }
            }
        }
    } maps;
    return maps.powers;
}

// The change of BlockCrc when the byte `distance` bytes before the end of
// its span is XORed with `flip`.
std::uint16_t CrcChange(std::uint32_t flip, std::uint32_t distance) {
    const CrcMap* maps = ZeroByteMaps();
    std::uint16_t crc = CrcByte(0, static_cast<std::uint8_t>(flip));
    for (int i = 0; i < 32; ++i) {
        if (((distance >> i) & 1u) != 0) {
            crc = maps[i].Apply(crc);
        }
    }
    return crc;
}

// Bytes fed to BlockCrc after byte k of `line`, up to the check line.
std::uint32_t BytesAfter(const RecordedLine& line, int k, std::uint32_t crc_bytes) {
    return crc_bytes - (line.crc_offset + static_cast<std::uint32_t>(k) + 1);
}

Diagnosis About(DiagnosisKind kind, Certainty certainty, const RecordedLine& line) {
    Diagnosis diagnosis;
    diagnosis.kind = kind;
    diagnosis.certainty = certainty;
    diagnosis.line_number = line.line_number;
    std::memcpy(diagnosis.address_text, line.address_text, sizeof diagnosis.address_text);
    return diagnosis;
}

Diagnosis AboutByte(DiagnosisKind kind, Certainty certainty, const RecordedLine& line,
                    const Candidate& candidate) {
    Diagnosis diagnosis = About(kind, certainty, line);
    diagnosis.column = candidate.column;
    diagnosis.typed = candidate.typed;
    diagnosis.right = candidate.right;
    return diagnosis;
}

// What the address bytes add to a line sum with AddressSum on.
std::uint32_t AddressPart(const ListingOptions& options, std::int32_t address) {
    const std::uint32_t a = static_cast<std::uint32_t>(address);
    return (a & 0xFFu) + (options.lower_address_only ? 0u : a >> 8);
}

// A wrong line sum while the block's sums are right: the checksum token, or
// with AddressSum an address field that breaks the run of addresses and
// whose continuing value makes the line sum right.
Diagnosis ChecksumOrAddress(const ListingOptions& options, const PendingFinding& bad) {
    const RecordedLine& line = bad.line;
    if (options.address_sum && line.expected_address >= 0 &&
        line.expected_address <= kHighestEmulatedAddress && line.expected_address != line.address) {
        const std::uint32_t change =
            AddressPart(options, line.expected_address) - AddressPart(options, line.address);
        if ((change & LineMask(options)) == line.line_diff) {
            Diagnosis diagnosis = About(DiagnosisKind::AddressField, Certainty::Likely, line);
            diagnosis.typed = static_cast<std::uint32_t>(line.address);
            diagnosis.right = static_cast<std::uint32_t>(line.expected_address);
            diagnosis.digits = 4;
            return diagnosis;
        }
    }
    Diagnosis diagnosis = About(DiagnosisKind::ChecksumToken, Certainty::Likely, line);
    diagnosis.token = bad.finding.given;
    diagnosis.right = line.line_sum;
    diagnosis.digits = options.ohmz_sum ? 3 : 2;
    return diagnosis;
}

// Whether byte k of the block's only bad line, set to the value that makes
// the line sum right, makes every sum of the check line right too.
bool Fits(const ListingOptions& options, const BlockEvidence& evidence, std::uint32_t crc_bytes,
          const RecordedLine& line, int k, Candidate* candidate) {
    const std::uint32_t typed = line.values[k];
    std::uint32_t right = 0;
    if (!RightValue(options, typed, line.line_diff, &right)) {
        return false;
    }
    const std::uint32_t change = right - typed;  // modulo 2^32, masked per width below
    if (k < evidence.compared_columns) {
        if (evidence.mismatch_count != 1 || !evidence.mismatched[k] ||
            evidence.column_diff[k] != (change & 0xFFu)) {
            return false;
        }
    } else if (evidence.mismatch_count != 0) {
        return false;
    }
    switch (evidence.total) {
        case TotalKind::Sum8:
            if (evidence.total_diff != (change & 0xFFu)) {
                return false;
            }
            break;
        case TotalKind::Sum16:
            if (evidence.total_diff != (change & 0xFFFFu)) {
                return false;
            }
            break;
        case TotalKind::Crc: {
            const std::uint16_t crc_change =
                CrcChange(typed ^ right, BytesAfter(line, k, crc_bytes));
            if ((evidence.total_computed ^ crc_change) != evidence.total_given) {
                return false;
            }
            break;
        }
        case TotalKind::None:
            break;
    }
    candidate->column = k;
    candidate->typed = typed;
    candidate->right = right;
    return true;
}

void DiagnoseOneLine(const ListingOptions& options, const BlockEvidence& evidence,
                     std::uint32_t crc_bytes, PendingFinding* bad, Finding* check) {
    if (evidence.mismatch_count == 0 && evidence.total_right) {
        bad->finding.Add(ChecksumOrAddress(options, *bad));
        return;
    }
    const RecordedLine& line = bad->line;
    Candidate found[kMaxNamed];
    int count = 0;
    for (int k = 0; k < line.count; ++k) {
        Candidate candidate;
        if (Fits(options, evidence, crc_bytes, line, k, &candidate)) {
            if (count < kMaxNamed) {
                found[count] = candidate;
            }
            ++count;
        }
    }
    if (count == 1) {
        // A column sum or the CRC crossing the line sum leaves one byte; the
        // totals alone only narrow the values a byte may take.
        const bool crossed = evidence.mismatch_count == 1 || evidence.total == TotalKind::Crc;
        const Certainty certainty = crossed ? Certainty::Certain : Certainty::Likely;
        bad->finding.Add(AboutByte(DiagnosisKind::WrongByte, certainty, line, found[0]));
        if (check != nullptr) {
            check->Add(AboutByte(DiagnosisKind::ExplainedBy, certainty, line, found[0]));
        }
    } else if (count > 1 && count <= kMaxNamed) {
        for (int i = 0; i < count; ++i) {
            bad->finding.Add(
                AboutByte(DiagnosisKind::OneOfBytes, Certainty::Likely, line, found[i]));
        }
    } else if (count > kMaxNamed && options.ohmz_sum) {
        Diagnosis diagnosis = About(DiagnosisKind::LineOffBy, Certainty::Likely, line);
        diagnosis.delta = line.line_diff < 0x800
                              ? static_cast<std::int32_t>(line.line_diff)
                              : static_cast<std::int32_t>(line.line_diff) - 0x1000;
        bad->finding.Add(diagnosis);
    }
}

// Several bad lines: each is matched with a mismatching column of the same
// difference; a match is named only when neither side has another.
void DiagnoseSeveralLines(const ListingOptions& options, const BlockEvidence& evidence,
                          const std::vector<PendingFinding*>& bad, Finding* check) {
    const int bad_count = static_cast<int>(bad.size());
    if (evidence.mismatch_count == 0 && evidence.total_right) {
        for (int i = 0; i < bad_count; ++i) {
            bad[i]->finding.Add(ChecksumOrAddress(options, *bad[i]));
        }
        return;
    }
    std::vector<Candidate> chosen(bad.size());
    std::vector<bool> single(bad.size(), false);
    int claims[kColumnCount] = {};
    for (int i = 0; i < bad_count; ++i) {
        const RecordedLine& line = bad[i]->line;
        int count = 0;
        for (int k = 0; k < line.count && k < evidence.compared_columns; ++k) {
            std::uint32_t right = 0;
            if (evidence.mismatched[k] &&
                RightValue(options, line.values[k], line.line_diff, &right) &&
                evidence.column_diff[k] == ((right - line.values[k]) & 0xFFu)) {
                chosen[i] = Candidate{k, line.values[k], right};
                ++count;
            }
        }
        if (count == 1) {
            single[i] = true;
            ++claims[chosen[i].column];
        }
    }
    for (int i = 0; i < bad_count; ++i) {
        if (!single[i] || claims[chosen[i].column] != 1) {
            continue;
        }
        bad[i]->finding.Add(
            AboutByte(DiagnosisKind::WrongByte, Certainty::Likely, bad[i]->line, chosen[i]));
        if (check != nullptr) {
            check->Add(
                AboutByte(DiagnosisKind::ExplainedBy, Certainty::Likely, bad[i]->line, chosen[i]));
        }
    }
}

// Two mismatching columns whose differences cancel, with every line sum
// right: a line whose bytes in those columns, swapped, give both sums (and
// with Oh!X the CRC). False unless exactly one line does.
bool FindSwap(const BlockEvidence& evidence, std::uint32_t crc_bytes, const BlockRecord& block,
              Finding* check) {
    int first = -1;
    int second = -1;
    for (int c = 0; c < kColumnCount; ++c) {
        if (evidence.mismatched[c]) {
            (first < 0 ? first : second) = c;
        }
    }
    const bool by_crc = evidence.total == TotalKind::Crc && !evidence.total_right;
    const RecordedLine* found = nullptr;
    int count = 0;
    for (const RecordedLine& line : block.lines) {
        if (!line.counted || line.count <= second) {
            continue;
        }
        const std::uint32_t a = line.values[first];
        const std::uint32_t b = line.values[second];
        if (a == b || a > 0xFF || b > 0xFF || ((b - a) & 0xFFu) != evidence.column_diff[first]) {
            continue;
        }
        if (by_crc) {
            const std::uint16_t one = CrcChange(a ^ b, BytesAfter(line, first, crc_bytes));
            const std::uint16_t two = CrcChange(a ^ b, BytesAfter(line, second, crc_bytes));
            if ((evidence.total_computed ^ one ^ two) != evidence.total_given) {
                continue;
            }
        }
        found = &line;
        ++count;
    }
    if (count != 1) {
        return false;
    }
    Diagnosis diagnosis =
        About(DiagnosisKind::SwappedBytes, by_crc ? Certainty::Certain : Certainty::Likely, *found);
    diagnosis.column = first;
    diagnosis.column2 = second;
    diagnosis.typed = (found->values[first] << 8) | found->values[second];
    diagnosis.right = (found->values[second] << 8) | found->values[first];
    check->Add(diagnosis);
    return true;
}

// Every line sum right: the check line's own tokens, or an error in a line
// that its line sum cannot see.
void DiagnoseCheckLine(const BlockEvidence& evidence, std::uint32_t crc_bytes,
                       const BlockRecord& block, Finding* check) {
    std::uint32_t columns = 0;
    std::uint32_t sum = 0;
    for (int c = 0; c < kColumnCount; ++c) {
        if (evidence.mismatched[c]) {
            columns |= 1u << c;
            sum += evidence.column_diff[c];
        }
    }
    // Errors that cancel within one line leave its line sum and the 8- or
    // 16-bit total as they were.
    const bool totals_right = evidence.total == TotalKind::Crc || evidence.total_right;
    if (evidence.mismatch_count >= 2 && (sum & 0xFFu) == 0 && totals_right) {
        const bool swap =
            evidence.mismatch_count == 2 && FindSwap(evidence, crc_bytes, block, check);
        if (!swap) {
            Diagnosis diagnosis;
            diagnosis.kind = DiagnosisKind::UnseenColumns;
            diagnosis.columns = columns;
            check->Add(diagnosis);
        }
        return;
    }
    for (int c = 0; c < kColumnCount; ++c) {
        if (evidence.mismatched[c]) {
            Diagnosis diagnosis;
            diagnosis.kind = DiagnosisKind::ColumnToken;
            diagnosis.column = c;
            diagnosis.token = evidence.column_given[c];
            diagnosis.right = evidence.column_computed[c];
            check->Add(diagnosis);
        }
    }
    if (!evidence.total_right) {
        Diagnosis diagnosis;
        diagnosis.kind =
            evidence.total == TotalKind::Crc ? DiagnosisKind::CrcToken : DiagnosisKind::TotalToken;
        diagnosis.token = evidence.total_token;
        diagnosis.right = evidence.total_computed;
        diagnosis.digits = evidence.total == TotalKind::Sum8 ? 2 : 4;
        check->Add(diagnosis);
    }
}

// A data line counted by the reading of its unreadable windows: when every
// such window's column was compared and came out right, two sums agree on
// the reading.
void ConfirmMisreadings(const BlockEvidence& evidence, BlockRecord* block) {
    for (PendingFinding& pending : block->pending) {
        const std::uint32_t windows = pending.line.misread_windows;
        if (windows == 0) {
            continue;
        }
        bool confirmed = true;
        for (int k = 0; k < kMaxWindows; ++k) {
            if ((windows >> k) & 1u) {
                confirmed = confirmed && k < evidence.compared_columns && !evidence.mismatched[k];
            }
        }
        for (int d = 0; confirmed && d < pending.finding.diagnosis_count; ++d) {
            Diagnosis& diagnosis = pending.finding.diagnoses[d];
            if (diagnosis.kind == DiagnosisKind::Misreading && diagnosis.column >= 0) {
                diagnosis.certainty = Certainty::Certain;
            }
        }
    }
}

}  // namespace

void DiagnoseBlock(const ListingOptions& options, const BlockEvidence& evidence,
                   std::uint32_t crc_bytes, BlockRecord* block, Finding* check) {
    if (!evidence.judged || evidence.malformed) {
        return;
    }
    // A line left out of the sums makes every difference of the check line
    // its own; nothing more can be told.
    bool missing = false;
    for (const PendingFinding& pending : block->pending) {
        if (!pending.line.counted && pending.finding.code == LineOutcome::E00) {
            missing = true;
            if (check != nullptr) {
                check->Add(About(DiagnosisKind::NotCounted, Certainty::Certain, pending.line));
            }
        }
    }
    if (missing) {
        return;
    }
    ConfirmMisreadings(evidence, block);
    // Without line sums no line is known to be right.
    if (!options.checksum) {
        return;
    }
    std::vector<PendingFinding*> bad;
    for (PendingFinding& pending : block->pending) {
        if (pending.line.checksum_wrong && !pending.line.checksum_misread) {
            bad.push_back(&pending);
        }
    }
    if (bad.size() == 1) {
        DiagnoseOneLine(options, evidence, crc_bytes, bad[0], check);
    } else if (bad.size() > 1) {
        DiagnoseSeveralLines(options, evidence, bad, check);
    } else if (check != nullptr) {
        DiagnoseCheckLine(evidence, crc_bytes, *block, check);
    }
}

}  // namespace tsy::proof
