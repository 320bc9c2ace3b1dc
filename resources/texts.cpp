// The program's texts in UTF-8; compiled with -fexec-charset=CP932.
#include "resources/texts.h"

namespace tsy::text {

const char kProductTitle[] = "Tessaryステートセーブ メモリ書き換えツール";
const char kVersion[] = "Ver 20220105";

const char kFormatWarning[] =
    "ステートセーブデータが不正の可能性があります。\n正常に書き換えられない可能性があります。";
const char kFormatWhatToCheck[] =
    "選んだファイルが Tessary のステートセーブファイル(*.tsy)か、"
    "ダンプファイルと取り違えていないか確かめてください。";
const char kStateOpenFailed[] =
    "ステートセーブデータがオープンできません。使用中、アクセス権などの確認をしてください。";
const char kStateReadFailed[] = "ステートセーブデータを読み込めませんでした";
const char kStateWriteFailed[] = "ステートセーブ内容を正常に書き込めませんでした。";
const char kStateBackupTooLong[] =
    "ステートセーブデータのパスが長すぎるため、バックアップ(.old)を作成できません。"
    "\n書き戻しは行いませんでした。";
const char kNoStateImage[] =
    "ステートセーブデータが読み込まれていません。\nステートセーブデータを指定し直してください。";

void StateSizeFailed(TextOut& out, int code) {
    out.Format("ステートセーブデータのサイズ取得でエラーが発生しました(%d)", code);
}

void StateMemoryFailed(TextOut& out, int code) {
    out.Format("ステートセーブデータ格納メモリ取得に失敗しました(%d)", code);
}

void StateBackupFailed(TextOut& out, int code) {
    out.Format(
        "ステートセーブデータのバックアップ(.old)を作成できませんでした(%d)\n"
        "書き戻しは行いませんでした。",
        code);
}

void StateReplaceFailed(TextOut& out, int code) {
    out.Format("ステートセーブデータを置き換えられませんでした(%d)\n元のファイルはそのままです。",
               code);
}

const char kStateNotRegular[] =
    "ステートセーブデータが通常のファイルではありません(フォルダ、デバイス、パイプなど)。\n"
    "読み込みは行いませんでした。";
const char kStateChanged[] =
    "ステートセーブデータが読み込んだ後に変更されています。\n"
    "書き戻しは行いませんでした。もう一度反映してから書き戻してください。";
const char kStateMissing[] =
    "ステートセーブデータが読み込んだ後に削除されています(名前の変更、移動を含みます)。\n"
    "書き戻しは行いませんでした。";
const char kStateReadOnly[] =
    "ステートセーブデータが読み取り専用です。\n書き戻しは行いませんでした。";
const char kStateHardLinked[] =
    "ステートセーブデータには別の名前(ハードリンク)があり、置き換えると内容が分かれてしまいます。\n"
    "書き戻しは行いませんでした。";
const char kStateBackupNotKept[] =
    "バックアップ(.old)の名前に通常のファイルでないもの(フォルダ、リンクなど)があるため、"
    "元のファイルのバックアップを残せません。\n書き戻しは行いませんでした。";

void StateTempFailed(TextOut& out, int code) {
    out.Format(
        "ステートセーブデータの一時ファイルを作成できませんでした(%d)"
        "\n書き戻しは行いませんでした。",
        code);
}

void StateLockFailed(TextOut& out, int code) {
    out.Format("ステートセーブデータは他の書き戻しが使用中です(%d)\n書き戻しは行いませんでした。",
               code);
}

void StateCheckFailed(TextOut& out, int code) {
    out.Format(
        "ステートセーブデータの現在の状態を確認できませんでした(%d)\n書き戻しは行いませんでした。",
        code);
}

void StateAttributesFailed(TextOut& out, const char* what, const char* name, int code) {
    if (name[0] == '\0') {
        out.Format("ステートセーブデータの%sを新しいファイルに引き継げませんでした(%d)\n", what,
                   code);
    } else {
        out.Format("ステートセーブデータの%s「%s」を新しいファイルに引き継げませんでした(%d)\n",
                   what, name, code);
    }
    out.Append("書き戻しは行いませんでした。");
}

const char kAttributeOwner[] = "所有者";
const char kAttributeGroup[] = "グループ";
const char kAttributePermissions[] = "アクセス権";
const char kAttributeAccessList[] = "アクセス制御リスト(ACL)";
const char kAttributeExtended[] = "拡張属性";
const char kAttributeFile[] = "ファイル属性";

const char kDumpOpenFailed[] =
    "ダンプファイルがオープンできません。使用中、アクセス権などの確認をしてください。";
const char kDumpReadFailed[] = "ダンプファイルを読み込めませんでした";

void DumpSizeFailed(TextOut& out, int code) {
    out.Format("ダンプファイルのサイズ取得でエラーが発生しました(%d)", code);
}

void DumpTooLarge(TextOut& out, std::uint64_t size) {
    out.Format(
        "ダンプファイルが大きすぎるか開始アドレスが大きすぎます。\nダンプファイルサイズ:%llu",
        static_cast<unsigned long long>(size));
}

void DumpEmpty(TextOut& out, unsigned size, bool unix_text) {
    if (unix_text) {
        out.Format(
            "UNIX版テキスト変換では先頭18バイトを読み飛ばすため、書き込むデータがありません。\n"
            "ダンプファイルサイズ:%u",
            size);
    } else {
        out.Append("ダンプファイルが空(0バイト)です。書き込むデータがありません。");
    }
}

void DumpMemoryFailed(TextOut& out, int code) {
    out.Format("ダンプファイル格納メモリ取得に失敗しました(%d)", code);
}

void DumpOutsideImage(TextOut& out, unsigned first, unsigned last, unsigned image_size) {
    out.Format(
        "書き込み先がステートセーブデータの範囲外です。\nアドレス:$%04X - $%04X\n"
        "ステートセーブデータサイズ:%u",
        first, last, image_size);
}

void PlacedRange(TextOut& out, unsigned first, unsigned last) {
    out.Format("完了しました\nアドレス:$%04X - $%04X", first, last);
}

void NothingRead(TextOut& out, const char* cause) {
    out.Format(
        "ダンプファイルからは1バイトも読めませんでした。\n%s\nメモリには何も書き込んでいません。",
        cause);
}

const char kNothingReadStateFile[] =
    "ダンプファイルはステートセーブファイルのようです(先頭が TSRY)。\n"
    "ステートセーブファイルとダンプファイルを取り違えていないか確かめてください。";
const char kNothingReadZeroBytes[] =
    "ダンプファイルに 0 のバイトがあります。BOM のない UTF-16 か、バイナリのファイルのようです。\n"
    "ダンプリストなら Shift-JIS、UTF-8、BOM 付きの UTF-16 のどれかで保存し直し、"
    "バイナリなら「バイナリ」で反映してください。";
const char kNothingReadNoDataLine[] =
    "4桁の16進数で始まる行(データ行)がありません。\n"
    "行頭の空白や、アドレスの O(オー)、I(アイ)、全角の文字などの打ち間違いがないか"
    "確かめてください。";
const char kNothingReadNoBytes[] =
    "データ行はありますが、書き込むデータがありませんでした(5桁のアドレスの行は読み飛ばします)。\n"
    "リストの形式(チェックサムの有無など)が合っているか確かめてください。";

const char kListingReadFailed[] = "ダンプファイルを最後まで読み込めませんでした。";
const char kListingTooLarge[] =
    "ダンプファイルが 256MB を超えたので、読むのをやめました。\n"
    "ダンプリストのファイルを選んだか確かめてください。";
const char kListingEndlessLine[] =
    "ダンプファイルに改行のないまま 1MB を超える行があったので、読むのをやめました。\n"
    "ダンプリストのファイルを選んだか確かめてください。";

void ListingOpenFailed(TextOut& out, int error) {
    out.Format("ダンプファイルがオープンできません(%d)", error);
}

void ReportE00(TextOut& out, const char* address, unsigned offset, const char* data) {
    out.Format("データエラー\r\n　直前アドレス:%s\r\n　オフセット:%02X\r\n　データ:%s\r\n(E00)",
               address, offset, data);
}

void ReportE02(TextOut& out, const char* address, const char* given, unsigned computed) {
    out.Format(
        "チェックサムエラー\r\n　アドレス:%s\r\n　指定チェックサム:%s\r\n"
        "　算出チェックサム:%03X\r\n(E02)",
        address, given, computed);
}

void ReportE03(TextOut& out, const char* address, const char* given, unsigned computed) {
    out.Format(
        "チェックサムエラー\r\n　アドレス:%s\r\n　指定チェックサム:%s\r\n"
        "　算出チェックサム:%02X\r\n(E03)",
        address, given, computed);
}

void ReportE04(TextOut& out, const char* address, unsigned offset, const char* data) {
    out.Format(
        "チェックサム部データエラー\r\n　直前アドレス:%s\r\n　オフセット:+%02X\r\n　データ:%s\r\n"
        "(E04)",
        address, offset, data);
}

void ReportE05Heading(TextOut& out, const char* address) {
    out.Format("縦チェックサムエラー\r\n　直前アドレス:%s\r\n", address);
}

const char kReportE05EntryIndent[] = "　　+";
const char kReportE05EntrySpace[] = "　";
const char kReportE05Omitted[] = "…\r\n";
const char kReportE05Tail[] = "\r\n(E05)";

void ReportE06(TextOut& out, const char* address, const char* given, unsigned computed) {
    out.Format(
        "縦横チェックサムエラー\r\n　直前アドレス:%s\r\n　指定チェックサム:%s\r\n"
        "　算出チェックサム:%02X\r\n(E06)",
        address, given, computed);
}

void ReportE07(TextOut& out, const char* address, const char* given, unsigned computed) {
    out.Format("ＣＲＣエラー\r\n　直前アドレス:%s\r\n　指定ＣＲＣ:%s\r\n　算出ＣＲＣ:%04X\r\n(E07)",
               address, given, computed);
}

void ReportE08(TextOut& out, const char* address, const char* given, unsigned computed) {
    out.Format(
        "縦横チェックサムエラー\r\n　直前アドレス:%s\r\n　指定チェックサム:%s\r\n"
        "　算出チェックサム:%04X\r\n(E08)",
        address, given, computed);
}

void ReportE09(TextOut& out, const char* address, unsigned first, unsigned last,
               unsigned image_size) {
    out.Format(
        "アドレス範囲エラー\r\n　アドレス:%s\r\n　書き込み範囲:$%04X - $%04X\r\n"
        "　ステートセーブデータサイズ:%u\r\n(E09)",
        address, first, last, image_size);
}

const char kNeedStatePath[] = "ステートセーブデータを指定してください。";
const char kNeedDumpPath[] = "ダンプファイルを指定してください。";
const char kReplaceState[] = "ステートセーブデータを置き換えますか？";
const char kWriteComplete[] = "書き込み完了";
const char kStateFilterName[] = "ステートセーブデータ (*.tsy)";
const char kStateFilterPattern[] = "*.tsy";
const char kStateChooseTitle[] = "ステートセーブデータファイルの選択";
const char kDumpFilterName[] = "ダンプファイル (*.*)";
const char kDumpFilterPattern[] = "*.*";
const char kDumpChooseTitle[] = "ダンプファイルの選択";
const char kTextCut[] = "…";
const char kDialogFindingsHeading[] = "\r\n▼ダンプリスト全体の検査結果(下へスクロール)";
const char kFindingsNotShown[] =
    "ダンプファイルはパイプなど一度しか読めないものなので、リスト全体の検査結果は表示できません。"
    "\r\nファイルに保存して check で調べてください。";

void DialogWarningsHeading(TextOut& out, unsigned count) {
    out.Format("反映は完了しましたが、確かめてほしい点が %u 件あります。", count);
}

void DialogMoreWarnings(TextOut& out, unsigned more) {
    out.Format("ほかに %u 件あります。すべては tsypatch-cli check (ファイル名) で調べられます。",
               more);
}

void SubstitutedCharacters(TextOut& out, unsigned count) {
    out.Format("ダンプファイルの %u 文字は Shift-JIS にないため、〓 として読みました。", count);
}

void PageListingWritten(TextOut& out, const char* listing) {
    out.Format("ページから読み取ったダンプリスト:%s", listing);
}

void PageInDoubt(TextOut& out, const char* listing) {
    out.Format(
        "ページの読み取りで確かめられない行があるため、反映していません。\r\n"
        "　読み取ったダンプリスト:%s",
        listing);
}

const char kDialogPageReportHeading[] = "\r\n\r\n▼ページの読み取り結果";
const char kDialogPageMend[] =
    "不確かな文字は紙のその位置を見て、読み取ったダンプリストをメモ帳で直し、"
    "そのファイルをダンプファイルに選んで「ダンプ反映」してください。";

const char kReasonNotFound[] = "ファイルが見つかりません(名前と場所を確かめてください)";
const char kReasonAccessDenied[] =
    "アクセスが拒否されました(ファイルやフォルダのアクセス権を確かめてください)";
const char kReasonInUse[] =
    "ほかのプログラムが使用中です(エミュレータなどを閉じてからやり直してください)";
const char kReasonIsFolder[] = "フォルダです(ファイルを指定してください)";
const char kReasonDiskFull[] = "ディスクの空き容量が足りません";

const char kRestoreDone[] = "バックアップ(.old)の内容に戻しました。";
const char kRestoreSame[] =
    "ステートセーブデータはすでにバックアップ(.old)と同じ内容です。\n何も変更していません。";
const char kRestoreNoBackup[] =
    "バックアップ(.old)がありません。\n.old は最初の書き戻しで作られます。何も変更していません。";
const char kRestoreBackupUnreadable[] =
    "バックアップ(.old)を読み込めません(通常のファイルでない、開けないなど)。\n"
    "何も変更していません。";

}  // namespace tsy::text
