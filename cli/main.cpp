// tsypatch: applies a dump to a state-save file from the command line, with
// the same steps as the dialog: load, apply, write back.
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/check.h"
#include "cli/detect.h"
#include "cli/diff.h"
#include "cli/options.h"
#include "cli/scan.h"
#include "cli/terminal.h"
#include "cli/warnings.h"
#include "resources/cli_texts.h"
#include "resources/texts.h"
#include "session/session.h"

namespace tsy::cli {
namespace {

enum ExitStatus { kApplied = 0, kRefused = 1, kUsage = 2, kFileError = 3 };

// A run's exit status, and whether it wrote the state-save file.
struct RunResult {
    int status = kApplied;
    bool state_written = false;
};

RunResult Apply(const CliOptions& options) {
    Session session;
    const char* state_path = options.state_path.c_str();
    const LoadResult load = session.OpenState(state_path);
    if (load.status != LoadStatus::Loaded) {
        PrintMessage(load.message);
        PrintFileReason(state_path, load.system_error);
        return {kFileError};
    }
    if (options.format_check && session.FormatSuspect()) {
        PrintMessage(MakeMessage(MessageKind::Warning, text::kFormatWarning));
    }
    const StateImage& image = session.Image();
    std::vector<unsigned char> loaded;
    if (options.diff) {
        loaded.assign(image.Bytes(), image.Bytes() + image.Size());
    }

    session.NameDump(options.dump_path.c_str());
    const ApplyResult result = session.Apply(options.dump);
    PrintMessage(result.message);
    int status = kApplied;
    const bool listing = !options.dump.binary_mode;
    switch (result.status) {
        case ApplyStatus::Applied:
            if (listing) {
                WarnAboutListing(options);
            }
            break;
        case ApplyStatus::Refused:
            status = kRefused;
            if (listing && IsError(result.stopped_by)) {
                PrintConventionHint(stderr, options.dump_path.c_str(), options.dump.listing);
            }
            break;
        default:
            PrintFileReason(options.dump_path.c_str(), result.system_error);
            return {kFileError};
    }
    if (options.diff) {
        PrintDiff(stdout, loaded.data(), image.Bytes(),
                  image.Size() < loaded.size() ? image.Size() : loaded.size(),
                  options.dump.memory_offset, BytesWritten(options, result));
    }
    if (options.dry_run) {
        PrintText(stderr, text::kCliDryRun);
        return {status};
    }
    // What was to be reported has not all arrived: the file stays as it is.
    if ((status != kApplied && !options.write_partial) || OutputFailed(stdout)) {
        PrintText(stderr, text::kCliNotWritten);
        return {OutputFailed(stdout) ? kFileError : status};
    }
    const WriteBackResult written = session.WriteBack();
    if (written.status != WriteBackStatus::Written) {
        PrintMessage(written.message);
        PrintFileReason(state_path, written.system_error);
        return {kFileError};
    }
    PrintMessage(MakeMessage(MessageKind::Plain, text::kWriteComplete));
    return {status, true};
}

RunResult Run(int argc, char** argv) {
    CliOptions options = ParseOptions(argc, argv);
    switch (options.mode) {
        case Mode::Help:
            PrintText(stdout, text::kCliUsage);
            return {kApplied};
        case Mode::Version:
            PrintText(stdout, text::kProductTitle);
            PrintText(stdout, text::kVersion);
            std::printf("tsypatch %s\n", TSY_VERSION);
            return {kApplied};
        case Mode::UsageError:
            PrintText(stderr, options.error.c_str());
            PrintText(stderr, text::kCliHint);
            return {kUsage};
        case Mode::Check:
            return {RunCheck(options)};
        case Mode::Scan:
            return {RunScan(options)};
        case Mode::Apply:
            break;
    }
    return Apply(options);
}

// A write error on standard output makes the run a file error, told on
// standard error; only a run that wrote the state-save file keeps its
// status, since a file error promises the file unchanged.
int Finish(const RunResult& result) {
    if (!OutputFailed(stdout)) {
        return result.status;
    }
    PrintText(stderr, text::kCliOutputFailed);
    return result.state_written ? result.status : kFileError;
}

}  // namespace
}  // namespace tsy::cli

int main(int argc, char** argv) {
    return tsy::cli::Finish(tsy::cli::Run(argc, argv));
}
