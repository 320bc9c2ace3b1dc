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

// Whether opening may wait: a FIFO without a writer, or a device, can keep
// an open waiting for ever.
enum class OpenWait {
    AsReadersDo,  // as any reader opens a file (a FIFO waits for its writer)
    Never,        // opening never waits; reads still wait for data
};

// Opens an existing file for reading, shared for reading only.
// Returns kNoFile on failure; LastError() then tells why.
FileHandle OpenForReading(const char* path, OpenWait wait = OpenWait::AsReadersDo);

// Waits at most `milliseconds` until a read of `file` would not wait: data
// has come, or its end, or an error (a file on a disk never waits). Returns
// false (LastError() set) when the time passed first: a FIFO without a
// writer, a writer that sends nothing.
bool WaitToRead(FileHandle file, int milliseconds);

// What a path or an open file is.
enum class FileKind {
    Missing,  // no directory entry of that name
    Regular,  // a regular file (through any links)
    Other,    // a folder, a device, a FIFO, a socket, a dangling link
};

// The identity and state of a file as the system reports them. Two FileInfo
// with equal `volume` and `index` describe the same file.
struct FileInfo {
    FileKind kind = FileKind::Missing;
    bool is_link = false;    // the name itself is a symbolic link (paths only)
    bool read_only = false;  // its owner may not write it (Windows: the read-only attribute)
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // last write, in the system's finest unit
    std::uint32_t links = 0;    // hard links (names) of the file
};

// Describes an open file. Returns false (LastError() set) on failure.
bool Identify(FileHandle file, FileInfo* info);

// Describes what `path` names, following links for everything but
// `is_link`; a name that does not exist (or is too long to exist) is kind
// Missing and no failure.
// Returns false (LastError() set) when the system cannot tell.
bool InspectPath(const char* path, FileInfo* info);

// The size of an open file in bytes. Returns false (LastError() set) when the
// size cannot be had or does not fit 32 bits.
bool GetSize(FileHandle file, std::uint32_t* size);

// Reads up to `size` bytes with one request and returns how many arrived.
std::uint32_t ReadOnce(FileHandle file, void* buffer, std::uint32_t size);

// Reads what the next request gives, at most `size` bytes, into `buffer`,
// for reading a file piece by piece: `*got` is 0 at the end of the file.
// Returns false (LastError() set) on a read error.
bool ReadSome(FileHandle file, void* buffer, std::uint32_t size, std::uint32_t* got);

// Creates a new file for writing, without sharing, only where no directory
// entry of that name exists: never opening an existing file, never following
// a link. On POSIX only its owner may read it until CopyAttributes. Returns
// kNoFile on failure (an existing name among them).
FileHandle CreateExclusive(const char* path);

// Opens the existing file at `path` (through links) for reading and writing,
// as a write-back holds the file it replaces: others may read it meanwhile,
// on Windows not write it. Never waits at the open. Returns kNoFile on
// failure.
FileHandle OpenForUpdate(const char* path);

// The exclusive write-back lock of one file, held by LockFile.
struct FileLock {
    std::intptr_t handle = -1;
    std::uint64_t volume = 0;  // the locked file, as FileInfo names it
    std::uint64_t index = 0;
    // The locked file open for reading and writing, owned by the lock, where
    // the lock is held on an open file (POSIX: the lock's own descriptor);
    // kNoFile where it is not (Windows: a mutex).
    FileHandle file = kNoFile;
};

// Waits, for a few seconds at most, until this process holds the exclusive
// write-back lock of the file at `path` (through links), which every
// write-back of this program takes; `lock` then names the file. While it
// waits, it holds the file open nowhere (Windows: an open handle would keep
// the holder of the lock from replacing the file). Returns false (LastError()
// set) when the file cannot be opened or the wait ends without the lock.
bool LockFile(const char* path, FileLock* lock);

// Makes every other process that opens the file of `file` wait until
// ReleaseOpeners, so that no program, lock or none, begins to read or write
// it meanwhile (POSIX: a lease, which the system grants only while no other
// descriptor has the file open, to its owner or a privileged process, on
// file systems that have leases; one that is kept waiting longer than the
// system allows gets in all the same). An opener waits with the file its
// path named when it began: renamed over meanwhile, it still gets that one.
// Waits half a second at most while the file is open elsewhere. Returns
// false (LastError() set) when not granted; Windows: always (a write-back's
// handle that shares no writing keeps writers out while it is open).
bool HoldOpeners(FileHandle file);

