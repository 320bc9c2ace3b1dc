#include "image/write_back.h"

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "resources/texts.h"

namespace tsy {
namespace {

using platform::FileHandle;
using platform::FileInfo;
using platform::FileKind;
using platform::kNoFile;

constexpr char kBackupSuffix[] = ".old";

// The temporary file's name is the file's own, then '~' and three random
// characters: as long as the backup's name, so one length check covers both.
constexpr std::size_t kTempSuffixLength = 4;
static_assert(sizeof kBackupSuffix - 1 == kTempSuffixLength, "one length check covers both");
constexpr int kTempNameTries = 100;

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

bool SameFile(const FileInfo& a, const FileInfo& b) {
    return a.kind == FileKind::Regular && b.kind == FileKind::Regular && a.volume == b.volume &&
           a.index == b.index;
}

bool NameExists(std::uint32_t code) {
    return platform::CErrorNumber(code) == EEXIST;
}

// Random characters for temporary names. They need not be unpredictable:
// the names are created exclusively, so a name taken by anyone is only
// skipped.
char RandomCharacter() {
    static std::uint64_t state =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) *
         0x9E3779B97F4A7C15ull) ^
        reinterpret_cast<std::uintptr_t>(&state);
    // splitmix64
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    return kAlphabet[z % (sizeof kAlphabet - 1)];
}

