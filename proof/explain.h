// The search for what was mistyped in one block. A Puzzle holds what the
// block's sums and addresses show: each row (a data line as the sums count
// it) with its line sum's difference, the column, total and CRC differences
// of the check line, and the address steps that do not continue. A Mistake
// is one thing typed wrong: a byte, a checksum, column, total or CRC token,
// two bytes swapped, a byte typed twice or left out, a line typed where it
// does not belong, a line left out, two lines swapped, an address; or a
// step that nothing else explains. An Explanation is a set of mistakes that
// makes every sum agree and answers every step.
//
// The search finds every explanation with the fewest mistakes (up to
// kMaxMistakes), taking the first unanswered difference at each stage and
// trying every mistake that touches it. A byte's new value comes from the
// difference of a sum it alone changes (its line, its column, the total, or
// the CRC, which is linear in the bytes), so that every explanation of up
// to three mistakes in which each byte is the only change of one of its
// sums is found.
#pragma once

#include <cstdint>
#include <vector>

#include "listing/listing_options.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "proof/block.h"

namespace tsy::proof {

inline constexpr int kMaxMistakes = 4;
// The steps of one block the search answers; a block with more is not searched.
inline constexpr int kMaxSteps = 32;

// Another reading of a row's tokens: one token taken out (typed twice, or a
// stray), or one token put in (left out).
struct RowForm {
    int row = 0;
    bool insert = false;
    int position = 0;         // the data window taken out, or put in
    std::uint16_t value = 0;  // the byte put in
    int count = 0;
    std::uint16_t values[kMaxWindows] = {};
    std::uint32_t residual = 0;  // its line sum's difference
    std::uint32_t steps = 0;     // the steps it answers (bit s for step s)
};

// A row of the puzzle: a line the block's sums count, or may count.
struct PuzzleRow {
    int line = -1;  // in BlockRecord::lines
    int count = 0;
    std::uint16_t values[kMaxWindows] = {};
    bool summed = false;  // its line sum is compared
    // Bytes typed unreadable (RecordedLine::unknown_high, unknown_low): each
    // is one mistake in every explanation, its value any that keeps the
    // digits typed.
    std::uint32_t unknown_high = 0;
    std::uint32_t unknown_low = 0;
    std::uint32_t given = 0;     // its checksum's value
    std::uint32_t residual = 0;  // given - computed, masked; 0 when right
    // It may not belong to the block (typed twice, or typed here out of
    // place): the steps that answers.
    bool may_leave = false;
    std::uint32_t leave_steps = 0;
    // 0 when it is the row another block's explanation found left out
    // there: the mistake was counted there.
    int leave_cost = 1;
    // With AddressSum: its address may be mistyped for `address_right`,
    // which changes its line sum's difference by `address_change`.
    bool address_alternative = false;
    std::int32_t address_right = 0;
    std::uint32_t address_change = 0;
    std::uint32_t address_steps = 0;
};

// A place where a row may be left out, before row `before` (the rows'
// count for after the last).
struct PuzzleGap {
    int before = 0;
    std::int32_t address = 0;
    int width = 0;
    std::uint32_t steps = 0;
    // The row's bytes when another block's sums showed them (a line typed
    // out of place); otherwise the column differences tell them.
    bool known = false;
    std::uint8_t values[kColumnCount] = {};
    // 0 when the row is one another block's explanation put out of its
    // sums: the mistake was counted there.
    int cost = 1;
};

// A row typed out of its order within the block: row `row` belongs before
// row `before` (the rows' count for after the last). Only a CRC sees it in
// the sums.
struct PuzzleReorder {
    int row = 0;
    int before = 0;
    std::uint32_t steps = 0;
    bool swap = false;  // two neighbours in each other's place
};

struct Puzzle {
    ListingOptions options;
    std::vector<PuzzleRow> rows;
    std::vector<RowForm> forms;
    std::vector<PuzzleGap> gaps;
    std::vector<PuzzleReorder> reorders;
    int step_count = 0;
    int compared_columns = 0;
    std::uint8_t column_given[kColumnCount] = {};
    std::uint8_t column_residual[kColumnCount] = {};
    TotalKind total = TotalKind::None;
    std::uint32_t total_given = 0;     // masked to the total's width
    std::uint32_t total_residual = 0;  // masked to the total's width
    std::uint16_t crc_start = 0;
    std::uint16_t crc_given = 0;
    // Check tokens typed unreadable: each a mistake in every explanation.
    std::uint32_t column_unknown = 0;
    bool total_unknown = false;
};

enum class MistakeKind : unsigned char {
    Byte,         // row `row`, column `column`: `value` was meant
    LineToken,    // row `row`'s checksum token
    ColumnToken,  // column `column`'s token
    TotalToken,
    CrcToken,
    Swap,     // row `row`: columns `column` and `column2` swapped
    Form,     // forms[index] is the row as meant
    Leave,    // row `row` does not belong to the block
    Enter,    // gaps[index] holds a row left out
    Reorder,  // reorders[index]
    Address,  // row `row`'s address
    Step,     // step `index` stays unanswered
    // Two bytes of row `row` that no column sum sees, their changes adding
    // up to its line's difference: a family of readings, never one of them.
    Pair,
};

struct Mistake {
    MistakeKind kind = MistakeKind::Step;
    int row = -1;
    int column = -1;
    int column2 = -1;
    int index = -1;
    std::uint16_t value = 0;
    // Which sums confirm it in its explanation (Byte): bit 0 its line, 1 its
    // column, 2 the total, 3 the CRC.
    std::uint8_t confirmed = 0;
    // A token's `value` is what it should read in its explanation.
    bool operator==(const Mistake& other) const {
        return kind == other.kind && row == other.row && column == other.column &&
               column2 == other.column2 && index == other.index && value == other.value;
    }
};

struct Explanation {
    std::vector<Mistake> mistakes;
    // An Enter whose row the column differences gave: its bytes.
    std::uint8_t entered[kColumnCount] = {};
};

// Explanations kept for naming; past them only the count and the mistakes
// all of them share are kept.
inline constexpr int kMaxKept = 16;

struct SearchResult {
    bool complete = false;  // every explanation of the fewest mistakes was found
    int mistakes = 0;       // how many they have; 0 with none needed
    long crc_trials = 0;    // combinations the CRC alone decided among
    long count = 0;         // explanations found (up to kMaxKept of them kept)
    std::vector<Explanation> explanations;
    // The mistakes every explanation holds, each with the sums that confirm
    // it in all of them.
    std::vector<Mistake> common;
};

// Moves row `reorder.row` in `order` (a permutation of the rows) to just
// before row `reorder.before`.
inline void Reorder(const PuzzleReorder& reorder, std::vector<int>* order) {
    std::vector<int>& o = *order;
    for (std::size_t i = 0; i < o.size(); ++i) {
        if (o[i] == reorder.row) {
            o.erase(o.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    std::size_t at = o.size();
    for (std::size_t i = 0; i < o.size(); ++i) {
        at = o[i] == reorder.before ? i : at;
    }
    o.insert(o.begin() + static_cast<std::ptrdiff_t>(at), reorder.row);
}

// Every explanation of `puzzle` with the fewest mistakes, at most
// kMaxMistakes; none (and complete false) when the search gives up.
SearchResult Explain(const Puzzle& puzzle);

}  // namespace tsy::proof
