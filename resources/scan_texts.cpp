// The scanning command's texts in UTF-8; compiled with -fexec-charset=CP932.
#include "resources/scan_texts.h"

namespace tsy::text {

const char kScanEngineMissing[] =
    "文字認識エンジン(Tesseract と英語の学習データ)を起動できません。";
const char kScanUnreadable[] = "画像を読めません。";
const char kScanNoListing[] = "画像にダンプリストが見つかりません。";
const char kScanWriteFailed[] = "ダンプリストを書き込めません。";
const char kScanAnnotateFailed[] = "読み取り結果を描き込んだページ画像を書き込めません。";

void ScanAnnotateSameFile(TextOut& out, const char* path) {
    out.Format(
        "--annotate の出力先 %s は読み取る画像か -o "
        "のファイルと同じです。別のファイルを指定してください",
        path);
}

const char kScanAddress[] = "アドレス";
const char kScanChecksum[] = "チェックサム";
const char kScanTotal[] = "合計";
const char kScanCrc[] = "CRC";

void ScanColumn(TextOut& out, unsigned column) {
    out.Format("SUM +%X", column);
}

void ScanCorrection(TextOut& out, unsigned line, const char* address, const char* field,
                    unsigned character, char read, char chosen) {
    out.Format("%u行目 アドレス:%s %s の%u文字目 %c → %c (サムで訂正)", line, address, field,
               character, read, chosen);
}

void ScanDoubt(TextOut& out, unsigned line, const char* address, const char* field,
               unsigned character, char read, const char* candidates) {
    out.Format("%u行目 アドレス:%s %s の%u文字目 %c は不確か 候補:%s", line, address, field,
               character, read, candidates);
}

void ScanGap(TextOut& out, unsigned line, const char* address) {
    out.Format("%u行目 アドレス:%s の前でアドレスが飛んでいます(行の抜け)", line, address);
}

void ScanGapAfterBlock(TextOut& out, unsigned line, const char* address) {
    out.Format("%u行目 アドレス:%s からアドレスが続いていません(別のリストか、ブロックの抜け)",
               line, address);
}

void ScanSumColumnsMissing(TextOut& out, unsigned line, const char* address, unsigned missing) {
    out.Format(
        "%u行目 アドレス:%s SUM行は列のサムが%u列足りず(読み取れない列があります)、検証できません",
        line, address, missing);
}

void ScanAlone(TextOut& out, unsigned line, const char* address) {
    out.Format(
        "%u行目 アドレス:%s は行のチェックサムだけで検証しました(ブロックのサムとは照合できません)",
        line, address);
}

void ScanAddressFromNeighbours(TextOut& out, unsigned line, const char* address) {
    out.Format("%u行目 アドレスを読めないため、前後の行から %s としました", line, address);
}

void ScanSkipped(TextOut& out, unsigned line, unsigned rows) {
    out.Format("%u行目の前 ダンプリストの行らしい%u行を読み取れず、とばしました", line, rows);
}

void ScanCheckLineSkipped(TextOut& out, unsigned line, unsigned rows) {
    out.Format("%u行目の前 SUM行(合計の行)らしい%u行を読み取れず、とばしました", line, rows);
}

void ScanCheckLineSkippedAtEnd(TextOut& out, unsigned rows) {
    out.Format("最後の行の後 SUM行(合計の行)らしい%u行を読み取れず、とばしました", rows);
}

void ScanLinesOfImage(TextOut& out, unsigned first, unsigned last, unsigned image) {
    out.Format("%u行目～%u行目 %u枚目の画像から読みました", first, last, image);
}

void ScanSummary(TextOut& out, unsigned rows, unsigned verified, unsigned corrected,
                 unsigned in_doubt) {
    out.Format("読み取り結果: %u行を読み、検証済み %u行、訂正 %u文字、不確か %u文字", rows,
               verified, corrected, in_doubt);
}

const char kScanNoSums[] =
    "このリストにはサムがないため、どの行もサムで検証できません(確かめたのはアドレスの連続だけです)"
    "。";

void ScanLeastCertain(TextOut& out, unsigned named, unsigned uncertain) {
    out.Format(
        "特に不確かな文字 %u個(ほかの読みもありうる %u文字のうち確からしさの低いもの、"
        "同じ形で同じ候補の文字は最初の1個だけ):",
        named, uncertain);
}

const char kScanNothingVerified[] =
    "何も検証していません。出力したダンプリストは紙と照らし合わせてください。";

const char kScanAllVerified[] = "すべての行とブロックがサムで検証されました。";
const char kScanNotVerified[] =
    "検証できない行があります。不確かな文字は読み取ったまま出力しました。";

}  // namespace tsy::text
