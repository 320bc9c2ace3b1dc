#include "image/binary_dump.h"

#include "platform/platform.h"
#include "resources/characters.h"
#include "resources/texts.h"

namespace tsy {
namespace {

// Emulated addresses end below this: a dump may fill them up to the last,
// FFFF, as a listing may.
constexpr std::uint64_t kAddressLimit = 0x10000;

// Whether `size` bytes from `start` on end at FFFF or before.
bool EndsInAddressSpace(std::uint32_t start, std::uint64_t size) {
    return start + size <= kAddressLimit;
}

// Bytes at the head of a UNIX text dump that are not placed.
constexpr std::uint32_t kUnixHeaderSize = 18;

// The placement formats its messages into 256 bytes.
constexpr std::size_t kPlaceMessageSize = 256;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Turns the line feeds of a UNIX text into carriage returns, in place.
void ConvertLineFeeds(unsigned char* text, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (text[i] == 0x0A) {
            text[i] = 0x0D;
        }
    }
}

PlaceResult Outcome(PlaceStatus status, MessageKind kind, const char* text,
                    std::uint32_t code = 0) {
    PlaceResult result;
    result.status = status;
    result.system_error = code;
    result.message = MakeMessage(kind, text);
    return result;
}

template <typename Write>
PlaceResult Outcome(PlaceStatus status, MessageKind kind, Write write, std::uint32_t code = 0) {
    PlaceResult result;
    result.status = status;
    result.system_error = code;
    result.message = MakeMessage(kind, write, kPlaceMessageSize);
    return result;
}

// Reads a dump that is not a regular file (a pipe, a device), whose size is
// what arrives before its end, into `block`, `*size` bytes, as ReadDump. A
// dump too large is read only as far as the limit: its size is told as the
// bytes read by then.
PlaceResult ReadStream(platform::FileHandle file, std::uint32_t start, platform::MemoryBlock* block,
                       std::uint32_t* size) {
    // The largest size allowed from `start` on; the block holds one byte
    // more, so that a dump that fills it is refused.
    const std::uint32_t allowed =
        start < kAddressLimit ? static_cast<std::uint32_t>(kAddressLimit - start) : 0;
    const std::uint32_t capacity = allowed + 1;
    if (!platform::AllocateBlock(capacity, block)) {
        const std::uint32_t code = platform::LastError();
        platform::Close(file);
        return Outcome(
            PlaceStatus::FileError, MessageKind::Error,
            [code](TextOut& out) { text::DumpMemoryFailed(out, static_cast<int>(code)); }, code);
    }
    std::uint32_t total = 0;
    while (total < capacity) {
        std::uint32_t got = 0;
        if (!platform::ReadSome(file, block->bytes + total, capacity - total, &got)) {
            const std::uint32_t code = platform::LastError();
            platform::FreeBlock(block);
            platform::Close(file);
            return Outcome(PlaceStatus::FileError, MessageKind::Error, text::kDumpReadFailed, code);
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    platform::Close(file);
    if (!EndsInAddressSpace(start, total)) {
        platform::FreeBlock(block);
        return Outcome(PlaceStatus::Refused, MessageKind::Error,
                       [total](TextOut& out) { text::DumpTooLarge(out, total); });
    }
    *size = total;
    return PlaceResult{};
}

// Reads the whole file at `path` into `block`, `*size` bytes, unless the
// dump would reach past the last emulated address from `start` on. Returns
// Placed (with no message) when the block holds the dump; otherwise the
// failure, holding no block. The file is closed.
PlaceResult ReadDump(const char* path, std::uint32_t start, platform::MemoryBlock* block,
                     std::uint32_t* size) {
    platform::FileHandle file = platform::OpenForReading(path);
    if (file == platform::kNoFile) {
        return Outcome(PlaceStatus::FileError, MessageKind::Error, text::kDumpOpenFailed,
                       platform::LastError());
    }
    platform::FileInfo info;
    if (platform::Identify(file, &info) && info.kind != platform::FileKind::Regular) {
        return ReadStream(file, start, block, size);
    }
    // A file too large for 32 bits is refused by its size like any other.
    if (info.kind == platform::FileKind::Regular && start + info.size > kAddressLimit) {
        platform::Close(file);
        const std::uint64_t shown = info.size;
        return Outcome(PlaceStatus::Refused, MessageKind::Error,
                       [shown](TextOut& out) { text::DumpTooLarge(out, shown); });
    }
    if (!platform::GetSize(file, size)) {
        const std::uint32_t code = platform::LastError();
        platform::Close(file);
        return Outcome(
            PlaceStatus::FileError, MessageKind::Error,
            [code](TextOut& out) { text::DumpSizeFailed(out, static_cast<int>(code)); }, code);
    }
    if (!EndsInAddressSpace(start, *size)) {
        platform::Close(file);
        const unsigned shown = *size;
        return Outcome(PlaceStatus::Refused, MessageKind::Error,
                       [shown](TextOut& out) { text::DumpTooLarge(out, shown); });
    }
    if (!platform::AllocateBlock(*size, block)) {
        const std::uint32_t code = platform::LastError();
        platform::Close(file);
        return Outcome(
            PlaceStatus::FileError, MessageKind::Error,
            [code](TextOut& out) { text::DumpMemoryFailed(out, static_cast<int>(code)); }, code);
    }
    if (platform::ReadOnce(file, block->bytes, *size) != *size) {
        const std::uint32_t code = platform::LastError();
        platform::FreeBlock(block);
        platform::Close(file);
        return Outcome(PlaceStatus::FileError, MessageKind::Error, text::kDumpReadFailed, code);
    }
    platform::Close(file);
    return PlaceResult{};
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
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0) {
        p += 2;
    }
    std::uint32_t value = 0;
    for (int digit = HexDigitValue(*p); digit >= 0; digit = HexDigitValue(*++p)) {
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return negative ? 0u - value : value;
}

PlaceResult PlaceBinaryDump(StateImage& image, const char* path, const char* start_address,
                            bool unix_text) {
    const std::uint32_t start = ParseStartAddress(start_address);
    if (!image.IsLoaded()) {
        return Outcome(PlaceStatus::NoImage, MessageKind::Error, text::kNoStateImage);
    }

    platform::MemoryBlock dump;
    std::uint32_t size = 0;
    PlaceResult read = ReadDump(path, start, &dump, &size);
    if (read.status != PlaceStatus::Placed) {
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
    if (count == 0) {
        platform::FreeBlock(&dump);
        return Outcome(PlaceStatus::Refused, MessageKind::Error,
                       [&](TextOut& out) { text::DumpEmpty(out, size, unix_text); });
    }

    if (!image.Fits(start, stored)) {
        platform::FreeBlock(&dump);
        const unsigned last = start + stored - 1;
        const unsigned image_size = image.Size();
        return Outcome(PlaceStatus::Refused, MessageKind::Error,
                       [&](TextOut& out) { text::DumpOutsideImage(out, start, last, image_size); });
    }
    image.Store(start, placed, count);
    if (unix_text) {
        const unsigned char zero = 0;
        image.Store(start + count, &zero, 1);
    }
    platform::FreeBlock(&dump);

    PlaceResult done = Outcome(PlaceStatus::Placed, MessageKind::Information,
                               [&](TextOut& out) { text::PlacedRange(out, start, end); });
    done.stored = stored;
    return done;
}

}  // namespace tsy
