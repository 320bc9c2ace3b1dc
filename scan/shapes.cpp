#include "scan/shapes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>

#include "resources/look_alikes.h"

namespace tsy::scan {
namespace {

// Groups of fewer members than this are taken as odd glyphs (a stain, a
// broken character), not as a character of the font.
constexpr int kEstablished = 3;
// How fast a reading's confidence falls with its shape's distance from the
// best one: e^(-gap / kSpread).
constexpr float kSpread = 0.03f;
constexpr float kLeastConfidence = 0.02f;
// A group's reading that got less than this share of the best one's votes
// is no reading of the group.
constexpr float kLeastReading = 0.1f;
// Another group's reading is worth this much less than the cell's own
// group's, however like that group the cell is.
constexpr float kOtherGroup = 0.5f;
constexpr int kRefinements = 3;
// A glyph of a dissolved group joins a group this much likelier than any
// other.
constexpr float kClearlyLikest = 0.03f;
// A group is parted only into parts of at least this many glyphs; the way
// its members differ most is found in this many rounds.
constexpr std::size_t kLeastPart = 2;
constexpr int kPowerRounds = 12;
// The weight of a vote for a letter that looks like a digit, for an
// alternative reading, and the least confidence a vote counts with.
constexpr float kLetterVote = 0.5f;
constexpr float kAlternativeVote = 0.5f;
constexpr float kLeastVote = 0.05f;

struct Member {
    std::size_t row = 0;
    std::size_t cell = 0;
};

void AddTo(Shape* sum, const Shape& shape) {
    for (std::size_t i = 0; i < sum->size(); ++i) {
        (*sum)[i] += shape[i];
    }
}

void Merge(std::vector<Choice>* choices, char c, float confidence) {
    for (Choice& choice : *choices) {
        if (choice.character == c) {
            choice.confidence = std::max(choice.confidence, confidence);
            return;
        }
    }
    choices->push_back(Choice{c, confidence});
}

void SortChoices(std::vector<Choice>* choices) {
    std::stable_sort(choices->begin(), choices->end(),
                     [](const Choice& a, const Choice& b) { return a.confidence > b.confidence; });
}

// Groups of cells: the mean shape of each, and each cell's group.
struct Grouping {
    std::vector<Shape> prototypes;
    std::vector<int> group;  // per cell
};

// A few rounds of moving each cell to the group whose mean it is most like,
// and of taking each group's mean anew.
void Refine(const std::vector<const Shape*>& cells, Grouping* grouping) {
    std::vector<Shape>& prototypes = grouping->prototypes;
    std::vector<int>& group = grouping->group;
    for (int round = 0; round < kRefinements; ++round) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            float best = -2;
            for (std::size_t g = 0; g < prototypes.size(); ++g) {
                const float likeness = Likeness(*cells[i], prototypes[g]);
                if (likeness > best) {
                    best = likeness;
                    group[i] = static_cast<int>(g);
                }
            }
        }
        std::vector<Shape> means(prototypes.size(), Shape{});
        for (std::size_t i = 0; i < cells.size(); ++i) {
            AddTo(&means[static_cast<std::size_t>(group[i])], *cells[i]);
        }
        for (std::size_t g = 0; g < prototypes.size(); ++g) {
            if (NormalizeShape(&means[g])) {
                prototypes[g] = means[g];
            }
        }
    }
}

// The reading most members of each group got first (0 where none read).
std::vector<char> GroupReadings(const Grouping& grouping, const std::vector<char>& reads) {
    std::vector<std::map<char, int>> votes(grouping.prototypes.size());
    for (std::size_t i = 0; i < reads.size(); ++i) {
        if (reads[i] != 0) {
            ++votes[static_cast<std::size_t>(grouping.group[i])][reads[i]];
        }
    }
    std::vector<char> out(votes.size(), 0);
    for (std::size_t g = 0; g < votes.size(); ++g) {
        int most = 0;
        for (const auto& [c, count] : votes[g]) {
            if (count > most) {
                most = count;
                out[g] = c;
            }
        }
    }
    return out;
}

