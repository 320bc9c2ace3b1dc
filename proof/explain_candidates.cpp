// The mistakes that may answer each difference the search meets: a step of
// the addresses, a line sum, a column, the total; each byte with the value
// a sum it alone changes gives it.
#include <algorithm>

#include "proof/search.h"

namespace tsy::proof {

// A byte of row r at column k, its value from each difference it may
// alone answer: its line, its column, the total.
void Search::TryByte(int r, int k, int depth, bool line, bool column, bool total) {
    const std::uint32_t typed = rows_[r].values[k];
    std::uint16_t values[3];
    int count = 0;
    auto add = [&](std::uint32_t residual, std::uint32_t mask) {
        std::uint16_t value = 0;
        if (ByDifference(typed, residual, mask, &value) && value != typed && Keeps(r, k, value) &&
            std::find(values, values + count, value) == values + count) {
            values[count++] = value;
        }
    };
    if (line && LineOpen(r)) {
        add(rows_[r].residual, LineMask());
    }
    if (column && ColumnOpen(k)) {
        add(columns_[k], 0xFFu);
    }
    if (total && TotalOpen()) {
        add(total_, TotalMask());
    }
    for (int i = 0; i < count; ++i) {
        Try(Make(MistakeKind::Byte, r, k, -1, values[i]), depth);
    }
}

void Search::TryStructural(int depth, std::uint32_t step_mask, bool by_sums) {
    for (int r = 0; r < static_cast<int>(p_.rows.size()); ++r) {
        const PuzzleRow& row = p_.rows[r];
        const RowState& state = rows_[r];
        if (row.may_leave && !state.out && state.edits == 0 && !state.reformed &&
            (by_sums || (row.leave_steps & step_mask) != 0)) {
            Try(Make(MistakeKind::Leave, r), depth);
        }
        if (row.address_alternative && !state.address && !state.out &&
            (row.address_steps & step_mask) != 0) {
            Try(Make(MistakeKind::Address, r), depth);
        }
    }
    for (int f = 0; f < static_cast<int>(p_.forms.size()); ++f) {
        const RowForm& form = p_.forms[f];
        const RowState& state = rows_[form.row];
        if (!state.out && !state.reformed && state.edits == 0 &&
            (by_sums || (form.steps & step_mask) != 0)) {
            Try(Make(MistakeKind::Form, form.row, -1, f), depth);
        }
    }
    if (enter_ < 0) {
        for (int g = 0; g < static_cast<int>(p_.gaps.size()); ++g) {
            if (by_sums || (p_.gaps[g].steps & step_mask) != 0) {
                Try(Make(MistakeKind::Enter, -1, -1, g), depth);
            }
        }
    }
    for (int i = 0; i < static_cast<int>(p_.reorders.size()); ++i) {
        if ((p_.reorders[i].steps & step_mask) != 0 && (steps_ & p_.reorders[i].steps) == 0) {
            Try(Make(MistakeKind::Reorder, -1, -1, i), depth);
        }
    }
}

void Search::AnswerStep(int s, int depth) {
    TryStructural(depth, 1u << s, false);
    if (depth >= 2) {
        Try(Make(MistakeKind::Step, -1, -1, s), depth);
    }
}

void Search::AnswerRow(int r, int depth) {
    int unseen = 0;
    for (int k = 0; k < rows_[r].count; ++k) {
        TryByte(r, k, depth, true, true, true);
        unseen += ColumnOpen(k) ? 0 : 1;
    }
    if (unseen >= 2 && depth >= 2) {
        Try(Make(MistakeKind::Pair, r), depth);
    }
    Try(Make(MistakeKind::LineToken, r), depth);
    const PuzzleRow& row = p_.rows[r];
    if (row.address_alternative && !rows_[r].address) {
        Try(Make(MistakeKind::Address, r), depth);
    }
    if (row.may_leave && rows_[r].edits == 0 && !rows_[r].reformed) {
        Try(Make(MistakeKind::Leave, r), depth);
    }
    if (rows_[r].edits == 0 && !rows_[r].reformed) {
        for (int f = 0; f < static_cast<int>(p_.forms.size()); ++f) {
            if (p_.forms[f].row == r) {
                Try(Make(MistakeKind::Form, r, -1, f), depth);
            }
        }
    }
}

void Search::AnswerColumn(int c, int depth) {
    Try(Make(MistakeKind::ColumnToken, -1, c), depth);
    for (int r = 0; r < static_cast<int>(p_.rows.size()); ++r) {
        const RowState& row = rows_[r];
        if (row.out || row.count <= c) {
            continue;
        }
        TryByte(r, c, depth, false, true, true);
        // Two bytes of the row swapped.
        for (int c2 = 0; c2 < row.count && c2 < kColumnCount; ++c2) {
            const std::uint32_t a = row.values[c];
            const std::uint32_t b = row.values[c2];
            const bool readable = ((Unreadable(r) >> c | Unreadable(r) >> c2) & 1u) == 0;
            if (c2 != c && a != b && a <= 0xFF && b <= 0xFF && readable &&
                ((b - a) & 0xFFu) == columns_[c]) {
                Mistake swap = Make(MistakeKind::Swap, r, c < c2 ? c : c2);
                swap.column2 = c < c2 ? c2 : c;
                Try(swap, depth);
            }
        }
    }
    TryStructural(depth, 0, true);
}

void Search::AnswerTotal(int depth) {
    Try(Make(MistakeKind::TotalToken), depth);
    for (int r = 0; r < static_cast<int>(p_.rows.size()); ++r) {
        if (rows_[r].out) {
            continue;
        }
        // A byte another sum sees would put that sum out too, but for an
        // unreadable one, which has no value to keep.
        for (int k = 0; k < rows_[r].count; ++k) {
            if ((!LineOpen(r) && !ColumnOpen(k)) || ((rows_[r].unknown >> k) & 1u) != 0) {
                TryByte(r, k, depth, false, false, true);
            }
        }
    }
    TryStructural(depth, 0, true);
}

}  // namespace tsy::proof
