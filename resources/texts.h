// Every text the program shows, as Shift-JIS (code page 932) bytes.
//
// The definitions in texts.cpp are written in UTF-8 and compiled with
// -fexec-charset=CP932, so the bytes here are exact Shift-JIS at run time.
// Texts with printf conversions are formats for a bounded snprintf.
#pragma once

namespace tsy::text {

// Caption of the main dialog and of every message box; the About box.
extern const char kProductTitle[];
extern const char kVersion[];

// State-save image.
extern const char kFormatWarning[];
extern const char kStateOpenFailed[];                 // L1, W1
extern const char kStateSizeFailed[];                 // L2: %d
extern const char kStateMemoryFailed[];               // L3: %d
extern const char kStateReadFailed[];                 // L4
extern const char kStateWriteFailed[];                // W2
extern const char kStateBackupTooLong[];              // backup name over the path limit
extern const char kStateBackupFailed[];               // rename to the backup failed: %d
extern const char kStateReplaceFailed[];              // moving the new file into place failed: %d
extern const char kStateReplaceFailedKeptAsBackup[];  // ... and the previous file stays as .old: %d
extern const char kNoStateImage[];  // an operation needs an image and none is held

// Binary dump placement.
extern const char kDumpOpenFailed[];    // D1
extern const char kDumpSizeFailed[];    // D2: %d
extern const char kDumpTooLarge[];      // D3: %u, the size
extern const char kDumpMemoryFailed[];  // D4: %d
extern const char kDumpReadFailed[];    // D5
extern const char kDumpOutsideImage[];  // range outside the image: %04X %04X %u
extern const char kPlacedRange[];       // completion: %04X %04X

// Listing reader.
extern const char kListingReadFailed[];     // reading stopped at an error
extern const char kListingOpenFailed[];     // %d, the C library's errno
extern const char kReportE00[];             // %s %02X %s
extern const char kReportE02[];             // %s %s %03X
extern const char kReportE03[];             // %s %s %02X
extern const char kReportE04[];             // %s %02X %s
extern const char kReportE05Heading[];      // %s
extern const char kReportE05EntryIndent[];  // two ideographic spaces and '+'
extern const char kReportE05EntrySpace[];   // one ideographic space
extern const char kReportE05Omitted[];      // marks entries left out for lack of room
extern const char kReportE05Tail[];
extern const char kReportE06[];  // %s %s %02X
extern const char kReportE07[];  // %s %s %04X
extern const char kReportE08[];  // %s %s %04X
extern const char kReportE09[];  // %s %04X %04X %u: a store outside the image

// Main dialog and commands.
extern const char kNeedStatePath[];
extern const char kNeedDumpPath[];
extern const char kReplaceState[];
extern const char kWriteComplete[];
extern const char kStateFilterName[];  // "... (*.tsy)"
extern const char kStateFilterPattern[];
extern const char kStateChooseTitle[];
extern const char kDumpFilterName[];
extern const char kDumpFilterPattern[];
extern const char kDumpChooseTitle[];

}  // namespace tsy::text
