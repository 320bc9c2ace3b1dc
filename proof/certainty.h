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

// Whether the explanation holds a mistake of `kind`.
bool Has(const Explanation& e, MistakeKind kind);

}  // namespace tsy::proof
