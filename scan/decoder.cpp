#include "scan/decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "resources/characters.h"
#include "scan/decode_state.h"
#include "scan/row_text.h"

namespace tsy::scan {
namespace decode {

Slot MakeSlot(const CharSlot& in) {
    Slot slot;
    slot.settled = in.settled;
    slot.support = in.support;
    slot.grouped = in.shape >= 0;
    if (in.choices.empty()) {
        for (const char* d = kUpperHexDigits; *d != '\0'; ++d) {
            slot.options.push_back(Option{*d, kUnreadCost});
        }
        return slot;
    }
    slot.read = in.choices[0].character;
    slot.engine = in.read != 0 ? in.read : slot.read;
    const double top = std::max(in.choices[0].confidence, 0.01f);
    slot.options.push_back(Option{slot.read, 0});
    for (std::size_t i = 1; i < in.choices.size(); ++i) {
        const float confidence = in.choices[i].confidence;
        if (confidence >= kLeastAlternative) {
            const double cost = kAlternativeCost + std::max(0.0, std::log(top / confidence));
            slot.options.push_back(Option{in.choices[i].character, cost});
        }
    }
    return slot;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

}  // namespace decode

namespace {

// The processor seconds of a decoding given no budget of its own.
constexpr double kDecodingSeconds = 5;

using decode::Fields;
using decode::MakeSlot;
using decode::RowState;

// A row checked by its own checksum alone cannot tell two look-alike
// digits that swapped places at the same weight (4 read as A in one byte, A
// as 4 in another): the sum stays the same. Where the recogniser was shown
// wrong about such a pair elsewhere on the pages, a row holding both at one
// weight is not taken as verified, unless one of the two is a glyph of a
// settled shape group, which reads as the rest of its group does.
void DoubtSwaps(std::vector<RowState>& rows, const ListingOptions& options, Decoding* out) {
    std::vector<std::pair<char, char>> confused;
    for (const RowState& row : rows) {
        if (!row.verified) {
            continue;
        }
        for (std::size_t f = 0; f < row.read.size(); ++f) {
            for (std::size_t i = 0; i < row.read[f].size(); ++i) {
                if (row.read[f][i] != row.chosen[f][i] && row.read[f][i] != '?') {
                    confused.emplace_back(row.read[f][i], row.chosen[f][i]);
                }
            }
        }
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        RowState& row = rows[r];
        if (!row.verified || !row.checked_once || row.source->kind != RowKind::Data) {
            continue;
        }
        const std::size_t data_end = row.chosen.size() - (options.checksum ? 1 : 0);
        for (const auto& [a, b] : confused) {
            for (std::size_t weight = 0; weight < 2; ++weight) {
                std::size_t with_a = 0;
                std::size_t with_b = 0;
                for (std::size_t f = 1; f < data_end; ++f) {
                    if (!row.slots[f][weight].settled) {
                        with_a = row.chosen[f][weight] == a ? f : with_a;
                        with_b = row.chosen[f][weight] == b ? f : with_b;
                    }
                }
                if (with_a == 0 || with_b == 0 || !row.verified) {
                    continue;
                }
                row.verified = false;
                for (std::size_t f : {with_a, with_b}) {
                    const char chosen = row.chosen[f][weight];
                    out->doubts.push_back(Doubt{
                        Place{static_cast<int>(r), static_cast<int>(f), static_cast<int>(weight)},
                        row.read[f][weight], std::string(1, chosen) + (chosen == a ? b : a)});
                }
            }
        }
    }
}

}  // namespace

Decoding Decode(const std::vector<ListingRow>& listing, const ListingOptions& options,
                Budget& budget) {
    Decoding out;
    std::vector<RowState> rows(listing.size());
    for (std::size_t r = 0; r < listing.size(); ++r) {
        RowState& row = rows[r];
        row.source = &listing[r];
        for (const Field& field : listing[r].fields) {
            row.slots.emplace_back();
            std::string read;
            for (const CharSlot& c : field.chars) {
                row.slots.back().push_back(MakeSlot(c));
                read += row.slots.back().back().read;
            }
            row.read.push_back(read);
        }
        row.chosen = row.read;
    }
    SettleAddresses(rows, options, &out);

    std::size_t first = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].source->kind == RowKind::Data) {
            if (options.checksum) {
                ReadRow(rows[r], options, budget);
            }
            continue;
        }
        DecodeBlock(rows, first, r, options, out.gaps, budget, &out);
        first = r + 1;
    }
    // Data rows after the last check line: each on its own line checksum,
    // checked once, so taken with one correction at most, and marked (the
    // check line that should follow them may have been lost).
    for (std::size_t r = first; r < rows.size() && options.checksum; ++r) {
        SettleOnItsOwn(rows[r], static_cast<int>(r), true, true, &out);
        rows[r].alone = rows[r].verified;
    }
    DoubtSwaps(rows, options, &out);
    if (!options.checksum) {
        decode::DoubtUnsummed(rows, &out);
    }
    for (std::size_t r = 0; r < rows.size() && options.checksum; ++r) {
        const bool named = std::any_of(out.doubts.begin(), out.doubts.end(), [r](const Doubt& d) {
            return d.place.row == static_cast<int>(r);
        });
        if (!rows[r].verified && !named) {
            decode::DoubtRow(rows[r], static_cast<int>(r), &out);
        }
    }

    for (std::size_t r = 0; r < rows.size(); ++r) {
        const RowState& row = rows[r];
        DecodedRow decoded;
        decoded.kind = row.source->kind;
        decoded.page = row.source->page;
        decoded.verified = row.verified;
        decoded.alone = row.verified && row.alone;
        decoded.missing_columns = row.missing_columns;
        decoded.skipped_before = row.source->skipped_before;
        decoded.checks_skipped_before = row.source->checks_skipped_before;
        decoded.skipped_after = row.source->skipped_after;
        out.skipped_rows +=
            decoded.skipped_before + decoded.checks_skipped_before + decoded.skipped_after;
        // A row left in doubt is written as read, but with the address the
        // rows around it call for where its own could not be read.
        Fields written = row.verified ? row.chosen : row.read;
        // Without sums the address sequence is the listing's one check: an
        // address it settled is written so.
        if (!options.checksum && row.address_ok && decoded.kind == RowKind::Data) {
            written[0] = row.chosen[0];
        }
        if (!row.verified && row.address_from_neighbours) {
            written[0] = row.chosen[0];
            decoded.address_from_neighbours = true;
        }
        decoded.text = FormatRow(decoded.kind, written, options);
        out.verified_rows += row.verified ? 1 : 0;
        out.rows.push_back(decoded);
        if (!row.verified) {
            continue;
        }
        for (std::size_t f = 0; f < row.read.size(); ++f) {
            for (std::size_t i = 0; i < row.read[f].size(); ++i) {
                const char engine = row.slots[f][i].engine;
                if (engine != row.chosen[f][i]) {
                    out.corrections.push_back(Correction{
                        Place{static_cast<int>(r), static_cast<int>(f), static_cast<int>(i)},
                        engine, row.chosen[f][i]});
                }
            }
        }
    }
    return out;
}

Decoding Decode(const std::vector<ListingRow>& rows, const ListingOptions& options) {
    Budget budget(kDecodingSeconds);
    return Decode(rows, options, budget);
}

}  // namespace tsy::scan
