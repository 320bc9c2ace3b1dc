// Generated page images with their truth (tests/scan/make_pages.py): the
// listing each page shows, its options, and how a scan of it came out.
#pragma once

#include <string>
#include <vector>

#include "listing/listing_options.h"
#include "scan/scan_images.h"

namespace tsy::scan::test {

struct PageCase {
    std::string name;        // e.g. plain-dejavu-003
    std::string image;       // its path
    std::string convention;  // plain, address-sum, ohmz, ohx
    ListingOptions options;
    std::vector<std::string> truth;  // the listing's lines; empty without a listing
};

// The pages of a directory written by make_pages.py, by name.
std::vector<PageCase> LoadPageSet(const std::string& directory);

struct PageOutcome {
    ScanStatus status = ScanStatus::Done;
    int rows = 0;
    int verified = 0;
    int verified_wrong = 0;       // verified rows that are not lines of the truth
    std::vector<int> wrong_rows;  // their indices
    bool exact = false;           // every line as the truth, every row verified
    // Every output line that differs from the truth at its place is named
    // as a doubt with the truth's character among its candidates.
    bool doubts_name_errors = false;
    double seconds = 0;  // processor time, recognition included
    Decoding decoding;
};

// Scans `page`. With `cache` (a folder), what the recogniser made of the
// page is kept there and read back on the next scan of the same page, with
// the time it took, so that a change after recognition is measured fast.
PageOutcome ScanPage(const PageCase& page, const ScanSettings& settings = ScanSettings(),
                     const std::string& cache = "");

}  // namespace tsy::scan::test
