#include "scan/page_image.h"

#include <leptonica/allheaders.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "resources/scan_image_texts.h"

namespace tsy::scan {
namespace {

// The bytes that tell an image's kind.
constexpr std::size_t kKindBytes = 8;
// Pieces in which the file is read.
constexpr std::uint32_t kPieceSize = 64 * 1024;

// Reads a header field of `size` bytes at `offset`, big- or little-endian;
// false when the bytes end first.
class Fields {
  public:
    Fields(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    bool Read(std::uint64_t offset, int count, bool big_endian, std::uint64_t* value) const {
        if (!Has(offset, static_cast<std::uint64_t>(count))) {
            return false;
        }
        *value = 0;
        for (int i = 0; i < count; ++i) {
            const int at = big_endian ? i : count - 1 - i;
            *value = (*value << 8) | bytes_[offset + static_cast<std::uint64_t>(at)];
        }
        return true;
    }
    unsigned char At(std::size_t offset) const { return bytes_[offset]; }
    std::size_t Size() const { return size_; }

  private:
    const unsigned char* bytes_;
    std::size_t size_;
};

ImageHeader Known(ImageKind kind, std::uint64_t width, std::uint64_t height) {
    ImageHeader header;
    if (width > 0 && height > 0 && width <= UINT32_MAX && height <= UINT32_MAX) {
        header.kind = kind;
        header.width = static_cast<std::uint32_t>(width);
        header.height = static_cast<std::uint32_t>(height);
    }
    return header;
}

bool Begins(const Fields& f, const char* magic, std::size_t length) {
    if (f.Size() < length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (f.At(i) != static_cast<unsigned char>(magic[i])) {
            return false;
        }
    }
    return true;
}

// The signature, then the IHDR chunk: its length (13), its type, width and
// height.
ImageHeader PngHeader(const Fields& f) {
    std::uint64_t length = 0, width = 0, height = 0;
    if (!f.Read(8, 4, true, &length) || length != 13 || !f.Has(12, 4) || f.At(12) != 'I' ||
        f.At(13) != 'H' || f.At(14) != 'D' || f.At(15) != 'R' || !f.Read(16, 4, true, &width) ||
        !f.Read(20, 4, true, &height)) {
        return ImageHeader{};
    }
    return Known(ImageKind::Png, width, height);
}

// Markers after the start of image, each with its length, up to the first
// start of frame (SOF0 to SOF15 but DHT, JPG and DAC), which holds the
// height and the width.
ImageHeader JpegHeader(const Fields& f) {
    std::size_t at = 2;
    for (;;) {
        if (at >= f.Size() || f.At(at) != 0xFF) {
            return ImageHeader{};
        }
        while (at < f.Size() && f.At(at) == 0xFF) {
            ++at;  // fill bytes
        }
        if (at >= f.Size()) {
            return ImageHeader{};
        }
        const unsigned char marker = f.At(at++);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue;  // no length
        }
        std::uint64_t length = 0;
        if (marker == 0xD9 || marker == 0xDA || !f.Read(at, 2, true, &length) || length < 2) {
            return ImageHeader{};  // the image ends, or its scan begins, without a frame
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            std::uint64_t height = 0, width = 0;
            if (length < 8 || !f.Read(at + 3, 2, true, &height) ||
                !f.Read(at + 5, 2, true, &width)) {
                return ImageHeader{};
            }
            return Known(ImageKind::Jpeg, width, height);
        }
        at += length;
    }
}

// The first image file directory: its ImageWidth (256) and ImageLength
// (257) entries, SHORT or LONG (LONG8 in a BigTIFF).
ImageHeader TiffHeader(const Fields& f) {
    const bool big_endian = f.At(0) == 'M';
    std::uint64_t version = 0;
    if (!f.Read(2, 2, big_endian, &version)) {
        return ImageHeader{};
    }
    const bool big_tiff = version == 43;
    std::uint64_t offset = 0;
    if (big_tiff) {
        std::uint64_t offset_size = 0;
        if (!f.Read(4, 2, big_endian, &offset_size) || offset_size != 8 ||
            !f.Read(8, 8, big_endian, &offset)) {
            return ImageHeader{};
        }
    } else if (version != 42 || !f.Read(4, 4, big_endian, &offset)) {
        return ImageHeader{};
    }
    const int count_size = big_tiff ? 8 : 2;
    const std::uint64_t entry_size = big_tiff ? 20 : 12;
    const std::uint64_t value_at = big_tiff ? 12 : 8;
    std::uint64_t entries = 0;
    if (!f.Read(offset, count_size, big_endian, &entries)) {
        return ImageHeader{};
    }
    std::uint64_t width = 0, height = 0;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t entry =
            offset + static_cast<std::uint64_t>(count_size) + i * entry_size;
        std::uint64_t tag = 0, type = 0, value = 0;
        if (!f.Read(entry, 2, big_endian, &tag) || !f.Read(entry + 2, 2, big_endian, &type)) {
            return ImageHeader{};
        }
        if (tag != 256 && tag != 257) {
            continue;
        }
        const int value_size = type == 3 ? 2 : type == 4 ? 4 : type == 16 ? 8 : 0;
        if (value_size == 0 || !f.Read(entry + value_at, value_size, big_endian, &value)) {
            return ImageHeader{};
        }
        (tag == 256 ? width : height) = value;
    }
    return Known(ImageKind::Tiff, width, height);
}

// The file header, then the DIB header: 16-bit sizes in the old 12-byte
// one, signed 32-bit sizes (a negative height: rows top down) in the others.
ImageHeader BmpHeader(const Fields& f) {
    std::uint64_t header_size = 0, width = 0, height = 0;
    if (!f.Read(14, 4, false, &header_size)) {
        return ImageHeader{};
    }
    if (header_size == 12) {
        if (!f.Read(18, 2, false, &width) || !f.Read(20, 2, false, &height)) {
            return ImageHeader{};
        }
        return Known(ImageKind::Bmp, width, height);
    }
    if (header_size < 40 || !f.Read(18, 4, false, &width) || !f.Read(22, 4, false, &height)) {
        return ImageHeader{};
    }
    const auto signed_width = static_cast<std::int32_t>(width);
    const auto signed_height = static_cast<std::int32_t>(height);
    if (signed_width <= 0 || signed_height == 0 || signed_height == INT32_MIN) {
        return ImageHeader{};
    }
    return Known(ImageKind::Bmp, static_cast<std::uint64_t>(signed_width),
                 static_cast<std::uint64_t>(signed_height < 0 ? -signed_height : signed_height));
}

// PNM's text header: after "P1" to "P6", the width and the height in
// decimal, between blanks and comments ('#' to the end of the line).
class PnmText {
  public:
    PnmText(const Fields& f, std::size_t at) : f_(f), at_(at) {}

