#include "image/write_back.h"

#include <cerrno>
#include <string>
#include <vector>

#include "image/temporary_files.h"
#include "resources/texts.h"

namespace tsy {
namespace {

using platform::FileHandle;
using platform::FileInfo;
using platform::FileKind;
using platform::kNoFile;

constexpr char kBackupSuffix[] = ".old";
static_assert(sizeof kBackupSuffix - 1 == kTempSuffixLength, "one length check covers both");

// The write-back formats its messages into 256 bytes.
constexpr std::size_t kWriteBackMessageSize = 256;

// Pieces in which a file is read for its hash or copied.
constexpr std::uint32_t kPieceSize = 64 * 1024;

WriteBackResult Refusal(WriteBackStatus status, const char* text) {
    WriteBackResult result;
    result.status = status;
    result.message = MakeMessage(MessageKind::Error, text);
    return result;
}

// A failure whose message shows the error code, in decimal as the
// platform's signed 32-bit view of it.
WriteBackResult Failure(WriteBackStatus status, std::uint32_t code, void (*write)(TextOut&, int)) {
    WriteBackResult result;
    result.status = status;
    result.system_error = code;
    result.message = MakeMessage(
        MessageKind::Error, [&](TextOut& out) { write(out, static_cast<int>(code)); },
        kWriteBackMessageSize);
    return result;
}

WriteBackResult CheckFailure() {
    return Failure(WriteBackStatus::CheckFailed, platform::LastError(), text::StateCheckFailed);
}

// What of the file the new one could not be given, by name.
WriteBackResult AttributesFailure(const platform::AttributeFailure& failure) {
    const char* what = text::kAttributePermissions;
    switch (failure.what) {
        case platform::FileAttribute::Owner:
            what = text::kAttributeOwner;
            break;
        case platform::FileAttribute::Group:
            what = text::kAttributeGroup;
            break;
        case platform::FileAttribute::AccessControlList:
            what = text::kAttributeAccessList;
            break;
        case platform::FileAttribute::ExtendedAttribute:
            what = text::kAttributeExtended;
            break;
        case platform::FileAttribute::FileAttributes:
            what = text::kAttributeFile;
            break;
        case platform::FileAttribute::None:
        case platform::FileAttribute::Permissions:
            break;
    }
    const std::uint32_t code = platform::LastError();
    const bool named = failure.what == platform::FileAttribute::ExtendedAttribute;
    WriteBackResult result;
    result.status = WriteBackStatus::AttributesFailed;
    result.system_error = code;
    result.message = MakeMessage(
        MessageKind::Error,
        [&](TextOut& out) {
            text::StateAttributesFailed(out, what, named ? failure.name : "",
                                        static_cast<int>(code));
        },
        kWriteBackMessageSize);
    return result;
}

bool SameFile(const FileInfo& a, const FileInfo& b) {
    return a.kind == FileKind::Regular && b.kind == FileKind::Regular && a.volume == b.volume &&
           a.index == b.index;
}

// Whether a failed exchange of names says that the file system has none.
bool CannotExchange(std::uint32_t code) {
    const int error = platform::CErrorNumber(code);
    return error == EINVAL || error == ENOSYS;
}

bool IsLocked(const FileInfo& info, const platform::FileLock& lock) {
    return info.kind == FileKind::Regular && info.volume == lock.volume && info.index == lock.index;
}

// Reads `file` from its position to its end, hashing and counting its bytes
// and, unless `copy` is kNoFile, writing them to `copy`. Returns false (last
// error set) when a read or a write fails.
bool ReadToEnd(FileHandle file, std::uint64_t* hash, std::uint64_t* count, FileHandle copy) {
    std::vector<unsigned char> piece(kPieceSize);
    for (;;) {
        std::uint32_t got = 0;
        if (!platform::ReadSome(file, piece.data(), kPieceSize, &got)) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        *hash = HashBytes(*hash, piece.data(), got);
        *count += got;
        if (copy != kNoFile && platform::WriteOnce(copy, piece.data(), got) != got) {
            return false;
        }
    }
}

// The steps of one replacement of an existing file, undone by the
// destructor unless the replacement took place: the temporary files and a
// backup made by this run are removed, the lock released.
class Replacement {
  public:
    Replacement(const unsigned char* bytes, std::uint32_t size) : bytes_(bytes), size_(size) {}
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    WriteBackResult Run(const char* path, FileStamp* stamp);

  private:
    WriteBackResult Resolve(const char* path);
    WriteBackResult CheckLoaded(const char* path, FileHandle file, const FileStamp& loaded);
    WriteBackResult CheckBackup();
    WriteBackResult WriteTemporary();
    WriteBackResult MakeBackup(const FileStamp& loaded);
    WriteBackResult Replace(const char* path, const FileStamp& loaded);
    WriteBackResult Rename();
    void ReleaseOpeners();

