// The proofreading command: tsypatch check [LISTING OPTIONS] LISTING.
#pragma once

#include "cli/options.h"

namespace tsy::cli {

// Proofreads options.dump_path under options.dump.listing: every finding on
// standard output in listing order, then the summary line and, when there is
// an error or warning, the convention that reads the listing better; a
// listing that cannot be opened or read is told on standard error. Returns 0
// for a clean listing (notes aside), 1 when there is an error or warning, 3
// when the file cannot be read. With --detect, RunDetect instead; with
// --fix, the fixed listing is written too (check_fix.h): 2 when it would
// be the listing itself, 3 when it cannot be written.
int RunCheck(const CliOptions& options);

}  // namespace tsy::cli
