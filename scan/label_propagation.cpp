#include "scan/label_propagation.h"

#include <algorithm>

namespace tsy::scan::labels {

SearchState Propagation::Start() const {
    SearchState start;
    const std::size_t units = model_.units.size();
    const std::size_t checks = model_.checks.size();
    start.digits.assign(units, kFree);
    start.partial.resize(checks);
    start.open.resize(checks);
    start.vote.assign(checks, Vote());
    start.failed.assign(checks, 0);
    start.votes.assign(units, std::array<int, kDigits>{});
    for (std::size_t c = 0; c < checks; ++c) {
        const Check& check = model_.checks[c];
        start.partial[c] = check.constant;
        start.open[c] = static_cast<int>(OpenUnits(check));
    }
    for (std::size_t c = 0; c < checks; ++c) {
        Revote(start, static_cast<int>(c));
    }
    return start;
}

std::size_t Propagation::OpenUnits(const Check& check) const {
    if (check.kind != CheckKind::Crc) {
        return check.terms.size();
    }
    std::vector<int> units(check.crc.begin(), check.crc.end());
    for (const auto& byte : check.bytes) {
        units.insert(units.end(), byte.begin(), byte.end());
    }
    std::sort(units.begin(), units.end());
    return static_cast<std::size_t>(std::unique(units.begin(), units.end()) - units.begin());
}

Vote Propagation::Determine(SearchState& s, int index, bool* failed) const {
    const Check& check = model_.checks[static_cast<std::size_t>(index)];
    *failed = false;
    if (check.kind == CheckKind::Crc) {
        if (s.open[static_cast<std::size_t>(index)] != 1) {
            return Vote();
        }
        int unit = kFree;
        for (int u : check.crc) {
            unit = s.digits[static_cast<std::size_t>(u)] == kFree ? u : unit;
        }
        for (const auto& byte : check.bytes) {
            for (int u : byte) {
                unit = s.digits[static_cast<std::size_t>(u)] == kFree ? u : unit;
            }
        }
        Vote vote;
        int found = 0;
        for (int d = 0; d < kDigits; ++d) {
            s.digits[static_cast<std::size_t>(unit)] = d;
            if (CheckHolds(check, s.digits)) {
                vote = Vote{unit, d};
                ++found;
            }
        }
        s.digits[static_cast<std::size_t>(unit)] = kFree;
        *failed = found == 0;
        return found == 1 ? vote : Vote();
    }
    int lowest = 64;
    int next = 64;
    const Term* term = nullptr;
    for (const Term& t : check.terms) {
        if (s.digits[static_cast<std::size_t>(t.unit)] != kFree) {
            continue;
        }
        const int place = __builtin_ctz(t.coefficient);
        if (place < lowest) {
            next = lowest;
            lowest = place;
            term = &t;
        } else if (place < next) {
            next = place;
        }
    }
    if (term == nullptr) {
        return Vote();
    }
    const std::uint32_t partial = s.partial[static_cast<std::size_t>(index)];
    if ((partial & ((1u << lowest) - 1)) != 0) {
        *failed = true;  // every undecided term is a multiple of 2^lowest
        return Vote();
    }
    const int bits = __builtin_popcount(check.mask);
    if (next - lowest < 4 || lowest + 4 > bits) {
        return Vote();
    }
    const std::uint32_t mask = (1u << (lowest + 4)) - 1;
    for (int d = 0; d < kDigits; ++d) {
        if (((partial + term->coefficient * static_cast<std::uint32_t>(d)) & mask) == 0) {
            return Vote{term->unit, d};
        }
    }
    *failed = true;
    return Vote();
}

void Propagation::Revote(SearchState& s, int index) const {
    const std::size_t c = static_cast<std::size_t>(index);
    Vote& vote = s.vote[c];
    if (vote.unit != kFree) {
        --s.votes[static_cast<std::size_t>(vote.unit)][static_cast<std::size_t>(vote.digit)];
        vote = Vote();
    }
    if (s.failed[c] != 0) {
        return;
    }
    const Check& check = model_.checks[c];
    if (s.open[c] == 0) {
        const bool holds = check.kind == CheckKind::Crc ? CheckHolds(check, s.digits)
                                                        : (s.partial[c] & check.mask) == 0;
        if (holds) {
            ++s.holding;
        } else {
            s.failed[c] = 1;
            ++s.failing;
        }
        return;
    }
    bool failed = false;
    vote = Determine(s, index, &failed);
    if (vote.unit != kFree &&
        cost_[static_cast<std::size_t>(vote.unit)][static_cast<std::size_t>(vote.digit)] >=
            kBarred) {
        vote = Vote();
        failed = true;  // the digit it names is one its unit may not be
    }
    if (failed) {
        s.failed[c] = 1;
        ++s.failing;
    } else if (vote.unit != kFree) {
        ++s.votes[static_cast<std::size_t>(vote.unit)][static_cast<std::size_t>(vote.digit)];
        s.named.push_back(vote.unit);
    }
}

void Propagation::Assign(SearchState& s, int unit, int digit) const {
    const std::size_t u = static_cast<std::size_t>(unit);
    s.digits[u] = digit;
    s.spent += weighed_[u][static_cast<std::size_t>(digit)];
    for (int index : model_.checks_of[u]) {
        const std::size_t c = static_cast<std::size_t>(index);
        const Check& check = model_.checks[c];
        for (const Term& term : check.terms) {
            if (term.unit == unit) {
                s.partial[c] += term.coefficient * static_cast<std::uint32_t>(digit);
            }
        }
        --s.open[c];
        Revote(s, index);
    }
}

void Propagation::Propagate(SearchState& s) const {
    for (;;) {
        int best_unit = kFree;
        int best_digit = 0;
        int best_votes = 0;
        double best_cost = 0;
        std::vector<int> still;
        for (int unit : s.named) {
            const std::size_t u = static_cast<std::size_t>(unit);
            if (s.digits[u] != kFree) {
                continue;
            }
            bool any = false;
            for (int d = 0; d < kDigits; ++d) {
                const int votes = s.votes[u][static_cast<std::size_t>(d)];
                if (votes == 0) {
                    continue;
                }
                any = true;
                const double cost = cost_[u][static_cast<std::size_t>(d)];
                if (votes > best_votes || (votes == best_votes && cost < best_cost)) {
                    best_unit = unit;
                    best_digit = d;
                    best_votes = votes;
                    best_cost = cost;
                }
            }
            if (any) {
                still.push_back(unit);
            }
        }
        std::sort(still.begin(), still.end());
        still.erase(std::unique(still.begin(), still.end()), still.end());
        s.named = still;
        if (best_unit == kFree) {
            return;
        }
        Assign(s, best_unit, best_digit);
    }
}

}  // namespace tsy::scan::labels
