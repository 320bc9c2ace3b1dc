// Texts of the scanning command (tsypatch scan), as Shift-JIS bytes like
// every other text.
#pragma once

namespace tsy::text {

extern const char kScanNotAvailable[];  // this build has no recognition engine
extern const char kScanEngineMissing[];
extern const char kScanUnreadable[];   // %s: the image
extern const char kScanNoListing[];    // %s: the image
extern const char kScanWriteFailed[];  // %s: the output path

// Places in a row: "+%X", and the other fields by name.
extern const char kScanAddress[];
extern const char kScanChecksum[];
extern const char kScanColumn[];  // %X: a SUM line's column
extern const char kScanTotal[];
extern const char kScanCrc[];

extern const char kScanCorrection[];  // %u %s %s %u %c %c: line, address, field, char, read, chosen
extern const char kScanDoubt[];  // %u %s %s %u %c %s: line, address, field, char, read, candidates
extern const char kScanGap[];    // %u %s: line, its address
extern const char kScanSummary[];  // %u %u %u %u: rows, verified, corrected, in doubt
extern const char kScanAllVerified[];
extern const char kScanNotVerified[];

}  // namespace tsy::text
