// Putting a state-save file's backup back: the ".old" that the first
// write-back kept becomes the file again, through the write-back itself, so
// that the file's name holds a complete file at every moment and a save
// made by anyone else since the file was read is never written over.
#pragma once

#include <string>

#include "image/state_image.h"
#include "resources/message.h"

namespace tsy {

enum class RestoreStatus {
    Restored,      // the file now holds the backup's bytes
    Ready,         // both files read; nothing written yet
    Same,          // the file held the backup's bytes already; nothing written
    StateFailed,   // the file could not be read (the message says why)
    NoBackup,      // there is no backup beside the file
    BackupFailed,  // the backup could not be read, or is no regular file
    Refused,       // the write-back refused or failed; the file is as it was
};

struct RestoreResult : Result<RestoreStatus> {
    // The file a StateFailed, NoBackup or BackupFailed result is about.
    std::string failed_path;
};

// One restore, in its two steps.
class BackupRestore {
  public:
    // Reads the file at `path` and the backup beside it (beside the file a
    // link leads to, where the write-back keeps it): Ready, Same, or why not.
    RestoreResult Read(const char* path);

    // After Ready: replaces the file with the backup's bytes, unless it is no
    // longer the file that was read; the backup stays as it is.
    RestoreResult Write();

  private:
    std::string path_;
    StateImage state_;
    StateImage backup_;
};

// Both steps: Restored, Same, or why not.
RestoreResult RestoreBackup(const char* path);

}  // namespace tsy
