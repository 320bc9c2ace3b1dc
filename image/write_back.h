// Writing a state-save file back: the sequence that replaces the file with
// new bytes while the file's name always holds a complete file, its first
// version is kept as ".old", and an update made by anyone else since the
// file was read is never lost.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "resources/message.h"

namespace tsy {

enum class WriteBackStatus {
    Written,
    NoImage,           // nothing held; no file touched
    PathTooLong,       // the backup's or the temporary file's name would be over the path limit
    OpenFailed,        // the file could not be opened for writing (in use, access rights)
    LockFailed,        // another write-back held the file for too long
    CheckFailed,       // the file's present state could not be had
    Changed,           // the file is no longer the one that was read
    Missing,           // the file is gone since it was read
    ReadOnly,          // the file is read-only
    HardLinked,        // the file has further names, which a replacement would split off
    BackupNotKept,     // the backup's name holds something other than a regular file
    CreateFailed,      // the temporary file could not be created
    WriteFailed,       // the temporary file could not be written whole
    AttributesFailed,  // something of the file's own (its owner, permissions, an ACL, an
                       // extended attribute) could not be given to the new file; the
                       // message names it
    BackupFailed,      // the backup could not be made
    ReplaceFailed,     // the temporary file could not take the file's place
};
using WriteBackResult = Result<WriteBackStatus>;

// A file as it was when its bytes were read: its identity, size and time of
// last write, and a hash of its content.
struct FileStamp {
    platform::FileInfo info;
    std::uint64_t hash = 0;
};

// The content hash of a FileStamp (64-bit FNV-1a): HashBytes(kHashStart, ...)
// over a file's bytes, piece by piece in order.
inline constexpr std::uint64_t kHashStart = 14695981039346656037ull;
std::uint64_t HashBytes(std::uint64_t hash, const unsigned char* bytes, std::size_t count);

// Replaces the file at `path` (through links: the file they lead to) with
// `size` bytes, keeping its first version as its name + ".old" beside it,
// when it is still the file `*stamp` describes. The file at `path` then
// holds exactly the bytes, with everything else it had (owner, group,
// permissions, ACLs, extended attributes); what cannot be kept is refused.
// After any failure or refusal the file is exactly as before, and nothing
// the write-back made is left. On success `*stamp` describes the written
// file.
WriteBackResult WriteFileBack(const char* path, const unsigned char* bytes, std::uint32_t size,
                              FileStamp* stamp);

}  // namespace tsy
