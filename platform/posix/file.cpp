// Files through POSIX calls; errno is the error code.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/platform.h"

namespace tsy::platform {
namespace {

std::uint32_t g_last_error = 0;

// Remembers errno of the call that just failed.
void Remember() {
    g_last_error = static_cast<std::uint32_t>(errno);
}

// How long LockFile waits for another write-back to end.
constexpr long kLockWaitMilliseconds = 10000;

// Takes the file out of non-blocking mode after an open that must not wait,
// so that its reads wait for data as reads do.
void MakeBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) != 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
}

void Describe(const struct stat& st, FileInfo* info) {
    info->kind = S_ISREG(st.st_mode) ? FileKind::Regular : FileKind::Other;
    info->read_only = (st.st_mode & S_IWUSR) == 0;
    info->volume = static_cast<std::uint64_t>(st.st_dev);
    info->index = static_cast<std::uint64_t>(st.st_ino);
    info->size = st.st_size < 0 ? 0 : static_cast<std::uint64_t>(st.st_size);
    info->modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    info->links = static_cast<std::uint32_t>(st.st_nlink);
}

// One try at the exclusive lock of `fd`: 1 taken, 0 held by another, -1 an
// error (errno set). A lock of the open file description (not of the
// process), so that it conflicts within one process too and survives the
// close of other descriptors of the file; flock where that lock is not had
// (a descriptor for reading only: such a process cannot write the file
// anyway).
int TryLock(int fd) {
#ifdef F_OFD_SETLK
    if ((::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY) {
        return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : (errno == EWOULDBLOCK ? 0 : -1);
    }
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &range) == 0) {
        return 1;
    }
    if (errno == EAGAIN || errno == EACCES) {
        return 0;
    }
    if (errno != EINVAL) {
        return -1;
    }
#endif
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return 1;
    }
    return errno == EWOULDBLOCK ? 0 : -1;
}

long MillisecondsSince(const timespec& start) {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long>(now.tv_sec - start.tv_sec) * 1000 +
           (now.tv_nsec - start.tv_nsec) / 1000000;
}

void PauseMilliseconds(long milliseconds) {
    const timespec pause = {milliseconds / 1000, (milliseconds % 1000) * 1000000};
    ::nanosleep(&pause, nullptr);
}

// How long an open that must not wait waits for a write-back's lease
// (HoldOpeners) to end; a write-back holds one for a moment only.
constexpr long kLeaseWaitMilliseconds = 5000;

// How long HoldOpeners waits for the file to be open nowhere else.
constexpr long kHoldWaitMilliseconds = 500;

// open() with O_NONBLOCK, which fails with EWOULDBLOCK on a file another
// write-back holds its openers on (instead of waiting, as an open without
// it would): tried again until the lease ends.
int OpenNoWait(const char* path, int flags) {
    timespec start;
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        const int fd = ::open(path, flags | O_NONBLOCK);
        if (fd >= 0 || errno != EWOULDBLOCK || MillisecondsSince(start) >= kLeaseWaitMilliseconds) {
            return fd;
        }
        PauseMilliseconds(1);
    }
}

}  // namespace

void SetLastErrorCode(std::uint32_t code) {
    g_last_error = code;
}

FileHandle OpenForReading(const char* path, OpenWait wait) {
    if (FaultHit(FaultPoint::OpenForReading)) {
        return kNoFile;
    }
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY;
    int fd = wait == OpenWait::Never ? OpenNoWait(path, flags) : ::open(path, flags);
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
    MakeBlocking(fd);
    return fd;
}

bool WaitToRead(FileHandle file, int milliseconds) {
    if (FaultHit(FaultPoint::WaitToRead)) {
        return false;
    }
    pollfd wanted = {static_cast<int>(file), POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&wanted, 1, milliseconds);
        if (ready > 0) {
            return true;
        }
        if (ready == 0) {
            g_last_error = ETIMEDOUT;
            return false;
        }
        if (errno != EINTR) {
            Remember();
            return false;
        }
    }
}

