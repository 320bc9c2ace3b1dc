#include "cli/detect.h"

#include "cli/check.h"
#include "cli/exit_status.h"
#include "cli/option_table.h"
#include "cli/terminal.h"
#include "proof/convention.h"
#include "proof/finding_text.h"
#include "resources/check_texts.h"
#include "resources/texts.h"

namespace tsy::cli {
namespace {

void PrintClean(std::FILE* stream, const ListingOptions& options) {
    const std::string names = OptionsText(options);
    char line[256];
    TextOut out(line, sizeof line);
    if (options.checksum) {
        text::CheckHintClean(out, names.c_str());
    } else {
        text::CheckHintNoSums(out, names.c_str());
    }
    PrintText(stream, line);
}

}  // namespace

std::string OptionsText(const ListingOptions& options) {
    std::string text;
    auto add = [&text](OptionId id) {
        text += text.empty() ? "" : " ";
        text += OptionName(id);
    };
    if (!options.checksum) {
        add(OptionId::NoChecksum);
    }
    if (options.address_sum) {
        add(OptionId::AddressSum);
    }
    if (options.lower_address_only) {
        add(OptionId::LowerAddressOnly);
    }
    if (options.ohmz_sum) {
        add(OptionId::OhMz);
    }
    if (options.ohx_crc) {
        add(OptionId::OhX);
    }
    return text;
}

int RunDetect(const CliOptions& options) {
    const char* path = options.dump_path.c_str();
    // Read in every convention: a pipe is read once, into memory.
    ListingInput listing(path);
    if (!listing.Hold()) {
        return RefuseUnreadable(path, listing.LimitReached(), listing.OpenFailed(),
                                listing.Error());
    }
    proof::CheckRun runs[proof::kConventionCount];
    proof::TryConventions(listing, runs);
    if (runs[0].status == proof::CheckStatus::TooLarge) {
        return RefuseUnreadable(path, runs[0].limit, false, 0);
    }
    if (runs[0].status != proof::CheckStatus::Checked) {
        if (runs[0].status == proof::CheckStatus::OpenFailed) {
            const int error = platform::CErrorNumber(runs[0].system_error);
            PrintMessage(MakeMessage(MessageKind::Error, [error](TextOut& out) {
                text::ListingOpenFailed(out, error);
            }));
        } else {
            PrintText(stderr, text::kCheckReadFailed);
        }
        PrintFileReason(path, runs[0].system_error);
        return kExitFileError;
    }
    int best = -1;
    bool any = false;
    for (int i = 0; i < proof::kConventionCount; ++i) {
        const proof::CheckRun& run = runs[i];
        if (run.summary.data_lines == 0) {
            continue;
        }
        if (proof::Problems(run.summary) == 0) {
            PrintClean(stdout, proof::kConventions[i]);
            any = true;
        }
        if (best < 0 || proof::Problems(run.summary) < proof::Problems(runs[best].summary)) {
            best = i;
        }
    }
    if (any) {
        return kExitOk;
    }
    char line[512];
    if (best < 0) {
        // No data line in any convention: the summary says so.
        proof::FormatSummary(runs[0].summary, line, sizeof line);
    } else {
        TextOut out(line, sizeof line);
        text::CheckDetectNone(out, OptionsText(proof::kConventions[best]).c_str(),
                              proof::Problems(runs[best].summary));
    }
    PrintText(stdout, line);
    return kExitUnreadable;
}

void PrintConventionHint(std::FILE* stream, const char* path, const ListingOptions& chosen) {
    PrintConventionHint(stream, proof::FindBetterConvention(path, chosen));
}

void PrintConventionHint(std::FILE* stream, const proof::BetterConvention& better) {
    if (!better.found) {
        return;
    }
    if (better.clean) {
        PrintClean(stream, better.options);
        return;
    }
    char line[256];
    TextOut out(line, sizeof line);
    text::CheckHintFewer(out, OptionsText(better.options).c_str(), better.before, better.after);
    PrintText(stream, line);
}

}  // namespace tsy::cli
