// The search of explain.h: its state (the differences still standing after
// the mistakes tried so far) and its stages, over three files: explain.cpp
// applies and takes back mistakes and goes from difference to difference,
// explain_candidates.cpp names the mistakes that may answer each, and
// explain_leaf.cpp checks what only the end can (a rebuilt row, the CRC)
// and records the explanations found.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "proof/explain.h"

namespace tsy::proof {

// Nodes of one depth's search at most; past them the search gives up.
inline constexpr long kMaxNodes = 400000;

inline bool Covers(const PuzzleGap& gap, int column) {
    return column < gap.width;
}

class Search {
  public:
    explicit Search(const Puzzle& puzzle) : p_(puzzle) {}

    SearchResult Run();

  private:
    struct RowState {
        int count = 0;
        std::uint16_t values[kMaxWindows] = {};
        std::uint32_t residual = 0;
        bool forgiven = false;  // its checksum token taken as mistyped
        bool out = false;
        bool reformed = false;
        int edits = 0;
        bool address = false;
        std::uint32_t unknown = 0;  // unreadable bytes no mistake has given a value yet
    };

    void Reset();

    std::uint32_t LineMask() const { return p_.options.ohmz_sum ? 0xFFFu : 0xFFu; }
    std::uint32_t TotalMask() const { return p_.total == TotalKind::Sum16 ? 0xFFFFu : 0xFFu; }
    bool HasSum() const { return p_.total == TotalKind::Sum8 || p_.total == TotalKind::Sum16; }

    // Whether column c's difference still stands to be answered (or can
    // give a byte its value).
    bool ColumnOpen(int c) const {
        return c < p_.compared_columns && !column_forgiven_[c] &&
               !(enter_ >= 0 && !p_.gaps[enter_].known && Covers(p_.gaps[enter_], c));
    }
    bool TotalOpen() const {
        return HasSum() && !total_forgiven_ && !(enter_ >= 0 && !p_.gaps[enter_].known);
    }
    bool LineOpen(int r) const { return p_.rows[r].summed && !rows_[r].forgiven && !rows_[r].out; }

    // Whether row r's byte k may be meant as `value`: any value for a byte
    // typed readable, one with the digits typed for an unreadable one.
    bool Keeps(int r, int k, std::uint32_t value) const {
        const PuzzleRow& row = p_.rows[r];
        const std::uint32_t mask = ((row.unknown_high >> k) & 1u ? 0u : 0xF0u) |
                                   ((row.unknown_low >> k) & 1u ? 0u : 0x0Fu);
        return ((value ^ row.values[k]) & mask) == 0 || (Unreadable(r) >> k & 1u) == 0;
    }
    std::uint32_t Unreadable(int r) const {
        return p_.rows[r].unknown_high | p_.rows[r].unknown_low;
    }

    // Unreadable bytes that no mistake has given a value: each is a mistake
    // still to come, in a row put out of the block too.
    int Unresolved() const;

    // The value a byte typed as `typed` takes when a difference `residual`
    // of a sum `mask` wide is its change; false when no byte value does.
    static bool ByDifference(std::uint32_t typed, std::uint32_t residual, std::uint32_t mask,
                             std::uint16_t* value);

    // ---- Applying and taking back mistakes ----

    // Changes the sums as if the row's value at k went from `from` to `to`.
    void Shift(int r, int k, std::int32_t delta);

    // Adds (sign 1) or takes away (-1) a whole row's values from the sums.
    void Count(const std::uint16_t* values, int count, int sign);

    void Try(const Mistake& mistake, int depth);

    // How many typos a mistake counts for.
    int Cost(const Mistake& mistake) const;

    // ---- The mistakes that may answer each difference ----

    Mistake Make(MistakeKind kind, int row = -1, int column = -1, int index = -1,
                 std::uint16_t value = 0) const;

    // A byte of row r at column k, its value from each difference it may
    // alone answer: its line, its column, the total.
    void TryByte(int r, int k, int depth, bool line, bool column, bool total);

    void TryStructural(int depth, std::uint32_t step_mask, bool by_sums);

    void AnswerStep(int s, int depth);

    void AnswerRow(int r, int depth);

    void AnswerColumn(int c, int depth);

    void AnswerTotal(int depth);

    // The block's bytes in order as the mistakes so far make them, with
    // the entered row; `entered` its values. Feeds `visit(row, k, byte)`.
    template <typename Visit>
    void Walk(const std::uint8_t* entered, Visit visit) const {
        const PuzzleGap* gap = enter_ >= 0 ? &p_.gaps[enter_] : nullptr;
        auto enter = [&] {
            for (int k = 0; k < gap->width; ++k) {
                visit(-1, k, entered[k]);
            }
        };
        for (const int r : order_) {
            if (gap != nullptr && gap->before == r) {
                enter();
            }
            if (rows_[r].out) {
                continue;
            }
            for (int k = 0; k < rows_[r].count; ++k) {
                visit(r, k, static_cast<std::uint8_t>(rows_[r].values[k]));
            }
        }
        if (gap != nullptr && gap->before >= static_cast<int>(p_.rows.size())) {
            enter();
        }
    }

    void Leaf(int depth);

    void AnswerCrc(std::uint16_t crc, const Explanation& explanation, int depth);

    // Records an explanation; `crc` is the CRC of the block it makes.
    void Record(const Explanation& leaf, std::uint16_t crc);

    // Lower bound of the mistakes still needed.
    int Needed() const;

    void Step(int depth);

    const Puzzle& p_;
    std::vector<RowState> rows_;
    std::vector<int> order_;
    std::uint8_t columns_[kColumnCount] = {};
    bool column_forgiven_[kColumnCount] = {};
    std::uint32_t total_ = 0;
    bool total_forgiven_ = false;
    bool crc_forgiven_ = false;
    std::uint32_t steps_ = 0;
    int enter_ = -1;
    std::vector<Mistake> stack_;
    long nodes_ = 0;
    long crc_checks_ = 0;
    bool overflow_ = false;
    std::vector<Explanation> found_;
    std::vector<Mistake> common_;
    long count_ = 0;
};

}  // namespace tsy::proof
