// The diagnosis of one block: which byte, token or line the sums point at.
//
// The check line's values are first compared with the lines the reader
// counted, and with the skipped, repeated or left-out lines that explain
// them (view.h). Then the lines whose line sum is wrong ("bad lines") are
// searched for the corrections that fit every sum: for each bad line one
// byte or its checksum token, and for a single bad line also two bytes whose
// column errors add up to its line error. A correction is certain when it is
// the only one of the fewest typos that fits and the sums cross every byte
// it changes (a column sum or the CRC); when two to four fit, each bad line
// names its candidates, the most plausible typo first.
//
// Widths: a line sum is compared in 8 bits (12 with OhMzSum), column sums and
// a SumLine's total in 8, a DashedLine's total in 16; a byte's change is
// matched against each sum in that sum's width. The CRC is linear over the
// bytes (initial value 0, no final XOR), so one changed byte changes it by
// the CRC of that byte's XOR followed by the zero bytes after it.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "proof/block.h"
#include "proof/view.h"
#include "resources/look_alikes.h"

namespace tsy::proof {
namespace {

constexpr int kMaxNamed = 4;          // candidates named at most
constexpr int kMaxSearched = 3;       // bad lines searched together at most
constexpr long kMaxTrials = 1 << 16;  // combinations of corrections tried at most
constexpr int kMaxFitsKept = 256;
// A 16-bit CRC lets about one combination in 65,536 through by chance: it
// alone decides among this many at most, so that a chance fit (when a line
// holds a typo no combination models) stays below one in a thousand.
constexpr long kMaxCrcOnlyTrials = 64;

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

// How plausibly `right` was typed as `typed` (both of `digits` hexadecimal
// digits), lower first: 0 one look-alike digit changed, 1 one digit changed,
// 2 two digits swapped, 3 anything else.
int TypoScore(std::uint32_t typed, std::uint32_t right, int digits) {
    int differing = 0;
    int at = 0;
    for (int i = 0; i < digits; ++i) {
        if (((typed >> (4 * i)) & 0xFu) != ((right >> (4 * i)) & 0xFu)) {
            ++differing;
            at = i;
        }
    }
    if (differing == 1) {
        return LookAlikeDigits((typed >> (4 * at)) & 0xFu, (right >> (4 * at)) & 0xFu) ? 0 : 1;
    }
    if (differing == 2 && digits == 2 && (typed >> 4) == (right & 0xFu) &&
        (typed & 0xFu) == (right >> 4)) {
        return 2;
    }
    return 3;
}

Diagnosis AboutByte(DiagnosisKind kind, Certainty certainty, const RecordedLine& line, int column,
                    std::uint32_t typed, std::uint32_t right) {
    Diagnosis diagnosis = AboutLine(kind, certainty, line);
    diagnosis.column = column;
    diagnosis.typed = typed;
    diagnosis.right = right;
    return diagnosis;
}

// One correction of a bad line.
enum class ChangeKind : unsigned char { Byte, TwoBytes, Token };

struct Change {
    ChangeKind kind = ChangeKind::Token;
    int column = -1;
    int column2 = -1;
    std::uint32_t typed = 0;
    std::uint32_t right = 0;
    std::uint32_t typed2 = 0;
    std::uint32_t right2 = 0;
    std::uint16_t crc = 0;  // its change of BlockCrc
    int score = 0;          // TypoScore, or their sum and one for two typos
};

struct BadLine {
    int view = 0;  // index in the view
    RecordedLine* line = nullptr;
    Finding* finding = nullptr;
    std::vector<Change> changes;
};

// The checksum token's correction: with AddressSum an address field that the
// lines around continue otherwise, when that value makes the line sum right.
Diagnosis TokenDiagnosis(const ListingOptions& options, const BadLine& bad, bool unique) {
    const RecordedLine& line = *bad.line;
    if (options.address_sum) {
        std::int32_t target = line.continuing;
        if (target < 0 && line.expected_address >= 0 &&
            line.expected_address <= kHighestEmulatedAddress &&
            line.expected_address != line.address) {
            target = line.expected_address;
        }
        if (target >= 0) {
            const std::uint32_t change =
                AddressPart(options, target) - AddressPart(options, line.address);
            if ((change & LineMask(options)) == line.line_diff) {
                const bool certain = unique && line.continuing >= 0 && line.neighbours_agree;
                Diagnosis diagnosis =
                    AboutLine(DiagnosisKind::AddressField,
                              certain ? Certainty::Certain : Certainty::Likely, line);
                diagnosis.typed = static_cast<std::uint32_t>(line.address);
                diagnosis.right = static_cast<std::uint32_t>(target);
                diagnosis.digits = 4;
                return diagnosis;
            }
        }
    }
    // With AddressSum the address itself may be the typo unless a
    // neighbour continues it.
    const bool certain = unique && (!options.address_sum || line.address_confirmed);
    Diagnosis diagnosis = AboutLine(DiagnosisKind::ChecksumToken,
                                    certain ? Certainty::Certain : Certainty::Likely, line);
    diagnosis.right = line.line_sum;
    diagnosis.digits = options.ohmz_sum ? 3 : 2;
    if (line.skipped) {
        // A skipped line's finding quotes its address field; its checksum
        // is quoted by value.
        const std::uint32_t given = (line.line_sum + line.line_diff) & LineMask(options);
        std::snprintf(diagnosis.token.text, sizeof diagnosis.token.text, "%0*X", diagnosis.digits,
                      static_cast<unsigned>(given));
    } else {
        diagnosis.token = bad.finding->given;
    }
    return diagnosis;
}

void AddChanges(const ListingOptions& options, const BlockEvidence& evidence, const View& view,
                bool single, BadLine* bad) {
    const RecordedLine& line = *bad->line;
    const ViewLine& row = view.lines[bad->view];
    const bool crc = evidence.total == TotalKind::Crc;
    for (int k = 0; k < row.count; ++k) {
        Change change;
        change.kind = ChangeKind::Byte;
        change.column = k;
        change.typed = row.values[k];
        if (!RightValue(options, change.typed, line.line_diff, &change.right)) {
            continue;
        }
        change.crc =
            crc ? CrcChange(change.typed ^ change.right, view.BytesAfter(bad->view, k)) : 0;
        change.score = TypoScore(change.typed, change.right, 2);
        bad->changes.push_back(change);
    }
    Change token;
    const std::uint32_t mask = LineMask(options);
    token.score =
        TypoScore((line.line_sum + line.line_diff) & mask, line.line_sum, options.ohmz_sum ? 3 : 2);
    bad->changes.push_back(token);
    if (!single) {
        return;
    }
    // Two bytes of the line whose column errors add up to its line error.
    const int columns =
        row.count < evidence.compared_columns ? row.count : evidence.compared_columns;
    for (int k1 = 0; k1 < columns; ++k1) {
        for (int k2 = k1 + 1; k2 < columns; ++k2) {
            const std::uint32_t v1 = row.values[k1];
            const std::uint32_t v2 = row.values[k2];
            if (!evidence.mismatched[k1] || !evidence.mismatched[k2] || v1 > 0xFF || v2 > 0xFF) {
                continue;
            }
            Change change;
            change.kind = ChangeKind::TwoBytes;
            change.column = k1;
            change.column2 = k2;
            change.typed = v1;
            change.typed2 = v2;
            change.right = (v1 + evidence.column_diff[k1]) & 0xFFu;
            change.right2 = (v2 + evidence.column_diff[k2]) & 0xFFu;
            const std::int32_t delta = static_cast<std::int32_t>(change.right + change.right2) -
                                       static_cast<std::int32_t>(v1 + v2);
            if ((static_cast<std::uint32_t>(delta) & mask) != line.line_diff) {
                continue;
            }
            if (crc) {
                change.crc = CrcChange(v1 ^ change.right, view.BytesAfter(bad->view, k1)) ^
                             CrcChange(v2 ^ change.right2, view.BytesAfter(bad->view, k2));
            }
            change.score = TypoScore(v1, change.right, 2) + TypoScore(v2, change.right2, 2) + 1;
            bad->changes.push_back(change);
        }
    }
}

// Whether one correction per bad line (`pick`) makes every sum right.
bool Fits(const BlockEvidence& evidence, const std::vector<BadLine>& bad, const int* pick) {
    std::int32_t columns[kColumnCount] = {};
    std::int32_t total = 0;
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < bad.size(); ++i) {
        const Change& change = bad[i].changes[pick[i]];
        if (change.kind == ChangeKind::Token) {
            continue;
        }
        const std::int32_t delta =
            static_cast<std::int32_t>(change.right) - static_cast<std::int32_t>(change.typed);
        if (change.column < kColumnCount) {
            columns[change.column] += delta;
        }
        total += delta;
        if (change.kind == ChangeKind::TwoBytes) {
            const std::int32_t delta2 =
                static_cast<std::int32_t>(change.right2) - static_cast<std::int32_t>(change.typed2);
            columns[change.column2] += delta2;
            total += delta2;
        }
        crc ^= change.crc;
    }
    for (int c = 0; c < evidence.compared_columns; ++c) {
        if ((static_cast<std::uint32_t>(columns[c]) & 0xFFu) != evidence.column_diff[c]) {
            return false;
        }
    }
    const std::uint32_t sum = static_cast<std::uint32_t>(total);
    switch (evidence.total) {
        case TotalKind::Sum8:
            return (sum & 0xFFu) == evidence.total_diff;
        case TotalKind::Sum16:
            return (sum & 0xFFFFu) == evidence.total_diff;
        case TotalKind::Crc:
            return (evidence.total_computed ^ crc) == evidence.total_given;
        case TotalKind::None:
            break;
    }
    return true;
}

// For two bytes of one line: whether one byte of it and a swap of the same
// two columns in another line fit the sums as well (as few typos).
bool SwapAlternative(const ListingOptions& options, const BlockEvidence& evidence, const View& view,
                     const BadLine& bad, const Change& change) {
    const ViewLine& row = view.lines[bad.view];
    for (int which = 0; which < 2; ++which) {
        const int k = which == 0 ? change.column : change.column2;
        const int other = which == 0 ? change.column2 : change.column;
        std::uint32_t right = 0;
        if (!RightValue(options, row.values[k], bad.line->line_diff, &right)) {
            continue;
        }
        const std::int32_t delta =
            static_cast<std::int32_t>(right) - static_cast<std::int32_t>(row.values[k]);
        const std::uint16_t own = CrcChange(row.values[k] ^ right, view.BytesAfter(bad.view, k));
        for (int x = 0; x < static_cast<int>(view.lines.size()); ++x) {
            const ViewLine& line = view.lines[x];
            if (x == bad.view || line.count <= (k > other ? k : other) || line.values[k] > 0xFF ||
                line.values[other] > 0xFF || line.values[k] == line.values[other]) {
                continue;
            }
            // The swap moves the difference of the two bytes between the columns.
            const std::int32_t moved = static_cast<std::int32_t>(line.values[other]) -
                                       static_cast<std::int32_t>(line.values[k]);
            if ((static_cast<std::uint32_t>(delta + moved) & 0xFFu) != evidence.column_diff[k] ||
                (static_cast<std::uint32_t>(-moved) & 0xFFu) != evidence.column_diff[other]) {
                continue;
            }
            if (evidence.total == TotalKind::Crc) {
                const std::uint32_t flip = line.values[k] ^ line.values[other];
                const std::uint16_t crc = own ^ CrcChange(flip, view.BytesAfter(x, k)) ^
                                          CrcChange(flip, view.BytesAfter(x, other));
                if ((evidence.total_computed ^ crc) != evidence.total_given) {
                    continue;
                }
            }
            return true;
        }
    }
    return false;
}

// Whether the sums cross every byte the correction changes, found among
// `trials` combinations.
bool Crossed(const ListingOptions& options, const BlockEvidence& evidence, const View& view,
             const BadLine& bad, const Change& change, long trials) {
    const bool crc = evidence.total == TotalKind::Crc;
    switch (change.kind) {
        case ChangeKind::Byte:
            return change.column < evidence.compared_columns ||
                   (crc && trials <= kMaxCrcOnlyTrials);
        case ChangeKind::TwoBytes:
            return evidence.total != TotalKind::None &&
                   !SwapAlternative(options, evidence, view, bad, change);
        case ChangeKind::Token:
            break;
    }
    return true;
}

// Names the correction on the bad line's finding and, for bytes, on `check`.
void Name(const ListingOptions& options, const BadLine& bad, const Change& change,
          Certainty certainty, bool alone, Finding* check) {
    const RecordedLine& line = *bad.line;
    const DiagnosisKind kind = alone ? DiagnosisKind::WrongByte : DiagnosisKind::OneOfBytes;
    switch (change.kind) {
        case ChangeKind::Token:
            bad.finding->Add(
                TokenDiagnosis(options, bad, alone && certainty == Certainty::Certain));
            return;
        case ChangeKind::TwoBytes:
            bad.finding->Add(
                AboutByte(kind, certainty, line, change.column, change.typed, change.right));
            bad.finding->Add(
                AboutByte(kind, certainty, line, change.column2, change.typed2, change.right2));
            if (alone && check != nullptr) {
                check->Add(AboutByte(DiagnosisKind::ExplainedBy, certainty, line, change.column,
                                     change.typed, change.right));
                check->Add(AboutByte(DiagnosisKind::ExplainedBy, certainty, line, change.column2,
                                     change.typed2, change.right2));
            }
            return;
        case ChangeKind::Byte:
            bad.finding->Add(
                AboutByte(kind, certainty, line, change.column, change.typed, change.right));
            if (alone && check != nullptr) {
                check->Add(AboutByte(DiagnosisKind::ExplainedBy, certainty, line, change.column,
                                     change.typed, change.right));
            }
            return;
    }
}

// The bad lines' corrections that fit every sum, one per line.
void Search(const ListingOptions& options, const BlockEvidence& evidence, const View& view,
            std::vector<BadLine>* bad, Finding* check) {
    const bool single = bad->size() == 1;
    long trials = 1;
    for (BadLine& line : *bad) {
        AddChanges(options, evidence, view, single, &line);
        trials *= static_cast<long>(line.changes.size());
        if (trials > kMaxTrials) {
            return;
        }
    }
    const std::size_t m = bad->size();
    std::vector<std::vector<int>> fits;
    std::vector<int> pick(m, 0);
    long fit_count = 0;
    for (long t = 0; t < trials; ++t) {
        long rest = t;
        for (std::size_t i = 0; i < m; ++i) {
            const long size = static_cast<long>((*bad)[i].changes.size());
            pick[i] = static_cast<int>(rest % size);
            rest /= size;
        }
        if (Fits(evidence, *bad, pick.data())) {
            ++fit_count;
            if (fits.size() < static_cast<std::size_t>(kMaxFitsKept)) {
                fits.push_back(pick);
            }
        }
    }
    auto score = [&](const std::vector<int>& fit) {
        int total = 0;
        for (std::size_t i = 0; i < m; ++i) {
            total += (*bad)[i].changes[fit[i]].score;
        }
        return total;
    };

    if (fit_count == 1) {
        bool crossed = true;
        for (std::size_t i = 0; i < m; ++i) {
            crossed = crossed && Crossed(options, evidence, view, (*bad)[i],
                                         (*bad)[i].changes[fits[0][i]], trials);
        }
        const Certainty certainty = crossed ? Certainty::Certain : Certainty::Likely;
        for (std::size_t i = 0; i < m; ++i) {
            Name(options, (*bad)[i], (*bad)[i].changes[fits[0][i]], certainty, true, check);
        }
        return;
    }
    if (fit_count >= 2 && fit_count <= kMaxNamed) {
        // Each line's candidates, from the most plausible reading of the block.
        std::stable_sort(fits.begin(), fits.end(),
                         [&](const std::vector<int>& a, const std::vector<int>& b) {
                             return score(a) < score(b);
                         });
        for (std::size_t i = 0; i < m; ++i) {
            std::vector<int> named;
            for (const std::vector<int>& fit : fits) {
                if (std::find(named.begin(), named.end(), fit[i]) == named.end()) {
                    named.push_back(fit[i]);
                    Name(options, (*bad)[i], (*bad)[i].changes[fit[i]], Certainty::Likely, false,
                         check);
                }
            }
        }
        return;
    }
    if (single && fit_count > kMaxNamed && options.ohmz_sum) {
        // The totals alone fit many bytes: those a one-digit or swapped-digit
        // typo explains.
        std::vector<const Change*> plausible;
        for (const std::vector<int>& fit : fits) {
            const Change& change = (*bad)[0].changes[fit[0]];
            if (change.kind == ChangeKind::Byte && change.score <= 2) {
                plausible.push_back(&change);
            }
        }
        std::stable_sort(plausible.begin(), plausible.end(),
                         [](const Change* a, const Change* b) { return a->score < b->score; });
        if (!plausible.empty() && plausible.size() <= static_cast<std::size_t>(kMaxNamed)) {
            for (const Change* change : plausible) {
                Name(options, (*bad)[0], *change, Certainty::Likely, false, check);
            }
            return;
        }
        const std::uint32_t diff = (*bad)[0].line->line_diff;
        Diagnosis diagnosis =
            AboutLine(DiagnosisKind::LineOffBy, Certainty::Likely, *(*bad)[0].line);
        diagnosis.delta = diff < 0x800 ? static_cast<std::int32_t>(diff)
                                       : static_cast<std::int32_t>(diff) - 0x1000;
        (*bad)[0].finding->Add(diagnosis);
    }
}

// Many bad lines: each is matched with a mismatching column of the same
// difference; a match is named only when neither side has another.
void DiagnoseManyLines(const ListingOptions& options, const BlockEvidence& evidence,
                       const View& view, std::vector<BadLine>* bad, Finding* check) {
    if (evidence.AllRight()) {
        for (const BadLine& line : *bad) {
            line.finding->Add(TokenDiagnosis(options, line, false));
        }
        return;
    }
    const int bad_count = static_cast<int>(bad->size());
    std::vector<Change> chosen(bad->size());
    std::vector<bool> single(bad->size(), false);
    int claims[kColumnCount] = {};
    for (int i = 0; i < bad_count; ++i) {
        const RecordedLine& line = *(*bad)[i].line;
        const ViewLine& row = view.lines[(*bad)[i].view];
        int count = 0;
        for (int k = 0; k < row.count && k < evidence.compared_columns; ++k) {
            std::uint32_t right = 0;
            if (evidence.mismatched[k] &&
                RightValue(options, row.values[k], line.line_diff, &right) &&
                evidence.column_diff[k] == ((right - row.values[k]) & 0xFFu)) {
                chosen[i].kind = ChangeKind::Byte;
                chosen[i].column = k;
                chosen[i].typed = row.values[k];
                chosen[i].right = right;
                ++count;
            }
        }
        if (count == 1) {
            single[i] = true;
            ++claims[chosen[i].column];
        }
    }
    for (int i = 0; i < bad_count; ++i) {
        if (single[i] && claims[chosen[i].column] == 1) {
            Name(options, (*bad)[i], chosen[i], Certainty::Likely, true, check);
        }
    }
}

// Two mismatching columns whose differences cancel, with every line sum
// right: a line whose bytes in those columns, swapped, give both sums (and
// with Oh!X the CRC). False unless exactly one line does.
bool FindSwap(const BlockEvidence& evidence, const View& view, const BlockRecord& block,
              Finding* check) {
    int first = -1;
    int second = -1;
    for (int c = 0; c < kColumnCount; ++c) {
        if (evidence.mismatched[c]) {
            (first < 0 ? first : second) = c;
        }
    }
    const bool by_crc = evidence.total == TotalKind::Crc && !evidence.total_right;
    int found = -1;
    int count = 0;
    for (int i = 0; i < static_cast<int>(view.lines.size()); ++i) {
        const ViewLine& line = view.lines[i];
        if (line.source < 0 || line.count <= second) {
            continue;
        }
        const std::uint32_t a = line.values[first];
        const std::uint32_t b = line.values[second];
        if (a == b || a > 0xFF || b > 0xFF || ((b - a) & 0xFFu) != evidence.column_diff[first]) {
            continue;
        }
        if (by_crc) {
            const std::uint16_t one = CrcChange(a ^ b, view.BytesAfter(i, first));
            const std::uint16_t two = CrcChange(a ^ b, view.BytesAfter(i, second));
            if ((evidence.total_computed ^ one ^ two) != evidence.total_given) {
                continue;
            }
        }
        found = i;
        ++count;
    }
    if (count != 1) {
        return false;
    }
    const ViewLine& line = view.lines[found];
    Diagnosis diagnosis =
        AboutLine(DiagnosisKind::SwappedBytes, by_crc ? Certainty::Certain : Certainty::Likely,
                  block.lines[line.source]);
    diagnosis.column = first;
    diagnosis.column2 = second;
    diagnosis.typed = (static_cast<std::uint32_t>(line.values[first]) << 8) | line.values[second];
    diagnosis.right = (static_cast<std::uint32_t>(line.values[second]) << 8) | line.values[first];
    check->Add(diagnosis);
    return true;
}

// Every line sum right: the check line's own tokens, or an error in a line
// that its line sum cannot see. A single wrong token is certain when every
// other sum agrees: the line sums see any one changed byte, the totals any
// changed byte too, the columns (all of them compared) also a swap.
void DiagnoseCheckLine(const ListingOptions& options, const CheckGiven& given,
                       const BlockEvidence& evidence, const View& view, const BlockRecord& block,
                       Finding* check) {
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
        const bool swap = evidence.mismatch_count == 2 && FindSwap(evidence, view, block, check);
        if (!swap) {
            Diagnosis diagnosis;
            diagnosis.kind = DiagnosisKind::UnseenColumns;
            diagnosis.columns = columns;
            check->Add(diagnosis);
        }
        return;
    }
    const bool alone = evidence.Faults() == 1 && options.checksum;
    const bool all_columns = evidence.compared_columns >= BlockWidth(block);
    for (int c = 0; c < kColumnCount; ++c) {
        if (evidence.mismatched[c]) {
            const bool certain = alone && evidence.total != TotalKind::None;
            Diagnosis diagnosis;
            diagnosis.kind = DiagnosisKind::ColumnToken;
            diagnosis.certainty = certain ? Certainty::Certain : Certainty::Likely;
            diagnosis.column = c;
            diagnosis.token = given.column_token[c];
            diagnosis.right = evidence.column_computed[c];
            check->Add(diagnosis);
        }
    }
    if (!evidence.total_right && !given.total_misread && !given.two_digit_total) {
        const bool crc = evidence.total == TotalKind::Crc;
        // A line left out at an end of the block changes a 16-bit total or
        // the CRC alone (an 8-bit total only with some column): the lines
        // around must show that none is.
        const bool whole = evidence.total == TotalKind::Sum8
                               ? all_columns
                               : block.anchored_end && (crc ? all_columns : block.anchored_start);
        Diagnosis diagnosis;
        diagnosis.kind = crc ? DiagnosisKind::CrcToken : DiagnosisKind::TotalToken;
        diagnosis.certainty = alone && whole ? Certainty::Certain : Certainty::Likely;
        diagnosis.token = given.total_token;
        diagnosis.right = evidence.total_computed;
        diagnosis.digits = evidence.total == TotalKind::Sum8 ? 2 : 4;
        check->Add(diagnosis);
    }
}

