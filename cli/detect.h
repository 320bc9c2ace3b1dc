// Which listing conventions read a listing: tsypatch check --detect, and
// the hint that check and a failed apply give when another convention reads
// the listing better than the chosen one.
#pragma once

#include <cstdio>
#include <string>

#include "cli/options.h"
#include "listing/listing_options.h"
#include "proof/convention.h"

namespace tsy::cli {

// The listing options as command-line options ("--ohx"); empty for the
// defaults.
std::string OptionsText(const ListingOptions& options);

// Proofreads options.dump_path in every convention and prints each one that
// reads it without error or warning. Returns 0 when one does, 1 when none
// does (with the one that comes closest), 3 when the file cannot be read.
int RunDetect(const CliOptions& options);

// Prints on `stream` one line naming the convention that reads the listing
// at `path` cleanly, or with far fewer errors and warnings than `chosen`;
// nothing when none does.
void PrintConventionHint(std::FILE* stream, const char* path, const ListingOptions& chosen);

// The same for a convention already found.
void PrintConventionHint(std::FILE* stream, const proof::BetterConvention& better);

}  // namespace tsy::cli
