// The block as an explanation makes it: the rows with their bytes changed,
// put out, put in or moved, and the sums they give. Naming reads the values
// a token should have from it.
#include <cstring>

#include "proof/puzzle.h"

namespace tsy::proof {

CorrectedBlock Correct(const Puzzle& puzzle, const BlockRecord& block, const Explanation& e) {
    const ListingOptions& options = puzzle.options;
    struct Working {
        int count;
        std::uint16_t values[kMaxWindows];
        std::int32_t address;
        bool out;
    };
    std::vector<Working> rows(puzzle.rows.size());
    std::vector<int> order(puzzle.rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        rows[r].count = puzzle.rows[r].count;
        std::memcpy(rows[r].values, puzzle.rows[r].values, sizeof rows[r].values);
        rows[r].address = block.lines[puzzle.rows[r].line].address;
        rows[r].out = false;
        order[r] = static_cast<int>(r);
    }
    int entered = -1;
    for (const Mistake& m : e.mistakes) {
        switch (m.kind) {
            case MistakeKind::Byte:
                rows[m.row].values[m.column] = m.value;
                break;
            case MistakeKind::Swap:
                std::swap(rows[m.row].values[m.column], rows[m.row].values[m.column2]);
                break;
            case MistakeKind::Form:
                rows[m.row].count = puzzle.forms[m.index].count;
                std::memcpy(rows[m.row].values, puzzle.forms[m.index].values,
                            sizeof rows[m.row].values);
                break;
            case MistakeKind::Leave:
                rows[m.row].out = true;
                break;
            case MistakeKind::Enter:
                entered = m.index;
                break;
            case MistakeKind::Reorder:
                Reorder(puzzle.reorders[m.index], &order);
                break;
            case MistakeKind::Address:
                rows[m.row].address = puzzle.rows[m.row].address_right;
                break;
            default:
                break;
        }
    }
    CorrectedBlock block_out;
    std::uint32_t columns[kColumnCount] = {};
    std::uint32_t sum = 0;
    std::uint16_t crc = puzzle.crc_start;
    auto add = [&](int source, int count, const std::uint16_t* values, std::int32_t address) {
        CorrectedBlock::Row row;
        row.source = source;
        row.count = count;
        std::uint32_t line_sum = 0;
        for (int k = 0; k < count; ++k) {
            row.values[k] = static_cast<std::uint8_t>(values[k]);
            line_sum += values[k];
            if (k < kColumnCount) {
                columns[k] += values[k];
            }
            sum += values[k];
            crc = CrcByte(crc, static_cast<std::uint8_t>(values[k]));
        }
        if (options.address_sum && address >= 0) {
            line_sum += AddressPart(options, address);
        }
        row.line_sum = line_sum & LineMask(options);
        block_out.rows.push_back(row);
    };
    auto enter = [&] {
        const PuzzleGap& gap = puzzle.gaps[entered];
        std::uint16_t values[kMaxWindows] = {};
        for (int k = 0; k < gap.width; ++k) {
            values[k] = e.entered[k];
        }
        add(-1, gap.width, values, gap.address);
    };
    for (const int r : order) {
        if (entered >= 0 && puzzle.gaps[entered].before == r) {
            enter();
        }
        if (!rows[r].out) {
            add(r, rows[r].count, rows[r].values, rows[r].address);
        }
    }
    if (entered >= 0 && puzzle.gaps[entered].before >= static_cast<int>(rows.size())) {
        enter();
    }
    for (int c = 0; c < kColumnCount; ++c) {
        block_out.columns[c] = static_cast<std::uint8_t>(columns[c]);
    }
    block_out.total = puzzle.total == TotalKind::Sum16 ? sum & 0xFFFFu : sum & 0xFFu;
    block_out.crc = crc;
    return block_out;
}

}  // namespace tsy::proof
