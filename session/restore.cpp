#include "session/restore.h"

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "resources/texts.h"

namespace tsy {
namespace {

constexpr char kBackupSuffix[] = ".old";

RestoreResult Outcome(RestoreStatus status, MessageKind kind, const char* text,
                      std::uint32_t code = 0, const std::string& path = std::string()) {
    RestoreResult result;
    result.status = status;
    result.system_error = code;
    result.message = MakeMessage(kind, text);
    result.failed_path = path;
    return result;
}

// The backup's name: beside the file a link at `path` leads to, as the
// write-back names it. Empty when the file cannot be opened or resolved.
std::string BackupPath(const char* path, std::uint32_t* code) {
    const platform::FileHandle file = platform::OpenForReading(path, platform::OpenWait::Never);
    if (file == platform::kNoFile) {
        *code = platform::LastError();
        return std::string();
    }
    std::string resolved(platform::MaxPathLength() + 1, '\0');
    const bool found = platform::ResolvePath(file, path, &resolved[0], resolved.size());
    *code = found ? 0 : platform::LastError();
    platform::Close(file);
    return found ? resolved.c_str() + std::string(kBackupSuffix) : std::string();
}

}  // namespace

RestoreResult BackupRestore::Read(const char* path) {
    path_ = path;
    const LoadResult loaded = state_.Load(path);
    if (loaded.status != LoadStatus::Loaded) {
        RestoreResult failed;
        failed.status = RestoreStatus::StateFailed;
        failed.system_error = loaded.system_error;
        failed.message = loaded.message;
        failed.failed_path = path;
        return failed;
    }
    std::uint32_t code = 0;
    const std::string backup_path = BackupPath(path, &code);
    if (backup_path.empty()) {
        return Outcome(RestoreStatus::StateFailed, MessageKind::Error, text::kStateOpenFailed, code,
                       path);
    }
    platform::FileInfo named;
    if (platform::InspectPath(backup_path.c_str(), &named) &&
        named.kind == platform::FileKind::Missing) {
        return Outcome(RestoreStatus::NoBackup, MessageKind::Error, text::kRestoreNoBackup, 0,
                       backup_path);
    }
    const LoadResult read = backup_.Load(backup_path.c_str());
    if (read.status != LoadStatus::Loaded) {
        return Outcome(RestoreStatus::BackupFailed, MessageKind::Error,
                       text::kRestoreBackupUnreadable, read.system_error, backup_path);
    }
    if (backup_.Size() == state_.Size() &&
        std::memcmp(backup_.Bytes(), state_.Bytes(), state_.Size()) == 0) {
        return Outcome(RestoreStatus::Same, MessageKind::Information, text::kRestoreSame);
    }
    RestoreResult ready;
    ready.status = RestoreStatus::Ready;
    return ready;
}

RestoreResult BackupRestore::Write() {
    // The file as it was read: a save made since then is never written over.
    FileStamp stamp = state_.Stamp();
    const WriteBackResult written =
        WriteFileBack(path_.c_str(), backup_.Bytes(), backup_.Size(), &stamp);
    if (written.status != WriteBackStatus::Written) {
        RestoreResult refused;
        refused.status = RestoreStatus::Refused;
        refused.system_error = written.system_error;
        refused.message = written.message;
        return refused;
    }
    return Outcome(RestoreStatus::Restored, MessageKind::Information, text::kRestoreDone);
}

RestoreResult RestoreBackup(const char* path) {
    BackupRestore restore;
    const RestoreResult read = restore.Read(path);
    return read.status == RestoreStatus::Ready ? restore.Write() : read;
}

}  // namespace tsy
