#include "cli/detect.h"

#include "cli/check.h"
#include "cli/terminal.h"
#include "proof/convention.h"
#include "resources/check_texts.h"
#include "resources/texts.h"

namespace tsy::cli {
namespace {

constexpr int kReadable = 0;
constexpr int kUnreadable = 1;
constexpr int kFileError = 3;

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
    auto add = [&text](const char* name) {
        text += text.empty() ? "" : " ";
        text += name;
    };
    if (!options.checksum) {
        add("--no-checksum");
    }
    if (options.address_sum) {
        add("--address-sum");
    }
    if (options.lower_address_only) {
        add("--lower-address-only");
    }
    if (options.ohmz_sum) {
        add("--ohmz");
    }
    if (options.ohx_crc) {
        add("--ohx");
    }
    return text;
}

int RunDetect(const CliOptions& options) {
    const char* path = options.dump_path.c_str();
    proof::CheckRun runs[proof::kConventionCount];
    proof::TryConventions(path, runs);
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
        return kFileError;
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
        return kReadable;
    }
    char line[512];
    if (best < 0) {
        // No data line in any convention: the summary says so.
        FormatSummary(runs[0].summary, line, sizeof line);
    } else {
        TextOut out(line, sizeof line);
        text::CheckDetectNone(out, OptionsText(proof::kConventions[best]).c_str(),
                              proof::Problems(runs[best].summary));
    }
    PrintText(stdout, line);
    return kUnreadable;
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
