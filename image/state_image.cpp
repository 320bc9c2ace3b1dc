#include "image/state_image.h"

#include <cstring>
#include <string>

#include "image/messages.h"
#include "resources/texts.h"

namespace tsy {
namespace {

using platform::MessageKind;

// Suffixes of the backup and of the temporary file a write-back writes
// first; both are as long, so one length check covers both names.
constexpr char kBackupSuffix[] = ".old";
constexpr char kNewSuffix[] = ".new";
static_assert(sizeof kBackupSuffix == sizeof kNewSuffix, "one length check covers both names");

// The error code as the messages show it: decimal, as the platform's
// signed 32-bit view of it.
int Code(std::uint32_t code) {
    return static_cast<int>(code);
}

// Writes `size` bytes to a new file at `temp_path` and forces them to disk.
// Tells the user of a failure (W1, W2); leaves no file behind then.
bool WriteNewFile(const char* temp_path, const unsigned char* bytes, std::uint32_t size) {
    platform::FileHandle file = platform::CreateForWriting(temp_path);
    if (file == platform::kNoFile) {
        platform::Tell(MessageKind::Error, text::kStateOpenFailed);
        return false;
    }
    bool complete = platform::WriteOnce(file, bytes, size) == size && platform::Flush(file);
    platform::Close(file);
    if (!complete) {
        platform::Delete(temp_path);
        platform::Tell(MessageKind::Error, text::kStateWriteFailed);
        return false;
    }
    return true;
}

}  // namespace

StateImage::~StateImage() {
    Release();
}

void StateImage::Release() {
    platform::FreeBlock(&block_);
    size_ = 0;
}

bool StateImage::Load(const char* path) {
    Release();

    platform::FileHandle file = platform::OpenForReading(path);
    if (file == platform::kNoFile) {
        platform::Tell(MessageKind::Error, text::kStateOpenFailed);
        return false;
    }

    std::uint32_t size = 0;
    if (!platform::GetSize(file, &size)) {
        TellFormatted(MessageKind::Error, text::kStateSizeFailed, Code(platform::LastError()));
        platform::Close(file);
        return false;
    }

    platform::MemoryBlock block;
    if (!platform::AllocateBlock(size, &block)) {
        TellFormatted(MessageKind::Error, text::kStateMemoryFailed, Code(platform::LastError()));
        platform::Close(file);
        return false;
    }

    if (platform::ReadOnce(file, block.bytes, size) != size) {
        platform::Tell(MessageKind::Error, text::kStateReadFailed);
        platform::FreeBlock(&block);
        platform::Close(file);
        return false;
    }

    platform::Close(file);
    block_ = block;
    size_ = size;
    return true;
}

bool StateImage::CheckFormat() const {
    if (!IsLoaded() || size_ < 6) {
        return false;
    }
    return std::memcmp(block_.bytes, "TSRY", 4) == 0 && block_.bytes[4] == 1 &&
           block_.bytes[5] == 0;
}

bool StateImage::WriteBack(const char* path) {
    if (!IsLoaded()) {
        platform::Tell(MessageKind::Error, text::kNoStateImage);
        return false;
    }
    if (std::strlen(path) + std::strlen(kBackupSuffix) > platform::MaxPathLength()) {
        platform::Tell(MessageKind::Error, text::kStateBackupTooLong);
        return false;
    }
    const std::string backup_path = std::string(path) + kBackupSuffix;
    const std::string temp_path = std::string(path) + kNewSuffix;

    // The new content goes to a file of its own first, so that the file at
    // `path` is never half written.
    if (!WriteNewFile(temp_path.c_str(), block_.bytes, size_)) {
        return false;
    }

    // The backup keeps the file's first version: it is made only while none
    // exists, and never replaced. A file the user has deleted meanwhile has
    // nothing to back up.
    bool made_backup = false;
    if (!platform::Exists(backup_path.c_str()) && platform::Exists(path)) {
        if (!platform::RenameNoReplace(path, backup_path.c_str())) {
            std::uint32_t code = platform::LastError();
            platform::Delete(temp_path.c_str());
            TellFormatted(MessageKind::Error, text::kStateBackupFailed, Code(code));
            return false;
        }
        made_backup = true;
    }

    if (!platform::RenameReplace(temp_path.c_str(), path)) {
        std::uint32_t code = platform::LastError();
        // Put the previous file back where the user expects it; should even
        // that fail, it is still safe under the backup name, and the message
        // says so.
        const bool restored = !made_backup || platform::RenameNoReplace(backup_path.c_str(), path);
        platform::Delete(temp_path.c_str());
        TellFormatted(MessageKind::Error,
                      restored ? text::kStateReplaceFailed : text::kStateReplaceFailedKeptAsBackup,
                      Code(code));
        return false;
    }
    return true;
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
