#include "cli/check.h"

#include <cstdint>
#include <cstdio>

#include "cli/detect.h"
#include "cli/exit_status.h"
#include "cli/terminal.h"
#include "cli/warnings.h"
#include "proof/finding_text.h"
#include "proof/listing_check.h"
#include "resources/check_texts.h"
#include "resources/texts.h"

namespace tsy::cli {
namespace {

using proof::Finding;

constexpr std::size_t kFindingTextSize = 2048;

// Prints each finding as it comes.
class TerminalFindings : public proof::FindingSink {
  public:
    void Report(const Finding& finding) override {
        char text[kFindingTextSize];
        proof::FormatFinding(finding, text, sizeof text);
        PrintText(stdout, text);
    }
};

}  // namespace

int RunCheck(const CliOptions& options) {
    if (options.detect) {
        return RunDetect(options);
    }
    TerminalFindings findings;
    const char* path = options.dump_path.c_str();
    const proof::CheckRun run = proof::CheckListing(path, options.dump.listing, &findings);
    if (run.status == proof::CheckStatus::OpenFailed) {
        const int error = platform::CErrorNumber(run.system_error);
        PrintMessage(MakeMessage(MessageKind::Error,
                                 [error](TextOut& out) { text::ListingOpenFailed(out, error); }));
        PrintFileReason(path, run.system_error);
        return kExitFileError;
    }
    if (run.status == proof::CheckStatus::ReadFailed) {
        // The findings so far are printed; a summary would claim a whole listing.
        PrintText(stderr, text::kCheckReadFailed);
        PrintFileReason(path, run.system_error);
        return kExitFileError;
    }
    char summary[kFindingTextSize];
    proof::FormatSummary(run.summary, summary, sizeof summary);
    PrintText(stdout, summary);
    WarnAboutSubstitutes(run.source.unconvertible);
    const bool found = run.summary.findings + run.summary.warnings > 0;
    if (found) {
        PrintConventionHint(stdout, path, options.dump.listing);
    }
    return found ? kExitFindings : kExitOk;
}

}  // namespace tsy::cli
