#include "scan/label_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#include "scan/label_propagation.h"

namespace tsy::scan {
namespace {

using labels::DigitCosts;
using labels::kBarred;
using labels::kFree;
using labels::Propagation;
using labels::SearchState;

// A digit is tried at the cost of how much less likely the engine found it
// than the unit's likeliest, as a logarithm, at most this much.
constexpr double kMostCost = 4.0;
// The search first follows the engine's likeliest readings only, then
// allows ever more cost along a path.
constexpr double kCostBounds[] = {0, 0.7, 1.5, 3, 6, 12, 1e9};
// Solutions are improved one unit at a time in at most this many rounds.
constexpr int kImproveRounds = 4;
// A unit is tried early where its second likeliest digit costs this much
// more than its likeliest (a third as likely).
constexpr double kSureGap = 1.1;
// Support is counted up to this many checks.
constexpr int kMostSupport = 8;
// A way of reading the page is scored by the checks it meets, each worth
// what a chance meeting of one would be unlikely (one in 256, as a
// logarithm), less how unlikely the engine's readings find its digits: a
// unit's cost of a digit times its glyphs, counted up to kWeighedMembers
// (the engine errs alike on glyphs of one shape, so many glyphs read alike
// are not as many times the evidence).
constexpr double kCheckWeight = 5.5;
constexpr int kWeighedMembers = 4;
// Solutions scoring this much less than the best still contest its digits.
constexpr double kContestMargin = 2.0;
// The near-best solutions kept to find contested units.
constexpr std::size_t kKeptSolutions = 8;
// A solution scoring no more than this much less than the best is improved
// digit by digit before it is compared.
constexpr double kImproveMargin = 3 * kCheckWeight;

class Search {
  public:
    Search(const LabelModel& model, Budget& budget) : model_(model), budget_(budget) {
        for (const LabelUnit& unit : model.units) {
            std::array<double, kDigits> cost{};
            for (int d = 0; d < kDigits; ++d) {
                const std::size_t k = static_cast<std::size_t>(d);
                // A digit the unit may not be is never tried, nor named by
                // a check: the check fails instead.
                cost[k] =
                    unit.allowed[k]
                        ? std::min(kMostCost,
                                   -std::log(std::max(static_cast<double>(unit.prior[k]), 1e-6)))
                        : kBarred;
            }
            cost_.push_back(cost);
            std::array<double, kDigits> weighed = cost;
            const double weight = std::min(unit.members, kWeighedMembers);
            for (double& c : weighed) {
                c = c >= kBarred ? kBarred : c * weight;
            }
            weighed_.push_back(weighed);
            any_prior_ = any_prior_ || unit.read;
            // Sure: the second likeliest digit is far less likely.
            std::array<double, kDigits> sorted = cost;
            std::sort(sorted.begin(), sorted.end());
            sure_.push_back(unit.read && sorted[1] - sorted[0] >= kSureGap);
        }
    }

    LabelSolution Run() {
        const SearchState start = propagation_.Start();
        const std::size_t units = model_.units.size();
        const std::size_t checks = model_.checks.size();
        for (double bound : kCostBounds) {
            Explore(start, 0, bound);
            // Once every check holds, only readings about as likely as the
            // best are looked for, as they would contest it.
            if (!any_prior_ || budget_.Spent() ||
                (best_.holding == static_cast<int>(checks) &&
                 bound >= kContestMargin + Cost(best_digits_, cost_))) {
                break;
            }
        }
        LabelSolution out;
        out.complete = !budget_.Spent();
        if (best_digits_.empty()) {
            // Not even one path ran to its end: every unit as the engine read it.
            best_digits_.assign(units, 0);
            for (std::size_t u = 0; u < units; ++u) {
                best_digits_[u] = LikeliestDigit(static_cast<int>(u));
            }
        }
        out.digits = best_digits_;
        out.holding = HoldingChecks(model_, out.digits);
        out.support.assign(units, 0);
        out.contested.assign(units, false);
        // A check that holds pins a unit where every other digit of the unit
        // breaks it, unless the check holds a unit that could be read
        // otherwise to meet it again: one no other check pins (a digit of a
        // checksum alone in its shape, say), or an unread glyph free to be
        // any digit. Reading a unit held to the engine's readings, or a
        // group, otherwise to meet it breaks that unit's other checks.
        std::vector<char> absorbing(units);
        for (std::size_t u = 0; u < units; ++u) {
            int independent = 0;
            for (int index : model_.checks_of[u]) {
                independent += model_.checks[static_cast<std::size_t>(index)].independent ? 1 : 0;
            }
            absorbing[u] =
                model_.units[u].free || (independent <= 1 && model_.units[u].sure != out.digits[u])
                    ? 1
                    : 0;
        }
        for (std::size_t u = 0; u < units; ++u) {
            out.support[u] = Support(out.digits, static_cast<int>(u), absorbing);
        }
        for (const std::vector<int>& other : near_) {
            if (Score(other) + kContestMargin < best_score_) {
                continue;
            }
            for (std::size_t u = 0; u < units; ++u) {
                out.contested[u] = out.contested[u] || other[u] != out.digits[u];
            }
        }
        return out;
    }

