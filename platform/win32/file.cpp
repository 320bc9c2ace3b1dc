// Files and memory blocks through the Windows kernel; GetLastError is the
// error code.
#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/faults.h"
#include "platform/platform.h"

namespace tsy::platform {
namespace {

HANDLE AsHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(file);
}

FileHandle FromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(handle);
}

// How long LockFile waits for another write-back to end.
constexpr DWORD kLockWaitMilliseconds = 10000;

// Whether a failure says there is no such name (one too long names nothing).
bool IsMissing(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
           code == ERROR_FILENAME_EXCED_RANGE;
}

// Describes an open handle: only files on a disk are regular, not pipes,
// consoles or devices.
bool DescribeHandle(HANDLE handle, FileInfo* info) {
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        info->kind = FileKind::Other;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION data;
    if (!GetFileInformationByHandle(handle, &data)) {
        return false;
    }
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info->kind = folder ? FileKind::Other : FileKind::Regular;
    info->read_only = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    info->volume = data.dwVolumeSerialNumber;
    info->index = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    info->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info->modified = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime);
    info->links = data.nNumberOfLinks;
    return true;
}

}  // namespace

void SetLastErrorCode(std::uint32_t code) {
    SetLastError(code);
}

FileHandle OpenForReading(const char* path, OpenWait) {
    // Opening never waits on Windows: a busy pipe fails at once.
    if (FaultHit(FaultPoint::OpenForReading)) {
        return kNoFile;
    }
    return FromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WaitToRead(FileHandle file, int milliseconds) {
    if (FaultHit(FaultPoint::WaitToRead)) {
        return false;
    }
    // Only a pipe can keep a read waiting; it is looked at until data or
    // its end comes.
    HANDLE handle = AsHandle(file);
    if (GetFileType(handle) != FILE_TYPE_PIPE) {
        return true;
    }
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) || available > 0) {
            return true;  // an error or the writer gone: the read tells
        }
        if (GetTickCount64() - start >= static_cast<ULONGLONG>(milliseconds)) {
            SetLastError(WAIT_TIMEOUT);
            return false;
        }
        Sleep(10);
    }
}

bool Identify(FileHandle file, FileInfo* info) {
    if (FaultHit(FaultPoint::Identify)) {
        return false;
    }
    *info = FileInfo{};
    return DescribeHandle(AsHandle(file), info);
}

bool InspectPath(const char* path, FileInfo* info) {
    if (FaultHit(FaultPoint::InspectPath)) {
        return false;
    }
    *info = FileInfo{};
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return IsMissing(GetLastError());
    }
    info->is_link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    // Attributes only: such an open conflicts with no other, and follows
    // links; a folder needs the backup flag to be opened at all.
    HANDLE handle = CreateFileA(path, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (info->is_link && IsMissing(GetLastError())) {
            info->kind = FileKind::Other;  // a dangling link
            return true;
        }
        return false;
    }
    const bool is_link = info->is_link;
    const bool described = DescribeHandle(handle, info);
    const DWORD code = GetLastError();
    CloseHandle(handle);
    info->is_link = is_link;
    SetLastError(code);
    return described;
}

bool GetSize(FileHandle file, std::uint32_t* size) {
    if (FaultHit(FaultPoint::GetSize)) {
        return false;
    }
    SetLastError(0);
    DWORD got = GetFileSize(AsHandle(file), nullptr);
    // INVALID_FILE_SIZE is also a real size; only a set error code makes it
    // a failure.
    if (got == INVALID_FILE_SIZE && GetLastError() != 0) {
        return false;
    }
    *size = got;
    return true;
}

std::uint32_t ReadOnce(FileHandle file, void* buffer, std::uint32_t size) {
    SetLastError(0);
    if (FaultHit(FaultPoint::Read) && size > 0) {
        --size;
    }
    DWORD got = 0;
    if (!ReadFile(AsHandle(file), buffer, size, &got, nullptr)) {
        return got;
    }
    return got;
}

bool ReadSome(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* got) {
    *got = 0;
    if (FaultHit(FaultPoint::ReadSome)) {
        return false;
    }
    DWORD n = 0;
    if (!ReadFile(AsHandle(file), buffer, size, &n, nullptr)) {
        // A pipe whose writer has gone is at its end.
        return GetLastError() == ERROR_BROKEN_PIPE;
    }
    *got = n;
    return true;
}

