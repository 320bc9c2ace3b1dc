#include "cli/options.h"

#include <getopt.h>

#include <cstring>

#include "cli/combinations.h"
#include "cli/terminal.h"
#include "resources/characters.h"
#include "resources/cli_texts.h"

namespace tsy::cli {
namespace {

// getopt_long's code of an option given by its long name: this plus its row.
constexpr int kLongBase = 1000;

// getopt_long's tables, from kOptions.
struct GetoptTables {
    GetoptTables() {
        shorts = ":";
        for (int i = 0; i < kOptionCount; ++i) {
            const OptionRow& row = kOptions[i];
            longs.push_back({row.name, row.value != nullptr ? required_argument : no_argument,
                             nullptr, kLongBase + i});
            if (row.letter != 0 && shorts.find(row.letter) == std::string::npos) {
                shorts += row.letter;
                shorts += row.value != nullptr ? ":" : "";
            }
        }
        longs.push_back({nullptr, 0, nullptr, 0});
    }
    std::string shorts;
    std::vector<option> longs;
};

// The option as the user gave it, for a message about it: a long option by
// its name, or as typed when it was not known or was given a value it does
// not take; a short option by its letter, also in a group ("-xb"), where
// getopt may not have stepped past the group yet. `before` is optind before
// the option was read, `long_index` what getopt_long set (or -1).
std::string GivenOption(char** argv, int code, int before, int long_index) {
    if (long_index >= 0) {
        return std::string("--") + kOptions[long_index].name;
    }
    const char* last = optind > 1 ? argv[optind - 1] : "";
    const bool stepped = optind > (before < 1 ? 1 : before);
    if (stepped && std::strncmp(last, "--", 2) == 0) {
        return last;
    }
    const int letter = code == '?' || code == ':' ? optopt : code;
    if (letter > 0 && letter < 128) {
        return std::string("-") + static_cast<char>(letter);
    }
    return last;
}

// The row of the option getopt_long returned as `code`, as `command` reads
// it; a letter no subcommand of it takes gives the first row of that letter.
const OptionRow* Recognized(int code, Command command) {
    if (code >= kLongBase && code < kLongBase + kOptionCount) {
        return &kOptions[code - kLongBase];
    }
    if (code <= 0 || code >= 128) {
        return nullptr;
    }
    const char letter = static_cast<char>(code);
    if (const OptionRow* row = OptionByLetter(letter, command)) {
        return row;
    }
    for (int i = 0; i < kOptionCount; ++i) {
        if (kOptions[i].letter == letter) {
            return &kOptions[i];
        }
    }
    return nullptr;
}

CliOptions UsageError(const CliOptions& parsed, std::string message) {
    CliOptions options;
    options.mode = Mode::UsageError;
    options.command = parsed.command;
    options.program = parsed.program;
    options.error = std::move(message);
    return options;
}

// An option `command` does not take: the subcommand it belongs to, or that
// this subcommand does not take it.
std::string NotTaken(Command command, const OptionRow& row, const std::string& given) {
    if (command == Command::Apply) {
        for (int c = 0; c < kCommandCount; ++c) {
            if (Takes(static_cast<Command>(c), row)) {
                const char* word = CommandWord(static_cast<Command>(c));
                return Written([&](TextOut& out) {
                    text::CliNeedsOption(out, ToShiftJis(given.c_str()).c_str(), word);
                });
            }
        }
    }
    return Written([&](TextOut& out) {
        text::CliNotForCommand(out, CommandWord(command), ToShiftJis(given.c_str()).c_str());
    });
}

// Sets what `row` stands for, its value `value`; a usage error's text, or
// empty.
std::string Set(const OptionRow& row, const char* value, CliOptions* options) {
    switch (row.id) {
        case OptionId::Binary:
            options->dump.binary_mode = true;
            break;
        case OptionId::Start:
            if (!IsStartAddress(value)) {
                return Written(
                    [&](TextOut& out) { text::CliBadStart(out, ToShiftJis(value).c_str()); });
            }
            std::strcpy(options->dump.start_address, value);
            options->start_given = true;
            break;
        case OptionId::UnixText:
            options->dump.unix_text = true;
            break;
        case OptionId::Offset:
            if (!ParseOffset(value, &options->dump.memory_offset)) {
                return Written(
                    [&](TextOut& out) { text::CliBadOffset(out, ToShiftJis(value).c_str()); });
            }
            break;
        case OptionId::Output:
            options->output_path = value;
            break;
        case OptionId::Annotate:
            if (*value == '\0') {
                return text::kCliEmptyPath;
            }
            options->annotate_path = value;
            break;
        case OptionId::NoChecksum:
            options->dump.listing.checksum = false;
            break;
        case OptionId::AddressSum:
            options->dump.listing.address_sum = true;
            break;
        case OptionId::LowerAddressOnly:
            options->dump.listing.lower_address_only = true;
            break;
        case OptionId::OhMz:
            options->dump.listing.ohmz_sum = true;
            break;
        case OptionId::OhX:
            options->dump.listing.ohx_crc = true;
            break;
        case OptionId::Detect:
            options->detect = true;
            break;
        case OptionId::Fix:
            if (*value == '\0') {
                return text::kCliEmptyPath;
            }
            options->fix_path = value;
            break;
        case OptionId::NoFormatCheck:
            options->format_check = false;
            break;
        case OptionId::DryRun:
            options->dry_run = true;
            break;
        case OptionId::WritePartial:
            options->write_partial = true;
            break;
        case OptionId::Diff:
            options->diff = true;
            break;
        case OptionId::Help:
            options->mode = Mode::Help;
            break;
        case OptionId::Version:
            options->mode = Mode::Version;
            break;
    }
    return std::string();
}

// The subcommand named by the first argument, if it names one.
bool CommandNamed(const char* word, Command* command) {
    for (int c = 0; c < kCommandCount; ++c) {
        const char* name = CommandWord(static_cast<Command>(c));
        if (*name != '\0' && std::strcmp(word, name) == 0) {
            *command = static_cast<Command>(c);
            return true;
        }
    }
    return false;
}

Mode ModeOf(Command command) {
    switch (command) {
        case Command::Check:
            return Mode::Check;
        case Command::Scan:
            return Mode::Scan;
        case Command::Restore:
            return Mode::Restore;
        case Command::Apply:
            break;
    }
    return Mode::Apply;
}

// The paths after the options: how many each subcommand takes, and the
// message when they are too few.
std::string TakePaths(int count, char** paths, CliOptions* options) {
    for (int i = 0; i < count; ++i) {
        if (paths[i][0] == '\0') {
            return text::kCliEmptyPath;
        }
    }
    if (options->command == Command::Scan) {
        if (count < 1) {
            return text::kCliMissingImages;
        }
        options->image_paths.assign(paths, paths + count);
        return std::string();
    }
    const int wanted = options->command == Command::Apply ? 2 : 1;
    if (count < wanted) {
        switch (options->command) {
            case Command::Check:
                return text::kCliMissingListing;
            case Command::Restore:
                return text::kCliMissingRestoreState;
            default:
                return text::kCliMissingPaths;
        }
    }
    if (count > wanted) {
        return Written(
            [&](TextOut& out) { text::CliExtraArgument(out, ToShiftJis(paths[wanted]).c_str()); });
    }
    for (int i = 0; i < count; ++i) {
        if (std::strlen(paths[i]) >= kPathSize) {
            return Written(
                [&](TextOut& out) { text::CliPathTooLong(out, ToShiftJis(paths[i]).c_str()); });
        }
    }
    switch (options->command) {
        case Command::Apply:
            options->state_path = paths[0];
            options->dump_path = paths[1];
            break;
        case Command::Check:
            options->dump_path = paths[0];
            break;
        case Command::Restore:
            options->state_path = paths[0];
            break;
        case Command::Scan:
            break;
    }
    return std::string();
}

}  // namespace

std::string ProgramName(const char* argv0) {
    std::string name = argv0 != nullptr ? argv0 : "";
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    const std::size_t n = name.size();
    if (n > 4 && name[n - 4] == '.' && (name[n - 3] | 0x20) == 'e' && (name[n - 2] | 0x20) == 'x' &&
        (name[n - 1] | 0x20) == 'e') {
        name.resize(n - 4);
    }
    return name.empty() ? "tsypatch" : name;
}

bool ParseOffset(const char* text, std::uint32_t* value) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    unsigned long long v = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        v = v * 10 + static_cast<unsigned>(*p - '0');
        if (v > 0xFFFFFFFFull) {
            return false;
        }
    }
    *value = static_cast<std::uint32_t>(v);
    return true;
}

