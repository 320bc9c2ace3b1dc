#include "image/state_image.h"

#include <cstring>
#include <string>

#include "resources/texts.h"

namespace tsy {
namespace {

// Suffixes of the backup and of the temporary file a write-back writes
// first; both are as long, so one length check covers both names.
constexpr char kBackupSuffix[] = ".old";
constexpr char kNewSuffix[] = ".new";
static_assert(sizeof kBackupSuffix == sizeof kNewSuffix, "one length check covers both names");

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

// Writes `size` bytes to a new file at `temp_path` and forces them to disk.
// Leaves no file behind on a failure.
WriteBackResult WriteNewFile(const char* temp_path, const unsigned char* bytes,
                             std::uint32_t size) {
    platform::FileHandle file = platform::CreateForWriting(temp_path);
    if (file == platform::kNoFile) {
        return Failure(WriteBackStatus::CreateFailed, text::kStateOpenFailed);
    }
    bool complete = platform::WriteOnce(file, bytes, size) == size && platform::Flush(file);
    const std::uint32_t code = platform::LastError();
    platform::Close(file);
    if (!complete) {
        platform::Delete(temp_path);
        WriteBackResult failed = Failure(WriteBackStatus::WriteFailed, text::kStateWriteFailed);
        failed.system_error = code;
        return failed;
    }
    return WriteBackResult{};
}

}  // namespace

StateImage::~StateImage() {
    Release();
}

void StateImage::Release() {
    platform::FreeBlock(&block_);
    size_ = 0;
}

LoadResult StateImage::Load(const char* path) {
    Release();

    platform::FileHandle file = platform::OpenForReading(path);
    if (file == platform::kNoFile) {
        return Failure(LoadStatus::OpenFailed, text::kStateOpenFailed);
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
    block_ = block;
    size_ = size;
    return LoadResult{};
}

bool StateImage::CheckFormat() const {
    if (!IsLoaded() || size_ < 6) {
        return false;
    }
    return std::memcmp(block_.bytes, "TSRY", 4) == 0 && block_.bytes[4] == 1 &&
           block_.bytes[5] == 0;
}

WriteBackResult StateImage::WriteBack(const char* path) const {
    if (!IsLoaded()) {
        WriteBackResult refused = Failure(WriteBackStatus::NoImage, text::kNoStateImage);
        refused.system_error = 0;
        return refused;
    }
    if (std::strlen(path) + std::strlen(kBackupSuffix) > platform::MaxPathLength()) {
        WriteBackResult refused = Failure(WriteBackStatus::PathTooLong, text::kStateBackupTooLong);
        refused.system_error = 0;
        return refused;
    }
    const std::string backup_path = std::string(path) + kBackupSuffix;
    const std::string temp_path = std::string(path) + kNewSuffix;

    // The new content goes to a file of its own first, so that the file at
    // `path` is never half written.
    WriteBackResult written = WriteNewFile(temp_path.c_str(), block_.bytes, size_);
    if (written.status != WriteBackStatus::Written) {
        return written;
    }

    // The backup keeps the file's first version: it is made only while none
    // exists, and never replaced. A file the user has deleted meanwhile has
    // nothing to back up.
    bool made_backup = false;
    if (!platform::Exists(backup_path.c_str()) && platform::Exists(path)) {
        if (!platform::RenameNoReplace(path, backup_path.c_str())) {
            const std::uint32_t code = platform::LastError();
            platform::Delete(temp_path.c_str());
            return Failure(WriteBackStatus::BackupFailed, code, text::StateBackupFailed);
        }
        made_backup = true;
    }

    if (!platform::RenameReplace(temp_path.c_str(), path)) {
        const std::uint32_t code = platform::LastError();
        // Put the previous file back where the user expects it; should even
        // that fail, it is still safe under the backup name, and the message
        // says so.
        const bool restored = !made_backup || platform::RenameNoReplace(backup_path.c_str(), path);
        platform::Delete(temp_path.c_str());
        return Failure(
            restored ? WriteBackStatus::ReplaceFailed : WriteBackStatus::ReplaceFailedKept, code,
            [restored](TextOut& out, int shown) {
                text::StateReplaceFailed(out, shown, !restored);
            });
    }
    return WriteBackResult{};
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
