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

void CheckNotCounted(TextOut& out, unsigned line, const char* address) {
    out.Format("　注意: %u行目 %s は読めないデータがあるため、このブロックのサムに入っていません",
               line, address);
}

void CheckMoreDiagnoses(TextOut& out, int count) {
    out.Format("　ほか %d 件", count);
}

void CheckSummary(TextOut& out, unsigned lines, unsigned data_lines, unsigned blocks,
                  unsigned findings) {
    out.Format("検査結果: %u行を読み、データ行 %u、ブロック %u、エラー %u", lines, data_lines,
               blocks, findings);
}

const char kCheckReadFailed[] = "ダンプファイルの読み込み中にエラーが発生しました";
}  // namespace tsy::text
