// tsypatch: applies a dump to a state-save file from the command line, with
// the same steps as the dialog: load, apply, write back.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/check.h"
#include "cli/detect.h"
#include "cli/diff.h"
#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/scan.h"
#include "cli/terminal.h"
#include "cli/warnings.h"
#include "resources/cli_texts.h"
#include "resources/texts.h"
#include "session/restore.h"
#include "session/session.h"

namespace tsy::cli {
namespace {

// A run's exit status, and whether it wrote the state-save file.
struct RunResult {
    int status = kExitOk;
    bool state_written = false;
};

// tsypatch restore STATE: the backup back in place of the file.
int RunRestore(const CliOptions& options) {
    const RestoreResult result = RestoreBackup(options.state_path.c_str());
    PrintMessage(result.message);
    switch (result.status) {
        case RestoreStatus::Restored:
        case RestoreStatus::Same:
            return kExitOk;
        case RestoreStatus::Ready:
            break;
        case RestoreStatus::StateFailed:
        case RestoreStatus::NoBackup:
        case RestoreStatus::BackupFailed:
            PrintFileReason(result.failed_path.c_str(), result.system_error);
            return kExitFileError;
        case RestoreStatus::Refused:
            PrintFileReason(options.state_path.c_str(), result.system_error);
            break;
    }
    return kExitFileError;
}

// A state-save file that fails the format check: the warning, what to check
// (the two files given the wrong way round?), and the option that applies
// all the same.
void RefuseFormat(const CliOptions& options, const Session& session) {
    PrintMessage(Session::FormatWarning());
    if (session.DumpLooksLikeStateFile()) {
        const std::string swapped =
            Written([&](TextOut& out) { text::CliSwapped(out, options.program.c_str()); });
        PrintText(stderr, swapped.c_str());
    }
    PrintText(stderr, text::kCliFormatRefused);
}

RunResult Apply(const CliOptions& options) {
    Session session;
    const char* state_path = options.state_path.c_str();
    const LoadResult load = session.OpenState(state_path);
    if (load.status != LoadStatus::Loaded) {
        PrintMessage(load.message);
        PrintFileReason(state_path, load.system_error);
        return {kExitFileError};
    }
    session.NameDump(options.dump_path.c_str());
    if (options.format_check && session.FormatSuspect()) {
        RefuseFormat(options, session);
        return {kExitRefused};
    }
    const StateImage& image = session.Image();
    std::vector<unsigned char> loaded;
    if (options.diff) {
        loaded.assign(image.Bytes(), image.Bytes() + image.Size());
    }

    // The warnings are gathered on the apply's own read of the listing, the
    // only read a pipe or a FIFO gives.
    const bool listing = !options.dump.binary_mode;
    auto warnings = std::make_unique<proof::ApplyWarnings>(options.dump.listing, kMaxApplyWarnings);
    const ApplyResult result = session.Apply(options.dump, listing ? warnings.get() : nullptr);
    PrintMessage(result.message);
    WarnAboutSubstitutes(result.source.unconvertible);
    int status = kExitOk;
    switch (result.status) {
        case ApplyStatus::Applied:
            if (listing) {
                WarnAboutListing(options, warnings->Finish());
            }
            break;
        case ApplyStatus::Refused:
            status = kExitRefused;
            // Other conventions are tried on a second read, which only a file gives.
            if (listing && (IsError(result.stopped_by) || result.nothing_read) &&
                session.DumpReadableAgain()) {
                PrintConventionHint(stderr, options.dump_path.c_str(), options.dump.listing);
            }
            if (listing && IsError(result.stopped_by)) {
                const std::string command = CheckCommand(options);
                const std::string line =
                    Written([&](TextOut& out) { text::CliRunCheck(out, command.c_str()); });
                PrintText(stderr, line.c_str());
            }
            break;
        default:
            PrintFileReason(options.dump_path.c_str(), result.system_error);
            return {kExitFileError};
    }
    if (options.diff) {
        PrintDiff(stdout, loaded.data(), image.Bytes(),
                  image.Size() < loaded.size() ? image.Size() : loaded.size(),
                  options.dump.memory_offset, result.stored);
    }
    if (options.dry_run) {
        PrintText(stderr, text::kCliDryRun);
        return {status};
    }
    // What was to be reported has not all arrived: the file stays as it is;
    // so does it after a refusal, unless --write-partial asks for the bytes
    // stored before the error (when there are any).
    const bool partial = options.write_partial && IsError(result.stopped_by) && result.stored > 0;
    if ((status != kExitOk && !partial) || OutputFailed(stdout)) {
        PrintText(stderr, text::kCliNotWritten);
        return {OutputFailed(stdout) ? kExitFileError : status};
    }
    const WriteBackResult written = session.WriteBack();
    if (written.status != WriteBackStatus::Written) {
        PrintMessage(written.message);
        PrintFileReason(state_path, written.system_error);
        return {kExitFileError};
    }
    PrintMessage(MakeMessage(MessageKind::Plain, text::kWriteComplete));
    return {status, true};
}

// The help of the subcommand: its usage, what it does, its options, its
// exit statuses.
void PrintHelp(const CliOptions& options) {
    const char* program = options.program.c_str();
    const Command command = options.command;
    constexpr std::size_t kUsageSize = 1024;
    std::string help;
    const char* about = text::kCliAboutApply;
    const char* statuses = text::kCliExitApply;
    switch (command) {
        case Command::Apply:
            help = Written([&](TextOut& out) { text::CliUsageApply(out, program); }, kUsageSize);
            break;
        case Command::Check:
            help = Written([&](TextOut& out) { text::CliUsageCheck(out, program); }, kUsageSize);
            about = text::kCliAboutCheck;
            statuses = text::kCliExitCheck;
            break;
        case Command::Scan:
            help = Written([&](TextOut& out) { text::CliUsageScan(out, program); }, kUsageSize);
            about = text::kCliAboutScan;
            statuses = text::kCliExitScan;
            break;
        case Command::Restore:
            help = Written([&](TextOut& out) { text::CliUsageRestore(out, program); }, kUsageSize);
            about = text::kCliAboutRestore;
            statuses = text::kCliExitRestore;
            break;
    }
    help += std::string("\n") + about + "\n" + OptionHelp(command) + "\n";
    if (command == Command::Apply) {
        help += Written([&](TextOut& out) { text::CliMoreHelp(out, program); }, kUsageSize) + "\n";
    }
    help += statuses;
    help.pop_back();  // PrintText ends the text with its own line feed
    PrintText(stdout, help.c_str());
}

RunResult Run(int argc, char** argv) {
    CliOptions options = ParseOptions(argc, argv);
    switch (options.mode) {
        case Mode::Help:
            PrintHelp(options);
            return {kExitOk};
        case Mode::Version:
            PrintText(stdout, text::kProductTitle);
            PrintText(stdout, text::kVersion);
            std::printf("tsypatch %s\n", TSY_VERSION);
            return {kExitOk};
        case Mode::UsageError: {
            PrintText(stderr, options.error.c_str());
            const std::string hint = Written([&](TextOut& out) {
                text::CliHint(out, options.program.c_str(), CommandWord(options.command));
            });
            PrintText(stderr, hint.c_str());
            return {kExitUsage};
        }
        case Mode::Check:
            return {RunCheck(options)};
        case Mode::Scan:
            return {RunScan(options)};
        case Mode::Restore: {
            const int status = RunRestore(options);
            return {status, status == kExitOk};
        }
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
    return result.state_written ? result.status : kExitFileError;
}

}  // namespace
}  // namespace tsy::cli

int main(int argc, char** argv) {
    return tsy::cli::Finish(tsy::cli::Run(argc, argv));
}
