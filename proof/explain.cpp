#include "proof/explain.h"

#include <algorithm>
#include <cstring>
#include <tuple>

namespace tsy::proof {
namespace {

// Nodes of one depth's search at most; past them the search gives up.
constexpr long kMaxNodes = 400000;

// ---- The CRC as a linear map ---------------------------------------------------

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

// Feeding zero bytes is linear in the register, and invertible: the maps
// for 2^i zero bytes and their inverses, built once, go any count of bytes
// forward or back in a few steps. `byte_of[c]` is the flip whose CRC from 0
// is `c` (0 when none is).
struct CrcMaps {
    CrcMap forward[32];
    CrcMap backward[32];
    CrcMap near[kMaxWindows];  // near[m]: m zero bytes
    std::uint8_t byte_of[65536] = {};

    CrcMaps() {
        for (int j = 0; j < 16; ++j) {
            forward[0].columns[j] = CrcByte(static_cast<std::uint16_t>(1u << j), 0);
        }
        // The inverse of one zero byte: the register before, for each bit after.
        for (std::uint32_t before = 0; before < 65536; ++before) {
            const std::uint16_t after = CrcByte(static_cast<std::uint16_t>(before), 0);
            for (int j = 0; j < 16; ++j) {
                if (after == (1u << j)) {
                    backward[0].columns[j] = static_cast<std::uint16_t>(before);
                }
            }
        }
        for (int i = 1; i < 32; ++i) {
            for (int j = 0; j < 16; ++j) {
                forward[i].columns[j] = forward[i - 1].Apply(forward[i - 1].columns[j]);
                backward[i].columns[j] = backward[i - 1].Apply(backward[i - 1].columns[j]);
            }
        }
        for (int flip = 1; flip < 256; ++flip) {
            byte_of[CrcByte(0, static_cast<std::uint8_t>(flip))] = static_cast<std::uint8_t>(flip);
        }
        for (int j = 0; j < 16; ++j) {
            near[0].columns[j] = static_cast<std::uint16_t>(1u << j);
        }
        for (int m = 1; m < kMaxWindows; ++m) {
            for (int j = 0; j < 16; ++j) {
                near[m].columns[j] = forward[0].Apply(near[m - 1].columns[j]);
            }
        }
    }

    // The register `distance` zero bytes earlier.
    std::uint16_t Back(std::uint16_t crc, std::uint32_t distance) const {
        for (int i = 0; i < 32; ++i) {
            if (((distance >> i) & 1u) != 0) {
                crc = backward[i].Apply(crc);
            }
        }
        return crc;
    }
};

const CrcMaps& Maps() {
    static const CrcMaps maps;
    return maps;
}

// ---- The search ---------------------------------------------------------------------

bool Covers(const PuzzleGap& gap, int column) {
    return column < gap.width;
}

class Search {
  public:
    explicit Search(const Puzzle& puzzle) : p_(puzzle) {}