// Dissolves the groups of fewer than kEstablished glyphs (a glyph a little
// off its character's shape as the groups formed, whose mean is itself and
// so holds it): each of their glyphs joins the established group it is most
// like where it is like it at `member`, and clearly more than any group
// read otherwise (a glyph between two look-alikes joins neither; one
// between two groups of one character, as the finer grouping parts a
// character printed in dots, joins the likest); the others keep their
// group. `reads`: each cell's best reading by the engine, 0 none.
void Dissolve(const std::vector<const Shape*>& cells, const std::vector<char>& reads,
              const Closeness& closeness, Grouping* grouping) {
    std::vector<Shape>& prototypes = grouping->prototypes;
    std::vector<int>& group = grouping->group;
    std::vector<int> members(prototypes.size(), 0);
    for (int g : group) {
        ++members[static_cast<std::size_t>(g)];
    }
    const std::vector<char> read = GroupReadings(*grouping, reads);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (members[static_cast<std::size_t>(group[i])] >= kEstablished) {
            continue;
        }
        float best = -2;
        std::size_t likest = 0;
        for (std::size_t g = 0; g < prototypes.size(); ++g) {
            if (members[g] < kEstablished) {
                continue;
            }
            const float likeness = Likeness(*cells[i], prototypes[g]);
            if (likeness > best) {
                best = likeness;
                likest = g;
            }
        }
        float second = -2;
        for (std::size_t g = 0; g < prototypes.size(); ++g) {
            const bool alike = read[g] != 0 && read[g] == read[likest];
            if (members[g] >= kEstablished && g != likest && !alike) {
                second = std::max(second, Likeness(*cells[i], prototypes[g]));
            }
        }
        if (best >= closeness.member && best - second >= kClearlyLikest) {
            group[i] = static_cast<int>(likest);
        }
    }
    // The groups left empty go, and every group's mean is taken anew.
    std::vector<int> renumbered(prototypes.size(), -1);
    std::vector<Shape> sums;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        int& number = renumbered[static_cast<std::size_t>(group[i])];
        if (number < 0) {
            number = static_cast<int>(sums.size());
            sums.emplace_back();
        }
        group[i] = number;
        AddTo(&sums[static_cast<std::size_t>(number)], *cells[i]);
    }
    for (Shape& sum : sums) {
        NormalizeShape(&sum);
    }
    prototypes = sums;
}

// Parts each group that holds two shapes: its members are divided in two
// along the way they differ most, and where the means of the two parts
// differ as two characters' do (less alike than `merge`), each part is a
// group.
// Look-alikes that joined one group as the groups formed (a B with the 8s
// before any B had a group) are so set apart.
void Split(const std::vector<const Shape*>& cells, const Closeness& closeness, Grouping* grouping) {
    std::vector<Shape>& prototypes = grouping->prototypes;
    std::vector<int>& group = grouping->group;
    for (std::size_t g = 0; g < prototypes.size(); ++g) {
        std::vector<std::size_t> members;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (group[i] == static_cast<int>(g)) {
                members.push_back(i);
            }
        }
        if (members.size() < 2 * kLeastPart) {
            continue;
        }
        // The direction in which the members differ most (the first
        // principal component, by power iteration), and the members parted
        // along it where their places fall into two heaps.
        std::vector<Shape> residuals;
        for (std::size_t i : members) {
            Shape r = *cells[i];
            for (std::size_t j = 0; j < r.size(); ++j) {
                r[j] -= prototypes[g][j];
            }
            residuals.push_back(r);
        }
        Shape direction = residuals[0];
        for (int round = 0; round < kPowerRounds; ++round) {
            Shape next{};
            for (const Shape& r : residuals) {
                const float along = Likeness(r, direction);
                for (std::size_t j = 0; j < r.size(); ++j) {
                    next[j] += along * r[j];
                }
            }
            if (!NormalizeShape(&next)) {
                break;
            }
            direction = next;
        }
        std::vector<float> place;
        for (const Shape& r : residuals) {
            place.push_back(Likeness(r, direction));
        }
        std::array<float, 2> heap = {*std::min_element(place.begin(), place.end()),
                                     *std::max_element(place.begin(), place.end())};
        std::vector<int> side(members.size(), 0);
        for (int round = 0; round < kRefinements * 3; ++round) {
            std::array<float, 2> sum{};
            std::array<int, 2> count{};
            for (std::size_t k = 0; k < members.size(); ++k) {
                side[k] = std::fabs(place[k] - heap[1]) < std::fabs(place[k] - heap[0]) ? 1 : 0;
                sum[static_cast<std::size_t>(side[k])] += place[k];
                ++count[static_cast<std::size_t>(side[k])];
            }
            for (std::size_t h = 0; h < 2; ++h) {
                if (count[h] > 0) {
                    heap[h] = sum[h] / static_cast<float>(count[h]);
                }
            }
        }
        std::array<Shape, 2> centres{};
        for (std::size_t k = 0; k < members.size(); ++k) {
            AddTo(&centres[static_cast<std::size_t>(side[k])], *cells[members[k]]);
        }
        if (!NormalizeShape(&centres[0]) || !NormalizeShape(&centres[1])) {
            continue;
        }
        const std::size_t second =
            static_cast<std::size_t>(std::count(side.begin(), side.end(), 1));
        if (second < kLeastPart || members.size() - second < kLeastPart ||
            Likeness(centres[0], centres[1]) >= closeness.merge) {
            continue;
        }
        prototypes[g] = centres[0];
        prototypes.push_back(centres[1]);
        for (std::size_t k = 0; k < members.size(); ++k) {
            if (side[k] == 1) {
                group[members[k]] = static_cast<int>(prototypes.size() - 1);
            }
        }
        --g;  // the group as it now is may part again
    }
}

