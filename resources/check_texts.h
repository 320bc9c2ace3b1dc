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
void CheckMoreDiagnoses(TextOut& out, int count);
// The last line of a run.
void CheckSummary(TextOut& out, unsigned lines, unsigned data_lines, unsigned blocks,
                  unsigned findings);
extern const char kCheckReadFailed[];

}  // namespace tsy::text
