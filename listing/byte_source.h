// Where a listing's bytes come from: a file, read through the platform's
// file functions, or a block of memory (tests, the fuzzer).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace tsy {

class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // Reads at most `size` bytes into `buffer`: `*got` is 0 at the end.
    // Returns false on a read error.
    virtual bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) = 0;
};

// A file opened for reading, closed when the object goes.
class FileByteSource final : public ByteSource {
  public:
    FileByteSource() = default;
    ~FileByteSource() override { Close(); }
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    // Opens `path`; false on failure, Error() then holding the platform's code.
    bool Open(const char* path);
    void Close();
    bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) override;

    // The platform's code of the failed open or read.
    std::uint32_t Error() const { return error_; }

  private:
    platform::FileHandle file_ = platform::kNoFile;
    std::uint32_t error_ = 0;
};

// Bytes held by the caller. With `fail_after` set, a read error comes once
// that many bytes have been given.
class MemoryByteSource final : public ByteSource {
  public:
    static constexpr std::size_t kNever = static_cast<std::size_t>(-1);

    MemoryByteSource(const void* bytes, std::size_t size, std::size_t fail_after = kNever)
        : bytes_(static_cast<const unsigned char*>(bytes)), size_(size), fail_after_(fail_after) {}

    bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) override;

  private:
    const unsigned char* bytes_;
    std::size_t size_;
    std::size_t fail_after_;
    std::size_t position_ = 0;
};

}  // namespace tsy
