// The end of a search path: every line, column and total answered. A row
// rebuilt from the columns is checked against the total, the CRC is
// computed over the block as the mistakes make it (and answered there when
// it differs), and the explanation is recorded with what each token should
// read in it.
#include <algorithm>
#include <cstring>
#include <tuple>

#include "proof/crc_maps.h"
#include "proof/search.h"

namespace tsy::proof {

void Search::Leaf(int depth) {
    Explanation explanation;
    if (enter_ >= 0) {
        const PuzzleGap& gap = p_.gaps[enter_];
        if (gap.known) {
            std::memcpy(explanation.entered, gap.values, sizeof explanation.entered);
        } else {
            // A row rebuilt from the columns takes up whatever they lack: with
            // a row put out that no step of the addresses shows, it would read
            // any row as another; so it goes only with such a step.
            for (const Mistake& mistake : stack_) {
                if (mistake.kind == MistakeKind::Leave &&
                    (p_.rows[mistake.row].leave_steps == 0 || gap.steps == 0)) {
                    return;
                }
            }
            // The columns give the row; a row of zeros is no row anyone left out.
            if (gap.width > p_.compared_columns) {
                // Without them a 16-bit total still bounds the row's sum.
                const std::uint32_t most = 0xFFu * static_cast<std::uint32_t>(gap.width);
                if (p_.total == TotalKind::Sum16 && !total_forgiven_ &&
                    (total_ == 0 || total_ > most)) {
                    return;
                }
                Record(explanation, 0);
                return;
            }
            int nonzero = 0;
            std::uint32_t sum = 0;
            for (int k = 0; k < gap.width; ++k) {
                explanation.entered[k] = column_forgiven_[k] ? 0 : columns_[k];
                nonzero += explanation.entered[k] != 0 ? 1 : 0;
                sum += explanation.entered[k];
            }
            // A row of zeros is no row anyone left out; where no address
            // shows a row left out, neither is a row mostly of zeros.
            if (nonzero == 0 || (gap.steps == 0 && 2 * nonzero < gap.width)) {
                return;
            }
            // A row another block holds: its own gap will enter it.
            for (const PuzzleGap& other : p_.gaps) {
                if (other.known && other.width == gap.width &&
                    std::memcmp(other.values, explanation.entered,
                                static_cast<std::size_t>(gap.width)) == 0) {
                    return;
                }
            }
            // The total is all that checks a row rebuilt from the columns.
            if (HasSum() && !total_forgiven_ && ((total_ - sum) & TotalMask()) != 0) {
                return;
            }
        }
    }
    std::uint16_t crc = 0;
    if (p_.total == TotalKind::Crc) {
        crc = p_.crc_start;
        Walk(explanation.entered, [&](int, int, std::uint8_t byte) { crc = CrcByte(crc, byte); });
    }
    if (p_.total == TotalKind::Crc && !crc_forgiven_) {
        ++crc_checks_;
        if (crc != p_.crc_given) {
            if (depth > 0) {
                AnswerCrc(crc, explanation, depth);
            }
            return;
        }
    }
    Record(explanation, crc);
}

void Search::AnswerCrc(std::uint16_t crc, const Explanation& explanation, int depth) {
    const std::uint16_t change = static_cast<std::uint16_t>(crc ^ p_.crc_given);
    crc_forgiven_ = true;
    if (depth > Unresolved()) {
        stack_.push_back(Make(MistakeKind::CrcToken));
        Record(explanation, crc);
        stack_.pop_back();
    }
    crc_forgiven_ = false;
    // A row left out, or one too many, that nothing but the CRC sees.
    TryStructural(depth, 0, true);
    // An unreadable byte and another of its line whose changes cancel in
    // its line sum: a family of readings that only the CRC would tell.
    for (int r = 0; r < static_cast<int>(rows_.size()) && depth >= 2; ++r) {
        bool unseen = false;
        for (int k = 0; k < rows_[r].count; ++k) {
            unseen = unseen || (((rows_[r].unknown >> k) & 1u) != 0 && !ColumnOpen(k));
        }
        if (unseen && !rows_[r].out && rows_[r].residual == 0) {
            Try(Make(MistakeKind::Pair, r), depth);
        }
    }
    // A byte no other sum sees, its flip the one that gives the CRC.
    std::uint32_t total_bytes = 0;
    Walk(explanation.entered, [&](int, int, std::uint8_t) { ++total_bytes; });
    std::uint32_t at = 0;
    struct Candidate {
        int row;
        int column;
        std::uint16_t value;
    };
    std::vector<Candidate> candidates;
    Walk(explanation.entered, [&](int r, int k, std::uint8_t byte) {
        ++at;
        // An unreadable byte may take its value from the CRC whatever else
        // sees it; the sums it then puts out answer in turn.
        const bool unknown = r >= 0 && ((rows_[r].unknown >> k) & 1u) != 0;
        if (r < 0 || ((LineOpen(r) || ColumnOpen(k)) && !unknown)) {
            return;
        }
        const std::uint8_t flip = CrcFlipFor(change, total_bytes - at);
        if (flip != 0 && Keeps(r, k, byte ^ flip)) {
            candidates.push_back({r, k, static_cast<std::uint16_t>(byte ^ flip)});
        }
    });
    for (const Candidate& candidate : candidates) {
        Try(Make(MistakeKind::Byte, candidate.row, candidate.column, -1, candidate.value), depth);
    }
    // Two bytes of a row swapped, which only the CRC sees without columns.
    std::vector<Mistake> swaps;
    at = 0;
    std::vector<std::uint32_t> row_start(p_.rows.size(), 0);
    Walk(explanation.entered, [&](int r, int k, std::uint8_t) {
        ++at;
        if (r >= 0 && k == 0) {
            row_start[r] = at;
        }
    });
    // Flipping the bytes at k1 and k2 by f changes the CRC by
    // Z^d2 (c ^ Z^(k2-k1) c), with c the CRC of f and d2 the bytes after
    // k2: compared with the change taken back by d2 zero bytes.
    const CrcMaps& maps = Maps();
    for (int r = 0; r < static_cast<int>(p_.rows.size()); ++r) {
        const RowState& row = rows_[r];
        if (row.out || row.count > kMaxWindows) {
            continue;
        }
        for (int k2 = 1; k2 < row.count; ++k2) {
            if (ColumnOpen(k2)) {
                continue;
            }
            const std::uint32_t second = row_start[r] + static_cast<std::uint32_t>(k2);
            const std::uint16_t wanted = maps.Back(change, total_bytes - second);
            for (int k1 = 0; k1 < k2; ++k1) {
                const std::uint32_t flip = (row.values[k1] ^ row.values[k2]) & 0xFFu;
                if (flip == 0 || ColumnOpen(k1) ||
                    ((Unreadable(r) >> k1 | Unreadable(r) >> k2) & 1u)) {
                    continue;
                }
                const std::uint16_t c = CrcByte(0, static_cast<std::uint8_t>(flip));
                if ((c ^ maps.near[k2 - k1].Apply(c)) == wanted) {
                    Mistake swap = Make(MistakeKind::Swap, r, k1);
                    swap.column2 = k2;
                    swaps.push_back(swap);
                }
            }
        }
    }
    for (const Mistake& swap : swaps) {
        Try(swap, depth);
    }
}

// Records an explanation; `crc` is the CRC of the block it makes.
void Search::Record(const Explanation& leaf, std::uint16_t crc) {
    Explanation explanation = leaf;
    explanation.mistakes = stack_;
    // An unreadable byte no mistake changed is meant as the value it stands for.
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        for (std::uint32_t bits = rows_[r].out ? 0u : rows_[r].unknown; bits != 0;
             bits &= bits - 1) {
            int k = 0;
            while (((bits >> k) & 1u) == 0) {
                ++k;
            }
            explanation.mistakes.push_back(Make(MistakeKind::Byte, r, k, -1, rows_[r].values[k]));
        }
    }
    for (Mistake& mistake : explanation.mistakes) {
        const int r = mistake.row;
        switch (mistake.kind) {
            case MistakeKind::Byte: {
                const int k = mistake.column;
                std::uint8_t confirmed = 0;
                confirmed |= LineOpen(r) ? 1 : 0;
                confirmed |= ColumnOpen(k) ? 2 : 0;
                confirmed |= TotalOpen() ? 4 : 0;
                confirmed |= p_.total == TotalKind::Crc && !crc_forgiven_ ? 8 : 0;
                mistake.confirmed = confirmed;
                break;
            }
            // What each token should read with this explanation's bytes.
            case MistakeKind::LineToken:
                mistake.value =
                    static_cast<std::uint16_t>((p_.rows[r].given - rows_[r].residual) & LineMask());
                break;
            case MistakeKind::ColumnToken:
                mistake.value = static_cast<std::uint8_t>(p_.column_given[mistake.column] -
                                                          columns_[mistake.column]);
                break;
            case MistakeKind::TotalToken:
                mistake.value = static_cast<std::uint16_t>((p_.total_given - total_) & TotalMask());
                break;
            case MistakeKind::CrcToken:
                mistake.value = crc;
                break;
            default:
                break;
        }
    }
    std::sort(explanation.mistakes.begin(), explanation.mistakes.end(),
              [](const Mistake& a, const Mistake& b) {
                  return std::make_tuple(a.kind, a.row, a.column, a.column2, a.index, a.value) <
                         std::make_tuple(b.kind, b.row, b.column, b.column2, b.index, b.value);
              });
    for (const Explanation& seen : found_) {
        if (seen.mistakes == explanation.mistakes) {
            return;
        }
    }
    // What every explanation so far holds.
    if (count_ == 0) {
        common_ = explanation.mistakes;
    } else {
        std::vector<Mistake> kept;
        for (const Mistake& mistake : common_) {
            const auto found =
                std::find(explanation.mistakes.begin(), explanation.mistakes.end(), mistake);
            if (found != explanation.mistakes.end()) {
                kept.push_back(mistake);
                kept.back().confirmed &= found->confirmed;
            }
        }
        common_ = kept;
    }
    ++count_;
    if (found_.size() < static_cast<std::size_t>(kMaxKept)) {
        found_.push_back(explanation);
    }
}

}  // namespace tsy::proof