  private:
    int LikeliestDigit(int unit) const {
        const auto& cost = cost_[static_cast<std::size_t>(unit)];
        return static_cast<int>(std::min_element(cost.begin(), cost.end()) - cost.begin());
    }

    // The undecided unit to try each digit of: one the engine was sure of
    // before one it was not (whose digit the sums may yet name), then the
    // one whose digit would let most checks name another, then the one in
    // most checks.
    int ChooseBranch(const SearchState& s) const {
        int best = kFree;
        std::array<int, 3> best_key{-1, -1, -1};
        for (std::size_t u = 0; u < s.digits.size(); ++u) {
            if (s.digits[u] != kFree) {
                continue;
            }
            int lever = 0;
            int checks = 0;
            for (int index : model_.checks_of[u]) {
                const std::size_t c = static_cast<std::size_t>(index);
                if (s.failed[c] == 0 && s.open[c] > 0) {
                    ++checks;
                    lever += s.open[c] <= 2 ? 1 : 0;
                }
            }
            if (checks == 0) {
                continue;
            }
            const std::array<int, 3> key{sure_[u] ? 1 : 0, lever, checks};
            if (key > best_key) {
                best = static_cast<int>(u);
                best_key = key;
            }
        }
        return best;
    }

    void Explore(const SearchState& given, double cost, double bound) {
        SearchState s = given;
        propagation_.Propagate(s);
        const int checks = static_cast<int>(model_.checks.size());
        if (!best_digits_.empty() && kCheckWeight * (checks - s.failing) - s.spent < best_score_) {
            return;  // cannot beat what was found
        }
        const int unit = budget_.Spent() ? kFree : ChooseBranch(s);
        if (unit == kFree) {
            Finish(s);
            return;
        }
        std::array<int, kDigits> order;
        std::iota(order.begin(), order.end(), 0);
        const auto& unit_cost = cost_[static_cast<std::size_t>(unit)];
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return unit_cost[static_cast<std::size_t>(a)] < unit_cost[static_cast<std::size_t>(b)];
        });
        for (int d : order) {
            const double next = cost + unit_cost[static_cast<std::size_t>(d)];
            if (next > bound || unit_cost[static_cast<std::size_t>(d)] >= kBarred ||
                budget_.Spent()) {
                continue;
            }
            SearchState t = s;
            propagation_.Assign(t, unit, d);
            // Its family is read alike with it.
            for (int other : model_.families[static_cast<std::size_t>(unit)]) {
                if (t.digits[static_cast<std::size_t>(other)] == kFree &&
                    cost_[static_cast<std::size_t>(other)][static_cast<std::size_t>(d)] < kBarred) {
                    propagation_.Assign(t, other, d);
                }
            }
            Explore(t, next, bound);
        }
    }

    // A path run to its end: the units no check decides read as the engine
    // read them, the result improved one unit at a time, and kept.
    void Finish(SearchState& s) {
        std::vector<int> digits = s.digits;
        for (std::size_t u = 0; u < digits.size(); ++u) {
            if (digits[u] == kFree) {
                digits[u] = LikeliestDigit(static_cast<int>(u));
            }
        }
        if (!best_digits_.empty() && Score(digits) + kImproveMargin < best_score_) {
            return;
        }
        Improve(&digits);
        const double score = Score(digits);
        if (best_digits_.empty() || score > best_score_ + 1e-9) {
            if (!best_digits_.empty()) {
                Keep(best_digits_);
            }
            best_digits_ = digits;
            best_.holding = HoldingChecks(model_, digits);
            best_score_ = score;
        } else if (digits != best_digits_) {
            Keep(digits);
        }
    }

    void Keep(const std::vector<int>& digits) {
        if (std::find(near_.begin(), near_.end(), digits) != near_.end()) {
            return;
        }
        near_.push_back(digits);
        if (near_.size() > kKeptSolutions) {
            // The one furthest from the best goes.
            std::size_t worst = 0;
            double worst_score = 1e300;
            for (std::size_t i = 0; i < near_.size(); ++i) {
                const double score = Score(near_[i]);
                if (score < worst_score) {
                    worst_score = score;
                    worst = i;
                }
            }
            near_.erase(near_.begin() + static_cast<long>(worst));
        }
    }

