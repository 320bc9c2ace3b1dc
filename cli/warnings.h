// What the command line adds to an apply: the warnings of a completed apply
// about what the listing's reader took without a word, and the count of
// bytes an apply wrote.
#pragma once

#include <cstdint>

#include "cli/options.h"
#include "session/session.h"

namespace tsy::cli {

// After a completed apply of the listing options.dump_path: one warning on
// standard error per skipped line that looks like a data line and per
// address step that is no jump on purpose, named as check names them, then
// the check command to run. Prints nothing for a listing without them.
void WarnAboutListing(const CliOptions& options);

// The bytes the apply wrote: the data bytes of the lines a listing stored,
// or the bytes of a placed binary dump.
std::uint32_t BytesWritten(const CliOptions& options, const ApplyResult& result);

}  // namespace tsy::cli
