// Texts of the proofreading command (tsypatch check), as Shift-JIS bytes
// like every other text. Values come pre-formatted as %s where their width
// varies; %u is a line number or a count.
#pragma once

namespace tsy::text {

// The first line of a finding: line number, address field, code; then the
// line's own report.
extern const char kCheckDataHeading[];   // %u %s %s
extern const char kCheckCheckHeading[];  // %u %s %s: the address is the last data line's
extern const char kCheckE00[];           // %02X %s
extern const char kCheckE02[];           // %s %03X
extern const char kCheckE03[];           // %s %02X
extern const char kCheckE04[];           // %02X %s
extern const char kCheckE05[];
extern const char kCheckE05Entry[];  // %s %s %02X: column label, given token, computed
extern const char kCheckLeftOut[];   // marks entries left out
extern const char kCheckE06[];       // %s %02X
extern const char kCheckE07[];       // %s %04X
extern const char kCheckE08[];       // %s %04X
extern const char kCheckE09[];       // %04X %X

// Diagnoses, one line each; the first %s is kCheckCertain or kCheckLikely.
extern const char kCheckCertain[];
extern const char kCheckLikely[];
extern const char kCheckWrongByte[];           // %s %X %s %s
extern const char kCheckOneOfBytes[];          // %s %X %s %s
extern const char kCheckLineOffBy[];           // %s %s: the signed change
extern const char kCheckChecksumToken[];       // %s %s %s
extern const char kCheckAddressField[];        // %s %s %s
extern const char kCheckMisreading[];          // %s %X %s %s
extern const char kCheckChecksumMisreading[];  // %s %s %s
extern const char kCheckSumMisreading[];       // %s %X %s %s
extern const char kCheckExplainedBy[];         // %s %u %s %X %s %s
extern const char kCheckColumnToken[];         // %s %X %s %s
extern const char kCheckTotalToken[];          // %s %s %s
extern const char kCheckCrcToken[];            // %s %s %s
extern const char kCheckUnseenColumns[];       // %s %s: the columns, each " +c"
extern const char kCheckSwappedBytes[];        // %s %u %s %X %X %s %s
extern const char kCheckNotCounted[];          // %u %s
extern const char kCheckMoreDiagnoses[];       // %d

// The last line of a run, and its failure.
extern const char kCheckSummary[];     // %u %u %u %u: lines, data lines, blocks, findings
extern const char kCheckReadFailed[];  // reading stopped on an error

}  // namespace tsy::text
