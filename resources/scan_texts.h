// Texts of the scanning command (tsypatch scan), as Shift-JIS bytes like
// every other text: fixed texts as arrays, texts with values as functions
// that write them into a TextOut.
#pragma once

#include "resources/message.h"

namespace tsy::text {

extern const char kScanEngineMissing[];
extern const char kScanUnreadable[];   // an image could not be read (its path follows)
extern const char kScanNoListing[];    // no listing on an image (its path follows)
extern const char kScanWriteFailed[];  // the listing could not be written (its path follows)

// Places in a row: "+k", and the other fields by name.
extern const char kScanAddress[];
extern const char kScanChecksum[];
void ScanColumn(TextOut& out, unsigned column);  // a SUM line's column
extern const char kScanTotal[];
extern const char kScanCrc[];

// A character the sums corrected: line, address, field, character, read, chosen.
void ScanCorrection(TextOut& out, unsigned line, const char* address, const char* field,
                    unsigned character, char read, char chosen);
// A character still in doubt: line, address, field, character, read, candidates.
void ScanDoubt(TextOut& out, unsigned line, const char* address, const char* field,
               unsigned character, char read, const char* candidates);
// Rows left out before a line.
void ScanGap(TextOut& out, unsigned line, const char* address);
void ScanSummary(TextOut& out, unsigned rows, unsigned verified, unsigned corrected,
                 unsigned in_doubt);
extern const char kScanAllVerified[];
extern const char kScanNotVerified[];

}  // namespace tsy::text
