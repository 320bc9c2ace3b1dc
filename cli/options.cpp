#include "cli/options.h"

#include <getopt.h>

#include <cstdio>
#include <cstring>

#include "cli/combinations.h"
#include "resources/cli_texts.h"

namespace tsy::cli {
namespace {

enum LongOnly {
    kNoChecksum = 1000,
    kAddressSum,
    kLowerAddressOnly,
    kOhMz,
    kOhX,
    kNoFormatCheck,
    kWritePartial,
    kDiff,
    kDetect,
    kFix,
};

const option kLongOptions[] = {
    {"binary", no_argument, nullptr, 'b'},
    {"start", required_argument, nullptr, 's'},
    {"unix-text", no_argument, nullptr, 'u'},
    {"offset", required_argument, nullptr, 'o'},
    {"no-checksum", no_argument, nullptr, kNoChecksum},
    {"address-sum", no_argument, nullptr, kAddressSum},
    {"lower-address-only", no_argument, nullptr, kLowerAddressOnly},
    {"ohmz", no_argument, nullptr, kOhMz},
    {"ohx", no_argument, nullptr, kOhX},
    {"no-format-check", no_argument, nullptr, kNoFormatCheck},
    {"dry-run", no_argument, nullptr, 'n'},
    {"write-partial", no_argument, nullptr, kWritePartial},
    {"diff", no_argument, nullptr, kDiff},
    {"detect", no_argument, nullptr, kDetect},
    {"fix", required_argument, nullptr, kFix},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

const char kShortOptions[] = ":bs:uo:nhV";

// The text of a usage error that quotes the argument given.
std::string Format(void (*write)(TextOut&, const char*), const char* argument) {
    char buffer[512];
    TextOut to(buffer, sizeof buffer);
    write(to, argument);
    return buffer;
}

// Whether the option is one of those that only an apply knows.
bool ApplyOnly(int code) {
    switch (code) {
        case 'b':
        case 's':
        case 'u':
        case 'o':
        case 'n':
        case kNoFormatCheck:
        case kWritePartial:
        case kDiff:
            return true;
        default:
            return false;
    }
}

// The option as the user gave it, for a message about it: a long option by
// its name, or as typed when it was not known or was given a value it does
// not take; a short option by its letter, also in a group ("-xb"), where
// getopt may not have stepped past the group yet. `before` is optind before
// the option was read, `long_index` what getopt_long set (or -1).
std::string GivenOption(char** argv, int code, int before, int long_index) {
    if (long_index >= 0) {
        return std::string("--") + kLongOptions[long_index].name;
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

CliOptions UsageError(std::string message) {
    CliOptions options;
    options.mode = Mode::UsageError;
    options.error = std::move(message);
    return options;
}

}  // namespace

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

CliOptions ParseOptions(int argc, char** argv) {
    CliOptions options;
    std::strcpy(options.dump.start_address, "8000");
    options.dump.memory_offset = 4096;

    if (argc > 1 && std::strcmp(argv[1], "check") == 0) {
        // "check" takes the place of the program name for the scan below.
        options.mode = Mode::Check;
        --argc;
        ++argv;
    } else if (argc > 1 && std::strcmp(argv[1], "scan") == 0) {
        options.mode = Mode::Scan;
        --argc;
        ++argv;
    }
    // optind 0 makes getopt_long start a fresh scan (also on later calls).
    optind = 0;
    opterr = 0;
    for (;;) {
        int index = -1;
        const int before = optind;
        int code = getopt_long(argc, argv, kShortOptions, kLongOptions, &index);
        if (code == -1) {
            break;
        }
        const std::string given_option = GivenOption(argv, code, before, index);
        const char* given = given_option.c_str();
        if (options.mode == Mode::Check && ApplyOnly(code)) {
            return UsageError(Format(text::CliCheckOnlyListingOptions, given));
        }
        if (options.mode == Mode::Scan && code == 'o' && index < 0) {
            // scan's -o (not --offset) names the listing it writes.
            options.output_path = optarg;
            continue;
        }
        if (options.mode == Mode::Scan && ApplyOnly(code)) {
            return UsageError(Format(text::CliScanOnlyListingOptions, given));
        }
        switch (code) {
            case 'b':
                options.dump.binary_mode = true;
                break;
            case 's':
                // As in the dialog: only the first four characters count.
                std::snprintf(options.dump.start_address, sizeof options.dump.start_address, "%s",
                              optarg);
                options.start_given = true;
                break;
            case 'u':
                options.dump.unix_text = true;
                break;
            case 'o':
                if (!ParseOffset(optarg, &options.dump.memory_offset)) {
                    return UsageError(Format(text::CliBadOffset, optarg));
                }
                break;
            case kNoChecksum:
                options.dump.listing.checksum = false;
                break;
            case kAddressSum:
                options.dump.listing.address_sum = true;
                break;
            case kLowerAddressOnly:
                options.dump.listing.lower_address_only = true;
                break;
            case kOhMz:
                options.dump.listing.ohmz_sum = true;
                break;
            case kOhX:
                options.dump.listing.ohx_crc = true;
                break;
            case kNoFormatCheck:
                options.format_check = false;
                break;
            case 'n':
                options.dry_run = true;
                break;
            case kWritePartial:
                options.write_partial = true;
                break;
            case kDiff:
                options.diff = true;
                break;
            case kDetect:
                options.detect = true;
                break;
            case kFix:
                if (*optarg == '\0') {
                    return UsageError(text::kCliEmptyPath);
                }
                options.fix_path = optarg;
                break;
            case 'h':
                options.mode = Mode::Help;
                return options;
            case 'V':
                options.mode = Mode::Version;
                return options;
            case ':':
                return UsageError(Format(text::CliMissingValue, given));
            default:
                return UsageError(Format(text::CliBadOption, given));
        }
    }

    const std::string combination = CombinationError(options);
    if (!combination.empty()) {
        return UsageError(combination);
    }
    const int wanted = options.mode == Mode::Apply ? 2 : 1;
    const int count = argc - optind;
    if (options.mode == Mode::Scan) {
        if (count < 1) {
            return UsageError(text::kCliMissingImages);
        }
        for (int i = optind; i < argc; ++i) {
            if (argv[i][0] == '\0') {
                return UsageError(text::kCliEmptyPath);
            }
        }
        options.image_paths.assign(argv + optind, argv + argc);
        return options;
    }
    if (count < wanted) {
        return UsageError(text::kCliMissingPaths);
    }
    if (count > wanted) {
        return UsageError(Format(text::CliExtraArgument, argv[optind + wanted]));
    }
    for (int i = optind; i < argc; ++i) {
        if (argv[i][0] == '\0') {
            return UsageError(text::kCliEmptyPath);
        }
        if (std::strlen(argv[i]) >= kPathSize) {
            return UsageError(Format(text::CliPathTooLong, argv[i]));
        }
    }
    if (options.mode == Mode::Check) {
        options.dump_path = argv[optind];
    } else {
        options.state_path = argv[optind];
        options.dump_path = argv[optind + 1];
    }
    return options;
}

}  // namespace tsy::cli
