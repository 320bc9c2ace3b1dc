// The proofreading command's texts in UTF-8; compiled with -fexec-charset=CP932.
#include "resources/check_texts.h"

namespace tsy::text {

void CheckDataHeading(TextOut& out, unsigned line, const char* address, const char* code) {
    out.Format("%u行目 アドレス:%s (%s) ", line, address, code);
}

void CheckCheckHeading(TextOut& out, unsigned line, const char* address, const char* code) {
    out.Format("%u行目 直前アドレス:%s (%s) ", line, address, code);
}

void CheckE00(TextOut& out, unsigned offset, const char* data) {
    out.Format("データエラー オフセット:%02X データ:%s", offset, data);
}

void CheckE02(TextOut& out, const char* given, unsigned computed) {
    out.Format("チェックサムエラー 指定:%s 算出:%03X", given, computed);
}

void CheckE03(TextOut& out, const char* given, unsigned computed) {
    out.Format("チェックサムエラー 指定:%s 算出:%02X", given, computed);
}

void CheckE04(TextOut& out, unsigned offset, const char* data) {
    out.Format("チェックサム部データエラー オフセット:+%02X データ:%s", offset, data);
}

const char kCheckE05[] = "縦チェックサムエラー";
void CheckE05Entry(TextOut& out, const char* column, const char* given, unsigned computed) {
    out.Format(" +%s %s/%02X", column, given, computed);
}

const char kCheckLeftOut[] = " …";
void CheckE06(TextOut& out, const char* given, unsigned computed) {
    out.Format("縦横チェックサムエラー 指定:%s 算出:%02X", given, computed);
}

void CheckE07(TextOut& out, const char* given, unsigned computed) {
    out.Format("ＣＲＣエラー 指定:%s 算出:%04X", given, computed);
}

void CheckE08(TextOut& out, const char* given, unsigned computed) {
    out.Format("縦横チェックサムエラー 指定:%s 算出:%04X", given, computed);
}

void CheckE09(TextOut& out, unsigned first, unsigned last) {
    out.Format("アドレス範囲エラー $%04X - $%X は $FFFF を越えます", first, last);
}

const char kCheckCertain[] = "確定";
const char kCheckLikely[] = "推定";
void CheckWrongByte(TextOut& out, const char* sure, unsigned column, const char* typed,
                    const char* right) {
    out.Format("　%s: +%X のデータ %s は %s の誤り", sure, column, typed, right);
}

void CheckOneOfBytes(TextOut& out, const char* sure, unsigned column, const char* typed,
                     const char* right) {
    out.Format("　%s: +%X のデータ %s が %s の誤りかもしれません(候補の一つ)", sure, column, typed,
               right);
}

void CheckLineOffBy(TextOut& out, const char* sure, const char* change) {
    out.Format("　%s: この行のどれか1バイトが %s ずれています", sure, change);
}

void CheckChecksumToken(TextOut& out, const char* sure, const char* token, const char* right) {
    out.Format("　%s: チェックサム %s は %s の誤り(ブロックのサムは合っています)", sure, token,
               right);
}

void CheckAddressField(TextOut& out, const char* sure, const char* typed, const char* right) {
    out.Format("　%s: アドレス %s は %s の誤り(前の行から続くアドレス)", sure, typed, right);
}

void CheckMisreading(TextOut& out, const char* sure, unsigned column, const char* token,
                     const char* reading) {
    out.Format("　%s: +%X のデータ %s は %s の読み違い(チェックサムが合います)", sure, column,
               token, reading);
}

void CheckChecksumMisreading(TextOut& out, const char* sure, const char* token,
                             const char* reading) {
    out.Format("　%s: チェックサム %s は %s の読み違い", sure, token, reading);
}

void CheckSumMisreading(TextOut& out, const char* sure, unsigned column, const char* token,
                        const char* reading) {
    out.Format("　%s: +%X の %s は %s の読み違い(縦のサムが合います)", sure, column, token,
               reading);
}

void CheckExplainedBy(TextOut& out, const char* sure, unsigned line, const char* address,
                      unsigned column, const char* typed, const char* right) {
    out.Format("　%s: %u行目 %s の +%X のデータ(%s → %s)の誤りによるもの", sure, line, address,
               column, typed, right);
}

void CheckColumnToken(TextOut& out, const char* sure, unsigned column, const char* token,
                      const char* right) {
    out.Format("　%s: +%X の %s は %s の誤り(どの行のチェックサムも合っています)", sure, column,
               token, right);
}

void CheckTotalToken(TextOut& out, const char* sure, const char* token, const char* right) {
    out.Format("　%s: 合計 %s は %s の誤り", sure, token, right);
}

void CheckCrcToken(TextOut& out, const char* sure, const char* token, const char* right) {
    out.Format("　%s: ＣＲＣ %s は %s の誤り", sure, token, right);
}

void CheckUnseenColumns(TextOut& out, const char* sure, const char* columns) {
    out.Format(
        "　%s: 列%s "
        "に行のチェックサムに表れない誤り(1行の中のバイトの入れ替え、打ち消し合う誤りなど)",
        sure, columns);
}

void CheckSwappedBytes(TextOut& out, const char* sure, unsigned line, const char* address,
                       unsigned column, unsigned column2, const char* typed, const char* right) {
    out.Format("　%s: %u行目 %s の +%X と +%X の入れ替え(%s → %s)", sure, line, address, column,
               column2, typed, right);
}

void CheckBlockTooLong(TextOut& out, unsigned lines) {
    out.Format("　注意: このブロックは %u 行を超えるため、誤りの場所は診断していません", lines);
}

void CheckNotCounted(TextOut& out, unsigned line, const char* address) {
    out.Format("　注意: %u行目 %s は読めないデータがあるため、このブロックのサムに入っていません",
               line, address);
}

void CheckMoreDiagnoses(TextOut& out, int count) {
    out.Format("　ほか %d 件", count);
}

void CheckSummary(TextOut& out, unsigned lines, unsigned data_lines, unsigned blocks,
                  unsigned errors, unsigned warnings, unsigned notes) {
    if (blocks > 0) {
        out.Format("検査結果: %u行を読み、データ行 %u、ブロック %u、エラー %u、警告 %u", lines,
                   data_lines, blocks, errors, warnings);
    } else {
        out.Format("検査結果: %u行を読み、データ行 %u(チェック行なし)、エラー %u、警告 %u", lines,
                   data_lines, errors, warnings);
    }
    if (notes > 0) {
        out.Format("、注記 %u", notes);
    }
}

const char kCheckReadFailed[] = "ダンプファイルの読み込み中にエラーが発生しました";

const char kCheckTagSkipped[] = "読み飛ばし";
const char kCheckTagAddress[] = "アドレス";
const char kCheckTagLookAlike[] = "読み違い";
const char kCheckTagNote[] = "注記";
const char kCheckSkippedLookAlike[] =
    "アドレスに16進数でない文字があり、データ行として読まれません";
const char kCheckSkippedShort[] = "アドレスが3桁で、データ行として読まれません";
const char kCheckSkippedLong[] = "アドレスが5桁で $FFFF を越え、データ行として読まれません";
const char kCheckSkippedIndented[] = "行頭に空白があり、データ行として読まれません";
const char kCheckSkippedFullWidth[] = "全角文字で書かれていて、データ行として読まれません";
const char kCheckTagTotal[] = "合計";
const char kCheckTagFullWidth[] = "全角";
const char kCheckFullWidthRead[] = "全角文字があります(半角で読んでも同じデータです)";
const char kCheckFullWidthMisread[] = "全角文字があり、半角で読むと違うデータになります";

const char kCheckTagUnread[] = "読み残し";

void CheckUnreadTokens(TextOut& out, const char* tokens, bool checksum) {
    out.Format(checksum ? "チェックサムの後の %s は読まれません(バイトを重ねて打ったかもしれません)"
                        : "17個目のデータの後の %s は読まれません",
               tokens);
}

void CheckTotalDigits(TextOut& out, const char* total, unsigned sum) {
    out.Format(
        "合計 %s の上位の桁が合いません(ブロックの合計は %04X。書き込みでは下2桁だけを比べます)",
        total, sum);
}

void CheckStepStray(TextOut& out, unsigned expected) {
    out.Format("前の行から続くアドレスは %04X で、次の行はそこから続いています", expected);
}

void CheckStepSwapped(TextOut& out, unsigned expected) {
    out.Format("前の行から続くアドレスは %04X で、次の行のアドレスです", expected);
}

void CheckStepGap(TextOut& out, unsigned expected, unsigned first, unsigned last, unsigned bytes,
                  unsigned rows) {
    out.Format("前の行から続くアドレスは %04X で、%04X - %04X の %u バイトが抜けています", expected,
               first, last, bytes);
    if (rows > 0) {
        out.Format("(%u 行分)", rows);
    }
}

void CheckStepOverlap(TextOut& out, unsigned expected, unsigned first, unsigned last,
                      unsigned bytes) {
    out.Format("前の行から続くアドレスは %04X で、%04X - %04X の %u バイトが既に書かれています",
               expected, first, last, bytes);
}

void CheckStepRepeat(TextOut& out, unsigned line) {
    out.Format("%u行目と同じアドレスです", line);
}

void CheckStepBackward(TextOut& out, unsigned expected) {
    out.Format("前の行から続くアドレス %04X より前に戻っています", expected);
}

void CheckStepOffAddress(TextOut& out, unsigned expected) {
    out.Format("前後の行から続くアドレスは %04X です", expected);
}

void CheckStepRowLength(TextOut& out, unsigned expected) {
    out.Format("前の行から続くアドレスは %04X です", expected);
}

void CheckStepJump(TextOut& out, unsigned from, unsigned to, bool at_check_line) {
    out.Format("%04X の続きではなく %04X から始まります(%s)", from, to,
               at_check_line ? "チェック行の後の新しいブロック" : "区切りのよい新しい領域");
}

void CheckLookAlike(TextOut& out, const char* role, const char* token, const char* read) {
    out.Format("%s %s を %s と読みました", role, token, read);
}

const char kCheckRoleChecksum[] = "チェックサム";
const char kCheckRoleTotal[] = "合計";
const char kCheckRoleCrc[] = "ＣＲＣ";

void CheckAddressReading(TextOut& out, const char* sure, const char* typed, const char* right,
                         const char* sum_note) {
    out.Format("　%s: アドレス %s は %s の誤り%s", sure, typed, right, sum_note);
}

void CheckIndentedReading(TextOut& out, const char* sure, const char* right, const char* sum_note) {
    out.Format("　%s: 行頭の空白を除くとアドレス %s の行です%s", sure, right, sum_note);
}

const char kCheckSumAgrees[] = "(この行のチェックサムが合います)";
const char kCheckSumDisagrees[] = "(この行のチェックサムは合いません)";

void CheckRowLength(TextOut& out, const char* sure, unsigned line, const char* address,
                    unsigned count, unsigned width) {
    out.Format("　%s: %u行目 %s のデータは %u バイトで、前後の行(%u バイト)と違います", sure, line,
               address, count, width);
}

void CheckMissingLine(TextOut& out, const char* sure, const char* address, const char* bytes,
                      const char* checksum) {
    out.Format("　%s: 抜けている行は %s %s", sure, address, bytes);
    if (*checksum != '\0') {
        out.Format("(チェックサム %s)", checksum);
    }
}

void CheckDuplicate(TextOut& out, const char* sure, unsigned line, bool by_sums) {
    out.Format("　%s: %u行目の繰り返しです%s", sure, line,
               by_sums ? "(縦のサムの超過がこの行のデータと一致します)" : "(同じデータです)");
}

void CheckSkippedCounts(TextOut& out, const char* sure, unsigned line, const char* typed) {
    out.Format("　%s: %u行目(アドレス %s)が読み飛ばされたための差です", sure, line, typed);
}

void CheckMissingCounts(TextOut& out, const char* sure, unsigned line, const char* address) {
    out.Format("　%s: %u行目の前に抜けている行 %s による差です", sure, line, address);
}

void CheckRepeatCounts(TextOut& out, const char* sure, unsigned line, const char* address) {
    out.Format("　%s: %u行目 %s を重ねて数えたための差です", sure, line, address);
}

void CheckRowShortfall(TextOut& out, const char* bytes) {
    out.Format(
        "　推定: "
        "1行分のデータ(%s)が足りないか多すぎます。行の抜け、重複、読み飛ばしを確かめてください",
        bytes);
}

const char kCheckLinesNotInSums[] =
    "　注意: 読み飛ばされた行か抜けている行があるため、列の差から誤りを特定できません";

void CheckTwoDigitTotal(TextOut& out, const char* token, const char* sum, bool fits) {
    out.Format(
        "　注意: 最後の %s は2桁で書いた合計のようです。この形式では合計を3桁か4桁で読みます",
        token);
    if (fits) {
        out.Format("(00%s と書けば合計として合います)", token);
    } else {
        out.Format("(合計の下2桁は %s)", sum);
    }
}

void CheckTokenMisreading(TextOut& out, const char* sure, const char* role, const char* token,
                          const char* reading) {
    out.Format("　%s: %s %s は %s の読み違い", sure, role, token, reading);
}

void CheckMissingLineUnknown(TextOut& out, const char* sure, const char* address) {
    out.Format("　%s: アドレス %s の行が抜けています(データはサムからわかりません)", sure, address);
}

void CheckDoubledByte(TextOut& out, const char* sure, unsigned column, const char* typed,
                      const char* row) {
    out.Format("　%s: +%X のデータ %s が余分に打たれています(正しい行: %s)", sure, column, typed,
               row);
}

void CheckDroppedByte(TextOut& out, const char* sure, unsigned column, const char* right,
                      const char* row) {
    out.Format("　%s: +%X にデータ %s が抜けています(正しい行: %s)", sure, column, right, row);
}

void CheckExtraColumn(TextOut& out, const char* sure, unsigned column, const char* token) {
    out.Format("　%s: 縦チェックサム +%X の %s が余分に打たれています(データ行は打たれたとおり)",
               sure, column, token);
}

void CheckStrayLine(TextOut& out, const char* sure, unsigned line, const char* address) {
    out.Format("　%s: %u行目 %s はこのブロックの行ではありません(縦のサムに入りません)", sure, line,
               address);
}

void CheckMovedLine(TextOut& out, const char* sure, unsigned line, const char* address,
                    const char* right, unsigned other, bool after) {
    if (other == 0) {
        out.Format("　%s: %u行目 %s は前のブロックの最後(アドレス %s)に入る行です", sure, line,
                   address, right);
    } else {
        out.Format("　%s: %u行目 %s は %u行目の%s(アドレス %s)に入る行です", sure, line, address,
                   other, after ? "後" : "前", right);
    }
}

void CheckStrayCounts(TextOut& out, const char* sure, unsigned line, const char* address) {
    out.Format("　%s: %u行目 %s がこのブロックの行でないための差です", sure, line, address);
}

void CheckMovedHere(TextOut& out, const char* sure, unsigned line, const char* typed,
                    const char* address) {
    out.Format("　%s: %u行目に打たれた行 %s がここ(アドレス %s)に入ります", sure, line, typed,
               address);
}

void CheckSwappedLines(TextOut& out, const char* sure, unsigned line, const char* address) {
    out.Format("　%s: この行と %u行目 %s が入れ替わっています", sure, line, address);
}

void CheckFullWidth(TextOut& out, const char* sure, const char* token, const char* reading) {
    out.Format("　%s: 全角の %s は半角で %s", sure, token, reading);
}

void CheckFixWritten(TextOut& out, unsigned made, const char* path) {
    out.Format("--fix: 確定した %u 箇所を直して %s に書きました", made, path);
}

void CheckFixLine(TextOut& out, unsigned line) {
    out.Format("%u行目", line);
}

const char kCheckFixLeft[] = "推定のまま直さずに残した箇所:";
const char kCheckFixNotMade[] = "確定していても行の形が合わず直せなかった箇所:";

void CheckFixSameFile(TextOut& out, const char* path) {
    out.Format("--fix の出力先 %s はダンプリストと同じファイルです。別のファイルを指定してください",
               path);
}

void CheckFixCannotWrite(TextOut& out, const char* path) {
    out.Format("--fix の出力先 %s に書き込めません", path);
}

void CheckHintClean(TextOut& out, const char* options) {
    if (*options == '\0') {
        out.Append("オプションなしで読むと全行のサムが合います");
    } else {
        out.Format("%s で読むと全行のサムが合います", options);
    }
}

void CheckHintNoSums(TextOut& out, const char* options) {
    out.Format("%s で読むと誤りは見つかりません", options);
}

void CheckHintFewer(TextOut& out, const char* options, unsigned from, unsigned to) {
    if (*options == '\0') {
        out.Format("オプションなしで読むとエラーと警告が %u 件から %u 件に減ります", from, to);
    } else {
        out.Format("%s で読むとエラーと警告が %u 件から %u 件に減ります", options, from, to);
    }
}

void CheckDetectNone(TextOut& out, const char* options, unsigned count) {
    out.Format("どの形式でも誤りなく読めません(最も少ないのは %s の %u 件)",
               *options == '\0' ? "オプションなし" : options, count);
}
}  // namespace tsy::text