bool Identify(FileHandle file, FileInfo* info) {
    if (FaultHit(FaultPoint::Identify)) {
        return false;
    }
    struct stat st;
    if (::fstat(static_cast<int>(file), &st) != 0) {
        Remember();
        return false;
    }
    *info = FileInfo{};
    Describe(st, info);
    return true;
}

bool InspectPath(const char* path, FileInfo* info) {
    if (FaultHit(FaultPoint::InspectPath)) {
        return false;
    }
    *info = FileInfo{};
    struct stat st;
    if (::lstat(path, &st) != 0) {
        // A name too long for the file system names nothing.
        if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG) {
            return true;
        }
        Remember();
        return false;
    }
    info->is_link = S_ISLNK(st.st_mode);
    if (info->is_link && ::stat(path, &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) {
            info->kind = FileKind::Other;  // a dangling link
            return true;
        }
        Remember();
        return false;
    }
    Describe(st, info);
    return true;
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

FileHandle CreateExclusive(const char* path) {
    if (FaultHit(FaultPoint::Create)) {
        return kNoFile;
    }
    // O_EXCL fails on any existing name, a link (even a dangling one) too.
    int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        Remember();
        return kNoFile;
    }
    return fd;
}

FileHandle OpenForUpdate(const char* path) {
    if (FaultHit(FaultPoint::OpenForUpdate)) {
        return kNoFile;
    }
    int fd = OpenNoWait(path, O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        Remember();
        return kNoFile;
    }
    MakeBlocking(fd);
    return fd;
}

bool LockFile(const char* path, FileLock* lock) {
    if (FaultHit(FaultPoint::Lock)) {
        return false;
    }
    // A descriptor of the lock's own, so that the lock outlasts the other
    // descriptors of the file; for writing where it may (the lock of the
    // open file description needs it), else for reading.
    int fd = OpenNoWait(path, O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && errno != EWOULDBLOCK) {
        fd = OpenNoWait(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    }
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        Remember();
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    timespec start;
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    long pause_ms = 1;
    for (;;) {
        const int got = TryLock(fd);
        if (got == 1) {
            lock->handle = fd;
            lock->file = fd;
            lock->volume = static_cast<std::uint64_t>(st.st_dev);
            lock->index = static_cast<std::uint64_t>(st.st_ino);
            return true;
        }
        if (got < 0 || MillisecondsSince(start) >= kLockWaitMilliseconds) {
            g_last_error = got < 0 ? static_cast<std::uint32_t>(errno) : EWOULDBLOCK;
            ::close(fd);
            return false;
        }
        PauseMilliseconds(pause_ms);
        pause_ms = pause_ms < 16 ? pause_ms * 2 : pause_ms;
    }
}

bool HoldOpeners(FileHandle file) {
    if (FaultHit(FaultPoint::HoldOpeners)) {
        return false;
    }
#ifdef F_SETLEASE
    const int fd = static_cast<int>(file);
    // The system tells the holder of a lease by a signal (SIGIO) when
    // another process waits to open the file. Nobody is to be told (owner
    // 0): the write-back looks for itself (WriterWaits) and lets go within
    // moments anyway. Until the owner is cleared, the signal is ignored, as
    // its default would end the process.
    struct sigaction ignore = {};
    struct sigaction previous = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGIO, &ignore, &previous);
    // Granted only while no other descriptor has the file open: another
    // program's save in place may be under way, and end in a moment.
    timespec start;
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    bool held = false;
    while (!(held = ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) && errno == EAGAIN &&
           MillisecondsSince(start) < kHoldWaitMilliseconds) {
        PauseMilliseconds(1);
    }
    if (!held) {
        Remember();
    } else {
        ::fcntl(fd, F_SETOWN, 0);
    }
    ::sigaction(SIGIO, &previous, nullptr);
    return held;
#else
    (void)file;
    g_last_error = ENOSYS;
    return false;
#endif
}

bool WriterWaits(FileHandle file) {
#ifdef F_SETLEASE
    // A lease that a writer is breaking is on its way to none.
    return ::fcntl(static_cast<int>(file), F_GETLEASE) == F_UNLCK;
#else
    (void)file;
    return false;
#endif
}