// A data line counted by the reading of its unreadable windows: when every
// such window's column was compared and came out right, two sums agree on
// the reading.
void ConfirmMisreadings(const BlockEvidence& evidence, BlockRecord* block) {
    for (const RecordedLine& line : block->lines) {
        const std::uint32_t windows = line.misread_windows;
        if (windows == 0 || line.finding < 0) {
            continue;
        }
        bool confirmed = true;
        for (int k = 0; k < kMaxWindows; ++k) {
            if ((windows >> k) & 1u) {
                confirmed = confirmed && k < evidence.compared_columns && !evidence.mismatched[k];
            }
        }
        Finding& finding = block->pending[line.finding];
        for (int d = 0; confirmed && d < finding.diagnosis_count; ++d) {
            Diagnosis& diagnosis = finding.diagnoses[d];
            if (diagnosis.kind == DiagnosisKind::Misreading && diagnosis.column >= 0) {
                diagnosis.certainty = Certainty::Certain;
            }
        }
    }
}

// Without a check line: a repeated line with the same data as the line of
// its address.
void SameData(BlockRecord* block) {
    for (const RepeatRecord& repeat : block->repeats) {
        const RecordedLine& line = block->lines[repeat.line];
        if (repeat.other < 0 || !line.counted || !block->lines[repeat.other].counted ||
            line.count != block->lines[repeat.other].count ||
            std::memcmp(line.values, block->lines[repeat.other].values,
                        sizeof line.values[0] * static_cast<std::size_t>(line.count)) != 0) {
            continue;
        }
        Diagnosis diagnosis = AboutLine(DiagnosisKind::Duplicate, Certainty::Likely, line);
        diagnosis.line_number = block->lines[repeat.other].line_number;
        block->pending[repeat.finding].Add(diagnosis);
    }
}

}  // namespace