    // The sum of the units' costs of their digits.
    static double Cost(const std::vector<int>& digits, const DigitCosts& costs) {
        double sum = 0;
        for (std::size_t u = 0; u < digits.size(); ++u) {
            sum += costs[u][static_cast<std::size_t>(digits[u])];
        }
        return sum;
    }

    double Score(const std::vector<int>& digits) const {
        return kCheckWeight * HoldingChecks(model_, digits) - Cost(digits, weighed_);
    }

    // The checks of `unit` that hold with its digit at `digit`; with
    // `absorbing`, only independent checks that hold no other absorbing
    // unit.
    int UnitHolding(std::vector<int>& digits, int unit, int digit,
                    const std::vector<char>* absorbing = nullptr) const {
        const int kept = digits[static_cast<std::size_t>(unit)];
        digits[static_cast<std::size_t>(unit)] = digit;
        int holding = 0;
        for (int index : model_.checks_of[static_cast<std::size_t>(unit)]) {
            const Check& check = model_.checks[static_cast<std::size_t>(index)];
            if (absorbing == nullptr ||
                (check.independent && !OthersAbsorb(check, unit, *absorbing))) {
                holding += CheckHolds(check, digits) ? 1 : 0;
            }
        }
        digits[static_cast<std::size_t>(unit)] = kept;
        return holding;
    }

    static bool OthersAbsorb(const Check& check, int unit, const std::vector<char>& absorbing) {
        auto absorbs = [&](int u) {
            return u != unit && absorbing[static_cast<std::size_t>(u)] != 0;
        };
        for (const Term& term : check.terms) {
            if (absorbs(term.unit)) {
                return true;
            }
        }
        for (const auto& byte : check.bytes) {
            if (absorbs(byte[0]) || absorbs(byte[1])) {
                return true;
            }
        }
        return check.kind == CheckKind::Crc &&
               std::any_of(check.crc.begin(), check.crc.end(), absorbs);
    }

    // Each unit read otherwise where that scores better, until none does.
    void Improve(std::vector<int>* digits) const {
        bool changed = true;
        for (int round = 0; changed && round < kImproveRounds; ++round) {
            changed = false;
            for (std::size_t u = 0; u < digits->size(); ++u) {
                const int unit = static_cast<int>(u);
                const std::size_t now = static_cast<std::size_t>((*digits)[u]);
                const double here =
                    kCheckWeight * UnitHolding(*digits, unit, (*digits)[u]) - weighed_[u][now];
                for (int d = 0; d < kDigits; ++d) {
                    const std::size_t k = static_cast<std::size_t>(d);
                    if (d != (*digits)[u] && weighed_[u][k] < kBarred &&
                        kCheckWeight * UnitHolding(*digits, unit, d) - weighed_[u][k] >
                            here + 1e-9) {
                        (*digits)[u] = d;
                        changed = true;
                        break;
                    }
                }
            }
        }
    }

    // How many checks pinning `unit` every other digit of it would break,
    // at the least. Digits the search may not try count too: that the
    // engine never offered a digit is no check.
    int Support(std::vector<int> digits, int unit, const std::vector<char>& absorbing) const {
        const int now =
            UnitHolding(digits, unit, digits[static_cast<std::size_t>(unit)], &absorbing);
        int least = kMostSupport;
        for (int d = 0; d < kDigits && least > 0; ++d) {
            if (d != digits[static_cast<std::size_t>(unit)]) {
                least = std::min(least, now - UnitHolding(digits, unit, d, &absorbing));
            }
        }
        return std::max(least, 0);
    }

    const LabelModel& model_;
    Budget& budget_;
    DigitCosts cost_;
    DigitCosts weighed_;  // costs times the glyphs counted
    Propagation propagation_{model_, cost_, weighed_};
    std::vector<bool> sure_;  // per unit: the engine's likeliest digit far ahead
    bool any_prior_ = false;
    LabelSolution best_;
    std::vector<int> best_digits_;
    double best_score_ = 0;
    std::vector<std::vector<int>> near_;
};

}  // namespace

int HoldingChecks(const LabelModel& model, const std::vector<int>& digits) {
    int holding = 0;
    for (const Check& check : model.checks) {
        holding += CheckHolds(check, digits) ? 1 : 0;
    }
    return holding;
}

LabelSolution SolveLabels(const LabelModel& model, Budget& budget) {
    return Search(model, budget).Run();
}

}  // namespace tsy::scan
