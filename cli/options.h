// The command line's options and arguments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/option_table.h"
#include "session/session.h"

namespace tsy::cli {

enum class Mode { Apply, Check, Scan, Restore, Help, Version, UsageError };

struct CliOptions {
    Mode mode = Mode::Apply;
    Command command = Command::Apply;  // the subcommand named (Help: whose help)
    std::string program = "tsypatch";  // the name the program was called by
    DumpOptions dump;                  // the dialog's initial values, set by ParseOptions
    bool format_check = true;          // FormatCheck
    bool dry_run = false;
    bool write_partial = false;
    bool diff = false;
    std::string state_path;                // Apply, Restore
    std::string dump_path;                 // the dump, or the listing to check
    std::string error;                     // UsageError: the message, Shift-JIS
    std::vector<std::string> image_paths;  // Scan: the page images, in order
    std::string output_path;               // Scan: -o; empty for standard output
    std::string annotate_path;             // Scan: --annotate; empty for none

    // What ParseOptions saw besides the values above.
    bool start_given = false;  // --start
    bool detect = false;       // check --detect
    std::string fix_path;      // check --fix: where the fixed listing goes
};

// Reads argv. Never exits; a usage error comes back as Mode::UsageError.
CliOptions ParseOptions(int argc, char** argv);

// The name to call the program by in its texts: the last part of argv[0],
// without a ".exe" (the Windows command line is tsypatch-cli.exe).
std::string ProgramName(const char* argv0);

// Reads a decimal number from 0 to 4294967295: digits only, no sign, no
// blanks. False for anything else.
bool ParseOffset(const char* text, std::uint32_t* value);

// Whether `text` is a start address as the command line takes it: one to
// four hexadecimal digits and nothing else.
bool IsStartAddress(const char* text);

}  // namespace tsy::cli
