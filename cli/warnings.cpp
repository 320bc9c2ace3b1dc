#include "cli/warnings.h"

#include <cstring>
#include <string>

#include "cli/check.h"
#include "cli/detect.h"
#include "cli/terminal.h"
#include "platform/platform.h"
#include "proof/apply_watch.h"
#include "resources/cli_texts.h"

namespace tsy::cli {
namespace {

// Bytes a UNIX text conversion drops from the front, and adds at the end.
constexpr std::uint32_t kUnixHeaderSize = 18;
constexpr std::size_t kWarningSize = 2048;

// Prints the first line of each skipped line's and address step's finding.
class Warnings : public proof::FindingSink {
  public:
    void Report(const proof::Finding& finding) override {
        if (finding.kind != proof::FindingKind::SkippedLine &&
            finding.kind != proof::FindingKind::AddressStep) {
            return;
        }
        char text[kWarningSize];
        std::strcpy(text, text::kCliWarning);
        const std::size_t prefix = std::strlen(text);
        FormatFinding(finding, text + prefix, sizeof text - prefix);
        char* end = std::strchr(text, '\n');
        if (end != nullptr) {
            *end = '\0';
        }
        PrintText(stderr, text);
        ++count;
    }
    int count = 0;
};

}  // namespace

void WarnAboutListing(const CliOptions& options) {
    Warnings warnings;
    proof::WatchListing(options.dump_path.c_str(), options.dump.listing, &warnings);
    if (warnings.count == 0) {
        return;
    }
    std::string command = "tsypatch check ";
    const std::string names = OptionsText(options.dump.listing);
    if (!names.empty()) {
        command += names + " ";
    }
    command += options.dump_path;
    char line[kWarningSize];
    TextOut out(line, sizeof line);
    text::CliRunCheck(out, command.c_str());
    PrintText(stderr, line);
}

std::uint32_t BytesWritten(const CliOptions& options, const ApplyResult& result) {
    if (!options.dump.binary_mode) {
        return result.range.bytes;
    }
    if (result.status != ApplyStatus::Applied) {
        return 0;
    }
    const platform::FileHandle file = platform::OpenForReading(options.dump_path.c_str());
    std::uint32_t size = 0;
    const bool sized = file != platform::kNoFile && platform::GetSize(file, &size);
    platform::Close(file);
    if (!sized) {
        return 0;
    }
    if (options.dump.unix_text) {
        return (size > kUnixHeaderSize ? size - kUnixHeaderSize : 0) + 1;
    }
    return size;
}

}  // namespace tsy::cli
