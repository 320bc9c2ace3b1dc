// Texts of the command line, as Shift-JIS bytes like every other text.
#pragma once

namespace tsy::text {

extern const char kCliUsage[];      // the whole --help text
extern const char kCliHint[];       // one line pointing to --help
extern const char kCliBadOffset[];  // %s: the offset as given
extern const char kCliMissingPaths[];
extern const char kCliExtraArgument[];            // %s
extern const char kCliBadOption[];                // %s
extern const char kCliMissingValue[];             // %s
extern const char kCliPathTooLong[];              // %s
extern const char kCliNotWritten[];               // the apply stopped; the file was left as it was
extern const char kCliDryRun[];                   // --dry-run: the file was left as it was
extern const char kCliCheckOnlyListingOptions[];  // %s
extern const char kCliScanOnlyListingOptions[];   // %s
extern const char kCliMissingImages[];

}  // namespace tsy::text

namespace tsy::text {

extern const char kCliDiffNone[];     // the apply changed no byte
extern const char kCliDiffCount[];    // %u: bytes changed
extern const char kCliDiffHeading[];  // the columns of the listing below

}  // namespace tsy::text