    const unsigned char* bytes_;
    std::uint32_t size_;
    FileHandle target_ = kNoFile;  // the file replaced, opened by its path
    platform::FileLock lock_;
    FileInfo target_info_;
    std::string real_path_;  // the file's own path, every link resolved
    std::string backup_path_;
    bool backup_wanted_ = false;
    FileHandle temp_ = kNoFile;
    std::string temp_path_;
    std::string copy_path_;  // the backup's content before it takes the backup's name
    FileInfo written_;
    std::string made_backup_;  // the backup this run made
    bool replaced_ = false;
};

Replacement::~Replacement() {
    platform::Close(temp_);
    platform::Close(target_);
    if (!copy_path_.empty()) {
        platform::Delete(copy_path_.c_str());
    }
    if (!replaced_) {
        if (!temp_path_.empty()) {
            platform::Delete(temp_path_.c_str());
        }
        if (!made_backup_.empty()) {
            platform::Delete(made_backup_.c_str());
        }
    }
    platform::Unlock(&lock_);
}

// The file opened is the one locked; its own path, every link resolved.
WriteBackResult Replacement::Resolve(const char* path) {
    if (!platform::Identify(target_, &target_info_)) {
        return CheckFailure();
    }
    if (!IsLocked(target_info_, lock_)) {
        return Refusal(WriteBackStatus::Changed, text::kStateChanged);
    }
    std::string resolved(platform::MaxPathLength() + 1, '\0');
    if (!platform::ResolvePath(target_, path, &resolved[0], resolved.size())) {
        return CheckFailure();
    }
    real_path_ = resolved.c_str();
    if (real_path_.size() + kTempSuffixLength > platform::MaxPathLength()) {
        return Refusal(WriteBackStatus::PathTooLong, text::kStateBackupTooLong);
    }
    if (target_info_.read_only) {
        return Refusal(WriteBackStatus::ReadOnly, text::kStateReadOnly);
    }
    return WriteBackResult{};
}

// Under the lock: the path still names the file that was locked (a link
// resolved to its target), and that file, read through `file`, is the one
// that was loaded, unchanged.
WriteBackResult Replacement::CheckLoaded(const char* path, FileHandle file,
                                         const FileStamp& loaded) {
    FileInfo by_path;
    FileInfo by_real_path;
    if (!platform::InspectPath(path, &by_path) ||
        !platform::InspectPath(real_path_.c_str(), &by_real_path)) {
        return CheckFailure();
    }
    if (by_path.kind == FileKind::Missing || by_real_path.kind == FileKind::Missing) {
        return Refusal(WriteBackStatus::Missing, text::kStateMissing);
    }
    if (!IsLocked(by_path, lock_) || !IsLocked(by_real_path, lock_) || by_real_path.is_link) {
        return Refusal(WriteBackStatus::Changed, text::kStateChanged);
    }
    FileInfo now;
    if (!platform::Identify(file, &now)) {
        return CheckFailure();
    }
    if (!SameFile(now, loaded.info) || now.size != loaded.info.size ||
        now.modified != loaded.info.modified) {
        return Refusal(WriteBackStatus::Changed, text::kStateChanged);
    }
    // Size and time can stay as they were over a change (a coarse clock, a
    // time set back, a write within the same tick): the content decides.
    std::uint64_t hash = kHashStart;
    std::uint64_t count = 0;
    if (!platform::Rewind(file) || !ReadToEnd(file, &hash, &count, kNoFile)) {
        return CheckFailure();
    }
    if (count != loaded.info.size || hash != loaded.hash) {
        return Refusal(WriteBackStatus::Changed, text::kStateChanged);
    }
    return WriteBackResult{};
}

// The backup: none yet (one is to be made), a regular file (kept as it is),
// or anything else, a link included, which would leave the first version
// without a backup of its own.
WriteBackResult Replacement::CheckBackup() {
    backup_path_ = real_path_ + kBackupSuffix;
    FileInfo backup;
    if (!platform::InspectPath(backup_path_.c_str(), &backup)) {
        return CheckFailure();
    }
    if (backup.kind == FileKind::Other || backup.is_link) {
        return Refusal(WriteBackStatus::BackupNotKept, text::kStateBackupNotKept);
    }
    backup_wanted_ = backup.kind == FileKind::Missing;
    // A second name would keep the previous content when the file's name
    // takes the new one. The one exception is the backup itself, as a
    // write-back that linked it and ended before the replacement left it.
    const bool only_backup = target_info_.links == 2 && SameFile(backup, target_info_);
    if (target_info_.links > 1 && !only_backup) {
        return Refusal(WriteBackStatus::HardLinked, text::kStateHardLinked);
    }
    return WriteBackResult{};
}

// The new content in a file of its own, complete on disk, with everything
// of the file it is to replace.
WriteBackResult Replacement::WriteTemporary() {
    temp_ = CreateTemporary(real_path_, &temp_path_);
    if (temp_ == kNoFile) {
        return Failure(WriteBackStatus::CreateFailed, platform::LastError(), text::StateTempFailed);
    }
    if (platform::WriteOnce(temp_, bytes_, size_) != size_ || !platform::Flush(temp_)) {
        WriteBackResult failed = Refusal(WriteBackStatus::WriteFailed, text::kStateWriteFailed);
        failed.system_error = platform::LastError();
        return failed;
    }
    platform::AttributeFailure failure;
    if (!platform::CopyAttributes(target_, temp_, &failure)) {
        return AttributesFailure(failure);
    }
    if (!platform::Identify(temp_, &written_)) {
        return CheckFailure();
    }
    return WriteBackResult{};
}

// The backup: a copy of the file, written whole and synced under a
// temporary name, then given the backup's name. A copy (not a second name
// of the file) is the version replaced whatever is written into the file
// itself afterwards; its content is checked against the load as it is
// copied.
WriteBackResult Replacement::MakeBackup(const FileStamp& loaded) {
    const FileHandle copy = CreateTemporary(real_path_, &copy_path_);
    if (copy == kNoFile) {
        return Failure(WriteBackStatus::BackupFailed, platform::LastError(),
                       text::StateBackupFailed);
    }
    std::uint64_t hash = kHashStart;
    std::uint64_t count = 0;
    const bool copied = platform::Rewind(target_) && ReadToEnd(target_, &hash, &count, copy) &&
                        platform::Flush(copy);
    const std::uint32_t code = platform::LastError();
    platform::AttributeFailure failure;
    const bool kept = copied && platform::CopyAttributes(target_, copy, &failure);
    platform::Close(copy);
    if (!copied) {
        return Failure(WriteBackStatus::BackupFailed, code, text::StateBackupFailed);
    }
    if (!kept) {
        return AttributesFailure(failure);
    }
    if (count != loaded.info.size || hash != loaded.hash) {
        return Refusal(WriteBackStatus::Changed, text::kStateChanged);
    }
    // A backup that appeared meanwhile is not ours to replace.
    if (!platform::RenameNoReplace(copy_path_.c_str(), backup_path_.c_str())) {
        return Failure(WriteBackStatus::BackupFailed, platform::LastError(),
                       text::StateBackupFailed);
    }
    copy_path_.clear();
    made_backup_ = backup_path_;
    // The backup is on disk before the file's name takes the new content.
    if (!platform::SyncFolder(real_path_.c_str())) {
        return Failure(WriteBackStatus::BackupFailed, platform::LastError(),
                       text::StateBackupFailed);
    }
    return WriteBackResult{};
}

// The temporary file takes the file's name; an open handle keeps a file
// from being renamed on Windows.
WriteBackResult Replacement::Rename() {
    platform::Close(temp_);
    temp_ = kNoFile;
    if (!platform::RenameReplace(temp_path_.c_str(), real_path_.c_str())) {
        return Failure(WriteBackStatus::ReplaceFailed, platform::LastError(),
                       text::StateReplaceFailed);
    }
    replaced_ = true;
    return WriteBackResult{};
}

void Replacement::ReleaseOpeners() {
    platform::ReleaseOpeners(temp_);
    platform::ReleaseOpeners(lock_.file);
}

// The check once more, immediately before the file's name takes the new
// content, and then that step.
//
// Where the lock is held on an open file (POSIX), the check reads through
// it, and every other opener of the file and of the new one is held off
// while the check runs and the two names are exchanged. A program that
// began to open the file before the exchange still gets that file when let
// in: when it means to write, the exchange is undone, it is let in, and the
// step starts again (its save then shows in the check). Elsewhere (Windows)
// the write-back's own handle, which shares no writing, stays open through
// the check. Without held openers or an exchange, the check stands alone
// before the rename (ARCHITECTURE.md tells what window remains).
WriteBackResult Replacement::Replace(const char* path, const FileStamp& loaded) {
    if (lock_.file == kNoFile) {
        const WriteBackResult checked = CheckLoaded(path, target_, loaded);
        if (checked.status != WriteBackStatus::Written) {
            return checked;
        }
        platform::Close(target_);  // the lock stays held
        target_ = kNoFile;
        return Rename();
    }
    // The system holds openers off only from a file open nowhere else.
    platform::Close(target_);
    target_ = kNoFile;
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const bool held = platform::HoldOpeners(lock_.file) && platform::HoldOpeners(temp_);
        const WriteBackResult checked = CheckLoaded(path, lock_.file, loaded);
        if (checked.status != WriteBackStatus::Written) {
            ReleaseOpeners();
            return checked;
        }
        const bool exchanged =
            held && platform::ExchangeNames(temp_path_.c_str(), real_path_.c_str());
        if (held && !exchanged && !CannotExchange(platform::LastError())) {
            const std::uint32_t code = platform::LastError();
            ReleaseOpeners();
            return Failure(WriteBackStatus::ReplaceFailed, code, text::StateReplaceFailed);
        }
        if (!exchanged) {
            // A rename cannot be undone: a writer that waits for the file is
            // let in first.
            if (held && platform::WriterWaits(lock_.file)) {
                ReleaseOpeners();
                continue;
            }
            const WriteBackResult renamed = Rename();
            ReleaseOpeners();
            return renamed;
        }
        // The temporary name now holds the file replaced. A writer that
        // waits for it gets it back; should that fail, the write-back
        // stands, and the file replaced stays under that name.
        const bool writer_waits = platform::WriterWaits(lock_.file);
        if (writer_waits && platform::ExchangeNames(temp_path_.c_str(), real_path_.c_str())) {
            ReleaseOpeners();
            continue;
        }
        replaced_ = true;
        ReleaseOpeners();
        if (!writer_waits) {
            platform::Delete(temp_path_.c_str());
        }
        return WriteBackResult{};
    }
    return Refusal(WriteBackStatus::Changed, text::kStateChanged);
}

WriteBackResult Replacement::Run(const char* path, FileStamp* stamp) {
    // The lock first: a writer waiting for it holds the file open nowhere,
    // which on Windows would keep the holder from replacing it.
    if (!platform::LockFile(path, &lock_)) {
        const std::uint32_t code = platform::LastError();
        if (platform::CErrorNumber(code) == ENOENT) {
            return Refusal(WriteBackStatus::Missing, text::kStateMissing);  // gone meanwhile
        }
        return Failure(WriteBackStatus::LockFailed, code, text::StateLockFailed);
    }
    target_ = platform::OpenForUpdate(path);
    if (target_ == kNoFile) {
        WriteBackResult failed = Refusal(WriteBackStatus::OpenFailed, text::kStateOpenFailed);
        failed.system_error = platform::LastError();
        return failed;
    }
    WriteBackResult step = Resolve(path);
    if (step.status == WriteBackStatus::Written) {
        step = CheckLoaded(path, target_, *stamp);
    }
    if (step.status == WriteBackStatus::Written) {
        step = CheckBackup();
    }
    if (step.status == WriteBackStatus::Written) {
        RemoveLeftovers(real_path_);
        step = WriteTemporary();
    }
    if (step.status == WriteBackStatus::Written && backup_wanted_) {
        step = MakeBackup(*stamp);
    }
    if (step.status == WriteBackStatus::Written) {
        step = Replace(path, *stamp);
    }
    if (step.status != WriteBackStatus::Written) {
        return step;
    }
    // The name holds the complete new file whether this sync succeeds or
    // not; it only makes the rename last through a crash of the system.
    platform::SyncFolder(real_path_.c_str());
    stamp->info = written_;
    stamp->hash = HashBytes(kHashStart, bytes_, size_);
    return WriteBackResult{};
}

}  // namespace

std::uint64_t HashBytes(std::uint64_t hash, const unsigned char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    return hash;
}

WriteBackResult WriteFileBack(const char* path, const unsigned char* bytes, std::uint32_t size,
                              FileStamp* stamp) {
    FileInfo named;
    if (!platform::InspectPath(path, &named)) {
        return CheckFailure();
    }
    // A file gone since the load is not written anew: the name may have
    // been given up on purpose (renamed, moved), and it would come back
    // without its permissions and without a backup.
    if (named.kind == FileKind::Missing) {
        return Refusal(WriteBackStatus::Missing, text::kStateMissing);
    }
    if (named.kind != FileKind::Regular) {
        return Refusal(WriteBackStatus::Changed, text::kStateChanged);
    }
    // A file its owner protected is refused as opening it for writing
    // refuses it, also for a process that could open it all the same.
    if (named.read_only) {
        return Refusal(WriteBackStatus::ReadOnly, text::kStateReadOnly);
    }
    Replacement replacement(bytes, size);
    return replacement.Run(path, stamp);
}

}  // namespace tsy
