// Texts of the command line, as Shift-JIS bytes like every other text: fixed
// texts as arrays, texts with values as functions writing into a TextOut.
// `program` is the name the command line was called by.
#pragma once

#include "resources/message.h"

namespace tsy::text {

// ---- Help: each subcommand's usage, what it does, its exit statuses --------
void CliUsageApply(TextOut& out, const char* program);  // every subcommand's synopsis
void CliUsageCheck(TextOut& out, const char* program);
void CliUsageScan(TextOut& out, const char* program);
void CliUsageRestore(TextOut& out, const char* program);
extern const char kCliAboutApply[];
extern const char kCliAboutCheck[];
extern const char kCliAboutScan[];
extern const char kCliAboutRestore[];
void CliMoreHelp(TextOut& out, const char* program);  // where the subcommands' help is
extern const char kCliExitApply[];
extern const char kCliExitCheck[];
extern const char kCliExitScan[];
extern const char kCliExitRestore[];
// One line pointing to the help of the subcommand `command` ("" for an apply).
void CliHint(TextOut& out, const char* program, const char* command);

// The help of each option.
extern const char kCliOptionBinary[];
extern const char kCliOptionStart[];
extern const char kCliOptionUnixText[];
extern const char kCliOptionOffset[];
extern const char kCliOptionOutput[];
extern const char kCliOptionAnnotate[];
extern const char kCliOptionNoChecksum[];
extern const char kCliOptionAddressSum[];
extern const char kCliOptionLowerAddressOnly[];
extern const char kCliOptionOhMz[];
extern const char kCliOptionOhX[];
extern const char kCliOptionDetect[];
extern const char kCliOptionFix[];
extern const char kCliOptionNoFormatCheck[];
extern const char kCliOptionDryRun[];
extern const char kCliOptionWritePartial[];
extern const char kCliOptionDiff[];
extern const char kCliOptionHelp[];
extern const char kCliOptionVersion[];

// ---- Usage errors --------------------------------------------------------------
void CliBadOffset(TextOut& out, const char* given);
void CliBadStart(TextOut& out, const char* given);
extern const char kCliMissingPaths[];         // an apply without its two files
extern const char kCliMissingListing[];       // check without a listing
extern const char kCliMissingImages[];        // scan without an image
extern const char kCliMissingRestoreState[];  // restore without its file
void CliExtraArgument(TextOut& out, const char* given);
void CliBadOption(TextOut& out, const char* given);
void CliMissingValue(TextOut& out, const char* given);
void CliPathTooLong(TextOut& out, const char* given);
extern const char kCliEmptyPath[];  // a path argument is empty
// An option the subcommand `command` does not take.
void CliNotForCommand(TextOut& out, const char* command, const char* given);
// Option combinations the dialog's enable rules rule out.
void CliNeedsOption(TextOut& out, const char* option, const char* needed);
void CliConflictingOptions(TextOut& out, const char* option, const char* other);

// ---- An apply ----------------------------------------------------------------
extern const char kCliNotWritten[];  // the apply stopped; the file was left as it was
// The state-save file failed the format check: refused, and how to apply.
extern const char kCliFormatRefused[];
// ... and the dump passes it: the two files are given the wrong way round.
void CliSwapped(TextOut& out, const char* program);

extern const char kCliDryRun[];        // --dry-run: the file was left as it was
extern const char kCliOutputFailed[];  // standard output could not be written
// The bytes the apply wrote, and how many of them it changed (none).
void CliDiffCounts(TextOut& out, unsigned written, unsigned changed);
void CliDiffNoChange(TextOut& out, unsigned written);
extern const char kCliDiffHeading[];  // the columns of the listing below
// Before each warning of a completed apply, and the check command after them.
extern const char kCliWarning[];
void CliRunCheck(TextOut& out, const char* command);
// After the first warnings: how many more there are, and the check command.
void CliMoreWarnings(TextOut& out, unsigned more, const char* command);

}  // namespace tsy::text
