// Texts of tsypatch scan about the page images it is given (opening,
// reading, their kind and size), as Shift-JIS bytes like every other text.
// The file's name and the system's reason follow on a line of their own.
#pragma once

#include "resources/message.h"

namespace tsy::text {

extern const char kScanImageOpenFailed[];
extern const char kScanImageReadFailed[];
// Nothing came for `seconds` seconds (a FIFO without a writer).
void ScanImageNoData(TextOut& out, unsigned seconds);
// The file holds more than `megabytes` MB.
void ScanImageFileTooLarge(TextOut& out, unsigned megabytes);
// Not a PNG, JPEG, TIFF, BMP or PNM image by its header.
extern const char kScanImageUnknownKind[];
// It declares more pixels than a page may have.
void ScanImageTooManyPixels(TextOut& out, unsigned width, unsigned height, unsigned limit);
// Its header is an image's, its data cannot be decoded.
extern const char kScanImageDecodeFailed[];

}  // namespace tsy::text
