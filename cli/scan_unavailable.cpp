// The scanning command in builds without the recognition engine.
#include "cli/scan.h"
#include "cli/terminal.h"
#include "resources/scan_texts.h"

namespace tsy::cli {

int RunScan(const CliOptions&) {
    PrintText(stderr, text::kScanNotAvailable);
    return 2;
}

}  // namespace tsy::cli
