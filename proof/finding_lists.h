// A whole listing's findings as text, for the front ends that tell them
// after an apply: the warnings of an apply that completed (what it took
// without a word), and everything check reports for one that was refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "listing/listing_options.h"
#include "proof/listing_check.h"

namespace tsy::proof {

struct WarningLines {
    std::vector<std::string> lines;  // the first line of each of the first ones (Shift-JIS)
    std::uint32_t count = 0;         // how many warnings there are in all
    CheckRun run;
};

// Proofreads the listing at `path` and keeps the text of at most `limit` of
// its warnings (a skipped line that looks like data, an address step, a
// look-alike letter: every finding IsWarning takes).
WarningLines ListingWarnings(const char* path, const ListingOptions& options, std::size_t limit);

// Every finding of the listing at `path` as check prints it, then its
// summary; lines joined by `line_end`.
std::string ListingFindings(const char* path, const ListingOptions& options, const char* line_end);

}  // namespace tsy::proof
