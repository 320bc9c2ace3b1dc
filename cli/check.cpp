#include "cli/check.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "cli/check_fix.h"
#include "cli/detect.h"
#include "cli/exit_status.h"
#include "cli/terminal.h"
#include "cli/warnings.h"
#include "listing/report.h"
#include "proof/convention.h"
#include "proof/finding_text.h"
#include "proof/listing_check.h"
#include "resources/check_texts.h"
#include "resources/texts.h"

namespace tsy::cli {
namespace {

using proof::Finding;

using proof::Certainty;

constexpr std::size_t kFindingTextSize = 2048;

// Prints each finding as it comes, and gives it to the fix plan when there
// is one. With `doubt`, another convention reads the listing better: no
// reading in this one is certain.
class TerminalFindings : public proof::FindingSink {
  public:
    TerminalFindings(proof::FixPlan* plan, bool doubt) : plan_(plan), doubt_(doubt) {}
    void Report(const Finding& reported) override {
        Finding finding = reported;
        for (int i = 0; doubt_ && i < finding.diagnosis_count; ++i) {
            finding.diagnoses[i].certainty = Certainty::Likely;
        }
        char text[kFindingTextSize];
        proof::FormatFinding(finding, text, sizeof text);
        PrintText(stdout, text);
        if (plan_ != nullptr) {
            plan_->Report(finding);
        }
    }

  private:
    proof::FixPlan* plan_;
    bool doubt_;
};

}  // namespace

// A listing that could not be read whole: why, on standard error; the
// exit status.
int RefuseUnreadable(const char* path, InputLimit limit, bool open_failed, std::uint32_t error) {
    switch (limit) {
        case InputLimit::TooLarge:
            PrintText(stderr, text::kListingTooLarge);
            return kExitFileError;
        case InputLimit::EndlessLine:
            PrintText(stderr, text::kListingEndlessLine);
            return kExitFileError;
        case InputLimit::None:
            break;
    }
    if (open_failed) {
        const int number = platform::CErrorNumber(error);
        PrintMessage(MakeMessage(MessageKind::Error,
                                 [number](TextOut& out) { text::ListingOpenFailed(out, number); }));
    } else {
        PrintText(stderr, text::kCheckReadFailed);
    }
    PrintFileReason(path, error);
    return kExitFileError;
}

int RunCheck(const CliOptions& options) {
    if (options.detect) {
        return RunDetect(options);
    }
    const bool fix = !options.fix_path.empty();
    if (fix && !FixTargetUsable(options)) {
        return kExitUsage;
    }
    proof::FixPlan plan(options.dump.listing);
    const char* path = options.dump_path.c_str();
    // Check reads the listing many times: a pipe is read once, into memory.
    ListingInput listing(path);
    if (!listing.Hold()) {
        return RefuseUnreadable(path, listing.LimitReached(), listing.OpenFailed(),
                                listing.Error());
    }
    // A listing that another convention reads better is likely written in
    // it: what this one makes of it is named, none of it as certain.
    const proof::BetterConvention better =
        proof::FindBetterConvention(listing, options.dump.listing);
    TerminalFindings findings(fix ? &plan : nullptr, better.found);
    const proof::CheckRun run = proof::CheckListing(listing, options.dump.listing, &findings);
    if (run.status == proof::CheckStatus::TooLarge) {
        return RefuseUnreadable(path, run.limit, false, 0);
    }
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
        PrintConventionHint(stdout, better);
    }
    if (fix) {
        plan.Finish();
        if (!WriteFix(options, listing, plan)) {
            return kExitFileError;
        }
    }
    return found ? kExitFindings : kExitOk;
}

}  // namespace tsy::cli
