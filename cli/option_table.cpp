#include "cli/option_table.h"

#include <cstring>

#include "resources/cli_texts.h"

namespace tsy::cli {
namespace {

constexpr unsigned kApply = CommandBit(Command::Apply);
constexpr unsigned kCheck = CommandBit(Command::Check);
constexpr unsigned kScan = CommandBit(Command::Scan);
constexpr unsigned kAll = (1u << kCommandCount) - 1;
constexpr unsigned kListing = kApply | kCheck | kScan;

// The column where the help of an option begins.
constexpr std::size_t kHelpColumn = 28;

}  // namespace

// In the order of the help.
const OptionRow kOptions[] = {
    {OptionId::Binary, 'b', "binary", nullptr, kApply, text::kCliOptionBinary},
    {OptionId::Start, 's', "start", "HEX", kApply, text::kCliOptionStart},
    {OptionId::UnixText, 'u', "unix-text", nullptr, kApply, text::kCliOptionUnixText},
    {OptionId::Offset, 'o', "offset", "N", kApply, text::kCliOptionOffset},
    {OptionId::Output, 'o', "output", "FILE", kScan, text::kCliOptionOutput},
    {OptionId::Annotate, 0, "annotate", "FILE", kScan, text::kCliOptionAnnotate},
    {OptionId::NoChecksum, 0, "no-checksum", nullptr, kListing, text::kCliOptionNoChecksum},
    {OptionId::AddressSum, 0, "address-sum", nullptr, kListing, text::kCliOptionAddressSum},
    {OptionId::LowerAddressOnly, 0, "lower-address-only", nullptr, kListing,
     text::kCliOptionLowerAddressOnly},
    {OptionId::OhMz, 0, "ohmz", nullptr, kListing, text::kCliOptionOhMz},
    {OptionId::OhX, 0, "ohx", nullptr, kListing, text::kCliOptionOhX},
    {OptionId::Detect, 0, "detect", nullptr, kCheck, text::kCliOptionDetect},
    {OptionId::Fix, 0, "fix", "FILE", kCheck, text::kCliOptionFix},
    {OptionId::NoFormatCheck, 0, "no-format-check", nullptr, kApply, text::kCliOptionNoFormatCheck},
    {OptionId::DryRun, 'n', "dry-run", nullptr, kApply, text::kCliOptionDryRun},
    {OptionId::WritePartial, 0, "write-partial", nullptr, kApply, text::kCliOptionWritePartial},
    {OptionId::Diff, 0, "diff", nullptr, kApply, text::kCliOptionDiff},
    {OptionId::Help, 'h', "help", nullptr, kAll, text::kCliOptionHelp},
    {OptionId::Version, 'V', "version", nullptr, kAll, text::kCliOptionVersion},
};
const int kOptionCount = static_cast<int>(sizeof kOptions / sizeof kOptions[0]);

const char* CommandWord(Command command) {
    switch (command) {
        case Command::Check:
            return "check";
        case Command::Scan:
            return "scan";
        case Command::Restore:
            return "restore";
        case Command::Apply:
            break;
    }
    return "";
}

const OptionRow& Option(OptionId id) {
    for (const OptionRow& option : kOptions) {
        if (option.id == id) {
            return option;
        }
    }
    return kOptions[0];  // every id has its row; never reached
}

std::string OptionName(OptionId id) {
    return std::string("--") + Option(id).name;
}

const OptionRow* OptionByLetter(char letter, Command command) {
    for (const OptionRow& option : kOptions) {
        if (option.letter == letter && Takes(command, option)) {
            return &option;
        }
    }
    return nullptr;
}

std::string OptionHelp(Command command) {
    std::string help;
    for (const OptionRow& option : kOptions) {
        if (!Takes(command, option)) {
            continue;
        }
        std::string left = "  ";
        left += option.letter != 0 ? std::string("-") + option.letter + ", " : "    ";
        left += std::string("--") + option.name;
        if (option.value != nullptr) {
            left += std::string("=") + option.value;
        }
        left += left.size() < kHelpColumn ? std::string(kHelpColumn - left.size(), ' ') : " ";
        help += left + option.help + "\n";
    }
    return help;
}

}  // namespace tsy::cli
