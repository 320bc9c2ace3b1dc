#include "image/binary_dump.h"

#include "image/messages.h"
#include "platform/platform.h"
#include "resources/texts.h"

namespace tsy {
namespace {

using platform::MessageKind;

// Emulated addresses end below this; a dump must end below it as well.
constexpr std::uint64_t kAddressLimit = 0x10000;

// Bytes at the head of a UNIX text dump that are not placed.
constexpr std::uint32_t kUnixHeaderSize = 18;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of a hexadecimal digit, or -1 for any other character.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Turns the line feeds of a UNIX text into carriage returns, in place.
void ConvertLineFeeds(unsigned char* text, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (text[i] == 0x0A) {
            text[i] = 0x0D;
        }
    }
}

// Reads the whole file at `path` into `block`, `*size` bytes, unless the
// dump would reach past the last emulated address from `start` on. Returns
// Placed when the block holds the dump; otherwise tells the user (D1 to D5)
// and returns Refused or FileError, holding no block. The file is closed.
PlaceResult ReadDump(const char* path, std::uint32_t start, platform::MemoryBlock* block,
                     std::uint32_t* size) {
    platform::FileHandle file = platform::OpenForReading(path);
    if (file == platform::kNoFile) {
        platform::Tell(MessageKind::Error, text::kDumpOpenFailed);
        return PlaceResult::FileError;
    }
    if (!platform::GetSize(file, size)) {
        TellFormatted(MessageKind::Error, text::kDumpSizeFailed,
                      static_cast<int>(platform::LastError()));
        platform::Close(file);
        return PlaceResult::FileError;
    }
    if (static_cast<std::uint64_t>(start) + *size >= kAddressLimit) {
        TellFormatted(MessageKind::Error, text::kDumpTooLarge, static_cast<unsigned>(*size));
        platform::Close(file);
        return PlaceResult::Refused;
    }
    if (!platform::AllocateBlock(*size, block)) {
        TellFormatted(MessageKind::Error, text::kDumpMemoryFailed,
                      static_cast<int>(platform::LastError()));
        platform::Close(file);
        return PlaceResult::FileError;
    }
    if (platform::ReadOnce(file, block->bytes, *size) != *size) {
        platform::Tell(MessageKind::Error, text::kDumpReadFailed);
        platform::FreeBlock(block);
        platform::Close(file);
        return PlaceResult::FileError;
    }
    platform::Close(file);
    return PlaceResult::Placed;
}

}  // namespace

std::uint32_t ParseStartAddress(const char* start_address) {
    const char* p = start_address;
    while (IsBlank(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) {
        p += 2;
    }
    std::uint32_t value = 0;
    for (int digit = HexDigit(*p); digit >= 0; digit = HexDigit(*++p)) {
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return negative ? 0u - value : value;
}

PlaceResult PlaceBinaryDump(StateImage& image, const char* path, const char* start_address,
                            bool unix_text) {
    const std::uint32_t start = ParseStartAddress(start_address);
    if (!image.IsLoaded()) {
        platform::Tell(MessageKind::Error, text::kNoStateImage);
        return PlaceResult::NoImage;
    }

    platform::MemoryBlock dump;
    std::uint32_t size = 0;
    PlaceResult read = ReadDump(path, start, &dump, &size);
    if (read != PlaceResult::Placed) {
        return read;
    }

    // What goes into the image: the whole dump, or the text after the
    // header with a zero byte behind it. A UNIX text no longer than its
    // header is an empty text: only the zero byte is stored.
    std::uint32_t count = size;
    if (unix_text) {
        count = size > kUnixHeaderSize ? size - kUnixHeaderSize : 0;
    }
    unsigned char* placed = dump.bytes + (size - count);
    const std::uint32_t stored = unix_text ? count + 1 : count;
    if (unix_text) {
        ConvertLineFeeds(placed, count);
    }
    const std::uint32_t end = start + count - 1;

    if (!image.Fits(start, stored)) {
        platform::FreeBlock(&dump);
        TellFormatted(MessageKind::Error, text::kDumpOutsideImage, start, start + stored - 1,
                      image.Size());
        return PlaceResult::Refused;
    }
    image.Store(start, placed, count);
    if (unix_text) {
        const unsigned char zero = 0;
        image.Store(start + count, &zero, 1);
    }
    platform::FreeBlock(&dump);

    TellFormatted(MessageKind::Information, text::kPlacedRange, start, end);
    return PlaceResult::Placed;
}

}  // namespace tsy
