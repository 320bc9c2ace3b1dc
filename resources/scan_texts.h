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
// An annotated page image could not be made or written (its path follows).
extern const char kScanAnnotateFailed[];
// An annotation would be written over a page image read or the listing.
void ScanAnnotateSameFile(TextOut& out, const char* path);

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
// Rows left out before a line; after a check line, where another listing
// may begin as well as a block be lost.
void ScanGap(TextOut& out, unsigned line, const char* address);
void ScanGapAfterBlock(TextOut& out, unsigned line, const char* address);
// A row verified by its own line checksum alone, its block's check line not
// agreeing or not searched: line, address.
void ScanAlone(TextOut& out, unsigned line, const char* address);
// A SUM line with fewer column sums than its rows have bytes, left
// unverified: line, address, how many it lacks.
void ScanSumColumnsMissing(TextOut& out, unsigned line, const char* address, unsigned missing);
// A row whose address was not read, written with the one the rows around
// it call for: line, address.
void ScanAddressFromNeighbours(TextOut& out, unsigned line, const char* address);
// Rows of the page that looked like listing rows but could not be read as
// one, before a line.
void ScanSkipped(TextOut& out, unsigned line, unsigned rows);
// SUM or dashed lines (a block's check line) that could not be read, before
// a line, or after the last.
void ScanCheckLineSkipped(TextOut& out, unsigned line, unsigned rows);
void ScanCheckLineSkippedAtEnd(TextOut& out, unsigned rows);
// Of several images, the lines read from one (its number as given, from 1).
void ScanLinesOfImage(TextOut& out, unsigned first, unsigned last, unsigned image);
void ScanSummary(TextOut& out, unsigned rows, unsigned verified, unsigned corrected,
                 unsigned in_doubt);
// A listing without sums: nothing could be verified; the least certain
// characters that follow (how many are named, of how many with another
// reading); the verdict.
extern const char kScanNoSums[];
void ScanLeastCertain(TextOut& out, unsigned named, unsigned uncertain);
extern const char kScanNothingVerified[];
extern const char kScanAllVerified[];
extern const char kScanNotVerified[];

}  // namespace tsy::text
