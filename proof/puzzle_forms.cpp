// The forms of a row for the puzzle (puzzle.h): a row of the wrong length,
// or with windows past the reader's last, read with one window taken out (a
// byte typed twice, or a stray) or one put in (a byte left out), each form
// kept where its line sum comes out right and the addresses allow it.
#include <cstring>

#include "proof/puzzle.h"

namespace tsy::proof {
namespace {

// The finding of the address step at the line after `line`, of a kind a
// row of the wrong length gives; -1 when none.
int StepAfter(const BlockRecord& block, int line) {
    const std::uint32_t number = block.lines[line].line_number;
    for (int f = 0; f < static_cast<int>(block.pending.size()); ++f) {
        const Finding& finding = block.pending[f];
        if (finding.kind == FindingKind::AddressStep && finding.other_line == number &&
            (finding.step == StepKind::RowLength || finding.step == StepKind::Overlap ||
             finding.step == StepKind::Gap)) {
            return f;
        }
    }
    return -1;
}

// A row read with one window taken out or put in: its data, and its line
// sum's difference. False when the row so read is no row of data.
bool Reread(const ListingOptions& options, const RecordedLine& line, const std::int16_t* windows,
            int window_count, RowForm* form) {
    const int kept = window_count < kMaxWindows ? window_count : kMaxWindows;
    const int count = options.checksum ? kept - 1 : kept;
    if (count <= 0) {
        return false;
    }
    std::uint32_t sum = 0;
    for (int k = 0; k < count; ++k) {
        if (windows[k] < 0 || windows[k] > 0xFF) {
            return false;
        }
        form->values[k] = static_cast<std::uint16_t>(windows[k]);
        sum += static_cast<std::uint32_t>(windows[k]);
    }
    form->count = count;
    form->residual = 0;
    if (options.checksum) {
        if (windows[count] < 0) {
            return false;
        }
        sum += line.address >= 0 && options.address_sum ? AddressPart(options, line.address) : 0u;
        form->residual = (static_cast<std::uint32_t>(windows[count]) - sum) & LineMask(options);
    }
    return true;
}

// The forms of a row of the wrong length, or with windows past the last.
}  // namespace

void AddForms(const ListingOptions& options, const BlockRecord& block, int r, int width,
              Puzzle* puzzle, PuzzleMap* map) {
    const PuzzleRow& row = puzzle->rows[r];
    const RecordedLine& line = block.lines[row.line];
    const bool extra =
        line.window_count > kMaxWindows && line.windows[kMaxWindows] >= 0;  // a pair of digits
    const int after = StepAfter(block, row.line);
    // The first line's address taken as mistyped may be a row of the wrong
    // length instead.
    int own = -1;
    for (int f = 0; f < static_cast<int>(block.pending.size()); ++f) {
        const Finding& finding = block.pending[f];
        if (finding.kind == FindingKind::AddressStep && finding.step == StepKind::OffAddress &&
            finding.line_number == line.line_number && row.count != width &&
            finding.first_address - line.address == width - row.count) {
            own = f;
        }
    }
    // A row of the usual length whose line sum is right reads as it stands;
    // a short one may be short of a byte, the block's last too: a zero left
    // out keeps its line sum right and shifts the bytes after it.
    // A block's only row is as wide as the block: the check line's
    // columns tell that it is short.
    const bool bad = row.summed && row.residual != 0;
    const int full = width > puzzle->compared_columns ? width : puzzle->compared_columns;
    const bool short_row = row.count < full;
    if (!extra && !(row.count > width && width > 0) && after < 0 && own < 0 && !bad && !short_row) {
        return;
    }
    std::uint32_t steps = after >= 0 ? StepBit(after, puzzle, map) : 0u;
    steps |= own >= 0 ? StepBit(own, puzzle, map) : 0u;
    if (extra) {
        steps |= StepBit(-1, puzzle, map);
    }
    std::int16_t windows[kMaxWindows + kMaxExtraWindows + 1];
    const std::size_t first = puzzle->forms.size();
    // The line after continues the row as typed: a row of another length
    // would leave a step there that the addresses do not show.
    const std::size_t next = static_cast<std::size_t>(row.line) + 1;
    const bool continued =
        next < block.lines.size()
            ? !block.lines[next].skipped && block.lines[next].address == line.address + row.count
            : block.anchored_end;
    auto keep = [&](const RowForm& form) {
        if ((options.checksum && form.residual != 0) || (continued && form.count != row.count)) {
            return;
        }
        for (std::size_t f = first; f < puzzle->forms.size(); ++f) {
            if (puzzle->forms[f].count == form.count &&
                std::memcmp(puzzle->forms[f].values, form.values, sizeof form.values) == 0) {
                return;
            }
        }
        puzzle->forms.push_back(form);
    };
    // A 00 typed twice keeps the line sum of a short row right: its length
    // alone does not show the byte too many.
    bool zero_twice = false;
    for (int p = 0; short_row && p + 1 < row.count; ++p) {
        zero_twice = zero_twice || (line.windows[p] == 0 && line.windows[p + 1] == 0);
    }
    if (row.count >= width || extra || bad || zero_twice) {
        // A window typed twice, or a stray one: each taken out in turn.
        for (int p = 0; p < row.count; ++p) {
            int n = 0;
            for (int w = 0; w < line.window_count; ++w) {
                if (w != p) {
                    windows[n++] = line.windows[w];
                }
            }
            RowForm form;
            form.row = r;
            form.position = p;
            form.steps = steps;
            // Without a checksum only a byte typed twice reads as one.
            const bool doubled =
                (p > 0 && line.windows[p - 1] == line.windows[p]) ||
                (p + 1 < line.window_count && line.windows[p + 1] == line.windows[p]);
            if ((options.checksum || doubled) && Reread(options, line, windows, n, &form)) {
                keep(form);
            }
        }
    }
    // A row shorter than the check line's columns may lack a byte, the
    // block's only or widest row too.
    if (row.count < full && options.checksum && row.summed && line.window_count < kMaxWindows) {
        // A byte left out: its value is what the line sum lacks.
        for (int p = 0; p <= row.count; ++p) {
            RowForm form;
            form.row = r;
            form.insert = true;
            form.position = p;
            form.steps = steps;
            std::int32_t value = static_cast<std::int32_t>(row.residual);
            if (options.ohmz_sum && value >= 0x800) {
                value -= 0x1000;
            }
            if (value < 0 || value > 0xFF) {
                continue;
            }
            form.value = static_cast<std::uint16_t>(value);
            int n = 0;
            for (int w = 0; w < line.window_count; ++w) {
                if (w == p) {
                    windows[n++] = static_cast<std::int16_t>(value);
                }
                windows[n++] = line.windows[w];
            }
            if (Reread(options, line, windows, n, &form)) {
                keep(form);
            }
        }
    }
}

}  // namespace tsy::proof