    bool Number(std::uint64_t* value) {
        SkipBlanks();
        std::size_t digits = 0;
        *value = 0;
        while (at_ < f_.Size() && f_.At(at_) >= '0' && f_.At(at_) <= '9') {
            if (++digits > 10) {
                return false;
            }
            *value = *value * 10 + (f_.At(at_++) - '0');
        }
        return digits > 0;
    }

    // PAM: "WIDTH n" and "HEIGHT n" lines up to ENDHDR.
    bool PamSize(std::uint64_t* width, std::uint64_t* height) {
        *width = 0;
        *height = 0;
        for (;;) {
            SkipBlanks();
            if (Word("ENDHDR")) {
                return *width > 0 && *height > 0;
            }
            if (Word("WIDTH")) {
                if (!Number(width)) {
                    return false;
                }
            } else if (Word("HEIGHT")) {
                if (!Number(height)) {
                    return false;
                }
            } else {
                while (at_ < f_.Size() && f_.At(at_) != '\n') {
                    ++at_;
                }
                if (at_ >= f_.Size()) {
                    return false;
                }
            }
        }
    }

  private:
    void SkipBlanks() {
        while (at_ < f_.Size()) {
            const unsigned char c = f_.At(at_);
            if (c == '#') {
                while (at_ < f_.Size() && f_.At(at_) != '\n') {
                    ++at_;
                }
            } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
                ++at_;
            } else {
                return;
            }
        }
    }

