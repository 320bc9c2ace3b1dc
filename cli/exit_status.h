// The exit statuses of every subcommand. Each number means one thing across
// them; the names say what it means to each.
#pragma once

namespace tsy::cli {

enum ExitStatus : int {
    // The command did what was asked: the dump applied (and written unless
    // --dry-run), a clean listing, a convention found, every row verified,
    // the backup restored.
    kExitOk = 0,
    // The command ran to its end and the answer is no.
    kExitRefused = 1,     // apply, restore: refused; the file is left as it was
    kExitFindings = 1,    // check: errors or warnings
    kExitUnreadable = 1,  // check --detect: no convention reads the listing
    kExitInDoubt = 1,     // scan: characters remain in doubt
    kExitUsage = 2,       // a usage error (scan: also a build without the engine)
    kExitFileError = 3,   // a file could not be opened, read or written
};

}  // namespace tsy::cli
