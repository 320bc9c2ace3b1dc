// Every text the program shows, as Shift-JIS (code page 932) bytes.
//
// The definitions in texts.cpp are written in UTF-8 and compiled with
// -fexec-charset=CP932, so the bytes are exact Shift-JIS at run time. Fixed
// texts are arrays; a text with values is a function that writes it, with
// the values' types in its signature, into a TextOut.
#pragma once

#include <cstdint>

#include "resources/message.h"

namespace tsy::text {

// Caption of the main dialog and of every message box; the About box.
extern const char kProductTitle[];
extern const char kVersion[];

// ---- State-save image ----------------------------------------------------
extern const char kFormatWarning[];
extern const char kFormatWhatToCheck[];   // follows the format warning
extern const char kStateOpenFailed[];     // the load's open, and the write-back's
extern const char kStateReadFailed[];     // a short read
extern const char kStateWriteFailed[];    // a short write or a failed flush
extern const char kStateBackupTooLong[];  // the backup's name is over the path limit
extern const char kNoStateImage[];        // an operation needs an image and none is held
void StateSizeFailed(TextOut& out, int code);
void StateMemoryFailed(TextOut& out, int code);
// The rename to the backup failed.
void StateBackupFailed(TextOut& out, int code);
// Moving the new file into place failed; the previous file is still in place.
void StateReplaceFailed(TextOut& out, int code);
// Load: the path names a folder, a device, a FIFO or the like.
extern const char kStateNotRegular[];
// Write-back refusals; nothing was changed.
extern const char kStateChanged[];              // the file is no longer the one loaded
extern const char kStateReadOnly[];             // the file is read-only
extern const char kStateHardLinked[];           // the file has further names
extern const char kStateBackupNotKept[];        // the backup's name holds no regular file
void StateTempFailed(TextOut& out, int code);   // the temporary file cannot be created
void StateLockFailed(TextOut& out, int code);   // another write-back holds the file
void StateCheckFailed(TextOut& out, int code);  // the file's state cannot be had
extern const char kStateMissing[];              // the file is gone since the load
// What of the file the new file cannot be given: `what` one of the names
// below, `name` the extended attribute's own name (or empty).
void StateAttributesFailed(TextOut& out, const char* what, const char* name, int code);
extern const char kAttributeOwner[];
extern const char kAttributeGroup[];
extern const char kAttributePermissions[];
extern const char kAttributeAccessList[];
extern const char kAttributeExtended[];
extern const char kAttributeFile[];

// ---- Binary dump placement -----------------------------------------------
extern const char kDumpOpenFailed[];
extern const char kDumpReadFailed[];
void DumpSizeFailed(TextOut& out, int code);
void DumpTooLarge(TextOut& out, std::uint64_t size);
// Nothing to place: an empty dump, or a UNIX text no longer than its header.
void DumpEmpty(TextOut& out, unsigned size, bool unix_text);
void DumpMemoryFailed(TextOut& out, int code);
// The range would reach outside an image of `image_size` bytes.
void DumpOutsideImage(TextOut& out, unsigned first, unsigned last, unsigned image_size);
// The completion of a placement or a listing: the written range.
void PlacedRange(TextOut& out, unsigned first, unsigned last);

// ---- Listing reader --------------------------------------------------------
// A listing that gave not one byte: the likely cause, then that nothing was
// written.
void NothingRead(TextOut& out, const char* cause);
extern const char kNothingReadStateFile[];   // the listing is a state-save file
extern const char kNothingReadZeroBytes[];   // zero bytes: UTF-16 without its mark, a binary
extern const char kNothingReadNoDataLine[];  // no line starts with four hexadecimal digits
extern const char kNothingReadNoBytes[];     // data lines, but none stored a byte
extern const char kListingReadFailed[];      // reading stopped at an error
extern const char kListingTooLarge[];        // more than any real listing (256 MB)
extern const char kListingEndlessLine[];     // a line with no line feed in 1 MB
// The listing could not be opened; `error` is the C library's error number.
void ListingOpenFailed(TextOut& out, int error);
void ReportE00(TextOut& out, const char* address, unsigned offset, const char* data);
void ReportE02(TextOut& out, const char* address, const char* given, unsigned computed);
void ReportE03(TextOut& out, const char* address, const char* given, unsigned computed);
void ReportE04(TextOut& out, const char* address, unsigned offset, const char* data);
void ReportE05Heading(TextOut& out, const char* address);
extern const char kReportE05EntryIndent[];  // two ideographic spaces and '+'
extern const char kReportE05EntrySpace[];   // one ideographic space
extern const char kReportE05Omitted[];      // marks entries left out for lack of room
extern const char kReportE05Tail[];
void ReportE06(TextOut& out, const char* address, const char* given, unsigned computed);
void ReportE07(TextOut& out, const char* address, const char* given, unsigned computed);
void ReportE08(TextOut& out, const char* address, const char* given, unsigned computed);
// A store outside the image or past the last address.
void ReportE09(TextOut& out, const char* address, unsigned first, unsigned last,
               unsigned image_size);

// ---- Main dialog and commands ----------------------------------------------
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
// Marks the end of a text cut for lack of room.
extern const char kTextCut[];
// Above the findings of the whole listing, below a listing's report.
extern const char kDialogFindingsHeading[];
// In their place when the listing cannot be read again (a pipe, a FIFO).
extern const char kFindingsNotShown[];
// The box after a completed apply with warnings: its first line, the line
// after the first ones listed, how many warnings there are in all.
void DialogWarningsHeading(TextOut& out, unsigned count);
void DialogMoreWarnings(TextOut& out, unsigned more);
// Characters of the listing with no Shift-JIS form, read as "〓".
void SubstitutedCharacters(TextOut& out, unsigned count);
// A page image named as the dump: where the listing read from it was
// written (below the completion); the report when rows remain in doubt and
// nothing was applied, the heading of the scan's report below it, and what
// to do.
void PageListingWritten(TextOut& out, const char* listing);
void PageInDoubt(TextOut& out, const char* listing);
extern const char kDialogPageReportHeading[];
extern const char kDialogPageMend[];

// ---- The system's reasons, for the failures a user can act on --------------
extern const char kReasonNotFound[];
extern const char kReasonAccessDenied[];
extern const char kReasonInUse[];
extern const char kReasonIsFolder[];
extern const char kReasonDiskFull[];

// ---- Putting the backup back ------------------------------------------------
extern const char kRestoreDone[];
extern const char kRestoreSame[];              // the file held the backup's bytes already
extern const char kRestoreNoBackup[];          // no ".old" beside the file
extern const char kRestoreBackupUnreadable[];  // the ".old" cannot be read, or is no file

}  // namespace tsy::text
