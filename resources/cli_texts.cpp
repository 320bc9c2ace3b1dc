// The command line's texts in UTF-8; compiled with -fexec-charset=CP932.
#include "resources/cli_texts.h"

namespace tsy::text {

const char kCliUsage[] =
    "使い方: tsypatch [オプション] ステートセーブファイル ダンプファイル\n"
    "        tsypatch check [リストのオプション] ダンプリスト\n"
    "        tsypatch check --detect ダンプリスト\n"
    "        tsypatch check --fix 出力 [リストのオプション] ダンプリスト\n"
    "        tsypatch scan [リストのオプション] [-o ダンプリスト] 画像...\n"
    "\n"
    "ダンプ(テキストのダンプリスト、またはバイナリ)をステートセーブファイルのメモリへ反映し、\n"
    "元のファイルを「ファイル名.old」として残して書き戻します。\n"
    "check はダンプリストを最後まで検査し、見つかった誤りをすべて報告します(書き込みはしません)。\n"
    "check --detect は、ダンプリストを誤りなく読める形式(リストのオプション)を表示します。\n"
    "scan は雑誌のページの画像(複数ならページ順)からダンプリストを読み取り、印刷されたサムで\n"
    "検証・訂正して -o のファイル(既定は標準出力)へ書きます。\n"
    "\n"
    "  -b, --binary              バイナリとして反映する(既定はテキストのダンプリスト)\n"
    "  -s, --start=HEX           バイナリの開始アドレス(16進、先頭4文字、既定 8000)\n"
    "  -u, --unix-text           UNIX版テキスト変換\n"
    "  -o, --offset=N            メモリのオフセット(10進 0～4294967295、既定 4096)\n"
    "      --no-checksum         チェックサムなし\n"
    "      --address-sum         アドレスサム\n"
    "      --lower-address-only  下位アドレスのみ加算\n"
    "      --ohmz                Oh!MZ形式サム(x.xxタイプ)\n"
    "      --ohx                 Oh!X CRCタイプ\n"
    "      --detect              check で、ダンプリストを読める形式を調べる\n"
    "      --fix=出力            check で、確定した訂正をしたリストを出力に書く\n"
    "      --no-format-check     フォーマットチェックをしない\n"
    "  -n, --dry-run             メモリ上で反映して報告するだけで、書き戻さない\n"
    "      --write-partial       エラーで止まった場合も、それまでの反映結果を書き戻す\n"
    "      --diff                反映で変わったメモリを新旧のバイトで表示する\n"
    "  -h, --help                この説明を表示する\n"
    "  -V, --version             バージョンを表示する\n"
    "\n"
    "終了コード: 0 反映した  1 ダンプが拒否された(エラーコード、範囲外など)\n"
    "            2 使い方の誤り  3 ファイルを開けない・読めない・書けない\n"
    "check の終了コード: 0 誤りなし(--detect: 読める形式あり)  1 誤りあり  2 使い方の誤り\n"
    "            3 読めない\n"
    "scan の終了コード: 0 すべて検証済み  1 不確かな文字あり  2 使い方の誤り・この版では使えない\n"
    "                   3 画像を読めない・ダンプリストがない・書き込めない\n";
const char kCliHint[] = "詳しくは tsypatch --help を参照してください。";
void CliBadOffset(TextOut& out, const char* given) {
    out.Format("オフセットは 0～4294967295 の10進数で指定してください: %s", given);
}
const char kCliMissingPaths[] = "ステートセーブファイルとダンプファイルを指定してください。";
void CliExtraArgument(TextOut& out, const char* given) {
    out.Format("余分な引数があります: %s", given);
}
void CliBadOption(TextOut& out, const char* given) {
    out.Format("不明なオプションです: %s", given);
}
void CliMissingValue(TextOut& out, const char* given) {
    out.Format("オプションに値がありません: %s", given);
}
void CliPathTooLong(TextOut& out, const char* given) {
    out.Format("パスが長すぎます(259バイトまで): %s", given);
}
const char kCliNotWritten[] = "エラーのため、ステートセーブファイルは書き換えていません。";
const char kCliDryRun[] = "ドライラン: ステートセーブファイルは書き換えていません。";
void CliCheckOnlyListingOptions(TextOut& out, const char* given) {
    out.Format("check で使えないオプションです: %s", given);
}
const char kCliEmptyPath[] = "空のパスは指定できません。";
const char kCliOutputFailed[] = "標準出力に書き込めませんでした。";
void CliScanOnlyListingOptions(TextOut& out, const char* given) {
    out.Format("scan で使えないオプションです: %s", given);
}
const char kCliMissingImages[] = "読み取る画像を指定してください。";

}  // namespace tsy::text

namespace tsy::text {

void CliDiffCounts(TextOut& out, unsigned written, unsigned changed) {
    out.Format("書き込んだバイト数: %u、変更されたバイト数: %u", written, changed);
}
void CliDiffNoChange(TextOut& out, unsigned written) {
    out.Format("書き込んだバイト数: %u、メモリの変更はありません。", written);
}
const char kCliDiffHeading[] = "アドレス: 変更前 -> 変更後";

}  // namespace tsy::text

namespace tsy::text {

void CliNeedsOption(TextOut& out, const char* option, const char* needed) {
    out.Format("%s は %s と一緒に指定してください。", option, needed);
}
void CliConflictingOptions(TextOut& out, const char* option, const char* other) {
    out.Format("%s は %s と一緒には使えません。", option, other);
}
const char kCliWarning[] = "警告: ";
void CliRunCheck(TextOut& out, const char* command) {
    out.Format("詳しくは %s で調べてください。", command);
}

}  // namespace tsy::text