// Groups the cells (their shapes, the surest of the engine first) by
// likeness: leader grouping against each group's running mean shape at
// `join`; then groups whose mean shapes are alike at `merge` are merged (a
// mean is free of most of its members' noise, so two groups of one
// character have near-equal means while look-alike characters keep theirs
// apart); then a few rounds of moving each cell to the group whose mean it
// is most like; then groups that hold two shapes are parted (Split); last,
// a cell less like its group than `member` (a stain, a break, a look-alike
// that just made it in) leaves it (group -1).

Grouping GroupCells(const std::vector<const Shape*>& cells, const std::vector<char>& reads,
                    const Closeness& closeness) {
    Grouping out;
    std::vector<Shape> sums;
    std::vector<Shape>& prototypes = out.prototypes;
    std::vector<int>& group = out.group;
    group.assign(cells.size(), -1);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        float best = closeness.join;
        for (std::size_t g = 0; g < prototypes.size(); ++g) {
            const float likeness = Likeness(*cells[i], prototypes[g]);
            if (likeness >= best) {
                best = likeness;
                group[i] = static_cast<int>(g);
            }
        }
        if (group[i] < 0) {
            group[i] = static_cast<int>(prototypes.size());
            sums.emplace_back();
            prototypes.emplace_back();
        }
        const std::size_t g = static_cast<std::size_t>(group[i]);
        AddTo(&sums[g], *cells[i]);
        prototypes[g] = sums[g];
        NormalizeShape(&prototypes[g]);
    }
    std::vector<int> merged_into(prototypes.size(), -1);
    for (std::size_t g = 1; g < prototypes.size(); ++g) {
        float best = closeness.merge;
        for (std::size_t h = 0; h < g; ++h) {
            if (merged_into[h] < 0) {
                const float likeness = Likeness(prototypes[g], prototypes[h]);
                if (likeness >= best) {
                    best = likeness;
                    merged_into[g] = static_cast<int>(h);
                }
            }
        }
        if (merged_into[g] >= 0) {
            const std::size_t h = static_cast<std::size_t>(merged_into[g]);
            AddTo(&sums[h], sums[g]);
            prototypes[h] = sums[h];
            NormalizeShape(&prototypes[h]);
        }
    }
    std::vector<Shape> kept;
    for (std::size_t g = 0; g < prototypes.size(); ++g) {
        if (merged_into[g] < 0) {
            kept.push_back(prototypes[g]);
        }
    }
    prototypes = kept;
    Refine(cells, &out);
    Dissolve(cells, reads, closeness, &out);
    Split(cells, closeness, &out);
    Refine(cells, &out);
    // A cell less like its group than `member` (a stain, a break) leaves it.
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (Likeness(*cells[i], prototypes[static_cast<std::size_t>(group[i])]) <
            closeness.member) {
            group[i] = -1;
        }
    }
    return out;
}

// Each group's readings: the votes of its members' readings, the best
// reading of each member counting fully and its alternatives half. A
// letter that looks like a digit (O, I, S, G) counts half as well: most
// glyphs of a listing are digits, and a digit the engine took for such a
// letter half the time is still a digit.
std::vector<ShapeGroup> ReadGroups(const Grouping& grouping,
                                   const std::vector<const Cell*>& cells) {
    std::vector<ShapeGroup> groups(grouping.prototypes.size());
    std::vector<std::map<char, float>> votes(groups.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (grouping.group[i] < 0) {
            continue;
        }
        const std::size_t g = static_cast<std::size_t>(grouping.group[i]);
        ++groups[g].members;
        const std::vector<Choice>& choices = cells[i]->choices;
        for (std::size_t k = 0; k < choices.size(); ++k) {
            const char c = choices[k].character;
            const bool lookalike = FindLetterLookAlike(c) != nullptr;
            const float confidence = std::max(choices[k].confidence, kLeastVote);
            votes[g][c] +=
                confidence * (k == 0 ? 1.0f : kAlternativeVote) * (lookalike ? kLetterVote : 1.0f);
        }
    }
    for (std::size_t g = 0; g < groups.size(); ++g) {
        groups[g].prototype = grouping.prototypes[g];
        float top = 0;
        for (const auto& [c, weight] : votes[g]) {
            top = std::max(top, weight);
        }
        for (const auto& [c, weight] : votes[g]) {
            groups[g].readings.push_back(Choice{c, weight / top});
        }
        SortChoices(&groups[g].readings);
    }
    return groups;
}