// Creates a new file of a new name beside `path`; `*temp_path` receives the
// name. Returns kNoFile (last error set) on failure.
FileHandle CreateTemporary(const std::string& path, std::string* temp_path) {
    for (int i = 0; i < kTempNameTries; ++i) {
        std::string name = path + '~';
        for (std::size_t c = 1; c < kTempSuffixLength; ++c) {
            name += RandomCharacter();
        }
        const FileHandle file = platform::CreateExclusive(name.c_str());
        if (file != kNoFile) {
            *temp_path = name;
            return file;
        }
        if (!NameExists(platform::LastError())) {
            break;
        }
    }
    return kNoFile;
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
// destructor unless the replacement took place: the temporary file and a
// backup made by this run are removed, the lock released.
class Replacement {
  public:
    Replacement(const unsigned char* bytes, std::uint32_t size) : bytes_(bytes), size_(size) {}
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    WriteBackResult Run(const char* path, FileStamp* stamp);

  private:
    WriteBackResult CheckUnchanged(const char* path, const FileStamp& loaded);
    WriteBackResult CheckBackup();
    WriteBackResult WriteTemporary();
    WriteBackResult MakeBackup();
    bool CopyToBackup(std::uint32_t* code);

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
    FileInfo written_;
    std::string made_backup_;  // the backup this run made
    bool replaced_ = false;
};

Replacement::~Replacement() {
    platform::Close(temp_);
    platform::Close(target_);
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

// Under the lock: the path still names the file that was locked (a link
// resolved to its target), and that file is the one that was read,
// unchanged.
WriteBackResult Replacement::CheckUnchanged(const char* path, const FileStamp& loaded) {
    if (!platform::Identify(target_, &target_info_)) {
        return CheckFailure();
    }
    // The file opened is the one locked.
    if (target_info_.volume != lock_.volume || target_info_.index != lock_.index) {
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
    FileInfo by_path;
    FileInfo by_real_path;
    if (!platform::InspectPath(path, &by_path) ||
        !platform::InspectPath(real_path_.c_str(), &by_real_path)) {
        return CheckFailure();
    }
    if (!SameFile(by_path, target_info_) || !SameFile(by_real_path, target_info_) ||
        by_real_path.is_link) {
        return Refusal(WriteBackStatus::Changed, text::kStateChanged);
    }
    if (!SameFile(target_info_, loaded.info) || target_info_.size != loaded.info.size ||
        target_info_.modified != loaded.info.modified) {
        return Refusal(WriteBackStatus::Changed, text::kStateChanged);
    }
    // Size and time can stay as they were over a change (a coarse clock, a
    // time set back): the content decides.
    std::uint64_t hash = kHashStart;
    std::uint64_t count = 0;
    if (!ReadToEnd(target_, &hash, &count, kNoFile)) {
        return CheckFailure();
    }
    if (count != loaded.info.size || hash != loaded.hash) {
        return Refusal(WriteBackStatus::Changed, text::kStateChanged);
    }
    if (target_info_.read_only) {
        return Refusal(WriteBackStatus::ReadOnly, text::kStateReadOnly);
    }
    return WriteBackResult{};
}

// The backup: none yet (one is to be made), a regular file (kept as it is),
// or anything else, which would leave the first version without a backup.
WriteBackResult Replacement::CheckBackup() {
    backup_path_ = real_path_ + kBackupSuffix;
    FileInfo backup;
    if (!platform::InspectPath(backup_path_.c_str(), &backup)) {
        return CheckFailure();
    }
    if (backup.kind == FileKind::Other) {
        return Refusal(WriteBackStatus::BackupNotKept, text::kStateBackupNotKept);
    }
    backup_wanted_ = backup.kind == FileKind::Missing;
    // A second name would keep the previous content when the file's name
    // takes the new one. The one exception is the backup itself: a run
    // that ended between making the backup and the replacement left it.
    const bool only_backup = target_info_.links == 2 && SameFile(backup, target_info_);
    if (target_info_.links > 1 && !only_backup) {
        return Refusal(WriteBackStatus::HardLinked, text::kStateHardLinked);
    }
    return WriteBackResult{};
}

// The new content in a file of its own, complete on disk, with the
// permissions of the file it is to replace.
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
    if (!platform::CopyAttributes(target_, temp_)) {
        return Failure(WriteBackStatus::AttributesFailed, platform::LastError(),
                       text::StateAttributesFailed);
    }
    if (!platform::Identify(temp_, &written_)) {
        return CheckFailure();
    }
    platform::Close(temp_);
    temp_ = kNoFile;
    return WriteBackResult{};
}

// A copy of the file under the backup's name, for file systems without hard
// links: written whole and synced under a temporary name first, so that the
// backup's name never holds a part. On failure `*code` tells why.
bool Replacement::CopyToBackup(std::uint32_t* code) {
    std::string copy_path;
    const FileHandle copy = CreateTemporary(real_path_, &copy_path);
    if (copy == kNoFile) {
        *code = platform::LastError();
        return false;
    }
    std::uint64_t hash = kHashStart;
    std::uint64_t count = 0;
    bool copied = platform::Rewind(target_) && ReadToEnd(target_, &hash, &count, copy) &&
                  platform::Flush(copy) && platform::CopyAttributes(target_, copy);
    std::uint32_t failure = copied ? 0 : platform::LastError();
    platform::Close(copy);
    if (copied && !platform::RenameNoReplace(copy_path.c_str(), backup_path_.c_str())) {
        failure = platform::LastError();
        copied = false;
    }
    if (!copied) {
        *code = failure;
        platform::Delete(copy_path.c_str());
    }
    return copied;
}

WriteBackResult Replacement::MakeBackup() {
    if (!platform::LinkNoReplace(real_path_.c_str(), backup_path_.c_str())) {
        // A backup that appeared meanwhile is not ours to replace; on a file
        // system without hard links the backup is a copy.
        std::uint32_t code = platform::LastError();
        if (NameExists(code) || !CopyToBackup(&code)) {
            return Failure(WriteBackStatus::BackupFailed, code, text::StateBackupFailed);
        }
    }
    made_backup_ = backup_path_;
    // The backup is on disk before the file's name takes the new content.
    if (!platform::SyncFolder(real_path_.c_str())) {
        return Failure(WriteBackStatus::BackupFailed, platform::LastError(),
                       text::StateBackupFailed);
    }
    return WriteBackResult{};
}

WriteBackResult Replacement::Run(const char* path, FileStamp* stamp) {
    // The lock first: a writer waiting for it holds the file open nowhere,
    // which on Windows would keep the holder from replacing it.
    if (!platform::LockFile(path, &lock_)) {
        const std::uint32_t code = platform::LastError();
        if (platform::CErrorNumber(code) == ENOENT) {
            return Refusal(WriteBackStatus::Changed, text::kStateChanged);  // gone meanwhile
        }
        return Failure(WriteBackStatus::LockFailed, code, text::StateLockFailed);
    }
    target_ = platform::OpenForUpdate(path);
    if (target_ == kNoFile) {
        WriteBackResult failed = Refusal(WriteBackStatus::OpenFailed, text::kStateOpenFailed);
        failed.system_error = platform::LastError();
        return failed;
    }
    WriteBackResult step = CheckUnchanged(path, *stamp);
    if (step.status == WriteBackStatus::Written) {
        step = CheckBackup();
    }
    if (step.status == WriteBackStatus::Written) {
        step = WriteTemporary();
    }
    if (step.status == WriteBackStatus::Written && backup_wanted_) {
        step = MakeBackup();
    }
    if (step.status != WriteBackStatus::Written) {
        return step;
    }
    // An open handle keeps a file from being replaced on Windows; the lock
    // stays held.
    platform::Close(target_);
    target_ = kNoFile;
    if (!platform::RenameReplace(temp_path_.c_str(), real_path_.c_str())) {
        return Failure(WriteBackStatus::ReplaceFailed, platform::LastError(),
                       text::StateReplaceFailed);
    }
    replaced_ = true;
    // The name holds the complete new file whether this sync succeeds or
    // not; it only makes the rename last through a crash of the system.
    platform::SyncFolder(real_path_.c_str());
    stamp->info = written_;
    stamp->hash = HashBytes(kHashStart, bytes_, size_);
    return WriteBackResult{};
}

// The file is gone: its bytes are written anew under its name, unless
// another file takes the name meanwhile.
WriteBackResult WriteAnew(const char* path, const unsigned char* bytes, std::uint32_t size,
                          FileStamp* stamp) {
    const std::string name(path);
    if (name.size() + kTempSuffixLength > platform::MaxPathLength()) {
        return Refusal(WriteBackStatus::PathTooLong, text::kStateBackupTooLong);
    }
    std::string temp_path;
    const FileHandle temp = CreateTemporary(name, &temp_path);
    if (temp == kNoFile) {
        return Failure(WriteBackStatus::CreateFailed, platform::LastError(), text::StateTempFailed);
    }
    FileInfo written;
    WriteBackResult result;
    if (platform::WriteOnce(temp, bytes, size) != size || !platform::Flush(temp)) {
        result = Refusal(WriteBackStatus::WriteFailed, text::kStateWriteFailed);
        result.system_error = platform::LastError();
    } else if (!platform::Identify(temp, &written)) {
        result = CheckFailure();
    }
    platform::Close(temp);
    if (result.status == WriteBackStatus::Written &&
        !platform::RenameNoReplace(temp_path.c_str(), path)) {
        result = NameExists(platform::LastError())
                     ? Refusal(WriteBackStatus::Changed, text::kStateChanged)
                     : Failure(WriteBackStatus::ReplaceFailed, platform::LastError(),
                               text::StateReplaceFailed);
    }
    if (result.status != WriteBackStatus::Written) {
        platform::Delete(temp_path.c_str());
        return result;
    }
    platform::SyncFolder(path);
    stamp->info = written;
    stamp->hash = HashBytes(kHashStart, bytes, size);
    return result;
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
    if (named.kind == FileKind::Missing) {
        return WriteAnew(path, bytes, size, stamp);
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
