// check --fix OUTPUT: the listing with every certain correction applied,
// written to OUTPUT, and what was changed and what was left as typed.
#pragma once

#include "cli/options.h"
#include "proof/fix.h"

namespace tsy::cli {

// Whether options.fix_path may take the fixed listing: it must not name the
// listing itself. Tells why not on standard error.
bool FixTargetUsable(const CliOptions& options);

// Writes the fixed listing to options.fix_path (a new file put in place
// whole, never the listing), then prints the corrections made and the
// places left as typed. False, told on standard error, when the listing
// cannot be read or the output cannot be written.
bool WriteFix(const CliOptions& options, const ListingInput& listing, const proof::FixPlan& plan);

}  // namespace tsy::cli
