// The proofreading command's texts in UTF-8; compiled with -fexec-charset=CP932.
#include "resources/check_texts.h"

namespace tsy::text {

const char kCheckDataHeading[] = "%u行目 アドレス:%s (%s) ";
const char kCheckCheckHeading[] = "%u行目 直前アドレス:%s (%s) ";
const char kCheckE00[] = "データエラー オフセット:%02X データ:%s";
const char kCheckE02[] = "チェックサムエラー 指定:%s 算出:%03X";
const char kCheckE03[] = "チェックサムエラー 指定:%s 算出:%02X";
const char kCheckE04[] = "チェックサム部データエラー オフセット:+%02X データ:%s";
const char kCheckE05[] = "縦チェックサムエラー";
const char kCheckE05Entry[] = " +%s %s/%02X";
const char kCheckLeftOut[] = " …";
const char kCheckE06[] = "縦横チェックサムエラー 指定:%s 算出:%02X";
const char kCheckE07[] = "ＣＲＣエラー 指定:%s 算出:%04X";
const char kCheckE08[] = "縦横チェックサムエラー 指定:%s 算出:%04X";
const char kCheckE09[] = "アドレス範囲エラー $%04X - $%X は $FFFF を越えます";

const char kCheckCertain[] = "確定";
const char kCheckLikely[] = "推定";
const char kCheckWrongByte[] = "　%s: +%X のデータ %s は %s の誤り";
const char kCheckOneOfBytes[] = "　%s: +%X のデータ %s が %s の誤りかもしれません(候補の一つ)";
const char kCheckLineOffBy[] = "　%s: この行のどれか1バイトが %s ずれています";
const char kCheckChecksumToken[] =
    "　%s: チェックサム %s は %s の誤り(ブロックのサムは合っています)";
const char kCheckAddressField[] = "　%s: アドレス %s は %s の誤り(前の行から続くアドレス)";
const char kCheckMisreading[] = "　%s: +%X のデータ %s は %s の読み違い(チェックサムが合います)";
const char kCheckChecksumMisreading[] = "　%s: チェックサム %s は %s の読み違い";
const char kCheckSumMisreading[] = "　%s: +%X の %s は %s の読み違い(縦のサムが合います)";
const char kCheckExplainedBy[] = "　%s: %u行目 %s の +%X のデータ(%s → %s)の誤りによるもの";
const char kCheckColumnToken[] = "　%s: +%X の %s は %s の誤り(どの行のチェックサムも合っています)";
const char kCheckTotalToken[] = "　%s: 合計 %s は %s の誤り";
const char kCheckCrcToken[] = "　%s: ＣＲＣ %s は %s の誤り";
const char kCheckUnseenColumns[] =
    "　%s: 列%s に行のチェックサムに表れない誤り(1行の中のバイトの入れ替え、打ち消し合う誤りなど)";
const char kCheckSwappedBytes[] = "　%s: %u行目 %s の +%X と +%X の入れ替え(%s → %s)";
const char kCheckNotCounted[] =
    "　注意: %u行目 %s は読めないデータがあるため、このブロックのサムに入っていません";
const char kCheckMoreDiagnoses[] = "　ほか %d 件";

const char kCheckSummary[] = "検査結果: %u行を読み、データ行 %u、ブロック %u、エラー %u";
const char kCheckReadFailed[] = "ダンプファイルの読み込み中にエラーが発生しました";

}  // namespace tsy::text
