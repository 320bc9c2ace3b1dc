// Files through POSIX calls; errno is the error code.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/faults.h"
#include "platform/platform.h"

namespace tsy::platform {
namespace {

std::uint32_t g_last_error = 0;

// Remembers errno of the call that just failed.
void Remember() {
    g_last_error = static_cast<std::uint32_t>(errno);
}

}  // namespace

void SetLastErrorCode(std::uint32_t code) {
    g_last_error = code;
}

FileHandle OpenForReading(const char* path) {
    if (FaultHit(FaultPoint::OpenForReading)) {
        return kNoFile;
    }
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Remember();
        return kNoFile;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        g_last_error = EISDIR;
        return kNoFile;
    }
    return fd;
}

bool GetSize(FileHandle file, std::uint32_t* size) {
    if (FaultHit(FaultPoint::GetSize)) {
        return false;
    }
    struct stat st;
    if (::fstat(static_cast<int>(file), &st) != 0) {
        Remember();
        return false;
    }
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > UINT32_MAX) {
        g_last_error = EFBIG;
        return false;
    }
    *size = static_cast<std::uint32_t>(st.st_size);
    return true;
}

std::uint32_t ReadOnce(FileHandle file, void* buffer, std::uint32_t size) {
    g_last_error = 0;
    if (FaultHit(FaultPoint::Read) && size > 0) {
        --size;
    }
    // One request as the caller sees it; read() may return less than asked
    // for large files, so keep reading until the end or an error.
    std::uint32_t total = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (total < size) {
        ssize_t got = ::read(static_cast<int>(file), out + total, size - total);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            Remember();
            break;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::uint32_t>(got);
    }
    return total;
}

bool ReadSome(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* got) {
    *got = 0;
    if (FaultHit(FaultPoint::ReadSome)) {
        return false;
    }
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(file), buffer, size);
        if (n >= 0) {
            *got = static_cast<std::uint32_t>(n);
            return true;
        }
        if (errno != EINTR) {
            Remember();
            return false;
        }
    }
}

FileHandle CreateForWriting(const char* path) {
    if (FaultHit(FaultPoint::Create)) {
        return kNoFile;
    }
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        Remember();
        return kNoFile;
    }
    return fd;
}

std::uint32_t WriteOnce(FileHandle file, const void* bytes, std::uint32_t size) {
    g_last_error = 0;
    if (FaultHit(FaultPoint::Write) && size > 0) {
        --size;
    }
    std::uint32_t total = 0;
    const auto* in = static_cast<const unsigned char*>(bytes);
    while (total < size) {
        ssize_t put = ::write(static_cast<int>(file), in + total, size - total);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            Remember();
            break;
        }
        if (put == 0) {
            break;
        }
        total += static_cast<std::uint32_t>(put);
    }
    return total;
}

bool Flush(FileHandle file) {
    if (FaultHit(FaultPoint::Flush)) {
        return false;
    }
    if (::fsync(static_cast<int>(file)) != 0) {
        Remember();
        return false;
    }
    return true;
}

void Close(FileHandle file) {
    if (file != kNoFile) {
        ::close(static_cast<int>(file));
    }
}

bool Exists(const char* path) {
    struct stat st;
    return ::lstat(path, &st) == 0;
}

bool RenameNoReplace(const char* from, const char* to) {
    if (FaultHit(FaultPoint::RenameNoReplace)) {
        return false;
    }
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        Remember();
        return false;
    }
    // The file system cannot rename without replacing: a hard link fails
    // when `to` exists, so nothing is ever replaced either.
    if (::link(from, to) != 0) {
        Remember();
        return false;
    }
    if (::unlink(from) != 0) {
        Remember();
        ::unlink(to);
        return false;
    }
    return true;
}

bool RenameReplace(const char* from, const char* to) {
    if (FaultHit(FaultPoint::RenameReplace)) {
        return false;
    }
    // The new file takes the place of the old one with its permissions, so
    // that a file the user keeps private stays private.
    struct stat replaced;
    if (::stat(to, &replaced) == 0) {
        ::chmod(from, replaced.st_mode & 07777);
    }
    if (::rename(from, to) != 0) {
        Remember();
        return false;
    }
    return true;
}

bool Delete(const char* path) {
    if (FaultHit(FaultPoint::Delete)) {
        return false;
    }
    if (::unlink(path) != 0) {
        Remember();
        return false;
    }
    return true;
}

std::size_t MaxPathLength() {
    return PATH_MAX - 1;
}

std::uint32_t LastError() {
    return g_last_error;
}

int CErrorNumber(std::uint32_t code) {
    return static_cast<int>(code);
}

void DescribeError(std::uint32_t code, char* out, std::size_t capacity) {
    if (capacity == 0) {
        return;
    }
    std::snprintf(out, capacity, "%s", std::strerror(static_cast<int>(code)));
}

// Memory blocks live in the same file so that they share the error code.
bool AllocateBlock(std::uint32_t size, MemoryBlock* block) {
    if (FaultHit(FaultPoint::Allocate)) {
        return false;
    }
    // malloc(0) may return null; a zero-length block still gets an address.
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        g_last_error = ENOMEM;
        return false;
    }
    block->handle = p;
    block->bytes = static_cast<unsigned char*>(p);
    return true;
}

void FreeBlock(MemoryBlock* block) {
    std::free(block->handle);
    block->handle = nullptr;
    block->bytes = nullptr;
}

}  // namespace tsy::platform
