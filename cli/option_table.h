// Every option of the command line, in one table: its letter and name, the
// subcommands that take it, the name of its value and its line of help.
// Parsing, the usage errors that name options, the help of each subcommand
// and the hints that spell out a convention all read it.
#pragma once

#include <string>

namespace tsy::cli {

// The subcommands: an apply (no word), check, scan, restore.
enum class Command : unsigned char { Apply, Check, Scan, Restore };
inline constexpr int kCommandCount = 4;

// The word that names a subcommand on the command line ("" for an apply).
const char* CommandWord(Command command);

enum class OptionId : unsigned char {
    Binary,
    Start,
    UnixText,
    Offset,
    NoChecksum,
    AddressSum,
    LowerAddressOnly,
    OhMz,
    OhX,
    Detect,
    Fix,
    Output,
    Annotate,
    NoFormatCheck,
    DryRun,
    WritePartial,
    Diff,
    Help,
    Version,
};

struct OptionRow {
    OptionId id;
    char letter;        // the short form, 0 when there is none
    const char* name;   // the long form, without "--"
    const char* value;  // the name of its value in the help; null: it takes none
    unsigned commands;  // CommandBit of each subcommand that takes it
    const char* help;   // what it does (Shift-JIS), after the option in the help
};

inline constexpr unsigned CommandBit(Command command) {
    return 1u << static_cast<unsigned>(command);
}

extern const OptionRow kOptions[];
extern const int kOptionCount;

const OptionRow& Option(OptionId id);

// The long form as typed: "--binary".
std::string OptionName(OptionId id);

// The option that `letter` stands for in `command`; null when none does.
const OptionRow* OptionByLetter(char letter, Command command);

// Whether `command` takes the option.
inline bool Takes(Command command, const OptionRow& option) {
    return (option.commands & CommandBit(command)) != 0;
}

// The help of the options `command` takes, one line each, aligned:
// "  -b, --binary              ..." (Shift-JIS).
std::string OptionHelp(Command command);

}  // namespace tsy::cli
