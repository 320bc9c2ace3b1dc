// Texts of the command line, as Shift-JIS bytes like every other text: fixed
// texts as arrays, texts with values as functions writing into a TextOut.
#pragma once

#include "resources/message.h"

namespace tsy::text {

extern const char kCliUsage[];  // the whole --help text
extern const char kCliHint[];   // one line pointing to --help
void CliBadOffset(TextOut& out, const char* given);
extern const char kCliMissingPaths[];
void CliExtraArgument(TextOut& out, const char* given);
void CliBadOption(TextOut& out, const char* given);
void CliMissingValue(TextOut& out, const char* given);
void CliPathTooLong(TextOut& out, const char* given);
extern const char kCliNotWritten[];  // the apply stopped; the file was left as it was
extern const char kCliDryRun[];      // --dry-run: the file was left as it was
void CliCheckOnlyListingOptions(TextOut& out, const char* given);
extern const char kCliEmptyPath[];     // a path argument is empty
extern const char kCliOutputFailed[];  // standard output could not be written
void CliScanOnlyListingOptions(TextOut& out, const char* given);
extern const char kCliMissingImages[];  // scan without an image

}  // namespace tsy::text

namespace tsy::text {

// The bytes the apply wrote, and how many of them it changed (none).
void CliDiffCounts(TextOut& out, unsigned written, unsigned changed);
void CliDiffNoChange(TextOut& out, unsigned written);
extern const char kCliDiffHeading[];  // the columns of the listing below

}  // namespace tsy::text

namespace tsy::text {

// Option combinations the dialog's enable rules rule out.
void CliNeedsOption(TextOut& out, const char* option, const char* needed);
void CliConflictingOptions(TextOut& out, const char* option, const char* other);
// Before each warning of a completed apply, and the check command after them.
extern const char kCliWarning[];
void CliRunCheck(TextOut& out, const char* command);

}  // namespace tsy::text
