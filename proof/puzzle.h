// From a block as the checker recorded it to the search's Puzzle, and back:
// which lines the sums count (a skipped line that looks like data is taken
// in when that brings the check line closer), what each row, gap and step
// of the puzzle stands for, and the block as an explanation corrects it.
#pragma once

#include <cstdint>
#include <vector>

#include "listing/listing_options.h"
#include "proof/block.h"
#include "proof/explain.h"

namespace tsy::proof {

// A row of another block that the diagnosis of that block left loose: a
// line typed out of place there and put out of its sums, or a row left out
// there and rebuilt. A later block may hold the other half.
struct LooseRow {
    std::int32_t address = 0;
    int count = 0;
    std::uint8_t values[kColumnCount] = {};
    std::uint32_t line_number = 0;  // the line typed out of place, or the line the row goes before
    char address_text[kAddressTextSize] = {};
};

// What the diagnosis of a block leaves to the blocks after it.
struct BlockLinks {
    static constexpr std::size_t kMaxLoose = 16;
    static constexpr std::size_t kMaxUnsettled = 64;
    std::vector<LooseRow> strays;   // lines put out of their block's sums
    std::vector<LooseRow> entered;  // rows rebuilt where they were left out
    // The rows of blocks whose sums disagreed: a line typed into an earlier
    // block than its own may be among them.
    std::vector<LooseRow> unsettled;

    static void Keep(std::vector<LooseRow>* rows, const LooseRow& row,
                     std::size_t most = kMaxLoose) {
        if (rows->size() == most) {
            rows->erase(rows->begin());
        }
        rows->push_back(row);
    }
};

// What the puzzle's parts stand for in the block.
struct PuzzleMap {
    std::vector<int> step_finding;  // step s: its finding in BlockRecord::pending; -1 for none
    std::vector<int> gap_record;    // gap g: in BlockRecord::gaps; -1 for an unanchored end
    std::vector<int> gap_stray;     // gap g: its known row in BlockLinks::strays; -1
    std::vector<bool> gap_next;     // gap g: its known row is the next block's first
    std::vector<int> row_entered;   // row r: the row it fills in BlockLinks::entered; -1
    bool skipped_taken = false;     // the skipped lines are counted
};

// The rows the block's sums count and what the check line gives against them.
void BuildPuzzle(const ListingOptions& options, const CheckGiven& given, const BlockRecord& block,
                 const BlockLinks& links, Puzzle* puzzle, PuzzleMap* map);

// The stages of BuildPuzzle. The puzzle's step for the finding `finding`
// (-1 for one of its own), made the first time it is asked for; 0 past
// kMaxSteps.
std::uint32_t StepBit(int finding, Puzzle* puzzle, PuzzleMap* map);
// The forms of row r, a row of the wrong length or with windows past the
// reader's last, of a block of rows `width` bytes wide.
void AddForms(const ListingOptions& options, const BlockRecord& block, int r, int width,
              Puzzle* puzzle, PuzzleMap* map);

// The block as an explanation makes it: each row's bytes and line sum,
// the columns, the total and the CRC.
struct CorrectedBlock {
    struct Row {
        int source = -1;  // the puzzle's row; -1 for the row entered
        int count = 0;
        std::uint8_t values[kMaxWindows] = {};
        std::uint32_t line_sum = 0;  // the data's sum with the address part, masked
    };
    std::vector<Row> rows;  // in order, without the rows that left
    std::uint8_t columns[kColumnCount] = {};
    std::uint32_t total = 0;  // masked to the check line's width
    std::uint16_t crc = 0;
};

CorrectedBlock Correct(const Puzzle& puzzle, const BlockRecord& block, const Explanation& e);

}  // namespace tsy::proof