    bool Word(const char* word) {
        const std::size_t length = std::strlen(word);
        if (at_ + length > f_.Size()) {
            return false;
        }
        for (std::size_t i = 0; i < length; ++i) {
            if (f_.At(at_ + i) != static_cast<unsigned char>(word[i])) {
                return false;
            }
        }
        at_ += length;
        return true;
    }

    const Fields& f_;
    std::size_t at_;
};

ImageHeader PnmHeader(const Fields& f) {
    std::uint64_t width = 0, height = 0;
    PnmText text(f, 2);
    const bool sized = f.At(1) == '7' ? text.PamSize(&width, &height)
                                      : text.Number(&width) && text.Number(&height);
    return sized ? Known(ImageKind::Pnm, width, height) : ImageHeader{};
}

ImageKind KindOf(const Fields& f) {
    if (Begins(f, "\x89PNG\r\n\x1a\n", 8)) {
        return ImageKind::Png;
    }
    if (Begins(f, "\xFF\xD8\xFF", 3)) {
        return ImageKind::Jpeg;
    }
    if (Begins(f, "II*\0", 4) || Begins(f, "MM\0*", 4) || Begins(f, "II+\0", 4) ||
        Begins(f, "MM\0+", 4)) {
        return ImageKind::Tiff;
    }
    if (Begins(f, "BM", 2)) {
        return ImageKind::Bmp;
    }
    if (f.Size() >= 3 && f.At(0) == 'P' && f.At(1) >= '1' && f.At(1) <= '7' &&
        (f.At(2) == ' ' || f.At(2) == '\t' || f.At(2) == '\n' || f.At(2) == '\r' ||
         f.At(2) == '#')) {
        return ImageKind::Pnm;
    }
    return ImageKind::Unknown;
}

PageImage Failed(ImageStatus status, const Message& message, std::uint32_t code = 0) {
    PageImage image;
    image.status = status;
    image.system_error = code;
    image.message = message;
    return image;
}

// The whole file, read piece by piece, each piece waited for at most
// `wait` ms: a FIFO or a pipe as well as a file. Stops at the first bytes
// that begin no image, and past kMaxImageFileBytes.
PageImage ReadAll(const char* path, int wait, std::vector<unsigned char>* bytes) {
    const platform::FileHandle file = platform::OpenForReading(path, platform::OpenWait::Never);
    if (file == platform::kNoFile) {
        return Failed(ImageStatus::OpenFailed,
                      MakeMessage(MessageKind::Error, text::kScanImageOpenFailed),
                      platform::LastError());
    }
    PageImage result;
    const Message too_large = MakeMessage(MessageKind::Error, [](TextOut& out) {
        text::ScanImageFileTooLarge(out, static_cast<unsigned>(kMaxImageFileBytes >> 20));
    });
    const Message unknown = MakeMessage(MessageKind::Error, text::kScanImageUnknownKind);
    platform::FileInfo info;
    if (platform::Identify(file, &info) && info.kind == platform::FileKind::Regular &&
        info.size > kMaxImageFileBytes) {
        result = Failed(ImageStatus::FileTooLarge, too_large);
    }
    bool kind_known = false;
    while (result.status == ImageStatus::Read) {
        if (!platform::WaitToRead(file, wait)) {
            // The time out is the message; any other failure has a reason.
            const std::uint32_t code = platform::CErrorNumber(platform::LastError()) == ETIMEDOUT
                                           ? 0
                                           : platform::LastError();
            result = Failed(ImageStatus::NoData,
                            MakeMessage(MessageKind::Error,
                                        [wait](TextOut& out) {
                                            text::ScanImageNoData(
                                                out, static_cast<unsigned>((wait + 999) / 1000));
                                        }),
                            code);
            break;
        }
        const std::size_t had = bytes->size();
        bytes->resize(had + kPieceSize);
        std::uint32_t got = 0;
        if (!platform::ReadSome(file, bytes->data() + had, kPieceSize, &got)) {
            result = Failed(ImageStatus::ReadFailed,
                            MakeMessage(MessageKind::Error, text::kScanImageReadFailed),
                            platform::LastError());
            break;
        }
        bytes->resize(had + got);
        if (!kind_known && (bytes->size() >= kKindBytes || got == 0)) {
            if (!StartsLikeAnImage(bytes->data(), bytes->size())) {
                result = Failed(ImageStatus::UnknownKind, unknown);
                break;
            }
            kind_known = true;
        }
        if (got == 0) {
            break;
        }
        if (bytes->size() > kMaxImageFileBytes) {
            result = Failed(ImageStatus::FileTooLarge, too_large);
        }
    }
    platform::Close(file);
    return result;
}

}  // namespace

