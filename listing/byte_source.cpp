#include "listing/byte_source.h"

#include <cstring>

namespace tsy {

bool FileByteSource::Open(const char* path) {
    Close();
    file_ = platform::OpenForReading(path);
    if (file_ == platform::kNoFile) {
        error_ = platform::LastError();
        return false;
    }
    error_ = 0;
    return true;
}

void FileByteSource::Close() {
    platform::Close(file_);
    file_ = platform::kNoFile;
}

bool FileByteSource::Read(unsigned char* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (file_ == platform::kNoFile) {
        return true;
    }
    constexpr std::size_t kMostAtOnce = 1u << 30;
    std::uint32_t arrived = 0;
    if (!platform::ReadSome(file_, buffer,
                            static_cast<std::uint32_t>(size < kMostAtOnce ? size : kMostAtOnce),
                            &arrived)) {
        error_ = platform::LastError();
        return false;
    }
    *got = arrived;
    return true;
}

bool MemoryByteSource::Read(unsigned char* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (position_ >= fail_after_) {
        return false;
    }
    std::size_t left = size_ - position_;
    if (fail_after_ != kNever && fail_after_ - position_ < left) {
        left = fail_after_ - position_;
    }
    const std::size_t n = size < left ? size : left;
    if (n > 0) {
        std::memcpy(buffer, bytes_ + position_, n);
    }
    position_ += n;
    *got = n;
    return true;
}

}  // namespace tsy