void ReleaseOpeners(FileHandle file) {
#ifdef F_SETLEASE
    if (file != kNoFile) {
        ::fcntl(static_cast<int>(file), F_SETLEASE, F_UNLCK);
    }
#else
    (void)file;
#endif
}

void Unlock(FileLock* lock) {
    lock->file = kNoFile;
    if (lock->handle < 0) {
        return;
    }
    const int fd = static_cast<int>(lock->handle);
#ifdef F_OFD_SETLK
    struct flock range = {};
    range.l_type = F_UNLCK;
    range.l_whence = SEEK_SET;
    ::fcntl(fd, F_OFD_SETLK, &range);
#endif
    ::flock(fd, LOCK_UN);
    ::close(fd);
    lock->handle = -1;
}

bool ResolvePath(FileHandle, const char* path, char* out, std::size_t capacity) {
    if (FaultHit(FaultPoint::ResolvePath)) {
        return false;
    }
    char* resolved = ::realpath(path, nullptr);
    if (resolved == nullptr) {
        Remember();
        return false;
    }
    const std::size_t length = std::strlen(resolved);
    const bool fits = length < capacity;
    if (fits) {
        std::memcpy(out, resolved, length + 1);
    } else {
        g_last_error = ENAMETOOLONG;
    }
    std::free(resolved);
    return fits;
}

bool Rewind(FileHandle file) {
    if (FaultHit(FaultPoint::Rewind)) {
        return false;
    }
    if (::lseek(static_cast<int>(file), 0, SEEK_SET) != 0) {
        Remember();
        return false;
    }
    return true;
}

namespace {

// Names the attribute that could not be given, errno kept as the reason.
bool NotKept(AttributeFailure* failure, FileAttribute what, const char* name = "") {
    Remember();
    if (failure != nullptr) {
        failure->what = what;
        std::snprintf(failure->name, sizeof failure->name, "%s", name);
    }
    return false;
}

// An ACL is an extended attribute of the system's own.
FileAttribute KindOf(const std::string& name) {
    return name.compare(0, 17, "system.posix_acl_") == 0 ? FileAttribute::AccessControlList
                                                         : FileAttribute::ExtendedAttribute;
}

// The names of the extended attributes of `fd` (ACLs among them), or false
// (errno set). A file system without them has none.
bool AttributeNames(int fd, std::vector<std::string>* names) {
    names->clear();
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            return errno == ENOTSUP;
        }
        std::vector<char> list(static_cast<std::size_t>(size) + 1);
        const ssize_t got = ::flistxattr(fd, list.data(), list.size() - 1);
        if (got < 0 && errno == ERANGE) {
            continue;  // grown meanwhile
        }
        if (got < 0) {
            return false;
        }
        for (ssize_t i = 0; i < got; i += static_cast<ssize_t>(std::strlen(&list[i])) + 1) {
            names->emplace_back(&list[i]);
        }
        return true;
    }
}

// The value of the extended attribute `name` of `fd`; false (errno set)
// when it cannot be had, ENODATA when it does not exist.
bool AttributeValue(int fd, const char* name, std::vector<char>* value) {
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
        if (size < 0) {
            return false;
        }
        value->resize(static_cast<std::size_t>(size));
        const ssize_t got = ::fgetxattr(fd, name, value->data(), value->size());
        if (got < 0 && errno == ERANGE) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        value->resize(static_cast<std::size_t>(got));
        return true;
    }
}

}  // namespace

