// Files and memory blocks through the Windows kernel; GetLastError is the
// error code.
#include <windows.h>

#include <cerrno>
#include <cstdio>

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

}  // namespace

void SetLastErrorCode(std::uint32_t code) {
    SetLastError(code);
}

FileHandle OpenForReading(const char* path) {
    if (FaultHit(FaultPoint::OpenForReading)) {
        return kNoFile;
    }
    return FromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
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

FileHandle CreateForWriting(const char* path) {
    if (FaultHit(FaultPoint::Create)) {
        return kNoFile;
    }
    return FromHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
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

bool Exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool RenameNoReplace(const char* from, const char* to) {
    if (FaultHit(FaultPoint::RenameNoReplace)) {
        return false;
    }
    return MoveFileA(from, to) != 0;
}

bool RenameReplace(const char* from, const char* to) {
    if (FaultHit(FaultPoint::RenameReplace)) {
        return false;
    }
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Delete(const char* path) {
    if (FaultHit(FaultPoint::Delete)) {
        return false;
    }
    return DeleteFileA(path) != 0;
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
