#include "scan/shapes.h"

#include <algorithm>
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
// The weight of a vote for a letter that looks like a digit.
constexpr float kLetterVote = 0.5f;

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
                       float closeness) {
    PageShapes out;
    std::vector<Member> cells;
    for (std::size_t r = 0; r < page->rows.size() && r < shapes.size(); ++r) {
        for (std::size_t c = 0; c < page->rows[r].cells.size() && c < shapes[r].size(); ++c) {
            const Shape& shape = shapes[r][c];
            if (std::any_of(shape.begin(), shape.end(), [](float v) { return v != 0; })) {
                cells.push_back(Member{r, c});
            }
        }
    }
    auto shape_of = [&](const Member& m) -> const Shape& { return shapes[m.row][m.cell]; };
    auto top_confidence = [&](const Member& m) {
        const std::vector<Choice>& choices = page->rows[m.row].cells[m.cell].choices;
        return choices.empty() ? 0.0f : choices[0].confidence;
    };
    // Seeds first: the cells the engine was surest of.
    std::stable_sort(cells.begin(), cells.end(), [&](const Member& a, const Member& b) {
        return top_confidence(a) > top_confidence(b);
    });

    // Leader grouping against each group's running mean shape; then groups
    // whose mean shapes are alike are merged (a mean is free of most of its
    // members' noise, so two groups of one character have near-equal means
    // while look-alike characters keep theirs apart); then a few rounds of
    // moving each cell to the group whose mean it is most like.
    std::vector<Shape> sums;
    std::vector<Shape> prototypes;
    std::vector<int> group(cells.size(), -1);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        float best = closeness;
        for (std::size_t g = 0; g < prototypes.size(); ++g) {
            const float likeness = Likeness(shape_of(cells[i]), prototypes[g]);
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
        AddTo(&sums[g], shape_of(cells[i]));
        prototypes[g] = sums[g];
        NormalizeShape(&prototypes[g]);
    }
    std::vector<int> merged_into(prototypes.size(), -1);
    for (std::size_t g = 1; g < prototypes.size(); ++g) {
        float best = closeness;
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
    {
        std::vector<Shape> kept;
        for (std::size_t g = 0; g < prototypes.size(); ++g) {
            if (merged_into[g] < 0) {
                kept.push_back(prototypes[g]);
            }
        }
        prototypes = kept;
    }
    for (int round = 0; round < kRefinements; ++round) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            float best = -2;
            for (std::size_t g = 0; g < prototypes.size(); ++g) {
                const float likeness = Likeness(shape_of(cells[i]), prototypes[g]);
                if (likeness > best) {
                    best = likeness;
                    group[i] = static_cast<int>(g);
                }
            }
        }
        std::vector<Shape> means(prototypes.size(), Shape{});
        for (std::size_t i = 0; i < cells.size(); ++i) {
            AddTo(&means[static_cast<std::size_t>(group[i])], shape_of(cells[i]));
        }
        for (std::size_t g = 0; g < prototypes.size(); ++g) {
            if (NormalizeShape(&means[g])) {
                prototypes[g] = means[g];
            }
        }
    }

    // Each group's readings: the votes of its members' readings, the best
    // reading of each member counting fully and its alternatives half. A
    // letter that looks like a digit (O, I, S, G) counts half as well: most
    // glyphs of a listing are digits, and a digit the engine took for such
    // a letter half the time is still a digit.
    out.groups.resize(prototypes.size());
    std::vector<std::map<char, float>> votes(prototypes.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::size_t g = static_cast<std::size_t>(group[i]);
        ++out.groups[g].members;
        const Cell& cell = page->rows[cells[i].row].cells[cells[i].cell];
        for (std::size_t k = 0; k < cell.choices.size(); ++k) {
            const char c = cell.choices[k].character;
            const bool lookalike = FindLetterLookAlike(c) != nullptr;
            const float confidence = std::max(cell.choices[k].confidence, 0.05f);
            votes[g][c] += confidence * (k == 0 ? 1.0f : 0.5f) * (lookalike ? kLetterVote : 1.0f);
        }
    }
    for (std::size_t g = 0; g < prototypes.size(); ++g) {
        ShapeGroup& shape_group = out.groups[g];
        shape_group.prototype = prototypes[g];
        float top = 0;
        for (const auto& [c, weight] : votes[g]) {
            top = std::max(top, weight);
        }
        for (const auto& [c, weight] : votes[g]) {
            shape_group.readings.push_back(Choice{c, weight / top});
        }
        SortChoices(&shape_group.readings);
    }

    // Each cell's readings: those of its group, then the best reading of
    // every other established group, the less sure the less like that
    // group the cell is. A cell of an odd shape keeps the engine's own
    // readings too.
    for (std::size_t i = 0; i < cells.size(); ++i) {
        Cell& cell = page->rows[cells[i].row].cells[cells[i].cell];
        const ShapeGroup& own = out.groups[static_cast<std::size_t>(group[i])];
        const bool odd = own.members < kEstablished;
        // A glyph only roughly like its group (a stain, a break, a look-alike
        // that just made it in) keeps its readings, but is not taken as one
        // with the group.
        const bool typical = Likeness(shape_of(cells[i]), own.prototype) >= closeness;
        cell.shape = odd || !typical ? -1 : group[i];
        std::vector<Choice> choices;
        if (!odd) {
            for (const Choice& reading : own.readings) {
                if (reading.confidence >= kLeastReading) {
                    choices.push_back(reading);
                }
            }
        }
        std::map<char, float> likest;
        float top = -2;
        for (std::size_t g = 0; g < out.groups.size(); ++g) {
            const ShapeGroup& other = out.groups[g];
            if (other.members < kEstablished || other.readings.empty()) {
                continue;
            }
            const float likeness = Likeness(shape_of(cells[i]), other.prototype);
            top = std::max(top, likeness);
            if (static_cast<int>(g) != group[i]) {
                float& seen = likest[other.readings[0].character];
                seen = std::max(seen, likeness);
            }
        }
        // A cell of its group is read as the groups it is likest to; a cell
        // of no group only as groups it is nearly like enough to join.
        const float like_enough = odd ? closeness : top;
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
        cell.choices = choices;
    }
    return out;
}

}  // namespace tsy::scan