    SearchResult Run() {
        SearchResult result;
        for (int limit = 0; limit <= kMaxMistakes; ++limit) {
            Reset();
            Step(limit);
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
    };

    void Reset() {
        rows_.assign(p_.rows.size(), RowState());
        for (std::size_t r = 0; r < p_.rows.size(); ++r) {
            RowState& row = rows_[r];
            row.count = p_.rows[r].count;
            std::memcpy(row.values, p_.rows[r].values, sizeof row.values);
            row.residual = p_.rows[r].residual;
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
        nodes_ = 0;
        crc_checks_ = 0;
        found_.clear();
        common_.clear();
        count_ = 0;
    }

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

    // The value a byte typed as `typed` takes when a difference `residual`
    // of a sum `mask` wide is its change; false when no byte value does.
    static bool ByDifference(std::uint32_t typed, std::uint32_t residual, std::uint32_t mask,
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

    // ---- Applying and taking back mistakes ----

    // Changes the sums as if the row's value at k went from `from` to `to`.
    void Shift(int r, int k, std::int32_t delta) {
        const std::uint32_t d = static_cast<std::uint32_t>(delta);
        rows_[r].residual = (rows_[r].residual - d) & LineMask();
        if (k < kColumnCount) {
            columns_[k] = static_cast<std::uint8_t>(columns_[k] - d);
        }
        total_ = (total_ - d) & TotalMask();
    }

    // Adds (sign 1) or takes away (-1) a whole row's values from the sums.
    void Count(const std::uint16_t* values, int count, int sign) {
        for (int k = 0; k < count; ++k) {
            const std::uint32_t v = values[k] * static_cast<std::uint32_t>(sign);
            if (k < kColumnCount) {
                columns_[k] = static_cast<std::uint8_t>(columns_[k] - v);
            }
            total_ = (total_ - v) & TotalMask();
        }
    }

    void Try(const Mistake& mistake, int depth) {
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
                const std::int32_t delta =
                    static_cast<std::int32_t>(mistake.value) -
                    static_cast<std::int32_t>(rows_[r].values[mistake.column]);
                Shift(r, mistake.column, delta);
                rows_[r].values[mistake.column] = mistake.value;
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
    int Cost(const Mistake& mistake) const {
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

    // ---- The mistakes that may answer each difference ----

    Mistake Make(MistakeKind kind, int row = -1, int column = -1, int index = -1,
                 std::uint16_t value = 0) const {
        Mistake mistake;
        mistake.kind = kind;
        mistake.row = row;
        mistake.column = column;
        mistake.index = index;
        mistake.value = value;
        return mistake;
    }

    // A byte of row r at column k, its value from each difference it may
    // alone answer: its line, its column, the total.
    void TryByte(int r, int k, int depth, bool line, bool column, bool total) {
        const std::uint32_t typed = rows_[r].values[k];
        std::uint16_t values[3];
        int count = 0;
        auto add = [&](std::uint32_t residual, std::uint32_t mask) {
            std::uint16_t value = 0;
            if (ByDifference(typed, residual, mask, &value) && value != typed &&
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

    void TryStructural(int depth, std::uint32_t step_mask, bool by_sums) {
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

    void AnswerStep(int s, int depth) {
        TryStructural(depth, 1u << s, false);
        if (depth >= 2) {
            Try(Make(MistakeKind::Step, -1, -1, s), depth);
        }
    }

    void AnswerRow(int r, int depth) {
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

    void AnswerColumn(int c, int depth) {
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
                if (c2 != c && a != b && a <= 0xFF && b <= 0xFF &&
                    ((b - a) & 0xFFu) == columns_[c]) {
                    Mistake swap = Make(MistakeKind::Swap, r, c < c2 ? c : c2);
                    swap.column2 = c < c2 ? c2 : c;
                    Try(swap, depth);
                }
            }
        }
        TryStructural(depth, 0, true);
    }

    void AnswerTotal(int depth) {
        Try(Make(MistakeKind::TotalToken), depth);
        for (int r = 0; r < static_cast<int>(p_.rows.size()); ++r) {
            if (rows_[r].out || LineOpen(r)) {
                continue;
            }
            for (int k = 0; k < rows_[r].count; ++k) {
                if (!ColumnOpen(k)) {
                    TryByte(r, k, depth, false, false, true);
                }
            }
        }
        TryStructural(depth, 0, true);
    }

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

    void Leaf(int depth) {
        Explanation explanation;
        if (enter_ >= 0) {
            const PuzzleGap& gap = p_.gaps[enter_];
            if (gap.known) {
                std::memcpy(explanation.entered, gap.values, sizeof explanation.entered);
            } else {
                // The columns give the row; a row of zeros is no row anyone left out.
                if (gap.width > p_.compared_columns) {
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
            Walk(explanation.entered,
                 [&](int, int, std::uint8_t byte) { crc = CrcByte(crc, byte); });
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

    void AnswerCrc(std::uint16_t crc, const Explanation& explanation, int depth) {
        const std::uint16_t change = static_cast<std::uint16_t>(crc ^ p_.crc_given);
        crc_forgiven_ = true;
        stack_.push_back(Make(MistakeKind::CrcToken));
        Record(explanation, crc);
        stack_.pop_back();
        crc_forgiven_ = false;
        // A row left out, or one too many, that nothing but the CRC sees.
        TryStructural(depth, 0, true);
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
            if (r < 0 || LineOpen(r) || ColumnOpen(k)) {
                return;
            }
            const std::uint8_t flip = CrcFlipFor(change, total_bytes - at);
            if (flip != 0) {
                candidates.push_back({r, k, static_cast<std::uint16_t>(byte ^ flip)});
            }
        });
        for (const Candidate& candidate : candidates) {
            Try(Make(MistakeKind::Byte, candidate.row, candidate.column, -1, candidate.value),
                depth);
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
                    if (flip == 0 || ColumnOpen(k1)) {
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
    void Record(const Explanation& leaf, std::uint16_t crc) {
        Explanation explanation = leaf;
        explanation.mistakes = stack_;
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
                    mistake.value = static_cast<std::uint16_t>(
                        (p_.rows[r].given - rows_[r].residual) & LineMask());
                    break;
                case MistakeKind::ColumnToken:
                    mistake.value = static_cast<std::uint8_t>(p_.column_given[mistake.column] -
                                                              columns_[mistake.column]);
                    break;
                case MistakeKind::TotalToken:
                    mistake.value =
                        static_cast<std::uint16_t>((p_.total_given - total_) & TotalMask());
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

    // Lower bound of the mistakes still needed.
    int Needed() const {
        int steps = 0;
        for (int s = 0; s < p_.step_count; ++s) {
            steps += (steps_ >> s) & 1u ? 0 : 1;
        }
        int rows = 0;
        for (int r = 0; r < static_cast<int>(p_.rows.size()); ++r) {
            rows += LineOpen(r) && rows_[r].residual != 0 ? 1 : 0;
        }
        const int by_steps = (steps + 2) / 3;
        return by_steps > rows ? by_steps : rows;
    }

    void Step(int depth) {
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

}  // namespace

std::uint16_t CrcChange(std::uint32_t flip, std::uint32_t distance) {
    const CrcMaps& maps = Maps();
    std::uint16_t crc = CrcByte(0, static_cast<std::uint8_t>(flip));
    for (int i = 0; i < 32; ++i) {
        if (((distance >> i) & 1u) != 0) {
            crc = maps.forward[i].Apply(crc);
        }
    }
    return crc;
}

std::uint16_t CrcAfterZeros(std::uint16_t crc, std::uint32_t count) {
    const CrcMaps& maps = Maps();
    for (int i = 0; i < 32; ++i) {
        if (((count >> i) & 1u) != 0) {
            crc = maps.forward[i].Apply(crc);
        }
    }
    return crc;
}

std::uint8_t CrcFlipFor(std::uint16_t change, std::uint32_t distance) {
    const CrcMaps& maps = Maps();
    return maps.byte_of[maps.Back(change, distance)];
}

SearchResult Explain(const Puzzle& puzzle) {
    return Search(puzzle).Run();
}

}  // namespace tsy::proof
