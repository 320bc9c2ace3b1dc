// A page image read for recognition: its bytes read once, whatever the
// file is (a FIFO or a pipe too, never waiting for ever), its kind and size
// taken from its own header and bounded before anything is decoded, then
// decoded without the image libraries' own messages, as 8-bit grey.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "resources/message.h"

struct Pix;

namespace tsy::scan {

// The most pixels a page may declare (a magazine page scanned at 1200 dpi
// has about 140 million; one at 600 dpi, as recognition wants, 35 million).
inline constexpr std::uint64_t kMaxPagePixels = 100'000'000;
// The largest image file read.
inline constexpr std::uint64_t kMaxImageFileBytes = 256ull << 20;
// How long a read waits for data before the image is given up.
inline constexpr int kImageWaitMilliseconds = 10'000;

enum class ImageKind { Unknown, Png, Jpeg, Tiff, Bmp, Pnm };

// What an image's header declares. Known only when the header is whole and
// well formed as far as the kind and the size go.
struct ImageHeader {
    ImageKind kind = ImageKind::Unknown;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Reads the header of the image in `bytes` (the whole file, or its start):
// PNG, JPEG (its first frame), TIFF and BigTIFF (the first image), BMP, PNM
// and PAM. Unknown for anything else, a cut or broken header, or a size of
// 0.
ImageHeader ReadImageHeader(const unsigned char* bytes, std::size_t size);

// Whether `bytes` (at least 8 of them, or the whole file) can begin an
// image of a kind ReadImageHeader knows.
bool StartsLikeAnImage(const unsigned char* bytes, std::size_t size);

// How many of a file's first bytes IsPageImageHead wants.
inline constexpr std::size_t kPageHeadSize = 64;

// Whether a file that begins with `bytes` (its first kPageHeadSize bytes, or
// the whole file) is a page image rather than a text, for a front end that
// takes either: PNG, JPEG and TIFF by their signatures, which no text begins
// with; BMP only with a well-formed header, since a text may begin with
// "BM". PNM, whose header is text, is never taken for an image here.
bool IsPageImageHead(const unsigned char* bytes, std::size_t size);

enum class ImageStatus {
    Read,
    OpenFailed,     // the file could not be opened (system_error tells why)
    ReadFailed,     // reading it failed (system_error)
    NoData,         // nothing came for the time waited (system_error)
    FileTooLarge,   // more than kMaxImageFileBytes
    UnknownKind,    // not an image of a kind read here
    TooManyPixels,  // it declares more than kMaxPagePixels
    DecodeFailed,   // its data could not be decoded
};

struct PixFree {
    void operator()(Pix* pix) const;
};

struct PageImage {
    ImageStatus status = ImageStatus::Read;
    std::uint32_t system_error = 0;
    ImageHeader header;
    std::unique_ptr<Pix, PixFree> grey;  // Read: the page, 8 bits a pixel
    Message message;                     // otherwise: what to tell
};

// Reads the image at `path`, waiting at most `wait_milliseconds` for each
// piece of it.
PageImage LoadPageImage(const char* path, int wait_milliseconds = kImageWaitMilliseconds);

}  // namespace tsy::scan
