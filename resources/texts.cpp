// The program's texts in UTF-8; compiled with -fexec-charset=CP932.
#include "resources/texts.h"

namespace tsy::text {

const char kProductTitle[] = "Tessaryステートセーブ メモリ書き換えツール";
const char kVersion[] = "Ver 20220105";

const char kFormatWarning[] =
    "ステートセーブデータが不正の可能性があります。\n正常に書き換えられない可能性があります。";
const char kStateOpenFailed[] =
    "ステートセーブデータがオープンできません。使用中、アクセス権などの確認をしてください。";
const char kStateSizeFailed[] = "ステートセーブデータのサイズ取得でエラーが発生しました(%d)";
const char kStateMemoryFailed[] = "ステートセーブデータ格納メモリ取得に失敗しました(%d)";
const char kStateReadFailed[] = "ステートセーブデータを読み込めませんでした";
const char kStateWriteFailed[] = "ステートセーブ内容を正常に書き込めませんでした。";
const char kStateBackupTooLong[] =
    "ステートセーブデータのパスが長すぎるため、バックアップ(.old)を作成できません。"
    "\n書き戻しは行いませんでした。";
const char kStateBackupFailed[] =
    "ステートセーブデータのバックアップ(.old)を作成できませんでした(%d)\n"
    "書き戻しは行いませんでした。";
const char kStateReplaceFailed[] =
    "ステートセーブデータを置き換えられませんでした(%d)\n元のファイルはそのままです。";
const char kStateReplaceFailedKeptAsBackup[] =
    "ステートセーブデータを置き換えられませんでした(%d)\n"
    "元のファイルはバックアップ(.old)として残っています。";
const char kNoStateImage[] =
    "ステートセーブデータが読み込まれていません。\nステートセーブデータを指定し直してください。";

const char kDumpOpenFailed[] =
    "ダンプファイルがオープンできません。使用中、アクセス権などの確認をしてください。";
const char kDumpSizeFailed[] = "ダンプファイルのサイズ取得でエラーが発生しました(%d)";
const char kDumpTooLarge[] =
    "ダンプファイルが大きすぎるか開始アドレスが大きすぎます。\nダンプファイルサイズ:%u";
const char kDumpMemoryFailed[] = "ダンプファイル格納メモリ取得に失敗しました(%d)";
const char kDumpReadFailed[] = "ダンプファイルを読み込めませんでした";
const char kDumpOutsideImage[] =
    "書き込み先がステートセーブデータの範囲外です。\nアドレス:$%04X - $%04X\n"
    "ステートセーブデータサイズ:%u";
const char kPlacedRange[] = "完了しました\nアドレス:$%04X - $%04X";

const char kListingReadFailed[] = "ダンプファイルを最後まで読み込めませんでした。";
const char kListingOpenFailed[] = "ダンプファイルがオープンできません(%d)";
const char kReportE00[] =
    "データエラー\r\n　直前アドレス:%s\r\n　オフセット:%02X\r\n　データ:%s\r\n(E00)";
const char kReportE02[] =
    "チェックサムエラー\r\n　アドレス:%s\r\n　指定チェックサム:%s\r\n　算出チェックサム:%03X\r\n("
    "E02)";
const char kReportE03[] =
    "チェックサムエラー\r\n　アドレス:%s\r\n　指定チェックサム:%s\r\n　算出チェックサム:%02X\r\n("
    "E03)";
const char kReportE04[] =
    "チェックサム部データエラー\r\n　直前アドレス:%s\r\n　オフセット:+%02X\r\n　データ:%s\r\n(E04)";
const char kReportE05Heading[] = "縦チェックサムエラー\r\n　直前アドレス:%s\r\n";
const char kReportE05EntryIndent[] = "　　+";
const char kReportE05EntrySpace[] = "　";
const char kReportE05Omitted[] = "…\r\n";
const char kReportE05Tail[] = "\r\n(E05)";
const char kReportE06[] =
    "縦横チェックサムエラー\r\n　直前アドレス:%s\r\n　指定チェックサム:%s\r\n"
    "　算出チェックサム:%02X\r\n(E06)";
const char kReportE07[] =
    "ＣＲＣエラー\r\n　直前アドレス:%s\r\n　指定ＣＲＣ:%s\r\n　算出ＣＲＣ:%04X\r\n(E07)";
const char kReportE08[] =
    "縦横チェックサムエラー\r\n　直前アドレス:%s\r\n　指定チェックサム:%s\r\n"
    "　算出チェックサム:%04X\r\n(E08)";
const char kReportE09[] =
    "アドレス範囲エラー\r\n　アドレス:%s\r\n　書き込み範囲:$%04X - $%04X\r\n"
    "　ステートセーブデータサイズ:%u\r\n(E09)";

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

}  // namespace tsy::text
