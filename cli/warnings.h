// What the command line adds to an apply: the warnings of a completed apply
// about what the listing's reader took without a word, and the check
// command that shows them all.
#pragma once

#include <cstdint>
#include <string>

#include "cli/options.h"
#include "proof/finding_lists.h"

namespace tsy::cli {

// The warnings an apply prints at most; `check` shows them all.
inline constexpr std::size_t kMaxApplyWarnings = 20;

// After a completed apply of the listing options.dump_path, the `warnings`
// gathered on its read: one warning on standard error per skipped line that
// looks like a data line, address step that is no jump on purpose and
// look-alike letter in a token it read, named as check names them, at most
// kMaxApplyWarnings, then how many more there are and the check command to
// run. Nothing for a listing without them.
void WarnAboutListing(const CliOptions& options, const proof::WarningLines& warnings);

// The check command for the listing of `options`, with its conventions, in
// Shift-JIS for a message.
std::string CheckCommand(const CliOptions& options);

// A warning that `count` characters of the listing had no Shift-JIS form
// (none when 0).
void WarnAboutSubstitutes(std::uint32_t count);

}  // namespace tsy::cli
