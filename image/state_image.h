// The in-memory copy of one state-save file: the whole file in one fixed
// block, loaded, format-checked, changed through Store and written back
// with a ".old" backup. Operations tell nobody: each returns what happened,
// with the message a front end shows for it.
#pragma once

#include <cstdint>

#include "image/write_back.h"
#include "platform/platform.h"
#include "resources/message.h"
#include "resources/resource.h"

namespace tsy {

// The file offset of emulated address 0 unless the user sets another.
inline constexpr std::uint32_t kDefaultMemoryOffset = TSY_DEFAULT_MEMORY_OFFSET;

enum class LoadStatus {
    Loaded,
    OpenFailed,    // the file could not be opened
    SizeFailed,    // its size could not be had
    MemoryFailed,  // no block for its bytes
    ReadFailed,    // fewer bytes arrived than its size
    NotRegular,    // a folder, a device, a FIFO or the like; not opened, or not read
};
using LoadResult = Result<LoadStatus>;

enum class StoreResult {
    Stored,        // every byte copied
    NoImage,       // nothing held; nothing copied
    OutsideImage,  // the target range does not lie wholly inside the image; nothing copied
};

class StateImage {
  public:
    StateImage() = default;
    ~StateImage();
    StateImage(const StateImage&) = delete;
    StateImage& operator=(const StateImage&) = delete;

    // Releases any held image, then reads the file at `path` whole. On any
    // failure no image is held afterwards, the first one gone as well.
    LoadResult Load(const char* path);

    bool IsLoaded() const { return block_.bytes != nullptr; }

    // "TSRY", then the bytes 1 and 0. False without an image or for an image
    // shorter than 6 bytes.
    bool CheckFormat() const;

    // Writes the image to `path`, keeping the file's first version as
    // `path` + ".old" (a link's: beside the file it leads to). The file at
    // `path` ends up holding exactly the image's bytes, or, after any failure
    // or a refusal, its previous content. Refused when the file is no longer
    // the one loaded (or last written back): another file, or changed.
    WriteBackResult WriteBack(const char* path);

    // Whether image offsets MemoryOffset + address .. + count - 1 (formed
    // without wrap-around) lie wholly inside the held image; an empty range
    // does whenever an image is held.
    bool Fits(std::uint32_t address, std::uint32_t count) const;

    // Copies `count` bytes to image offset MemoryOffset + address, or
    // nothing when the range does not fit.
    StoreResult Store(std::uint32_t address, const unsigned char* bytes, std::uint32_t count);

    // Offset in the file of emulated address 0.
    void SetMemoryOffset(std::uint32_t offset) { memory_offset_ = offset; }
    std::uint32_t MemoryOffset() const { return memory_offset_; }

    std::uint32_t Size() const { return size_; }
    // The file as it was loaded (or last written back).
    const FileStamp& Stamp() const { return file_; }
    const unsigned char* Bytes() const { return block_.bytes; }

  private:
    void Release();

    platform::MemoryBlock block_;
    std::uint32_t size_ = 0;
    FileStamp file_;  // the file as loaded, or as last written back
    std::uint32_t memory_offset_ = kDefaultMemoryOffset;
};

}  // namespace tsy
