// The scanning command: tsypatch scan [LISTING OPTIONS] [-o LISTING] IMAGE...
#pragma once

#include "cli/options.h"

namespace tsy::cli {

// Reads the listing off options.image_paths (pages in order) under
// options.dump.listing, writes it to options.output_path or standard
// output, and reports on standard error. Returns 0 when every row and block
// is verified, 1 when places remain in doubt, 2 when this build cannot
// scan, 3 when an image cannot be read, holds no listing, or the output
// cannot be written.
int RunScan(const CliOptions& options);

}  // namespace tsy::cli
