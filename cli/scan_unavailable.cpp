// The scanning command in builds without the recognition engine.
#include "cli/exit_status.h"
#include "cli/scan.h"
#include "cli/terminal.h"
#include "resources/scan_texts.h"

namespace tsy::cli {

int RunScan(const CliOptions&) {
    PrintText(stderr, text::kScanNotAvailable);
    return kExitUsage;
}

}  // namespace tsy::cli
