#include "proof/naming.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "proof/certainty.h"

namespace tsy::proof {
namespace {

// Digits a printed listing lets the eye confuse.
bool LookAlikeDigits(unsigned a, unsigned b) {
    static const unsigned char kPairs[][2] = {{0x0, 0x8}, {0x0, 0xD}, {0x8, 0xB},
                                              {0x1, 0x7}, {0x3, 0x8}, {0x5, 0x6},
                                              {0x6, 0x8}, {0x8, 0x9}, {0xE, 0xF}};
    for (const auto& pair : kPairs) {
        if ((pair[0] == a && pair[1] == b) || (pair[0] == b && pair[1] == a)) {
            return true;
        }
    }
    return false;
}

Finding* FindingOfKind(const NamingContext& c, FindingKind kind) {
    for (Finding& finding : c.block->pending) {
        if (finding.kind == kind) {
            return &finding;
        }
    }
    return nullptr;
}

Diagnosis AboutByte(DiagnosisKind kind, Certainty certainty, const RecordedLine& line, int column,
                    std::uint32_t typed, std::uint32_t right) {
    Diagnosis diagnosis = AboutLine(kind, certainty, line);
    diagnosis.column = column;
    diagnosis.typed = typed;
    diagnosis.right = right;
    return diagnosis;
}

// A byte typed unreadable: its token as typed; empty for any other.
Quote UnreadableToken(const RecordedLine& line, int column) {
    const std::uint32_t unknown = line.unknown_high | line.unknown_low;
    Quote token;
    if (((unknown >> column) & 1u) != 0) {
        int index = 0;
        for (int k = 0; k < column; ++k) {
            index += (unknown >> k) & 1u;
        }
        std::memcpy(token.text, line.unknown_text[index], sizeof line.unknown_text[index]);
    }
    return token;
}

// A token the reader could not read, for which a look-alike reading was
// found before the block's sums were crossed (a diagnosis of `kind` about
// `column` on `finding`): it stands for the value `value` (of `mask`) that an
// explanation gives it. True when the reading gives that value; it is then
// as certain as the explanation. A reading that gives another value goes
// where the explanation is certain.
bool SettleReading(Finding* finding, DiagnosisKind kind, int column, std::uint32_t value,
                   std::uint32_t mask, Certainty certainty) {
    for (int i = 0; finding != nullptr && i < finding->diagnosis_count; ++i) {
        Diagnosis& d = finding->diagnoses[i];
        if (d.kind != kind || (kind != DiagnosisKind::TokenMisreading && d.column != column)) {
            continue;
        }
        std::size_t length = std::strlen(d.reading.text);
        length = d.kind == DiagnosisKind::TokenMisreading && d.role == TokenRole::Crc && length > 4
                     ? 4
                     : length;
        if ((static_cast<std::uint32_t>(HexValue(d.reading.text, length)) & mask) == value) {
            d.certainty = certainty == Certainty::Certain ? certainty : d.certainty;
            return true;
        }
        if (certainty == Certainty::Certain) {
            for (int j = i + 1; j < finding->diagnosis_count; ++j) {
                finding->diagnoses[j - 1] = finding->diagnoses[j];
            }
            --finding->diagnosis_count;
        }
        return false;
    }
    return false;
}

// The row's byte at `column` as typed, before any mistake of `e`.
std::uint32_t Typed(const NamingContext& c, int row, int column) {
    return c.puzzle->rows[row].values[column];
}

int Score(const NamingContext& c, const Explanation& e, const CorrectedBlock& corrected) {
    int score = 0;
    for (const Mistake& m : e.mistakes) {
        switch (m.kind) {
            case MistakeKind::Byte:
                score += TypoScore(Typed(c, m.row, m.column), m.value, 2);
                break;
            case MistakeKind::LineToken: {
                const PuzzleRow& row = c.puzzle->rows[m.row];
                const RecordedLine& line = LineOf(c, m.row);
                const std::uint32_t mask = LineMask(*c.options);
                std::uint32_t right = 0;
                for (const CorrectedBlock::Row& fixed : corrected.rows) {
                    right = fixed.source == m.row ? fixed.line_sum : right;
                }
                score += TypoScore((line.line_sum + row.residual) & mask, right,
                                   c.options->ohmz_sum ? 3 : 2);
                break;
            }
            default:
                score += 2;
                break;
        }
    }
    return score;
}

void NameToken(const NamingContext& c, const Mistake& m, Certainty certainty,
               const CorrectedBlock& corrected) {
    const Puzzle& p = *c.puzzle;
    Diagnosis d;
    d.certainty = certainty;
    switch (m.kind) {
        case MistakeKind::LineToken: {
            Finding* finding = LineFinding(c, m.row);
            const RecordedLine& line = LineOf(c, m.row);
            if (finding == nullptr) {
                return;
            }
            d = AboutLine(DiagnosisKind::ChecksumToken, certainty, line);
            for (const CorrectedBlock::Row& row : corrected.rows) {
                d.right = row.source == m.row ? row.line_sum : d.right;
            }
            d.digits = c.options->ohmz_sum ? 3 : 2;
            if (line.skipped || finding->code == LineOutcome::E00) {
                // A skipped line's finding quotes its address field, an
                // unreadable line's its data; the checksum is quoted by value.
                const std::uint32_t given =
                    (line.line_sum + p.rows[m.row].residual) & LineMask(*c.options);
                std::snprintf(d.token.text, sizeof d.token.text, "%0*X", d.digits,
                              static_cast<unsigned>(given));
            } else {
                d.token = finding->given;
            }
            finding->Add(d);
            return;
        }
        case MistakeKind::ColumnToken:
            d.kind = DiagnosisKind::ColumnToken;
            d.column = m.column;
            d.token = c.given->column_token[m.column];
            d.right = corrected.columns[m.column];
            break;
        case MistakeKind::TotalToken:
            d.kind = DiagnosisKind::TotalToken;
            d.token = c.given->total_token;
            d.right = corrected.total;
            d.digits = p.total == TotalKind::Sum16 ? 4 : 2;
            break;
        case MistakeKind::CrcToken:
            d.kind = DiagnosisKind::CrcToken;
            d.token = c.given->total_token;
            d.right = corrected.crc;
            d.digits = 4;
            break;
        default:
            return;
    }
    Finding* target = c.check != nullptr ? c.check : FindingOfKind(c, FindingKind::TotalDigits);
    // An unreadable token's look-alike reading, when it is the value.
    const bool unknown = m.kind == MistakeKind::ColumnToken
                             ? ((p.column_unknown >> m.column) & 1u) != 0
                             : p.total_unknown;
    const DiagnosisKind reading = m.kind == MistakeKind::ColumnToken
                                      ? DiagnosisKind::SumMisreading
                                      : DiagnosisKind::TokenMisreading;
    const std::uint32_t mask = d.digits == 4 ? 0xFFFFu : 0xFFu;
    if (unknown && SettleReading(target, reading, m.column, d.right & mask, mask, certainty)) {
        return;
    }
    if (target != nullptr) {
        target->Add(d);
    }
}

void Name(const NamingContext& c, const Mistake& m, Certainty certainty, bool in_all,
          const Explanation& e, const CorrectedBlock& corrected) {
    switch (m.kind) {
        case MistakeKind::Byte: {
            const RecordedLine& line = LineOf(c, m.row);
            const std::uint32_t typed = Typed(c, m.row, m.column);
            Finding* finding = LineFinding(c, m.row);
            Diagnosis d = AboutByte(in_all ? DiagnosisKind::WrongByte : DiagnosisKind::OneOfBytes,
                                    certainty, line, m.column, typed, m.value);
            d.token = UnreadableToken(line, m.column);
            const bool read =
                d.token.text[0] != '\0' && SettleReading(finding, DiagnosisKind::Misreading,
                                                         m.column, m.value, 0xFFu, certainty);
            if (finding != nullptr && !read) {
                finding->Add(d);
            }
            if (c.check != nullptr && (in_all || finding == nullptr)) {
                d.kind = DiagnosisKind::ExplainedBy;
                c.check->Add(d);
            }
            return;
        }
        case MistakeKind::Swap: {
            if (c.check == nullptr) {
                return;
            }
            const PuzzleRow& row = c.puzzle->rows[m.row];
            Diagnosis d = AboutLine(DiagnosisKind::SwappedBytes, certainty, LineOf(c, m.row));
            d.column = m.column;
            d.column2 = m.column2;
            d.typed =
                (static_cast<std::uint32_t>(row.values[m.column]) << 8) | row.values[m.column2];
            d.right =
                (static_cast<std::uint32_t>(row.values[m.column2]) << 8) | row.values[m.column];
            c.check->Add(d);
            return;
        }
        case MistakeKind::LineToken:
        case MistakeKind::ColumnToken:
        case MistakeKind::TotalToken:
        case MistakeKind::CrcToken:
            NameToken(c, m, certainty, corrected);
            return;
        case MistakeKind::Form:
            NameForm(c, m, certainty);
            return;
        case MistakeKind::Leave:
            NameRowLeft(c, m, certainty);
            return;
        case MistakeKind::Enter:
            NameEntered(c, m, certainty, e);
            return;
        case MistakeKind::Reorder: {
            const PuzzleReorder& reorder = c.puzzle->reorders[m.index];
            Finding* step = StepFinding(c, reorder.steps);
            if (step == nullptr) {
                return;
            }
            if (reorder.swap) {
                step->Add(
                    AboutLine(DiagnosisKind::SwappedLines, certainty, LineOf(c, reorder.row)));
                return;
            }
            // Moved within the block: before a row, or after the last.
            const RecordedLine& line = LineOf(c, reorder.row);
            Diagnosis d = AboutLine(DiagnosisKind::MovedLine, certainty, line);
            d.right = static_cast<std::uint32_t>(line.address);
            d.digits = 4;
            const int rows = static_cast<int>(c.puzzle->rows.size());
            d.column = reorder.before < rows ? 0 : 1;
            d.other_line = LineOf(c, reorder.before < rows ? reorder.before : rows - 1).line_number;
            step->Add(d);
            return;
        }
        case MistakeKind::Address: {
            const PuzzleRow& row = c.puzzle->rows[m.row];
            const RecordedLine& line = LineOf(c, m.row);
            Finding* target = line.checksum_wrong ? LineFinding(c, m.row) : nullptr;
            target = target != nullptr ? target : StepFinding(c, row.address_steps);
            target = target != nullptr ? target : LineFinding(c, m.row);
            if (target != nullptr) {
                Diagnosis d = AboutLine(DiagnosisKind::AddressField, certainty, line);
                d.typed = static_cast<std::uint32_t>(line.address);
                d.right = static_cast<std::uint32_t>(row.address_right);
                d.digits = 4;
                target->Add(d);
            }
            return;
        }
        case MistakeKind::Step:
        case MistakeKind::Pair:
            return;
    }
}

}  // namespace

const RecordedLine& LineOf(const NamingContext& c, int row) {
    return c.block->lines[c.puzzle->rows[row].line];
}

Finding* LineFinding(const NamingContext& c, int row) {
    const int finding = LineOf(c, row).finding;
    return finding >= 0 ? &c.block->pending[finding] : nullptr;
}

// The finding of the first step in `steps`; null when none.
Finding* StepFinding(const NamingContext& c, std::uint32_t steps) {
    for (int s = 0; s < c.puzzle->step_count; ++s) {
        if (((steps >> s) & 1u) != 0 && c.map->step_finding[s] >= 0) {
            return &c.block->pending[c.map->step_finding[s]];
        }
    }
    return nullptr;
}

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

bool NameExplanations(const NamingContext& c, const SearchResult& result) {
    const std::vector<Explanation>& explanations = result.explanations;
    if (explanations.empty()) {
        return false;
    }
    std::vector<CorrectedBlock> corrected;
    std::vector<int> scores;
    for (const Explanation& e : explanations) {
        corrected.push_back(Correct(*c.puzzle, *c.block, e));
        scores.push_back(Score(c, e, corrected.back()));
    }
    // The most plausible reading first.
    std::vector<int> order(explanations.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<int>(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return scores[a] < scores[b]; });
    const bool few = result.count <= kMaxNamed;
    // Whether each mistake every explanation holds is certain; a token's
    // reading follows from the other changes of its line, column or block,
    // and is certain only when they all are.
    // Certain: in every explanation, and crossed in each (all of them kept).
    auto certain_alone = [&](const Mistake& m) {
        const auto common = std::find(result.common.begin(), result.common.end(), m);
        if (!result.complete || common == result.common.end() || result.count > kMaxKept) {
            return false;
        }
        for (const Explanation& e : explanations) {
            if (!Crossed(c, m, common->confirmed, e, result)) {
                return false;
            }
        }
        return true;
    };
    auto token = [](const Mistake& m) {
        return m.kind == MistakeKind::LineToken || m.kind == MistakeKind::ColumnToken ||
               m.kind == MistakeKind::TotalToken || m.kind == MistakeKind::CrcToken;
    };
    // A row no compared column or CRC sees is seen by the total alone: a
    // checksum token of it read as mistyped rests on the total, as does
    // every other change of the block's bytes.
    auto total_alone = [&](int row) {
        return c.puzzle->total != TotalKind::Crc &&
               c.puzzle->rows[row].count > c.puzzle->compared_columns;
    };
    auto touches = [&](const Mistake& t, const Mistake& m) {
        switch (t.kind) {
            case MistakeKind::LineToken:
                return m.row == t.row || total_alone(t.row);
            case MistakeKind::ColumnToken:
                return m.kind != MistakeKind::Byte || m.column == t.column ||
                       (m.kind == MistakeKind::Swap && m.column2 == t.column);
            default:
                return true;
        }
    };
    std::vector<Mistake> named;
    for (const int i : order) {
        const Explanation& e = explanations[i];
        for (const Mistake& m : e.mistakes) {
            if (m.kind == MistakeKind::Step || m.kind == MistakeKind::Pair ||
                std::find(named.begin(), named.end(), m) != named.end()) {
                continue;
            }
            const bool in_all =
                std::find(result.common.begin(), result.common.end(), m) != result.common.end();
            if (!few && !in_all) {
                continue;
            }
            named.push_back(m);
            bool certain = certain_alone(m);
            for (const Mistake& other : e.mistakes) {
                if (certain && token(m) && !token(other) && other.kind != MistakeKind::Step &&
                    touches(m, other) && !certain_alone(other)) {
                    certain = false;
                }
            }
            Name(c, m, certain ? Certainty::Certain : Certainty::Likely, in_all, e, corrected[i]);
        }
    }
    return !named.empty();
}

}  // namespace tsy::proof
