// The page image texts in UTF-8; compiled with -fexec-charset=CP932.
#include "resources/scan_image_texts.h"

namespace tsy::text {

const char kScanImageOpenFailed[] = "画像ファイルを開けません。";
const char kScanImageReadFailed[] = "画像ファイルを読み込めませんでした。";

void ScanImageNoData(TextOut& out, unsigned seconds) {
    out.Format("画像ファイルのデータが%u秒待っても届きません(書き手のいないパイプなど)。", seconds);
}

void ScanImageFileTooLarge(TextOut& out, unsigned megabytes) {
    out.Format("画像ファイルが大きすぎます(上限 %u MB)。", megabytes);
}

const char kScanImageUnknownKind[] =
    "画像ファイルとして読めません(PNG、JPEG、TIFF、BMP、PNM のいずれでもないか、"
    "先頭が壊れています)。";

void ScanImageTooManyPixels(TextOut& out, unsigned width, unsigned height, unsigned limit) {
    out.Format("画像が大きすぎます(%u×%u ピクセル、上限 %u ピクセル)。読み込みは行いませんでした。",
               width, height, limit);
}

const char kScanImageDecodeFailed[] =
    "画像のデータを読み取れません(壊れているか、対応していない形式です)。";

}  // namespace tsy::text
