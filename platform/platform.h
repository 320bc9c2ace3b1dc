// The seam between the portable core and the operating system.
//
// Every function here is defined once per platform: platform/win32/ on
// Windows, platform/posix/ elsewhere; the build links exactly one of them.
// The core (image/, listing/) calls nothing else of the system for files and
// memory blocks; it tells the user nothing itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tsy::platform {

// ---- Files -------------------------------------------------------------

// An open file. kNoFile stands for "none" (the open failed).
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// Opens an existing file for reading, shared for reading only.
// Returns kNoFile on failure; LastError() then tells why.
FileHandle OpenForReading(const char* path);

// The size of an open file in bytes. Returns false (LastError() set) when the
// size cannot be had or does not fit 32 bits.
bool GetSize(FileHandle file, std::uint32_t* size);

// Reads up to `size` bytes with one request and returns how many arrived.
std::uint32_t ReadOnce(FileHandle file, void* buffer, std::uint32_t size);

// Reads what the next request gives, at most `size` bytes, into `buffer`,
// for reading a file piece by piece: `*got` is 0 at the end of the file.
// Returns false (LastError() set) on a read error.
bool ReadSome(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* got);

// Creates a new file for writing, without sharing, replacing a file of the
// same name. Returns kNoFile on failure.
FileHandle CreateForWriting(const char* path);

// Writes `size` bytes with one request and returns how many were written.
std::uint32_t WriteOnce(FileHandle file, const void* bytes, std::uint32_t size);

// Forces written data to the disk. Returns false on failure.
bool Flush(FileHandle file);

// Closes the file; kNoFile is ignored.
void Close(FileHandle file);

// Whether a file (or any directory entry) of that name exists.
bool Exists(const char* path);

// Renames `from` to `to`; fails, changing nothing, when `to` exists.
bool RenameNoReplace(const char* from, const char* to);

// Renames `from` to `to`, replacing `to` when it exists; `from` takes the
// access permissions of the file it replaces.
bool RenameReplace(const char* from, const char* to);

// Deletes a file. Returns false on failure.
bool Delete(const char* path);

// The longest path, in bytes without the terminator, the platform accepts
// for the files above (259 on Windows).
std::size_t MaxPathLength();

// The error code of the last failing call above (GetLastError or errno).
std::uint32_t LastError();

// The C library's error number (errno) for an error code of LastError(), as
// the C library itself would set it after the same failure.
int CErrorNumber(std::uint32_t code);

// The system's own description of an error code of LastError(), in the
// terminal's encoding, zero-terminated in `out`.
void DescribeError(std::uint32_t code, char* out, std::size_t capacity);

// ---- Fixed memory blocks -----------------------------------------------

struct MemoryBlock {
    void* handle = nullptr;          // the platform's handle, kept for the release
    unsigned char* bytes = nullptr;  // the block's address
};

// Takes a fixed block of `size` bytes from the platform's heap. Returns false
// (LastError() set, block left empty) on failure.
bool AllocateBlock(std::uint32_t size, MemoryBlock* block);

// Gives the block back and empties it; an empty block is ignored.
void FreeBlock(MemoryBlock* block);

// ---- Text on the terminal ----------------------------------------------

// Converts Shift-JIS text to the encoding of the terminal (UTF-8 on POSIX,
// the console's code page on Windows). Writes at most `capacity` bytes with
// the terminator and returns the length written; bytes that cannot be
// converted become '?'.
std::size_t ToTerminalEncoding(const char* sjis, char* out, std::size_t capacity);

}  // namespace tsy::platform
