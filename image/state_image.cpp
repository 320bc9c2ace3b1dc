#include "image/state_image.h"

#include <cstring>

#include "resources/texts.h"

namespace tsy {
namespace {

// The image operations format their messages into 256 bytes.
constexpr std::size_t kImageMessageSize = 256;

// The error code as the messages show it: decimal, as the platform's
// signed 32-bit view of it.
int Code(std::uint32_t code) {
    return static_cast<int>(code);
}

template <typename Status>
Result<Status> Failure(Status status, const char* text) {
    Result<Status> result;
    result.status = status;
    result.system_error = platform::LastError();
    result.message = MakeMessage(MessageKind::Error, text);
    return result;
}

// A failure whose message shows the error code.
template <typename Status, typename Write>
Result<Status> Failure(Status status, std::uint32_t code, Write write) {
    Result<Status> result;
    result.status = status;
    result.system_error = code;
    result.message = MakeMessage(
        MessageKind::Error, [&](TextOut& out) { write(out, Code(code)); }, kImageMessageSize);
    return result;
}

LoadResult NotRegular() {
    LoadResult refused;
    refused.status = LoadStatus::NotRegular;
    refused.message = MakeMessage(MessageKind::Error, text::kStateNotRegular);
    return refused;
}

}  // namespace

StateImage::~StateImage() {
    Release();
}

void StateImage::Release() {
    platform::FreeBlock(&block_);
    size_ = 0;
    file_ = FileStamp{};
}

LoadResult StateImage::Load(const char* path) {
    Release();

    // Only a regular file is a state-save file. A device or a FIFO is not
    // even opened where that can be told first (a link, which may lead
    // nowhere, is told by the open); the open never waits, for what the
    // name may come to name meanwhile.
    platform::FileInfo named;
    if (platform::InspectPath(path, &named) && named.kind == platform::FileKind::Other &&
        !named.is_link) {
        return NotRegular();
    }
    platform::FileHandle file = platform::OpenForReading(path, platform::OpenWait::Never);
    if (file == platform::kNoFile) {
        return Failure(LoadStatus::OpenFailed, text::kStateOpenFailed);
    }

    FileStamp stamp;
    if (!platform::Identify(file, &stamp.info)) {
        LoadResult failed =
            Failure(LoadStatus::SizeFailed, platform::LastError(), text::StateSizeFailed);
        platform::Close(file);
        return failed;
    }
    if (stamp.info.kind != platform::FileKind::Regular) {
        platform::Close(file);
        return NotRegular();
    }

    std::uint32_t size = 0;
    if (!platform::GetSize(file, &size)) {
        LoadResult failed =
            Failure(LoadStatus::SizeFailed, platform::LastError(), text::StateSizeFailed);
        platform::Close(file);
        return failed;
    }

    platform::MemoryBlock block;
    if (!platform::AllocateBlock(size, &block)) {
        LoadResult failed =
            Failure(LoadStatus::MemoryFailed, platform::LastError(), text::StateMemoryFailed);
        platform::Close(file);
        return failed;
    }

    if (platform::ReadOnce(file, block.bytes, size) != size) {
        LoadResult failed = Failure(LoadStatus::ReadFailed, text::kStateReadFailed);
        platform::FreeBlock(&block);
        platform::Close(file);
        return failed;
    }

    platform::Close(file);
    // The identity was taken before the read: a change during the read makes
    // the write-back find the file changed.
    stamp.hash = HashBytes(kHashStart, block.bytes, size);
    block_ = block;
    size_ = size;
    file_ = stamp;
    return LoadResult{};
}

bool StateImage::CheckFormat() const {
    if (!IsLoaded() || size_ < 6) {
        return false;
    }
    return std::memcmp(block_.bytes, "TSRY", 4) == 0 && block_.bytes[4] == 1 &&
           block_.bytes[5] == 0;
}

WriteBackResult StateImage::WriteBack(const char* path) {
    if (!IsLoaded()) {
        WriteBackResult refused = Failure(WriteBackStatus::NoImage, text::kNoStateImage);
        refused.system_error = 0;
        return refused;
    }
    return WriteFileBack(path, block_.bytes, size_, &file_);
}

bool StateImage::Fits(std::uint32_t address, std::uint32_t count) const {
    if (!IsLoaded()) {
        return false;
    }
    std::uint64_t begin = static_cast<std::uint64_t>(memory_offset_) + address;
    return begin + count <= size_ || count == 0;
}

StoreResult StateImage::Store(std::uint32_t address, const unsigned char* bytes,
                              std::uint32_t count) {
    if (!IsLoaded()) {
        return StoreResult::NoImage;
    }
    if (!Fits(address, count)) {
        return StoreResult::OutsideImage;
    }
    if (count > 0) {
        std::memcpy(block_.bytes + memory_offset_ + address, bytes, count);
    }
    return StoreResult::Stored;
}

}  // namespace tsy