// Whether, with its openers held, a process waits to open the file of
// `file` for writing (or has given up waiting, after a request not to wait).
bool WriterWaits(FileHandle file);

// Lets the openers held by HoldOpeners in; nothing when none are held.
void ReleaseOpeners(FileHandle file);

// Releases a lock taken by LockFile; a lock not held is ignored.
void Unlock(FileLock* lock);

// The full path of the open `file`, opened by `path`: the file a link at
// `path` leads to (POSIX: with every link resolved), zero-terminated in
// `out`. Returns false (LastError() set) on failure, also when it needs more
// than `capacity` bytes.
bool ResolvePath(FileHandle file, const char* path, char* out, std::size_t capacity);

// Moves the file position of `file` back to its start.
bool Rewind(FileHandle file);

// What of a file CopyAttributes could not give another.
enum class FileAttribute {
    None,
    Owner,              // POSIX: the owning user
    Group,              // POSIX: the owning group
    Permissions,        // POSIX: the mode bits; Windows: the DACL
    AccessControlList,  // POSIX: the ACL (an extended attribute of the system's)
    ExtendedAttribute,  // POSIX: the extended attribute `name`
    FileAttributes,     // Windows: hidden, system, archive, not indexed
};

inline constexpr std::size_t kAttributeNameSize = 256;

struct AttributeFailure {
    FileAttribute what = FileAttribute::None;
    char name[kAttributeNameSize] = {};  // ExtendedAttribute: its name
};

// Gives the file `to` everything that says who may do what with `from` and
// how it is kept: POSIX: owner, group, mode, ACLs and every extended
// attribute (those `to` has and `from` lacks removed); Windows: the DACL and
// the hidden, system, archive and not-indexed attributes (owner and group
// are left to the system: setting them needs a privilege users lack).
// Returns false (LastError() set, `*failure` naming what) when one of them
// cannot be given, `to` then holding part of them; `to` never has wider
// permissions than `from` meanwhile, also when it fails.
bool CopyAttributes(FileHandle from, FileHandle to, AttributeFailure* failure = nullptr);

// Writes `size` bytes with one request and returns how many were written.
std::uint32_t WriteOnce(FileHandle file, const void* bytes, std::uint32_t size);

// Forces written data to the disk. Returns false on failure.
bool Flush(FileHandle file);

// Closes the file; kNoFile is ignored.
void Close(FileHandle file);

// Renames `from` to `to`; fails, changing nothing, when `to` exists.
bool RenameNoReplace(const char* from, const char* to);

// Renames `from` to `to`, replacing `to` when it exists, durably on Windows
// (POSIX: SyncFolder makes it durable).
bool RenameReplace(const char* from, const char* to);

// Swaps the files of two existing names in one step (POSIX: where the file
// system can; Windows: never). Returns false (LastError() set), changing
// nothing, when it cannot.
bool ExchangeNames(const char* a, const char* b);

// Makes the renames and links done in the folder of `path` durable (POSIX:
// fsync of the folder; Windows: done by the calls themselves).
bool SyncFolder(const char* path);

// Deletes a file. Returns false on failure.
bool Delete(const char* path);

// Calls `visit` with each name in the folder that holds `path` (its part
// before the last separator; the current folder when there is none), but
// "." and "..". Returns false (LastError() set) when the folder cannot be
// read.
bool ListFolderOf(const char* path, void (*visit)(const char* name, void* context), void* context);

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

// ---- The program -------------------------------------------------------

// The folder that holds the running program's file, without a separator at
// its end, zero-terminated in `out`: where files shipped beside the program
// are found. Returns false when the system cannot tell or the path needs
// more than `capacity` bytes.
bool ProgramFolder(char* out, std::size_t capacity);

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

// Sends what this process writes to its standard error nowhere until
// RestoreErrorOutput, for libraries that print messages of their own.
// Returns what RestoreErrorOutput needs, -1 when nothing was changed.
std::intptr_t SilenceErrorOutput();
void RestoreErrorOutput(std::intptr_t saved);

}  // namespace tsy::platform
