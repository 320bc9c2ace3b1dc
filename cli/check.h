// The proofreading command: tsypatch check [LISTING OPTIONS] LISTING.
#pragma once

#include <cstdint>

#include "cli/options.h"
#include "listing/byte_source.h"

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

// A listing that could not be read whole (past a limit of the line source,
// not opened, or a read error with the platform's code `error`): why, on
// standard error. Returns the exit status.
int RefuseUnreadable(const char* path, InputLimit limit, bool open_failed, std::uint32_t error);

}  // namespace tsy::cli
