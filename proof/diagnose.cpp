// The diagnosis of one block: which byte, token or line the sums and the
// addresses point at.
//
// The block becomes a puzzle (puzzle.h): the rows its check line is
// compared with, a skipped line that looks like data taken in where that
// brings the values closer, and the gaps, strays, repeated and swapped
// lines the addresses show. The search (explain.h) finds every explanation
// with the fewest mistakes, and naming (naming.h) puts them on the
// findings. Where the search gives up, or finds too many readings to name,
// what is left is said as the sums show it: the bytes a line's difference
// fits, the columns no line sum sees, lines the sums cannot place.
//
// Widths: a line sum is compared in 8 bits (12 with OhMzSum), column sums and
// a SumLine's total in 8 (16 when the total has four digits), a DashedLine's
// total in 16; the CRC is linear over the bytes.
#include "proof/diagnose.h"

#include <algorithm>
#include <cstring>

#include "proof/addresses.h"
#include "proof/certainty.h"
#include "proof/explain.h"
#include "proof/naming.h"

namespace tsy::proof {
namespace {

// The byte of `typed` that a line off by `residual` (of `mask`) wants; false
// when no byte value does.
bool ByLine(const ListingOptions& options, std::uint32_t typed, std::uint32_t residual,
            std::uint32_t* right) {
    if (typed > 0xFF) {
        return false;
    }
    if (options.ohmz_sum) {
        const std::int32_t delta = residual < 0x800 ? static_cast<std::int32_t>(residual)
                                                    : static_cast<std::int32_t>(residual) - 0x1000;
        const std::int32_t value = static_cast<std::int32_t>(typed) + delta;
        if (value < 0 || value > 0xFF) {
            return false;
        }
        *right = static_cast<std::uint32_t>(value);
        return true;
    }
    *right = (typed + residual) & 0xFFu;
    return true;
}

int BadRows(const Puzzle& puzzle) {
    int bad = 0;
    for (const PuzzleRow& row : puzzle.rows) {
        bad += row.summed && row.residual != 0 ? 1 : 0;
    }
    return bad;
}

// Many bad lines and every block sum right: each line's checksum token.
bool NameChecksums(const ListingOptions& options, const Puzzle& puzzle, BlockRecord* block) {
    for (int c = 0; c < puzzle.compared_columns; ++c) {
        if (puzzle.column_residual[c] != 0) {
            return false;
        }
    }
    if (puzzle.total_residual != 0) {
        return false;
    }
    for (const PuzzleRow& row : puzzle.rows) {
        const RecordedLine& line = block->lines[row.line];
        if (!row.summed || row.residual == 0 || line.finding < 0 || line.skipped) {
            continue;
        }
        Finding& finding = block->pending[line.finding];
        Diagnosis d = AboutLine(DiagnosisKind::ChecksumToken, Certainty::Likely, line);
        d.right = line.line_sum;
        d.digits = options.ohmz_sum ? 3 : 2;
        d.token = finding.given;
        finding.Add(d);
    }
    return true;
}

// Many bad lines: each is matched with a mismatching column of the same
// difference; a match is named only when neither side has another.
void MatchLinesToColumns(const ListingOptions& options, const Puzzle& puzzle, BlockRecord* block) {
    if (NameChecksums(options, puzzle, block)) {
        return;
    }
    struct Match {
        int row;
        int column;
        std::uint32_t typed;
        std::uint32_t right;
    };
    std::vector<Match> matches;
    int claims[kColumnCount] = {};
    for (int r = 0; r < static_cast<int>(puzzle.rows.size()); ++r) {
        const PuzzleRow& row = puzzle.rows[r];
        if (!row.summed || row.residual == 0) {
            continue;
        }
        int count = 0;
        Match match{r, 0, 0, 0};
        for (int k = 0; k < row.count && k < puzzle.compared_columns; ++k) {
            std::uint32_t right = 0;
            if (puzzle.column_residual[k] != 0 &&
                ByLine(options, row.values[k], row.residual, &right) &&
                puzzle.column_residual[k] == ((right - row.values[k]) & 0xFFu)) {
                match = Match{r, k, row.values[k], right};
                ++count;
            }
        }
        if (count == 1) {
            ++claims[match.column];
            matches.push_back(match);
        }
    }
    for (const Match& match : matches) {
        const RecordedLine& line = block->lines[puzzle.rows[match.row].line];
        if (claims[match.column] == 1 && line.finding >= 0) {
            Diagnosis d = AboutLine(DiagnosisKind::WrongByte, Certainty::Likely, line);
            d.column = match.column;
            d.typed = match.typed;
            d.right = match.right;
            block->pending[line.finding].Add(d);
        }
    }
}

// One bad line whose difference many bytes fit (no column sums): those a
// one-digit or swapped-digit typo explains, or only the difference.
void NameLineDifference(const ListingOptions& options, const Puzzle& puzzle,
                        const SearchResult& result, BlockRecord* block) {
    int bad = -1;
    for (int r = 0; r < static_cast<int>(puzzle.rows.size()); ++r) {
        bad = puzzle.rows[r].summed && puzzle.rows[r].residual != 0 ? r : bad;
    }
    const RecordedLine& line = block->lines[puzzle.rows[bad].line];
    if (line.finding < 0) {
        return;
    }
    Finding& finding = block->pending[line.finding];
    std::vector<Mistake> plausible;
    for (const Explanation& e : result.explanations) {
        if (e.mistakes.size() == 1 && e.mistakes[0].kind == MistakeKind::Byte &&
            e.mistakes[0].row == bad) {
            const Mistake& m = e.mistakes[0];
            const int score = TypoScore(puzzle.rows[bad].values[m.column], m.value, 2);
            if (score <= 2) {
                plausible.push_back(m);
            }
        }
    }
    std::stable_sort(plausible.begin(), plausible.end(), [&](const Mistake& a, const Mistake& b) {
        return TypoScore(puzzle.rows[bad].values[a.column], a.value, 2) <
               TypoScore(puzzle.rows[bad].values[b.column], b.value, 2);
    });
    if (!plausible.empty() && plausible.size() <= static_cast<std::size_t>(kMaxNamed)) {
        for (const Mistake& m : plausible) {
            Diagnosis d = AboutLine(DiagnosisKind::OneOfBytes, Certainty::Likely, line);
            d.column = m.column;
            d.typed = puzzle.rows[bad].values[m.column];
            d.right = m.value;
            finding.Add(d);
        }
        return;
    }
    const std::uint32_t diff = puzzle.rows[bad].residual;
    Diagnosis d = AboutLine(DiagnosisKind::LineOffBy, Certainty::Likely, line);
    d.delta = options.ohmz_sum ? (diff < 0x800 ? static_cast<std::int32_t>(diff)
                                               : static_cast<std::int32_t>(diff) - 0x1000)
                               : static_cast<std::int32_t>(diff);
    finding.Add(d);
}

// Every line sum right and the columns off: an error that no line sum sees.
void NameUnseenColumns(const Puzzle& puzzle, Finding* check) {
    Diagnosis d;
    d.kind = DiagnosisKind::UnseenColumns;
    for (int c = 0; c < puzzle.compared_columns; ++c) {
        d.columns |= puzzle.column_residual[c] != 0 ? 1u << c : 0u;
    }
    if (d.columns != 0) {
        check->Add(d);
    }
}

// A data line counted by the reading of its unreadable windows: when the
// explanations leave every such window's column compared and untouched, two
// sums agree on the reading.
void ConfirmMisreadings(const Puzzle& puzzle, const SearchResult& result, BlockRecord* block) {
    if (!result.complete || result.explanations.empty()) {
        return;
    }
    for (int r = 0; r < static_cast<int>(puzzle.rows.size()); ++r) {
        const RecordedLine& line = block->lines[puzzle.rows[r].line];
        const std::uint32_t windows = line.misread_windows;
        if (windows == 0 || line.finding < 0) {
            continue;
        }
        bool confirmed = true;
        for (int k = 0; k < kMaxWindows; ++k) {
            if (((windows >> k) & 1u) == 0) {
                continue;
            }
            confirmed = confirmed && k < puzzle.compared_columns;
            for (const Explanation& e : result.explanations) {
                for (const Mistake& m : e.mistakes) {
                    const bool row = m.row == r && m.kind != MistakeKind::LineToken &&
                                     m.kind != MistakeKind::Address;
                    const bool column = m.kind == MistakeKind::ColumnToken && m.column == k;
                    confirmed = confirmed && !row && !column;
                }
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

// Whether every explanation leaves row r as typed and its bytes seen by a
// block sum no explanation takes as mistyped: its compared columns, or the
// CRC. No row is put in, out or in another order, which would give the
// columns' differences to another row.
bool RowStandsConfirmed(const Puzzle& puzzle, const SearchResult& result, int r) {
    const PuzzleRow& row = puzzle.rows[r];
    bool columns = row.count <= puzzle.compared_columns;
    bool crc = puzzle.total == TotalKind::Crc;
    for (const Explanation& e : result.explanations) {
        for (const Mistake& m : e.mistakes) {
            if (m.row == r || m.kind == MistakeKind::Enter || m.kind == MistakeKind::Leave ||
                m.kind == MistakeKind::Reorder || m.kind == MistakeKind::Step) {
                return false;
            }
            columns = columns && !(m.kind == MistakeKind::ColumnToken && m.column < row.count);
            crc = crc && m.kind != MistakeKind::CrcToken;
        }
    }
    return columns || crc;
}

// A checksum typed unreadable whose one look-alike reading is the line sum
// of the bytes as typed: certain where every explanation keeps those bytes
// and a block sum confirms them, so that the line sum is the right one.
void ConfirmChecksumReadings(const ListingOptions& options, const Puzzle& puzzle,
                             const SearchResult& result, BlockRecord* block) {
    if (!result.complete || result.explanations.empty() ||
        result.count != static_cast<long>(result.explanations.size())) {
        return;
    }
    for (int r = 0; r < static_cast<int>(puzzle.rows.size()); ++r) {
        const RecordedLine& line = block->lines[puzzle.rows[r].line];
        if (!line.checksum_misread || line.finding < 0 || line.skipped || line.full_width ||
            (puzzle.rows[r].unknown_high | puzzle.rows[r].unknown_low) != 0 ||
            (options.address_sum && !line.address_confirmed) ||
            !RowStandsConfirmed(puzzle, result, r)) {
            continue;
        }
        Finding& finding = block->pending[line.finding];
        for (int d = 0; d < finding.diagnosis_count; ++d) {
            Diagnosis& diagnosis = finding.diagnoses[d];
            if (diagnosis.kind == DiagnosisKind::Misreading && diagnosis.column < 0) {
                diagnosis.certainty = Certainty::Certain;
            }
        }
    }
}

// A line the reader took as typed with nothing said of it: its address as
// typed, every window a pair of digits, its line sum (where there is one)
// holding.
bool ReadsAsTyped(const RecordedLine& line) {
    return line.counted && !line.skipped && line.finding < 0 && line.misread_windows == 0 &&
           !line.full_width && (line.unknown_high | line.unknown_low) == 0 && line.continuing < 0;
}

// The line right after `i` in the block continues address `end`.
bool NextContinues(const BlockRecord& block, int i, std::int32_t end) {
    const int next = i + 1;
    return next < static_cast<int>(block.lines.size()) && block.lines[next].address == end;
}

// Without a check line: a repeated line with the same data as the line of
// its address. Where it follows that line, both read as typed, and the line
// after continues from them, it is no row at a mistyped address that holds
// the same bytes (that row's place is taken): the repeat is certain.
void SameData(BlockRecord* block) {
    for (const RepeatRecord& repeat : block->repeats) {
        const RecordedLine& line = block->lines[repeat.line];
        if (repeat.other < 0 || !line.counted || !block->lines[repeat.other].counted ||
            line.count != block->lines[repeat.other].count ||
            std::memcmp(line.values, block->lines[repeat.other].values,
                        sizeof line.values[0] * static_cast<std::size_t>(line.count)) != 0) {
            continue;
        }
        const RecordedLine& other = block->lines[repeat.other];
        const bool sure = repeat.other == repeat.line - 1 && ReadsAsTyped(line) &&
                          ReadsAsTyped(other) &&
                          NextContinues(*block, repeat.line, other.address + other.count);
        Diagnosis diagnosis = AboutLine(DiagnosisKind::Duplicate,
                                        sure ? Certainty::Certain : Certainty::Likely, line);
        diagnosis.line_number = other.line_number;
        block->pending[repeat.finding].Add(diagnosis);
    }
}

// Without a check line: two adjacent lines whose addresses continue each
// other in the other order are named as swapped. An apply places the bytes
// by address, so the order changes nothing it writes; the swap is certain
// where both lines read as typed, the line before continues into the second
// and the first continues into the line after (or nothing follows).
void SwappedPairs(BlockRecord* block) {
    for (const LineSwapRecord& swap : block->swaps) {
        const RecordedLine& first = block->lines[swap.first];
        const RecordedLine& second = block->lines[swap.second];
        const std::int32_t end = first.address + first.count;
        const bool last = swap.second + 1 == static_cast<int>(block->lines.size());
        const bool sure = swap.second == swap.first + 1 && ReadsAsTyped(first) &&
                          ReadsAsTyped(second) && first.expected_address == second.address &&
                          second.address + second.count == first.address &&
                          (last || NextContinues(*block, swap.second, end));
        block->pending[swap.finding].Add(AboutLine(
            DiagnosisKind::SwappedLines, sure ? Certainty::Certain : Certainty::Likely, second));
    }
    // The first two lines of a region in each other's place: the second is
    // out of the run (the line after continues the first), and it ends
    // where the first begins. Named on the step into the region, as above
    // on the line typed first; certain where the region then begins at an
    // aligned address as the addresses rule.
    for (const StrayRecord& stray : block->strays) {
        const int i = stray.line - 1;
        if (i < 0 || stray.finding < 0) {
            continue;
        }
        const RecordedLine& first = block->lines[i];
        const RecordedLine& second = block->lines[stray.line];
        int step = -1;
        for (int f = 0; f < static_cast<int>(block->pending.size()); ++f) {
            const Finding& finding = block->pending[f];
            step =
                (finding.kind == FindingKind::AddressStep || finding.kind == FindingKind::Jump) &&
                        finding.step != StepKind::OffAddress &&
                        finding.line_number == first.line_number
                    ? f
                    : step;
        }
        if (step < 0 || first.address != second.address + second.count) {
            continue;
        }
        const bool region = NewRegion(second.address, first.expected_address);
        const bool last = stray.line + 1 == static_cast<int>(block->lines.size());
        const bool sure = region && ReadsAsTyped(first) && ReadsAsTyped(second) &&
                          (last || NextContinues(*block, stray.line, first.address + first.count));
        block->pending[step].Add(AboutLine(DiagnosisKind::SwappedLines,
                                           sure ? Certainty::Certain : Certainty::Likely, second));
    }
}

// Without a check line, with the address in the line sum: a line whose
// address is one digit off the address continuing the line before, and whose
// own checksum holds at that address with every byte as typed. Where the
// lines around agree on the address, or the line before is confirmed by its
// own neighbour and the step is no whole rows left out, no other single typo
// explains both the step and the line sum, so the reading is certain; after
// whole rows left out it is only likely.
void AddressBySum(const ListingOptions& options, BlockRecord* block) {
    if (!options.checksum || !options.address_sum) {
        return;
    }
    const std::vector<RecordedLine>& lines = block->lines;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const RecordedLine& line = lines[i];
        if (!line.checksum_wrong || line.checksum_misread || !line.counted || line.skipped ||
            line.full_width || line.finding < 0 || line.address < 0) {
            continue;
        }
        std::int32_t right = line.neighbours_agree ? line.continuing : -1;
        Certainty certainty = Certainty::Certain;
        const bool last = i + 1 == static_cast<int>(lines.size());
        if (right < 0 && last && i > 0) {
            const RecordedLine& before = lines[i - 1];
            for (const Finding& step : block->pending) {
                if (step.kind != FindingKind::AddressStep || step.line_number != line.line_number ||
                    !(step.step == StepKind::Gap || step.step == StepKind::Overlap ||
                      step.step == StepKind::Backward || step.step == StepKind::Stray)) {
                    continue;
                }
                if (before.address >= 0 && before.address_confirmed && !before.checksum_wrong &&
                    before.address + before.count == step.first_address) {
                    right = step.first_address;
                }
            }
            for (const GapRecord& gap : block->gaps) {
                certainty = gap.line == i ? Certainty::Likely : certainty;
            }
        }
        if (right < 0 || DigitsDiffering(line.address, right) != 1) {
            continue;
        }
        const std::uint32_t change =
            (AddressPart(options, right) - AddressPart(options, line.address)) & LineMask(options);
        if (change == 0 || change != line.line_diff) {
            continue;
        }
        Diagnosis diagnosis = AboutLine(DiagnosisKind::AddressField, certainty, line);
        diagnosis.typed = static_cast<std::uint32_t>(line.address);
        diagnosis.right = static_cast<std::uint32_t>(right);
        diagnosis.digits = 4;
        block->pending[line.finding].Add(diagnosis);
    }
}

// A byte left out of a short row, where a column token typed twice on the
// check line fits as well: that reading named beside it.
void NameExtraColumn(const CheckGiven& given, const Puzzle& puzzle, const SearchResult& result,
                     Finding* check) {
    if (check == nullptr || !result.complete || result.mistakes != 1) {
        return;
    }
    bool dropped = false;
    for (const Explanation& e : result.explanations) {
        for (const Mistake& m : e.mistakes) {
            dropped = dropped || (m.kind == MistakeKind::Form && puzzle.forms[m.index].insert);
        }
    }
    const int column = dropped ? ExtraColumnFits(puzzle) : -1;
    if (column < 0) {
        return;
    }
    Diagnosis d;
    d.kind = DiagnosisKind::ExtraColumn;
    d.certainty = Certainty::Likely;
    d.column = column;
    d.token = given.column_token[column];
    check->Add(d);
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
                   Finding* check, BlockLinks* links) {
    if (!given.judged) {
        SameData(block);
        SwappedPairs(block);
        AddressBySum(options, block);
        return;
    }
    if (given.malformed) {
        return;
    }
    // A check line with no line above it and a total that is not zero: its
    // lines are missing or typed elsewhere, which its tokens cannot tell.
    if (block->lines.empty() && given.total != TotalKind::None && given.total_value != 0) {
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
    Puzzle puzzle;
    PuzzleMap map;
    BuildPuzzle(options, given, *block, *links, &puzzle, &map);
    if (given.two_digit_total && check != nullptr) {
        Diagnosis diagnosis;
        diagnosis.kind = DiagnosisKind::TwoDigitTotal;
        diagnosis.token = given.two_digit_token;
        diagnosis.right = (given.total_value - puzzle.total_residual) & 0xFFu;
        diagnosis.by_sums = puzzle.total_residual == 0;
        check->Add(diagnosis);
    }
    SearchResult result;
    if (BadRows(puzzle) <= kMaxMistakes && puzzle.step_count <= kMaxSteps) {
        result = Explain(puzzle);
    }
    if (map.skipped_taken && check != nullptr) {
        const Certainty certainty =
            result.complete && result.mistakes == 0 ? Certainty::Certain : Certainty::Likely;
        for (const SkippedRecord& skipped : block->skipped) {
            Diagnosis diagnosis =
                AboutLine(DiagnosisKind::SkippedCounts, certainty, block->lines[skipped.line]);
            diagnosis.token = skipped.typed;
            check->Add(diagnosis);
        }
    }
    NamingContext context;
    context.options = &options;
    context.given = &given;
    context.puzzle = &puzzle;
    context.map = &map;
    context.block = block;
    context.check = check;
    context.links = links;
    // A look-alike reading of a check line's token that the rest of the
    // block agrees with.
    if (check != nullptr && result.complete && !result.explanations.empty() &&
        result.mistakes == 0) {
        for (int d = 0; d < check->diagnosis_count; ++d) {
            Diagnosis& diagnosis = check->diagnoses[d];
            if (diagnosis.kind == DiagnosisKind::SumMisreading ||
                diagnosis.kind == DiagnosisKind::TokenMisreading) {
                diagnosis.certainty = Certainty::Certain;
            }
        }
    }
    ConfirmMisreadings(puzzle, result, block);
    ConfirmChecksumReadings(options, puzzle, result, block);
    const bool named = NameExplanations(context, result);
    NameExtraColumn(given, puzzle, result, check);
    if (check != nullptr) {
        KeepUnsettled(puzzle, *block, links);
    }
    if (named) {
        return;
    }
    const int bad = BadRows(puzzle);
    if (bad == 1 && result.complete && !result.explanations.empty()) {
        NameLineDifference(options, puzzle, result, block);
    } else if (bad > 1) {
        MatchLinesToColumns(options, puzzle, block);
    } else if (bad == 0 && check != nullptr) {
        const bool structural = (!block->skipped.empty() && !map.skipped_taken) ||
                                !block->gaps.empty() || !block->repeats.empty() ||
                                !block->strays.empty();
        if (structural) {
            Diagnosis diagnosis;
            diagnosis.kind = DiagnosisKind::LinesNotInSums;
            check->Add(diagnosis);
        } else {
            NameUnseenColumns(puzzle, check);
        }
    }
}

}  // namespace tsy::proof
