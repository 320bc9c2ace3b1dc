// The conventions a listing may be written in, tried one by one: a listing
// that has findings in the chosen convention may read cleanly, or with far
// fewer findings, in another.
#pragma once

#include <cstdint>

#include "listing/listing_options.h"
#include "proof/listing_check.h"

namespace tsy::proof {

// The listing options of each convention, in the order they are tried.
inline constexpr int kConventionCount = 8;
extern const ListingOptions kConventions[kConventionCount];

// Whether two sets of options read every listing alike (LowerAddressOnly
// counts only with AddressSum, AddressSum only with Checksum).
bool SameConvention(const ListingOptions& a, const ListingOptions& b);

// The errors and warnings of a run: what a convention must keep low.
inline std::uint32_t Problems(const CheckSummary& summary) {
    return summary.findings + summary.warnings;
}

// The run of `listing` under every convention, into `runs`
// (kConventionCount of them, in the order of kConventions).
void TryConventions(const ListingInput& listing, CheckRun* runs);

struct BetterConvention {
    bool found = false;
    ListingOptions options;
    bool clean = false;        // no error and no warning
    std::uint32_t before = 0;  // errors and warnings in the chosen convention
    std::uint32_t after = 0;   // ... and in this one
};

// The convention that reads `listing` with the fewest errors and
// warnings, when the chosen one has some and that one has none, fewer on
// no line the chosen one reads cleanly, or at most a quarter of four or more.
BetterConvention FindBetterConvention(const ListingInput& listing, const ListingOptions& chosen);

}  // namespace tsy::proof
