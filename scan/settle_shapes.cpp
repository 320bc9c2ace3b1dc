#include "scan/settle_shapes.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "listing/check_line.h"
#include "listing/data_line.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "resources/characters.h"
#include "scan/row_text.h"

namespace tsy::scan {
namespace {

// How many more checks must agree for a group to be read otherwise, and how
// many every other reading of a settled group must break. One check agrees
// by chance now and then; two independent ones hardly ever.
constexpr int kMargin = 2;
// Support is counted up to this many checks.
constexpr int kMaxSupport = 64;
// Groups read otherwise one at a time, at most this many times.
constexpr int kMaxChanges = 12;
// Of the changes that help most, this many are also tried two at a time.
constexpr std::size_t kPairedMoves = 16;

using GroupKey = std::pair<int, int>;  // page, shape
using Labels = std::map<GroupKey, char>;

char Reading(const ListingRow& row, const CharSlot& slot, const Labels& labels) {
    const auto label = labels.find(GroupKey{row.page, slot.shape});
    if (label != labels.end()) {
        return label->second;
    }
    return slot.choices.empty() ? '?' : slot.choices[0].character;
}

std::vector<std::string> Fields(const ListingRow& row, const Labels& labels) {
    std::vector<std::string> fields;
    for (const Field& field : row.fields) {
        std::string text;
        for (const CharSlot& slot : field.chars) {
            text += Reading(row, slot, labels);
        }
        fields.push_back(text);
    }
    return fields;
}

// How many checks of the listing agree when every group reads as `labels`
// and every other glyph as the engine read it: line checksums, the columns
// of SUM lines, totals and CRCs, and with `steps` the address steps from
// row to row. A step only says that two addresses read alike, not that
// they read right, so it helps to choose readings but confirms none.
int AgreeingChecks(const std::vector<ListingRow>& rows, const ListingOptions& options,
                   const Labels& labels, bool steps) {
    int agreeing = 0;
    BlockSums sums;
    int expected = -1;
    for (const ListingRow& row : rows) {
        const std::string text = FormatRow(row.kind, Fields(row, labels), options);
        switch (row.kind) {
            case RowKind::Data: {
                if (ClassifyLine(text.c_str(), text.size(), options) != LineKind::DataLine) {
                    expected = -1;
                    break;
                }
                DataLineResult line;
                EvaluateDataLine(text.c_str(), text.size(), options, &line);
                agreeing += options.checksum && line.outcome == LineOutcome::Accepted ? 1 : 0;
                agreeing += steps && line.address == expected ? 1 : 0;
                expected = line.address + line.count;
                AddToBlock(line, options.ohx_crc, &sums);
                break;
            }
            case RowKind::Sum: {
                CheckLineResult check;
                EvaluateSumLine(text.c_str(), text.size(), sums, options.ohx_crc, &check);
                switch (check.outcome) {
                    case LineOutcome::Accepted:
                        agreeing += check.column_count + 1;
                        break;
                    case LineOutcome::E05:
                        agreeing += check.column_count - check.mismatch_count;
                        break;
                    case LineOutcome::E06:
                    case LineOutcome::E07:
                        agreeing += check.column_count;
                        break;
                    default:
                        break;
                }
                sums.ResetAfterSumLine();
                break;
            }
            case RowKind::Dashed: {
                CheckLineResult check;
                EvaluateDashedLine(text.c_str(), text.size(), sums, &check);
                agreeing += check.outcome == LineOutcome::Accepted ? 1 : 0;
                sums.ResetAfterDashedLine();
                break;
            }
        }
    }
    return agreeing;
}

}  // namespace

std::vector<ListingRow> SettleShapes(const std::vector<ListingRow>& rows,
                                     const ListingOptions& options) {
    // Each group starts from the best reading most of its glyphs have, and
    // may be read as any reading offered for one of them, or as any other
    // digit after those: an engine may read every glyph of a shape alike
    // and never offer the right one (each slashed zero as B).
    std::map<GroupKey, std::map<char, int>> votes;
    std::map<GroupKey, std::string> offered;
    for (const ListingRow& row : rows) {
        for (const Field& field : row.fields) {
            for (const CharSlot& slot : field.chars) {
                if (slot.shape < 0 || slot.choices.empty()) {
                    continue;
                }
                const GroupKey key{row.page, slot.shape};
                ++votes[key][slot.choices[0].character];
                for (const Choice& choice : slot.choices) {
                    if (offered[key].find(choice.character) == std::string::npos) {
                        offered[key] += choice.character;
                    }
                }
            }
        }
    }
    for (auto& [key, readings] : offered) {
        for (const char* d = kUpperHexDigits; *d != '\0'; ++d) {
            if (readings.find(*d) == std::string::npos) {
                readings += *d;
            }
        }
    }
    Labels labels;
    for (const auto& [key, counts] : votes) {
        char best = 0;
        for (const auto& [c, count] : counts) {
            best = best == 0 || count > counts.at(best) ? c : best;
        }
        labels[key] = best;
    }

    struct Move {
        GroupKey key;
        char c = 0;
        int gain = 0;
    };
    // The checks that agree with the groups of `moves` read otherwise.
    auto score_with = [&](std::initializer_list<Move> moves, bool steps) {
        std::vector<char> kept;
        for (const Move& move : moves) {
            kept.push_back(labels[move.key]);
            labels[move.key] = move.c;
        }
        const int score = AgreeingChecks(rows, options, labels, steps);
        auto k = kept.begin();
        for (const Move& move : moves) {
            labels[move.key] = *k++;
        }
        return score;
    };
    int score = AgreeingChecks(rows, options, labels, true);
    for (int change = 0; change < kMaxChanges; ++change) {
        std::vector<Move> moves;
        for (const auto& [key, label] : labels) {
            for (const char* d = offered[key].c_str(); *d != '\0'; ++d) {
                if (*d != label) {
                    moves.push_back(Move{key, *d, score_with({Move{key, *d}}, true) - score});
                }
            }
        }
        // Offered readings were tried first, and keep their place on ties.
        std::stable_sort(moves.begin(), moves.end(),
                         [](const Move& a, const Move& b) { return a.gain > b.gain; });
        std::vector<Move> best;
        int best_gain = kMargin - 1;
        if (!moves.empty() && moves[0].gain > best_gain) {
            best = {moves[0]};
            best_gain = moves[0].gain;
        }
        // Two groups the engine misread together (each 0 as 8 and each 8
        // as B) may each be put right only with the other: two of the most
        // promising changes are also tried at once, and taken where they
        // make more checks agree than any one change.
        const std::size_t tried = std::min(moves.size(), kPairedMoves);
        for (std::size_t i = 0; i < tried; ++i) {
            for (std::size_t j = i + 1; j < tried; ++j) {
                const Move& a = moves[i];
                const Move& b = moves[j];
                if (a.key == b.key) {
                    continue;
                }
                const int gain = score_with({a, b}, true) - score;
                if (gain > best_gain && gain > std::max(a.gain, b.gain) + kMargin - 1) {
                    best = {a, b};
                    best_gain = gain;
                }
            }
        }
        if (best.empty()) {
            break;
        }
        for (const Move& move : best) {
            labels[move.key] = move.c;
        }
        score += best_gain;
    }
    // A group's support: how many checks the least harmful other reading
    // would break.
    const int checks = AgreeingChecks(rows, options, labels, false);
    std::map<GroupKey, int> support;
    for (const auto& [key, label] : labels) {
        int least = kMaxSupport;
        for (const char* d = kUpperHexDigits; *d != '\0' && least >= kMargin; ++d) {
            if (*d != label) {
                least = std::min(least, checks - score_with({Move{key, *d}}, false));
            }
        }
        support[key] = std::max(least, 0);
    }

    std::vector<ListingRow> out = rows;
    for (ListingRow& row : out) {
        for (Field& field : row.fields) {
            for (CharSlot& slot : field.chars) {
                const GroupKey key{row.page, slot.shape};
                if (labels.count(key) == 0) {
                    continue;
                }
                const char label = labels[key];
                slot.read = slot.choices.empty() ? 0 : slot.choices[0].character;
                slot.support = support[key];
                if (slot.support >= kMargin) {
                    slot.choices = {Choice{label, 1.0f}};
                    slot.settled = true;
                    continue;
                }
                std::vector<Choice> choices = {Choice{label, 1.0f}};
                for (const Choice& choice : slot.choices) {
                    if (choice.character != label) {
                        choices.push_back(choice);
                    }
                }
                slot.choices = choices;
            }
        }
    }
    return out;
}

}  // namespace tsy::scan