int BlockWidth(const BlockRecord& block) {
    int width = 0;
    for (const RecordedLine& line : block.lines) {
        width = line.count > width ? line.count : width;
    }
    return width < kColumnCount ? width : kColumnCount;
}

Diagnosis AboutLine(DiagnosisKind kind, Certainty certainty, const RecordedLine& line) {
    Diagnosis diagnosis;
    diagnosis.kind = kind;
    diagnosis.certainty = certainty;
    diagnosis.line_number = line.line_number;
    std::memcpy(diagnosis.address_text, line.address_text, sizeof diagnosis.address_text);
    return diagnosis;
}

std::uint32_t AddressPart(const ListingOptions& options, std::int32_t address) {
    const std::uint32_t a = static_cast<std::uint32_t>(address);
    return (a & 0xFFu) + (options.lower_address_only ? 0u : a >> 8);
}

void DiagnoseBlock(const ListingOptions& options, const CheckGiven& given, BlockRecord* block,
                   Finding* check) {
    if (!given.judged) {
        SameData(block);
        return;
    }
    if (given.malformed) {
        return;
    }
    // A line left out of the sums makes every difference of the check line
    // its own; nothing more can be told.
    bool missing = false;
    for (const RecordedLine& line : block->lines) {
        if (!line.counted && !line.skipped && line.finding >= 0 &&
            block->pending[line.finding].code == LineOutcome::E00) {
            missing = true;
            if (check != nullptr) {
                check->Add(AboutLine(DiagnosisKind::NotCounted, Certainty::Certain, line));
            }
        }
    }
    if (missing) {
        return;
    }
    View view = CountedLines(*block);
    BlockEvidence evidence = Compare(given, block->crc_start, &view);
    if (given.two_digit_total && check != nullptr) {
        Diagnosis diagnosis;
        diagnosis.kind = DiagnosisKind::TwoDigitTotal;
        diagnosis.token = given.two_digit_token;
        diagnosis.right = evidence.total_computed;
        diagnosis.by_sums = evidence.total_right;
        check->Add(diagnosis);
    }
    if (!ExplainByLines(options, given, block, &view, &evidence, check)) {
        return;
    }
    ConfirmMisreadings(evidence, block);
    // Without line sums no line is known to be right.
    if (!options.checksum) {
        return;
    }
    std::vector<BadLine> bad;
    for (int i = 0; i < static_cast<int>(view.lines.size()); ++i) {
        const int source = view.lines[i].source;
        if (source < 0) {
            continue;
        }
        RecordedLine& line = block->lines[source];
        if (line.checksum_wrong && !line.checksum_misread && line.finding >= 0) {
            BadLine entry;
            entry.view = i;
            entry.line = &line;
            entry.finding = &block->pending[line.finding];
            bad.push_back(entry);
        }
    }
    if (bad.empty()) {
        if (check != nullptr) {
            DiagnoseCheckLine(options, given, evidence, view, *block, check);
        }
    } else if (bad.size() <= static_cast<std::size_t>(kMaxSearched)) {
        Search(options, evidence, view, &bad, check);
    } else {
        DiagnoseManyLines(options, evidence, view, &bad, check);
    }
}

}  // namespace tsy::proof