FileHandle CreateExclusive(const char* path) {
    if (FaultHit(FaultPoint::Create)) {
        return kNoFile;
    }
    // CREATE_NEW fails on any existing name, a link too. WRITE_DAC lets
    // CopyAttributes give it the permissions of the file it replaces.
    return FromHandle(CreateFileA(path, GENERIC_READ | GENERIC_WRITE | WRITE_DAC, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle OpenForUpdate(const char* path) {
    if (FaultHit(FaultPoint::OpenForUpdate)) {
        return kNoFile;
    }
    // Write access fails on a read-only file, as on a file in use by a
    // writer; no write sharing keeps other writers out until it is closed.
    return FromHandle(CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool LockFile(const char* path, FileLock* lock) {
    if (FaultHit(FaultPoint::Lock)) {
        return false;
    }
    // A file with an open handle cannot be replaced, so the lock is not on
    // the file but a mutex named after the file's identity: every process
    // that locks the same file meets the same mutex, and none holds the file
    // open while it waits.
    HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION data;
    const bool known = GetFileInformationByHandle(file, &data) != 0;
    const DWORD failure = GetLastError();
    CloseHandle(file);
    if (!known) {
        SetLastError(failure);
        return false;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Local\\tsypatch-write-%08lx-%08lx%08lx",
                  static_cast<unsigned long>(data.dwVolumeSerialNumber),
                  static_cast<unsigned long>(data.nFileIndexHigh),
                  static_cast<unsigned long>(data.nFileIndexLow));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (mutex == nullptr) {
        return false;
    }
    const DWORD waited = WaitForSingleObject(mutex, kLockWaitMilliseconds);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        lock->handle = reinterpret_cast<std::intptr_t>(mutex);
        lock->volume = data.dwVolumeSerialNumber;
        lock->index = (static_cast<std::uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
        return true;
    }
    const DWORD code = waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError();
    CloseHandle(mutex);
    SetLastError(code);
    return false;
}

bool HoldOpeners(FileHandle) {
    // The write-back's own handle of the file shares no writing: while it
    // is open, no other process can open the file to write it.
    if (!FaultHit(FaultPoint::HoldOpeners)) {
        SetLastError(ERROR_NOT_SUPPORTED);
    }
    return false;
}

bool WriterWaits(FileHandle) {
    return false;
}

void ReleaseOpeners(FileHandle) {}

void Unlock(FileLock* lock) {
    if (lock->handle == -1) {
        return;
    }
    HANDLE mutex = reinterpret_cast<HANDLE>(lock->handle);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    lock->handle = -1;
}

bool ResolvePath(FileHandle file, const char* path, char* out, std::size_t capacity) {
    if (FaultHit(FaultPoint::ResolvePath)) {
        return false;
    }
    char full[MAX_PATH + 16];
    const DWORD attributes = GetFileAttributesA(path);
    DWORD length = 0;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        // No link: the full form of the name the file was opened by. (The
        // handle's own path could be any one of a file's hard links.)
        length = GetFullPathNameA(path, sizeof full, full, nullptr);
    } else {
        length = GetFinalPathNameByHandleA(AsHandle(file), full, sizeof full,
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    if (length == 0) {
        return false;
    }
    if (length >= sizeof full) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    // A final path starts with \\?\ (and UNC\ for a share).
    const char* resolved = full;
    char unc[MAX_PATH + 16];
    if (std::strncmp(resolved, "\\\\?\\UNC\\", 8) == 0) {
        std::snprintf(unc, sizeof unc, "\\\\%s", resolved + 8);
        resolved = unc;
    } else if (std::strncmp(resolved, "\\\\?\\", 4) == 0) {
        resolved += 4;
    }
    const std::size_t size = std::strlen(resolved) + 1;
    if (size > capacity) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::memcpy(out, resolved, size);
    return true;
}

bool Rewind(FileHandle file) {
    if (FaultHit(FaultPoint::Rewind)) {
        return false;
    }
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return SetFilePointerEx(AsHandle(file), start, nullptr, FILE_BEGIN) != 0;
}

namespace {

bool NotKept(AttributeFailure* failure, FileAttribute what) {
    if (failure != nullptr) {
        failure->what = what;
        failure->name[0] = '\0';
    }
    return false;
}

}  // namespace

bool CopyAttributes(FileHandle from, FileHandle to, AttributeFailure* failure) {
    if (FaultHit(FaultPoint::CopyAttributes)) {
        return NotKept(failure, FileAttribute::Permissions);
    }
    // The permissions: the DACL, protected from inheritance or not as the
    // original's is. Owner and group are left to the system: setting them
    // needs a privilege a user does not hold.
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD code = GetSecurityInfo(AsHandle(from), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, &dacl, nullptr, &descriptor);
    if (code != ERROR_SUCCESS) {
        SetLastError(code);
        return NotKept(failure, FileAttribute::Permissions);
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION |
        ((control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                            : UNPROTECTED_DACL_SECURITY_INFORMATION);
    code = SetSecurityInfo(AsHandle(to), SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr);
    LocalFree(descriptor);
    if (code != ERROR_SUCCESS) {
        SetLastError(code);
        return NotKept(failure, FileAttribute::Permissions);
    }
    // The attributes that say how the file is kept (hidden, system,
    // archive); times of zero are left as they are.
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(AsHandle(from), FileBasicInfo, &basic, sizeof basic)) {
        return NotKept(failure, FileAttribute::FileAttributes);
    }
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO update = {};
    update.FileAttributes = basic.FileAttributes & kept;
    if (update.FileAttributes == 0) {
        update.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    if (!SetFileInformationByHandle(AsHandle(to), FileBasicInfo, &update, sizeof update)) {
        return NotKept(failure, FileAttribute::FileAttributes);
    }
    return true;
}

std::uint32_t WriteOnce(FileHandle file, const void* bytes, std::uint32_t size) {
    SetLastError(0);
    if (FaultHit(FaultPoint::Write) && size > 0) {
        --size;
    }
    DWORD put = 0;
    WriteFile(AsHandle(file), bytes, size, &put, nullptr);
    return put;
}

bool Flush(FileHandle file) {
    if (FaultHit(FaultPoint::Flush)) {
        return false;
    }
    return FlushFileBuffers(AsHandle(file)) != 0;
}

void Close(FileHandle file) {
    if (file != kNoFile) {
        CloseHandle(AsHandle(file));
    }
}

bool RenameNoReplace(const char* from, const char* to) {
    if (FaultHit(FaultPoint::RenameNoReplace)) {
        return false;
    }
    return MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH) != 0;
}

bool RenameReplace(const char* from, const char* to) {
    if (FaultHit(FaultPoint::RenameReplace)) {
        return false;
    }
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool ExchangeNames(const char*, const char*) {
    if (!FaultHit(FaultPoint::ExchangeNames)) {
        SetLastError(ERROR_NOT_SUPPORTED);
    }
    return false;
}

bool SyncFolder(const char*) {
    // MOVEFILE_WRITE_THROUGH has made the renames durable already.
    return !FaultHit(FaultPoint::SyncFolder);
}

bool Delete(const char* path) {
    if (FaultHit(FaultPoint::Delete)) {
        return false;
    }
    return DeleteFileA(path) != 0;
}

bool ListFolderOf(const char* path, void (*visit)(const char* name, void* context), void* context) {
    if (FaultHit(FaultPoint::ListFolder)) {
        return false;
    }
    char pattern[MAX_PATH + 4];
    const char* slash = std::strrchr(path, '\\');
    const char* other = std::strrchr(path, '/');
    if (other != nullptr && (slash == nullptr || other > slash)) {
        slash = other;
    }
    if (slash == nullptr) {
        std::snprintf(pattern, sizeof pattern, "*");
    } else {
        std::snprintf(pattern, sizeof pattern, "%.*s\\*", static_cast<int>(slash - path), path);
    }
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0) {
            visit(entry.cFileName, context);
        }
    } while (FindNextFileA(find, &entry));
    const DWORD code = GetLastError();
    FindClose(find);
    SetLastError(code);
    return code == ERROR_NO_MORE_FILES;
}

std::size_t MaxPathLength() {
    return MAX_PATH - 1;
}

std::uint32_t LastError() {
    return GetLastError();
}

int CErrorNumber(std::uint32_t code) {
    // The C runtime's own mapping of system error codes to errno values.
    struct Pair {
        DWORD code;
        int error;
    };
    static const Pair kPairs[] = {
        {ERROR_INVALID_FUNCTION, EINVAL},
        {ERROR_FILE_NOT_FOUND, ENOENT},
        {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
        {ERROR_ACCESS_DENIED, EACCES},
        {ERROR_INVALID_HANDLE, EBADF},
        {ERROR_ARENA_TRASHED, ENOMEM},
        {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
        {ERROR_INVALID_BLOCK, ENOMEM},
        {ERROR_BAD_ENVIRONMENT, E2BIG},
        {ERROR_BAD_FORMAT, ENOEXEC},
        {ERROR_INVALID_ACCESS, EINVAL},
        {ERROR_INVALID_DATA, EINVAL},
        {ERROR_INVALID_DRIVE, ENOENT},
        {ERROR_CURRENT_DIRECTORY, EACCES},
        {ERROR_NOT_SAME_DEVICE, EXDEV},
        {ERROR_NO_MORE_FILES, ENOENT},
        {ERROR_LOCK_VIOLATION, EACCES},
        {ERROR_SHARING_VIOLATION, EACCES},
        {ERROR_BAD_NETPATH, ENOENT},
        {ERROR_NETWORK_ACCESS_DENIED, EACCES},
        {ERROR_BAD_NET_NAME, ENOENT},
        {ERROR_FILE_EXISTS, EEXIST},
        {ERROR_CANNOT_MAKE, EACCES},
        {ERROR_FAIL_I24, EACCES},
        {ERROR_INVALID_PARAMETER, EINVAL},
        {ERROR_NO_PROC_SLOTS, EAGAIN},
        {ERROR_DRIVE_LOCKED, EACCES},
        {ERROR_BROKEN_PIPE, EPIPE},
        {ERROR_DISK_FULL, ENOSPC},
        {ERROR_INVALID_TARGET_HANDLE, EBADF},
        {ERROR_WAIT_NO_CHILDREN, ECHILD},
        {ERROR_CHILD_NOT_COMPLETE, ECHILD},
        {ERROR_DIRECT_ACCESS_HANDLE, EBADF},
        {ERROR_NEGATIVE_SEEK, EINVAL},
        {ERROR_SEEK_ON_DEVICE, EACCES},
        {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
        {ERROR_NOT_LOCKED, EACCES},
        {ERROR_BAD_PATHNAME, ENOENT},
        {ERROR_MAX_THRDS_REACHED, EAGAIN},
        {ERROR_LOCK_FAILED, EACCES},
        {ERROR_ALREADY_EXISTS, EEXIST},
        {ERROR_FILENAME_EXCED_RANGE, ENOENT},
        {ERROR_NESTING_NOT_ALLOWED, EAGAIN},
        {ERROR_NOT_ENOUGH_QUOTA, ENOMEM},
    };
    for (const Pair& pair : kPairs) {
        if (pair.code == code) {
            return pair.error;
        }
    }
    if (code >= ERROR_WRITE_PROTECT && code <= ERROR_SHARING_BUFFER_EXCEEDED) {
        return EACCES;
    }
    if (code >= ERROR_INVALID_STARTING_CODESEG && code <= ERROR_INFLOOP_IN_RELOC_CHAIN) {
        return ENOEXEC;
    }
    return EINVAL;
}

void DescribeError(std::uint32_t code, char* out, std::size_t capacity) {
    if (capacity == 0) {
        return;
    }
    out[0] = '\0';
    WCHAR wide[512];
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       wide, sizeof wide / sizeof wide[0], nullptr);
    if (length == 0) {
        std::snprintf(out, capacity, "%lu", static_cast<unsigned long>(code));
        return;
    }
    UINT code_page = GetConsoleOutputCP();
    if (code_page == 0) {
        code_page = CP_ACP;
    }
    const int n = WideCharToMultiByte(code_page, 0, wide, static_cast<int>(length), out,
                                      static_cast<int>(capacity) - 1, "?", nullptr);
    out[n > 0 ? n : 0] = '\0';
    // The system's texts end with a line break.
    for (int i = n - 1; i >= 0 && (out[i] == '\r' || out[i] == '\n' || out[i] == ' '); --i) {
        out[i] = '\0';
    }
}

bool AllocateBlock(std::uint32_t size, MemoryBlock* block) {
    if (FaultHit(FaultPoint::Allocate)) {
        return false;
    }
    HGLOBAL handle = GlobalAlloc(GMEM_FIXED, size);
    if (handle == nullptr) {
        return false;
    }
    void* address = GlobalLock(handle);
    if (address == nullptr) {
        DWORD code = GetLastError();
        GlobalFree(handle);
        SetLastError(code);
        return false;
    }
    block->handle = handle;
    block->bytes = static_cast<unsigned char*>(address);
    return true;
}

void FreeBlock(MemoryBlock* block) {
    if (block->handle != nullptr) {
        GlobalUnlock(block->handle);
        GlobalFree(block->handle);
    }
    block->handle = nullptr;
    block->bytes = nullptr;
}

}  // namespace tsy::platform
