// Texts of the proofreading command (tsypatch check), as Shift-JIS bytes
// like every other text: fixed texts as arrays, texts with values as
// functions that write them into a TextOut.
#pragma once

#include "resources/message.h"

namespace tsy::text {

// The first line of a data line's finding: line number, address field, code.
void CheckDataHeading(TextOut& out, unsigned line, const char* address, const char* code);
// The same for a check line; the address is the last data line's.
void CheckCheckHeading(TextOut& out, unsigned line, const char* address, const char* code);
void CheckE00(TextOut& out, unsigned offset, const char* data);
void CheckE02(TextOut& out, const char* given, unsigned computed);
void CheckE03(TextOut& out, const char* given, unsigned computed);
void CheckE04(TextOut& out, unsigned offset, const char* data);
extern const char kCheckE05[];
// One mismatching column: its label, the given token, the computed sum.
void CheckE05Entry(TextOut& out, const char* column, const char* given, unsigned computed);
extern const char kCheckLeftOut[];
void CheckE06(TextOut& out, const char* given, unsigned computed);
void CheckE07(TextOut& out, const char* given, unsigned computed);
void CheckE08(TextOut& out, const char* given, unsigned computed);
void CheckE09(TextOut& out, unsigned first, unsigned last);
extern const char kCheckCertain[];
extern const char kCheckLikely[];
void CheckWrongByte(TextOut& out, const char* sure, unsigned column, const char* typed,
                    const char* right);
void CheckOneOfBytes(TextOut& out, const char* sure, unsigned column, const char* typed,
                     const char* right);
// `change` is the signed difference, such as "-0B".
void CheckLineOffBy(TextOut& out, const char* sure, const char* change);
void CheckChecksumToken(TextOut& out, const char* sure, const char* token, const char* right);
void CheckAddressField(TextOut& out, const char* sure, const char* typed, const char* right);
void CheckMisreading(TextOut& out, const char* sure, unsigned column, const char* token,
                     const char* reading);
void CheckChecksumMisreading(TextOut& out, const char* sure, const char* token,
                             const char* reading);
void CheckSumMisreading(TextOut& out, const char* sure, unsigned column, const char* token,
                        const char* reading);
void CheckExplainedBy(TextOut& out, const char* sure, unsigned line, const char* address,
                      unsigned column, const char* typed, const char* right);
void CheckColumnToken(TextOut& out, const char* sure, unsigned column, const char* token,
                      const char* right);
void CheckTotalToken(TextOut& out, const char* sure, const char* token, const char* right);
void CheckCrcToken(TextOut& out, const char* sure, const char* token, const char* right);
// `columns` lists the columns, each as " +c".
void CheckUnseenColumns(TextOut& out, const char* sure, const char* columns);
void CheckSwappedBytes(TextOut& out, const char* sure, unsigned line, const char* address,
                       unsigned column, unsigned column2, const char* typed, const char* right);
void CheckNotCounted(TextOut& out, unsigned line, const char* address);
// The block held more data lines than are kept for a diagnosis.
void CheckBlockTooLong(TextOut& out, unsigned lines);
void CheckMoreDiagnoses(TextOut& out, int count);
// The last line of a run; `blocks` 0 says that the listing has no check line.
void CheckSummary(TextOut& out, unsigned lines, unsigned data_lines, unsigned blocks,
                  unsigned errors, unsigned warnings, unsigned notes);
extern const char kCheckReadFailed[];

// The findings that are not refusals: the tag in place of an E code, then
// what the line shows.
extern const char kCheckTagSkipped[];
extern const char kCheckTagAddress[];
extern const char kCheckTagLookAlike[];
extern const char kCheckTagNote[];
extern const char kCheckSkippedLookAlike[];
extern const char kCheckSkippedShort[];
extern const char kCheckSkippedLong[];
extern const char kCheckSkippedIndented[];
extern const char kCheckSkippedFullWidth[];
extern const char kCheckTagTotal[];
extern const char kCheckTagFullWidth[];
// A line an apply takes with full-width characters: read alike half-width, or not.
extern const char kCheckFullWidthRead[];
extern const char kCheckFullWidthMisread[];
// A SumLine's total whose digits that an apply does not compare differ from `sum`.
void CheckTotalDigits(TextOut& out, const char* total, unsigned sum);
extern const char kCheckTagUnread[];
// `tokens` as typed after the checksum (`checksum`) or the last data token the reader keeps.
void CheckUnreadTokens(TextOut& out, const char* tokens, bool checksum);
void CheckStepStray(TextOut& out, unsigned expected);
void CheckStepSwapped(TextOut& out, unsigned expected);
// Bytes `first` to `last` are left out (`rows` whole rows, 0 when not whole).
void CheckStepGap(TextOut& out, unsigned expected, unsigned first, unsigned last, unsigned bytes,
                  unsigned rows);
void CheckStepOverlap(TextOut& out, unsigned expected, unsigned first, unsigned last,
                      unsigned bytes);
void CheckStepRepeat(TextOut& out, unsigned line);
void CheckStepBackward(TextOut& out, unsigned expected);
void CheckStepOffAddress(TextOut& out, unsigned expected);
void CheckStepRowLength(TextOut& out, unsigned expected);
void CheckStepJump(TextOut& out, unsigned from, unsigned to, bool at_check_line);
// `role` is one of the token names below; `read` the value in its digits.
void CheckLookAlike(TextOut& out, const char* role, const char* token, const char* read);
extern const char kCheckRoleChecksum[];
extern const char kCheckRoleTotal[];
extern const char kCheckRoleCrc[];

// Diagnoses that name lines and tokens.
void CheckAddressReading(TextOut& out, const char* sure, const char* typed, const char* right,
                         const char* sum_note);
void CheckIndentedReading(TextOut& out, const char* sure, const char* right, const char* sum_note);
extern const char kCheckSumAgrees[];
extern const char kCheckSumDisagrees[];
void CheckRowLength(TextOut& out, const char* sure, unsigned line, const char* address,
                    unsigned count, unsigned width);
// `bytes` as "53 59 ..."; `checksum` empty without line sums.
void CheckMissingLine(TextOut& out, const char* sure, const char* address, const char* bytes,
                      const char* checksum);
void CheckDuplicate(TextOut& out, const char* sure, unsigned line, bool by_sums);
void CheckSkippedCounts(TextOut& out, const char* sure, unsigned line, const char* typed);
void CheckMissingCounts(TextOut& out, const char* sure, unsigned line, const char* address);
void CheckRepeatCounts(TextOut& out, const char* sure, unsigned line, const char* address);
void CheckRowShortfall(TextOut& out, const char* bytes);
extern const char kCheckLinesNotInSums[];
// `sum` the block's total in two digits; `fits` whether the token gives it.
void CheckTwoDigitTotal(TextOut& out, const char* token, const char* sum, bool fits);
void CheckTokenMisreading(TextOut& out, const char* sure, const char* role, const char* token,
                          const char* reading);
void CheckMissingLineUnknown(TextOut& out, const char* sure, const char* address);
// `row` is the row as meant, as "53 59 ...".
void CheckDoubledByte(TextOut& out, const char* sure, unsigned column, const char* typed,
                      const char* row);
void CheckDroppedByte(TextOut& out, const char* sure, unsigned column, const char* right,
                      const char* row);
void CheckExtraColumn(TextOut& out, const char* sure, unsigned column, const char* token);
void CheckStrayLine(TextOut& out, const char* sure, unsigned line, const char* address);
// `other` the line it goes before (`after`: after), 0 for the end of the block before.
void CheckMovedLine(TextOut& out, const char* sure, unsigned line, const char* address,
                    const char* right, unsigned other, bool after);
void CheckStrayCounts(TextOut& out, const char* sure, unsigned line, const char* address);
void CheckMovedHere(TextOut& out, const char* sure, unsigned line, const char* typed,
                    const char* address);
void CheckSwappedLines(TextOut& out, const char* sure, unsigned line, const char* address);
void CheckFullWidth(TextOut& out, const char* sure, const char* token, const char* reading);

// check --fix: what was written where, and the places left as typed.
void CheckFixWritten(TextOut& out, unsigned made, const char* path);
void CheckFixLine(TextOut& out, unsigned line);
extern const char kCheckFixLeft[];
extern const char kCheckFixNotMade[];
void CheckFixSameFile(TextOut& out, const char* path);
void CheckFixCannotWrite(TextOut& out, const char* path);

// Other conventions: `options` as command-line options, empty for none.
void CheckHintClean(TextOut& out, const char* options);
void CheckHintNoSums(TextOut& out, const char* options);
void CheckHintFewer(TextOut& out, const char* options, unsigned from, unsigned to);
void CheckDetectNone(TextOut& out, const char* options, unsigned count);

}  // namespace tsy::text
