// The search itself: iterative deepening over the count of mistakes, each
// stage taking the first difference still standing (a step, a line sum, a
// column, the total) and trying the mistakes that touch it, applying each
// to the differences and taking it back after.
#include "proof/explain.h"

#include <algorithm>
#include <cstring>

#include "proof/search.h"

namespace tsy::proof {

SearchResult Search::Run() {
    SearchResult result;
    for (int limit = 0; limit <= kMaxMistakes; ++limit) {
        Reset();
        Step(limit - static_cast<int>(stack_.size()));
        if (overflow_) {
            return result;
        }
        if (count_ > 0) {
            result.complete = true;
            result.mistakes = limit;
            result.crc_trials = crc_checks_;
            result.count = count_;
            result.explanations = std::move(found_);
            result.common = std::move(common_);
            return result;
        }
    }
    return result;
}

void Search::Reset() {
    rows_.assign(p_.rows.size(), RowState());
    for (std::size_t r = 0; r < p_.rows.size(); ++r) {
        RowState& row = rows_[r];
        row.count = p_.rows[r].count;
        std::memcpy(row.values, p_.rows[r].values, sizeof row.values);
        row.residual = p_.rows[r].residual;
        row.unknown = Unreadable(static_cast<int>(r));
    }
    order_.resize(p_.rows.size());
    for (std::size_t r = 0; r < order_.size(); ++r) {
        order_[r] = static_cast<int>(r);
    }
    std::memcpy(columns_, p_.column_residual, sizeof columns_);
    std::memset(column_forgiven_, 0, sizeof column_forgiven_);
    total_ = p_.total_residual;
    total_forgiven_ = false;
    crc_forgiven_ = false;
    steps_ = 0;
    enter_ = -1;
    stack_.clear();
    // A check token typed unreadable is wrong in every explanation.
    for (int c = 0; c < p_.compared_columns; ++c) {
        if ((p_.column_unknown >> c) & 1u) {
            column_forgiven_[c] = true;
            stack_.push_back(Make(MistakeKind::ColumnToken, -1, c));
        }
    }
    if (p_.total_unknown && HasSum()) {
        total_forgiven_ = true;
        stack_.push_back(Make(MistakeKind::TotalToken));
    } else if (p_.total_unknown && p_.total == TotalKind::Crc) {
        crc_forgiven_ = true;
        stack_.push_back(Make(MistakeKind::CrcToken));
    }
    nodes_ = 0;
    crc_checks_ = 0;
    found_.clear();
    common_.clear();
    count_ = 0;
}

// The value a byte typed as `typed` takes when a difference `residual`
// of a sum `mask` wide is its change; false when no byte value does.
bool Search::ByDifference(std::uint32_t typed, std::uint32_t residual, std::uint32_t mask,
                          std::uint16_t* value) {
    if (typed > 0xFF) {
        return false;
    }
    if (mask == 0xFFu) {
        *value = static_cast<std::uint16_t>((typed + residual) & 0xFFu);
        return true;
    }
    const std::int32_t half = static_cast<std::int32_t>((mask + 1) / 2);
    std::int32_t delta = static_cast<std::int32_t>(residual);
    delta = delta < half ? delta : delta - static_cast<std::int32_t>(mask + 1);
    const std::int32_t right = static_cast<std::int32_t>(typed) + delta;
    if (right < 0 || right > 0xFF) {
        return false;
    }
    *value = static_cast<std::uint16_t>(right);
    return true;
}

// Changes the sums as if the row's value at k went from `from` to `to`.
void Search::Shift(int r, int k, std::int32_t delta) {
    const std::uint32_t d = static_cast<std::uint32_t>(delta);
    rows_[r].residual = (rows_[r].residual - d) & LineMask();
    if (k < kColumnCount) {
        columns_[k] = static_cast<std::uint8_t>(columns_[k] - d);
    }
    total_ = (total_ - d) & TotalMask();
}

// Adds (sign 1) or takes away (-1) a whole row's values from the sums.
void Search::Count(const std::uint16_t* values, int count, int sign) {
    for (int k = 0; k < count; ++k) {
        const std::uint32_t v = values[k] * static_cast<std::uint32_t>(sign);
        if (k < kColumnCount) {
            columns_[k] = static_cast<std::uint8_t>(columns_[k] - v);
        }
        total_ = (total_ - v) & TotalMask();
    }
}

void Search::Try(const Mistake& mistake, int depth) {
    // Saved state for what the mistake changes.
    RowState saved_row;
    const int r = mistake.row;
    if (r >= 0) {
        saved_row = rows_[r];
    }
    std::uint8_t saved_columns[kColumnCount];
    std::memcpy(saved_columns, columns_, sizeof columns_);
    bool saved_forgiven[kColumnCount];
    std::memcpy(saved_forgiven, column_forgiven_, sizeof column_forgiven_);
    const std::uint32_t saved_total = total_;
    const bool saved_total_forgiven = total_forgiven_;
    const bool saved_crc_forgiven = crc_forgiven_;
    const std::uint32_t saved_steps = steps_;
    const int saved_enter = enter_;
    std::vector<int> saved_order;

    switch (mistake.kind) {
        case MistakeKind::Byte: {
            const std::int32_t delta = static_cast<std::int32_t>(mistake.value) -
                                       static_cast<std::int32_t>(rows_[r].values[mistake.column]);
            Shift(r, mistake.column, delta);
            rows_[r].values[mistake.column] = mistake.value;
            rows_[r].unknown &= ~(1u << mistake.column);
            ++rows_[r].edits;
            break;
        }
        case MistakeKind::LineToken:
            rows_[r].forgiven = true;
            break;
        case MistakeKind::ColumnToken:
            column_forgiven_[mistake.column] = true;
            break;
        case MistakeKind::TotalToken:
            total_forgiven_ = true;
            break;
        case MistakeKind::CrcToken:
            crc_forgiven_ = true;
            break;
        case MistakeKind::Swap: {
            std::uint16_t* v = rows_[r].values;
            const std::int32_t moved = static_cast<std::int32_t>(v[mistake.column2]) -
                                       static_cast<std::int32_t>(v[mistake.column]);
            if (mistake.column2 < kColumnCount) {
                columns_[mistake.column] =
                    static_cast<std::uint8_t>(columns_[mistake.column] - moved);
                columns_[mistake.column2] =
                    static_cast<std::uint8_t>(columns_[mistake.column2] + moved);
            }
            std::swap(v[mistake.column], v[mistake.column2]);
            ++rows_[r].edits;
            break;
        }
        case MistakeKind::Form: {
            const RowForm& form = p_.forms[mistake.index];
            Count(rows_[r].values, rows_[r].count, -1);
            rows_[r].count = form.count;
            std::memcpy(rows_[r].values, form.values, sizeof form.values);
            Count(rows_[r].values, rows_[r].count, 1);
            rows_[r].residual = form.residual;
            rows_[r].reformed = true;
            steps_ |= form.steps;
            break;
        }
        case MistakeKind::Leave:
            Count(rows_[r].values, rows_[r].count, -1);
            rows_[r].out = true;
            steps_ |= p_.rows[r].leave_steps;
            break;
        case MistakeKind::Enter: {
            const PuzzleGap& gap = p_.gaps[mistake.index];
            enter_ = mistake.index;
            if (gap.known) {
                std::uint16_t values[kColumnCount];
                for (int k = 0; k < gap.width; ++k) {
                    values[k] = gap.values[k];
                }
                Count(values, gap.width, 1);
            }
            steps_ |= gap.steps;
            break;
        }
        case MistakeKind::Reorder:
            saved_order = order_;
            Reorder(p_.reorders[mistake.index], &order_);
            steps_ |= p_.reorders[mistake.index].steps;
            break;
        case MistakeKind::Address:
            rows_[r].residual = (rows_[r].residual - p_.rows[r].address_change) & LineMask();
            rows_[r].address = true;
            steps_ |= p_.rows[r].address_steps;
            break;
        case MistakeKind::Step:
            steps_ |= 1u << mistake.index;
            break;
        case MistakeKind::Pair: {
            // The two changes add up to the line's difference; what they
            // do to the CRC no sum can tell.
            const std::uint32_t residual = rows_[r].residual;
            std::int32_t delta = static_cast<std::int32_t>(residual);
            if (p_.options.ohmz_sum && delta >= 0x800) {
                delta -= 0x1000;
            }
            rows_[r].residual = 0;
            total_ = (total_ - static_cast<std::uint32_t>(delta)) & TotalMask();
            crc_forgiven_ = true;
            ++rows_[r].edits;
            // Its unreadable bytes no column sees are among the two.
            for (int k = 0; k < rows_[r].count; ++k) {
                rows_[r].unknown &= ColumnOpen(k) ? ~0u : ~(1u << k);
            }
            break;
        }
    }
    stack_.push_back(mistake);
    Step(depth - Cost(mistake));
    stack_.pop_back();

    if (r >= 0) {
        rows_[r] = saved_row;
    }
    std::memcpy(columns_, saved_columns, sizeof columns_);
    std::memcpy(column_forgiven_, saved_forgiven, sizeof column_forgiven_);
    total_ = saved_total;
    total_forgiven_ = saved_total_forgiven;
    crc_forgiven_ = saved_crc_forgiven;
    steps_ = saved_steps;
    enter_ = saved_enter;
    if (mistake.kind == MistakeKind::Reorder) {
        order_ = saved_order;
    }
}

// How many typos a mistake counts for.
int Search::Cost(const Mistake& mistake) const {
    switch (mistake.kind) {
        // Two typos, or an address step that no one mistake answers: at
        // least an address typed wrong and a line out of its place.
        case MistakeKind::Pair:
        case MistakeKind::Step:
            return 2;
        case MistakeKind::Leave:
            return p_.rows[mistake.row].leave_cost;
        case MistakeKind::Enter:
            return p_.gaps[mistake.index].cost;
        default:
            return 1;
    }
}

Mistake Search::Make(MistakeKind kind, int row, int column, int index, std::uint16_t value) const {
    Mistake mistake;
    mistake.kind = kind;
    mistake.row = row;
    mistake.column = column;
    mistake.index = index;
    mistake.value = value;
    return mistake;
}

int Search::Unresolved() const {
    int count = 0;
    for (const RowState& row : rows_) {
        for (std::uint32_t bits = row.unknown; bits != 0; bits &= bits - 1) {
            ++count;
        }
    }
    return count;
}

// Lower bound of the mistakes still needed: each unreadable byte one, and
// each other row whose line sum differs one.
int Search::Needed() const {
    int steps = 0;
    for (int s = 0; s < p_.step_count; ++s) {
        steps += (steps_ >> s) & 1u ? 0 : 1;
    }
    int rows = Unresolved();
    for (int r = 0; r < static_cast<int>(p_.rows.size()); ++r) {
        rows += LineOpen(r) && rows_[r].residual != 0 && rows_[r].unknown == 0 ? 1 : 0;
    }
    const int by_steps = (steps + 2) / 3;
    return by_steps > rows ? by_steps : rows;
}

void Search::Step(int depth) {
    if (++nodes_ > kMaxNodes) {
        overflow_ = true;
    }
    if (overflow_ || depth < 0 || Needed() > depth) {
        return;
    }
    for (int s = 0; s < p_.step_count; ++s) {
        if (((steps_ >> s) & 1u) == 0) {
            AnswerStep(s, depth);
            return;
        }
    }
    for (int r = 0; r < static_cast<int>(p_.rows.size()); ++r) {
        if (LineOpen(r) && rows_[r].residual != 0) {
            AnswerRow(r, depth);
            return;
        }
    }
    for (int c = 0; c < p_.compared_columns; ++c) {
        if (ColumnOpen(c) && columns_[c] != 0) {
            if (depth > 0) {
                AnswerColumn(c, depth);
            }
            return;
        }
    }
    if (TotalOpen() && total_ != 0) {
        if (depth > 0) {
            AnswerTotal(depth);
        }
        return;
    }
    Leaf(depth);
}

SearchResult Explain(const Puzzle& puzzle) {
    return Search(puzzle).Run();
}

}  // namespace tsy::proof
