// tsypatch: applies a dump to a state-save file from the command line,
// through the same commands as the dialog.
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/commands.h"
#include "cli/check.h"
#include "cli/diff.h"
#include "cli/options.h"
#include "cli/scan.h"
#include "cli/terminal.h"
#include "resources/cli_texts.h"
#include "resources/texts.h"

namespace tsy::cli {
namespace {

enum ExitStatus { kApplied = 0, kRefused = 1, kUsage = 2, kFileError = 3 };

// The dialog's controls, as the command line's options fill them.
class CliFrontEnd : public FrontEnd {
  public:
    explicit CliFrontEnd(const CliOptions& options) : options_(options) {}

    bool ReadFormatCheck() override { return options_.format_check; }
    bool AskStateFile(char* path) override { return Copy(path, options_.state_path); }
    bool AskDumpFile(char* path) override { return Copy(path, options_.dump_path); }
    void ShowStatePath(const char*) override {}
    void ShowDumpPath(const char*) override {}
    void Repaint() override {}
    DumpOptions ReadDumpOptions() override { return options_.dump; }
    void EnableWriteBack() override {}
    void ShowAbout() override {}
    void Exit() override {}

  private:
    static bool Copy(char* to, const std::string& from) {
        std::snprintf(to, kPathSize, "%s", from.c_str());
        return true;
    }

    const CliOptions& options_;
};

int Apply(const CliOptions& options) {
    StateImage image;
    CliFrontEnd front_end(options);
    Commands commands(front_end, image);

    if (commands.BrowseStateFile() != CommandResult::Done) {
        return kFileError;
    }
    std::vector<unsigned char> loaded;
    if (options.diff) {
        loaded.assign(image.Bytes(), image.Bytes() + image.Size());
    }
    commands.BrowseDumpFile();

    int status = kApplied;
    switch (commands.Apply()) {
        case ApplyResult::Applied:
            break;
        case ApplyResult::Refused:
            status = kRefused;
            break;
        default:
            return kFileError;
    }
    if (options.diff) {
        PrintDiff(stdout, loaded.data(), image.Bytes(),
                  image.Size() < loaded.size() ? image.Size() : loaded.size(),
                  options.dump.memory_offset);
    }
    if (options.dry_run) {
        PrintText(stderr, text::kCliDryRun);
        return status;
    }
    if (status != kApplied && !options.write_partial) {
        PrintText(stderr, text::kCliNotWritten);
        return status;
    }
    if (commands.WriteBack() != CommandResult::Done) {
        return kFileError;
    }
    return status;
}

int Run(int argc, char** argv) {
    platform::SetMessageSink(TerminalSink, nullptr);
    CliOptions options = ParseOptions(argc, argv);
    switch (options.mode) {
        case Mode::Help:
            PrintText(stdout, text::kCliUsage);
            return kApplied;
        case Mode::Version:
            PrintText(stdout, text::kProductTitle);
            PrintText(stdout, text::kVersion);
            return kApplied;
        case Mode::UsageError:
            PrintText(stderr, options.error.c_str());
            PrintText(stderr, text::kCliHint);
            return kUsage;
        case Mode::Check:
            return RunCheck(options);
        case Mode::Scan:
            return RunScan(options);
        case Mode::Apply:
            break;
    }
    return Apply(options);
}

}  // namespace
}  // namespace tsy::cli

int main(int argc, char** argv) {
    return tsy::cli::Run(argc, argv);
}
