// What a scan tells about its listing, line by line, in Shift-JIS: the rows
// left out, the page's rows that could not be read as listing rows, the
// addresses taken from neighbours, the rows verified on their own checksum,
// the characters the sums corrected, the characters in doubt with their
// candidates (for a listing without sums, that nothing could be verified
// and which characters are least certain), the tally and the verdict. The command line prints the
// lines; the dialog shows them under its report.
#pragma once

#include <string>
#include <vector>

#include "listing/listing_options.h"
#include "scan/scan_images.h"

namespace tsy::scan {

// The report of a scan that read a listing (status Done), without line ends.
std::vector<std::string> ScanReportLines(const ScanRun& run, const ListingOptions& options);

}  // namespace tsy::scan