bool CopyAttributes(FileHandle from, FileHandle to, AttributeFailure* failure) {
    if (FaultHit(FaultPoint::CopyAttributes)) {
        if (failure != nullptr) {
            failure->what = FileAttribute::Permissions;
        }
        return false;
    }
    const int source_fd = static_cast<int>(from);
    const int target_fd = static_cast<int>(to);
    struct stat source;
    struct stat target;
    if (::fstat(source_fd, &source) != 0 || ::fstat(target_fd, &target) != 0) {
        return NotKept(failure, FileAttribute::Permissions);
    }
    // Owner and group first: a change of owner clears the set-id bits and
    // file capabilities, which the mode and the attributes then give back.
    // A process that may not give a file away is refused, never silent.
    if (source.st_uid != target.st_uid &&
        ::fchown(target_fd, source.st_uid, static_cast<gid_t>(-1)) != 0) {
        return NotKept(failure, FileAttribute::Owner);
    }
    if (source.st_gid != target.st_gid &&
        ::fchown(target_fd, static_cast<uid_t>(-1), source.st_gid) != 0) {
        return NotKept(failure, FileAttribute::Group);
    }
    // Until the attributes are all given, only the owner may use the file:
    // an ACL that cannot be set must not leave its mask as the group's
    // permissions.
    if (::fchmod(target_fd, source.st_mode & 0700) != 0) {
        return NotKept(failure, FileAttribute::Permissions);
    }
    std::vector<std::string> source_names;
    std::vector<std::string> target_names;
    if (!AttributeNames(source_fd, &source_names) || !AttributeNames(target_fd, &target_names)) {
        return NotKept(failure, FileAttribute::ExtendedAttribute);
    }
    // What the new file got from its folder (a default ACL) and the file
    // it replaces lacks is taken away.
    std::vector<char> value;
    for (const std::string& name : target_names) {
        const bool lacked = !AttributeValue(source_fd, name.c_str(), &value) && errno == ENODATA;
        if (lacked && ::fremovexattr(target_fd, name.c_str()) != 0 && errno != ENODATA) {
            return NotKept(failure, KindOf(name), name.c_str());
        }
    }
    std::vector<char> present;
    for (const std::string& name : source_names) {
        if (!AttributeValue(source_fd, name.c_str(), &value)) {
            if (errno == ENODATA) {
                continue;  // gone meanwhile
            }
            return NotKept(failure, KindOf(name), name.c_str());
        }
        // One the new file has already (a security label given by policy)
        // is not set again: that could need a privilege.
        if (AttributeValue(target_fd, name.c_str(), &present) && present == value) {
            continue;
        }
        if (::fsetxattr(target_fd, name.c_str(), value.data(), value.size(), 0) != 0) {
            return NotKept(failure, KindOf(name), name.c_str());
        }
    }
    // The whole mode; with an ACL its group bits are the ACL's mask, as
    // they are on the file it replaces. The system may clear a set-id bit
    // silently: what the file ends up with is checked.
    struct stat given;
    if (::fchmod(target_fd, source.st_mode & 07777) != 0 || ::fstat(target_fd, &given) != 0) {
        return NotKept(failure, FileAttribute::Permissions);
    }
    if ((given.st_mode & 07777) != (source.st_mode & 07777)) {
        errno = EPERM;
        return NotKept(failure, FileAttribute::Permissions);
    }
    return true;
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
    if (::rename(from, to) != 0) {
        Remember();
        return false;
    }
    return true;
}

bool ExchangeNames(const char* a, const char* b) {
    if (FaultHit(FaultPoint::ExchangeNames)) {
        return false;
    }
    if (::renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE) != 0) {
        Remember();
        return false;
    }
    return true;
}

bool SyncFolder(const char* path) {
    if (FaultHit(FaultPoint::SyncFolder)) {
        return false;
    }
    std::string folder(path);
    const std::size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos) {
        folder = ".";
    } else {
        folder.resize(slash == 0 ? 1 : slash);
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        Remember();
        return false;
    }
    // Some file systems cannot sync a folder (EINVAL): their renames are as
    // durable as they get.
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    if (!synced) {
        Remember();
    }
    ::close(fd);
    return synced;
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

bool ListFolderOf(const char* path, void (*visit)(const char* name, void* context), void* context) {
    if (FaultHit(FaultPoint::ListFolder)) {
        return false;
    }
    std::string folder(path);
    const std::size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos) {
        folder = ".";
    } else {
        folder.resize(slash == 0 ? 1 : slash);
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        Remember();
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            visit(entry->d_name, context);
        }
        errno = 0;
    }
    const bool listed = errno == 0;
    if (!listed) {
        Remember();
    }
    ::closedir(dir);
    return listed;
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