// A cell's readings: those of its group, then the best reading of every
// other established group, the less sure the less like that group the cell
// is. A cell of no group, or of an odd one, keeps the engine's own readings
// too, and is read as other groups only where it is nearly like enough to
// join them.
std::vector<Choice> ReadCell(const Shape& shape, const Cell& cell, int group,
                             const std::vector<ShapeGroup>& groups, const Closeness& closeness) {
    const bool odd = group < 0 || groups[static_cast<std::size_t>(group)].members < kEstablished;
    std::vector<Choice> choices;
    if (!odd) {
        for (const Choice& reading : groups[static_cast<std::size_t>(group)].readings) {
            if (reading.confidence >= kLeastReading) {
                choices.push_back(reading);
            }
        }
    }
    std::map<char, float> likest;
    float top = -2;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const ShapeGroup& other = groups[g];
        if (other.members < kEstablished || other.readings.empty()) {
            continue;
        }
        const float likeness = Likeness(shape, other.prototype);
        top = std::max(top, likeness);
        if (static_cast<int>(g) != group) {
            float& seen = likest[other.readings[0].character];
            seen = std::max(seen, likeness);
        }
    }
    const float like_enough = odd ? closeness.join : top;
    for (const auto& [c, likeness] : likest) {
        const float confidence = std::exp(std::min(likeness - like_enough, 0.0f) / kSpread);
        if (confidence >= kLeastConfidence) {
            Merge(&choices, c, confidence * (odd ? 1.0f : kOtherGroup));
        }
    }
    if (odd) {
        for (const Choice& read : cell.choices) {
            Merge(&choices, read.character, read.confidence);
        }
    }
    SortChoices(&choices);
    return choices;
}

}  // namespace

bool NormalizeShape(Shape* shape) {
    const float mean =
        std::accumulate(shape->begin(), shape->end(), 0.0f) / static_cast<float>(shape->size());
    float norm = 0;
    for (float& v : *shape) {
        v -= mean;
        norm += v * v;
    }
    if (norm < 1e-6f) {
        shape->fill(0);
        return false;
    }
    const float scale = 1.0f / std::sqrt(norm);
    for (float& v : *shape) {
        v *= scale;
    }
    return true;
}

float Likeness(const Shape& a, const Shape& b) {
    float sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sum += a[i] * b[i];
    }
    return sum;
}

PageShapes LearnShapes(const std::vector<std::vector<Shape>>& shapes, PageText* page,
                       const Closeness& closeness) {
    // The cells with ink, the ones the engine was surest of first (they
    // seed the groups).
    std::vector<Member> members;
    for (std::size_t r = 0; r < page->rows.size() && r < shapes.size(); ++r) {
        for (std::size_t c = 0; c < page->rows[r].cells.size() && c < shapes[r].size(); ++c) {
            const Shape& shape = shapes[r][c];
            if (std::any_of(shape.begin(), shape.end(), [](float v) { return v != 0; })) {
                members.push_back(Member{r, c});
            }
        }
    }
    auto top_confidence = [&](const Member& m) {
        const std::vector<Choice>& choices = page->rows[m.row].cells[m.cell].choices;
        return choices.empty() ? 0.0f : choices[0].confidence;
    };
    std::stable_sort(members.begin(), members.end(), [&](const Member& a, const Member& b) {
        return top_confidence(a) > top_confidence(b);
    });
    std::vector<const Shape*> cell_shapes;
    std::vector<const Cell*> cells;
    std::vector<char> reads;
    for (const Member& m : members) {
        cell_shapes.push_back(&shapes[m.row][m.cell]);
        cells.push_back(&page->rows[m.row].cells[m.cell]);
        reads.push_back(cells.back()->choices.empty() ? 0 : cells.back()->choices[0].character);
    }

    const Grouping grouping = GroupCells(cell_shapes, reads, closeness);
    PageShapes out;
    out.groups = ReadGroups(grouping, cells);
    std::vector<std::vector<Choice>> read(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        read[i] = ReadCell(*cell_shapes[i], *cells[i], grouping.group[i], out.groups, closeness);
    }
    for (std::size_t i = 0; i < members.size(); ++i) {
        Cell& cell = page->rows[members[i].row].cells[members[i].cell];
        const int group = grouping.group[i];
        // A group of one glyph is no group: its glyph is a unit of its own.
        cell.shape =
            group >= 0 && out.groups[static_cast<std::size_t>(group)].members >= 2 ? group : -1;
        cell.choices = read[i];
    }
    return out;
}

}  // namespace tsy::scan
