// Files and memory blocks through the Windows kernel; GetLastError is the
// error code.
#include <windows.h>

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
    if (FaultHit(FaultPoint::Read) && size > 0) {
        --size;
    }
    DWORD got = 0;
    if (!ReadFile(AsHandle(file), buffer, size, &got, nullptr)) {
        return got;
    }
    return got;
}

FileHandle CreateForWriting(const char* path) {
    if (FaultHit(FaultPoint::Create)) {
        return kNoFile;
    }
    return FromHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::uint32_t WriteOnce(FileHandle file, const void* bytes, std::uint32_t size) {
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
