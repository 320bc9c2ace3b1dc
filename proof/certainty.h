// Whether a mistake every explanation of a block holds is certain: the sums
// cross at what it changes (certainty.cpp says how, kind by kind).
#pragma once

#include <cstdint>

#include "proof/explain.h"
#include "proof/naming.h"

namespace tsy::proof {

// Whether `m`, which explanation `e` holds, is crossed there; `confirmed`
// tells the sums that confirm a byte in every explanation.
bool Crossed(const NamingContext& c, const Mistake& m, std::uint8_t confirmed, const Explanation& e,
             const SearchResult& result);

// The column whose token, taken out of the check line (the columns after it
// moved up one), leaves every column and the total agreeing with the rows
// as typed, every line sum right: a token typed twice there explains the
// block as a byte left out of a short row does. -1 when none.
int ExtraColumnFits(const Puzzle& puzzle);

// Whether the explanation holds a mistake of `kind`.
bool Has(const Explanation& e, MistakeKind kind);

}  // namespace tsy::proof
