#include "cli/warnings.h"

#include "cli/detect.h"
#include "cli/terminal.h"
#include "resources/cli_texts.h"
#include "resources/texts.h"

namespace tsy::cli {

std::string CheckCommand(const CliOptions& options) {
    std::string command = ToShiftJis(options.program.c_str()) + " check ";
    const std::string names = OptionsText(options.dump.listing);
    if (!names.empty()) {
        command += names + " ";
    }
    return command + ToShiftJis(options.dump_path.c_str());
}

void WarnAboutListing(const CliOptions& options, const proof::WarningLines& warnings) {
    if (warnings.count == 0) {
        return;
    }
    for (const std::string& line : warnings.lines) {
        PrintText(stderr, (std::string(text::kCliWarning) + line).c_str());
    }
    const std::string command = CheckCommand(options);
    const unsigned more = static_cast<unsigned>(warnings.count - warnings.lines.size());
    const std::string last = Written([&](TextOut& out) {
        if (more > 0) {
            text::CliMoreWarnings(out, more, command.c_str());
        } else {
            text::CliRunCheck(out, command.c_str());
        }
    });
    PrintText(stderr, last.c_str());
}

void WarnAboutSubstitutes(std::uint32_t count) {
    if (count == 0) {
        return;
    }
    const std::string line = Written([count](TextOut& out) {
        out.Append(text::kCliWarning);
        text::SubstitutedCharacters(out, static_cast<unsigned>(count));
    });
    PrintText(stderr, line.c_str());
}

}  // namespace tsy::cli
