// The command line's texts in UTF-8; compiled with -fexec-charset=CP932.
#include "resources/cli_texts.h"

#include "resources/resource.h"

namespace tsy::text {

void CliUsageApply(TextOut& out, const char* program) {
    out.Format(
        "使い方: %s [オプション] ステートセーブファイル ダンプファイル\n"
        "        %s check [リストのオプション] ダンプリスト\n"
        "        %s check --detect ダンプリスト\n"
        "        %s check --fix 出力 [リストのオプション] ダンプリスト\n"
        "        %s scan [リストのオプション] [-o ダンプリスト] [--annotate=PNG] 画像...\n"
        "        %s restore ステートセーブファイル\n",
        program, program, program, program, program, program);
}
void CliUsageCheck(TextOut& out, const char* program) {
    out.Format(
        "使い方: %s check [リストのオプション] ダンプリスト\n"
        "        %s check --detect ダンプリスト\n"
        "        %s check --fix 出力 [リストのオプション] ダンプリスト\n",
        program, program, program);
}
void CliUsageScan(TextOut& out, const char* program) {
    out.Format("使い方: %s scan [リストのオプション] [-o ダンプリスト] [--annotate=PNG] 画像...\n",
               program);
}
void CliUsageRestore(TextOut& out, const char* program) {
    out.Format("使い方: %s restore ステートセーブファイル\n", program);
}

const char kCliAboutApply[] =
    "ダンプ(テキストのダンプリスト、またはバイナリ)をステートセーブファイルのメモリへ反映し、\n"
    "元のファイルを「ファイル名.old」として残して書き戻します(.old は最初の書き戻しで作られ、\n"
    "上書きされません)。\n";
const char kCliAboutCheck[] =
    "ダンプリストを最後まで検査し、反映で拒否される行をすべて報告します(書き込みはしません)。\n"
    "サムから決まる場合は、打ち間違えたバイトと正しい値も示します。読み飛ばされるデータらしい\n"
    "行、アドレスの飛びや重なり、合計などの読み違いは警告です。\n"
    "--detect は、ダンプリストを誤りなく読める形式(リストのオプション)を表示します。\n";
const char kCliAboutScan[] =
    "雑誌のページの画像(PNG、JPEG、TIFF、PNM。複数なら順不同)からダンプリストを読み取り、\n"
    "印刷されたサムで検証・訂正して -o のファイル(既定は標準出力)へ書きます。\n"
    "報告は標準エラー出力に出ます。\n";
const char kCliAboutRestore[] =
    "最初の書き戻しで残した「ステートセーブファイル.old」の内容を、ステートセーブファイルに\n"
    "戻します。今の内容は置き換わり、.old はそのまま残ります。書き戻しと同じく、途中で失敗しても\n"
    "ファイルは元のままで、読み込んだ後にほかのプログラムが保存していれば戻しません。\n";

void CliMoreHelp(TextOut& out, const char* program) {
    out.Format("check、scan、restore のオプションと説明は %s check --help のように表示します。\n",
               program);
}

const char kCliExitApply[] =
    "終了コード: 0 反映した  1 反映しなかった(エラーコード、データのないダンプ、大きすぎる\n"
    "            ダンプ、範囲外、フォーマットチェック。--write-partial ではエラーの前までを\n"
    "            書き戻して 1)  2 使い方の誤り  3 ファイルを開けない・読めない・書けない\n"
    "            (0 と --write-partial の 1 以外では、ステートセーブファイルは元のままです)\n";
const char kCliExitCheck[] =
    "終了コード: 0 誤りも警告もない(--detect: 読める形式がある)  1 誤りか警告がある\n"
    "            (--detect: 読める形式がない)  2 使い方の誤り  3 ダンプリストを読めない\n";
const char kCliExitScan[] =
    "終了コード: 0 すべて検証済み  1 不確かな文字あり・サムのないリスト  2 使い方の誤り・\n"
    "            この版では使えない  3 画像を読めない・ダンプリストがない・書き込めない\n";
const char kCliExitRestore[] =
    "終了コード: 0 戻した(すでに同じ内容だった場合も)  2 使い方の誤り\n"
    "            3 .old がない、ファイルを読めない・書けない、読み込んだ後に変更された\n"
    "            (3 のとき、ステートセーブファイルは元のままです)\n";

void CliHint(TextOut& out, const char* program, const char* command) {
    out.Format("詳しくは %s%s%s --help を参照してください。", program, *command != '\0' ? " " : "",
               command);
}

const char kCliOptionBinary[] = "バイナリとして反映する(既定はテキストのダンプリスト)";
const char kCliOptionStart[] =
    "バイナリの開始アドレス(16進1～4桁、既定 " TSY_DEFAULT_START_ADDRESS ")";
const char kCliOptionUnixText[] = "UNIX版テキスト変換(先頭18バイトを除き、LFをCRに、最後に00)";
const char kCliOptionOffset[] =
    "メモリのオフセット(10進 0～4294967295、既定 " TSY_TEXT_OF(TSY_DEFAULT_MEMORY_OFFSET) ")";
const char kCliOptionOutput[] = "読み取ったダンプリストを書くファイル(既定は標準出力)";
const char kCliOptionAnnotate[] =
    "行と不確かな文字を描き込んだページ画像(PNG、複数ならページ番号付き)";
const char kCliOptionNoChecksum[] = "チェックサムなし";
const char kCliOptionAddressSum[] = "アドレスサム";
const char kCliOptionLowerAddressOnly[] = "下位アドレスのみ加算(--address-sum と一緒に)";
const char kCliOptionOhMz[] = "Oh!MZ形式サム(x.xxタイプ)";
const char kCliOptionOhX[] = "Oh!X CRCタイプ";
const char kCliOptionDetect[] = "ダンプリストを誤りなく読める形式を調べる";
const char kCliOptionFix[] =
    "確定した訂正をしたダンプリストを書く新しいファイル(元のファイルはそのまま)";
const char kCliOptionNoFormatCheck[] =
    "フォーマットチェックをしない(チェックに通らないファイルも書き換える)";
const char kCliOptionDryRun[] = "メモリ上で反映して報告するだけで、書き戻さない";
const char kCliOptionWritePartial[] = "エラーで止まった場合も、それまでの反映結果を書き戻す";
const char kCliOptionDiff[] = "反映で変わったメモリを新旧のバイトで表示し、書き込んだ数を数える";
const char kCliOptionHelp[] = "この説明を表示する";
const char kCliOptionVersion[] = "バージョンを表示する";

void CliBadOffset(TextOut& out, const char* given) {
    out.Format("オフセットは 0～4294967295 の10進数で指定してください: %s", given);
}
void CliBadStart(TextOut& out, const char* given) {
    out.Format("開始アドレスは1～4桁の16進数(0～9、A～F)だけで指定してください: %s", given);
}
const char kCliMissingPaths[] = "ステートセーブファイルとダンプファイルを指定してください。";
const char kCliMissingListing[] = "検査するダンプリストを指定してください。";
const char kCliMissingImages[] = "読み取る画像を指定してください。";
const char kCliMissingRestoreState[] = "元に戻すステートセーブファイルを指定してください。";
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
const char kCliEmptyPath[] = "空のパスは指定できません。";
void CliNotForCommand(TextOut& out, const char* command, const char* given) {
    out.Format("%s で使えないオプションです: %s", command, given);
}
void CliNeedsOption(TextOut& out, const char* option, const char* needed) {
    out.Format("%s は %s と一緒に指定してください。", option, needed);
}
void CliConflictingOptions(TextOut& out, const char* option, const char* other) {
    out.Format("%s は %s と一緒には使えません。", option, other);
}

const char kCliNotWritten[] = "エラーのため、ステートセーブファイルは書き換えていません。";
const char kCliFormatRefused[] =
    "ステートセーブファイルは書き換えていません。このファイルのまま反映するには "
    "--no-format-check を付けてください。";
void CliSwapped(TextOut& out, const char* program) {
    out.Format(
        "ダンプファイルの方がステートセーブファイルのようです。順番が逆ではありませんか: "
        "%s ステートセーブファイル ダンプファイル",
        program);
}
const char kCliDryRun[] = "ドライラン: ステートセーブファイルは書き換えていません。";
const char kCliOutputFailed[] = "標準出力に書き込めませんでした。";
void CliDiffCounts(TextOut& out, unsigned written, unsigned changed) {
    out.Format("書き込んだバイト数: %u、変更されたバイト数: %u", written, changed);
}
void CliDiffNoChange(TextOut& out, unsigned written) {
    out.Format("書き込んだバイト数: %u、メモリの変更はありません。", written);
}
const char kCliDiffHeading[] = "アドレス: 変更前 -> 変更後";
const char kCliWarning[] = "警告: ";
void CliRunCheck(TextOut& out, const char* command) {
    out.Format("詳しくは %s で調べてください。", command);
}
void CliMoreWarnings(TextOut& out, unsigned more, const char* command) {
    out.Format("ほかに警告が %u 件あります。すべて見るには %s で調べてください。", more, command);
}

}  // namespace tsy::text
