#include "cli/scan.h"

#include <cstdio>
#include <string>

#include "cli/exit_status.h"
#include "cli/terminal.h"
#include "resources/scan_texts.h"
#include "scan/scan_images.h"
#include "scan/scan_report.h"

namespace tsy::cli {
namespace {

void Report(const scan::ScanRun& run, const ListingOptions& options) {
    for (const std::string& line : scan::ScanReportLines(run, options)) {
        PrintText(stderr, line.c_str());
    }
}

bool WriteListing(const scan::Decoding& decoding, const std::string& path) {
    std::FILE* out = path.empty() ? stdout : std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        return false;
    }
    for (const scan::DecodedRow& row : decoding.rows) {
        std::fprintf(out, "%s\n", row.text.c_str());
    }
    bool written = std::fflush(out) == 0 && !std::ferror(out);
    if (out != stdout) {
        written = std::fclose(out) == 0 && written;
    }
    return written;
}

}  // namespace

int RunScan(const CliOptions& options) {
    const scan::ScanRun run = scan::ScanImages(options.image_paths, options.dump.listing);
    switch (run.status) {
        case scan::ScanStatus::Done:
            break;
        case scan::ScanStatus::EngineMissing:
            PrintText(stderr, text::kScanEngineMissing);
            return kExitFileError;
        case scan::ScanStatus::Unreadable:
        case scan::ScanStatus::NoListing: {
            PrintText(stderr, run.status == scan::ScanStatus::NoListing ? text::kScanNoListing
                              : run.message.text[0] != '\0'             ? run.message.text
                                                                        : text::kScanUnreadable);
            // The path as given, in the terminal's own encoding.
            PrintFileReason(options.image_paths[static_cast<std::size_t>(run.failed_page)].c_str(),
                            run.system_error);
            return kExitFileError;
        }
    }
    if (!WriteListing(run.decoding, options.output_path)) {
        PrintText(stderr, text::kScanWriteFailed);
        PrintFileReason(options.output_path.empty() ? "-" : options.output_path.c_str(), 0);
        return kExitFileError;
    }
    Report(run, options.dump.listing);
    return run.decoding.AllVerified() ? kExitOk : kExitInDoubt;
}

}  // namespace tsy::cli