bool IsStartAddress(const char* text) {
    std::size_t n = 0;
    for (; text[n] != '\0'; ++n) {
        if (n == 4 || HexDigitValue(text[n]) < 0) {
            return false;
        }
    }
    return n > 0;
}

CliOptions ParseOptions(int argc, char** argv) {
    static const GetoptTables tables;
    CliOptions options;
    options.program = ProgramName(argc > 0 ? argv[0] : nullptr);
    if (argc > 1 && CommandNamed(argv[1], &options.command)) {
        // The subcommand's word takes the place of the program name for the
        // scan below.
        --argc;
        ++argv;
    }
    options.mode = ModeOf(options.command);
    // optind 0 makes getopt_long start a fresh scan (also on later calls).
    optind = 0;
    opterr = 0;
    for (;;) {
        int index = -1;
        const int before = optind;
        const int code =
            getopt_long(argc, argv, tables.shorts.c_str(), tables.longs.data(), &index);
        if (code == -1) {
            break;
        }
        const std::string given = GivenOption(argv, code, before, index);
        if (code == ':') {
            return UsageError(options, Written([&](TextOut& out) {
                                  text::CliMissingValue(out, ToShiftJis(given.c_str()).c_str());
                              }));
        }
        const OptionRow* row = Recognized(code, options.command);
        if (row == nullptr) {
            return UsageError(options, Written([&](TextOut& out) {
                                  text::CliBadOption(out, ToShiftJis(given.c_str()).c_str());
                              }));
        }
        if (!Takes(options.command, *row)) {
            return UsageError(options, NotTaken(options.command, *row, given));
        }
        const std::string error = Set(*row, optarg, &options);
        if (!error.empty()) {
            return UsageError(options, error);
        }
        if (options.mode == Mode::Help || options.mode == Mode::Version) {
            return options;
        }
    }

    const std::string combination = CombinationError(options);
    if (!combination.empty()) {
        return UsageError(options, combination);
    }
    const std::string missing = TakePaths(argc - optind, argv + optind, &options);
    if (!missing.empty()) {
        return UsageError(options, missing);
    }
    return options;
}

}  // namespace tsy::cli