void PixFree::operator()(Pix* pix) const {
    pixDestroy(&pix);
}

bool StartsLikeAnImage(const unsigned char* bytes, std::size_t size) {
    return KindOf(Fields(bytes, size)) != ImageKind::Unknown;
}

bool IsPageImageHead(const unsigned char* bytes, std::size_t size) {
    const Fields f(bytes, size);
    switch (KindOf(f)) {
        case ImageKind::Png:
        case ImageKind::Jpeg:
        case ImageKind::Tiff:
            return true;
        case ImageKind::Bmp: {
            // One plane, a field of 1 and 0 that no text holds, after a
            // header of a size BMP has.
            std::uint64_t header_size = 0, planes = 0;
            if (!f.Read(14, 4, false, &header_size)) {
                return false;
            }
            const std::size_t planes_at = header_size == 12 ? 22 : 26;
            const bool known_size = header_size == 12 || header_size == 40 || header_size == 52 ||
                                    header_size == 56 || header_size == 64 || header_size == 108 ||
                                    header_size == 124;
            return known_size && f.Read(planes_at, 2, false, &planes) && planes == 1 &&
                   BmpHeader(f).kind == ImageKind::Bmp;
        }
        case ImageKind::Pnm:
        case ImageKind::Unknown:
            break;
    }
    return false;
}

ImageHeader ReadImageHeader(const unsigned char* bytes, std::size_t size) {
    const Fields f(bytes, size);
    switch (KindOf(f)) {
        case ImageKind::Png:
            return PngHeader(f);
        case ImageKind::Jpeg:
            return JpegHeader(f);
        case ImageKind::Tiff:
            return TiffHeader(f);
        case ImageKind::Bmp:
            return BmpHeader(f);
        case ImageKind::Pnm:
            return PnmHeader(f);
        case ImageKind::Unknown:
            break;
    }
    return ImageHeader{};
}

PageImage LoadPageImage(const char* path, int wait_milliseconds) {
    std::vector<unsigned char> bytes;
    PageImage image = ReadAll(path, wait_milliseconds, &bytes);
    if (image.status != ImageStatus::Read) {
        return image;
    }
    image.header = ReadImageHeader(bytes.data(), bytes.size());
    const ImageHeader& header = image.header;
    if (header.kind == ImageKind::Unknown) {
        return Failed(ImageStatus::UnknownKind,
                      MakeMessage(MessageKind::Error, text::kScanImageUnknownKind));
    }
    if (static_cast<std::uint64_t>(header.width) * header.height > kMaxPagePixels) {
        PageImage refused =
            Failed(ImageStatus::TooManyPixels, MakeMessage(MessageKind::Error, [&](TextOut& out) {
                       text::ScanImageTooManyPixels(out, header.width, header.height,
                                                    static_cast<unsigned>(kMaxPagePixels));
                   }));
        refused.header = header;
        return refused;
    }
    // The image libraries print messages of their own (in English) about
    // what they cannot read; the scan tells the user itself.
    const std::intptr_t saved = platform::SilenceErrorOutput();
    Pix* read = pixReadMem(bytes.data(), bytes.size());
    platform::RestoreErrorOutput(saved);
    std::vector<unsigned char>().swap(bytes);
    std::unique_ptr<Pix, PixFree> decoded(read);
    const bool sized =
        decoded &&
        static_cast<std::uint64_t>(pixGetWidth(read)) * pixGetHeight(read) <= kMaxPagePixels;
    if (sized) {
        // Grey at once, the colour one let go: a page's memory is its grey
        // image and what recognition derives from it.
        image.grey.reset(pixGetDepth(read) == 32 ? pixConvertRGBToLuminance(read)
                                                 : pixConvertTo8(read, 0));
    }
    if (!image.grey) {
        return Failed(ImageStatus::DecodeFailed,
                      MakeMessage(MessageKind::Error, text::kScanImageDecodeFailed));
    }
    return image;
}

}  // namespace tsy::scan
