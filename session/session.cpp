#include "session/session.h"

#include <cstring>

#include "platform/text.h"
#include "resources/texts.h"

namespace tsy {
namespace {

// Copies a path into a kPathSize buffer, cutting what does not fit.
void CopyPath(char* to, const char* from) {
    std::size_t n = std::strlen(from);
    if (n > kPathSize - 1) {
        n = kPathSize - 1;
    }
    std::memcpy(to, from, n);
    std::memset(to + n, 0, kPathSize - n);
}

ApplyResult Refusal(ApplyStatus status, const char* text) {
    ApplyResult result;
    result.status = status;
    result.message = MakeMessage(MessageKind::Error, text);
    return result;
}

ApplyStatus FromPlacement(PlaceStatus status) {
    switch (status) {
        case PlaceStatus::Placed:
            return ApplyStatus::Applied;
        case PlaceStatus::Refused:
            return ApplyStatus::Refused;
        case PlaceStatus::NoImage:
            return ApplyStatus::NoImage;
        case PlaceStatus::FileError:
            break;
    }
    return ApplyStatus::FileError;
}

constexpr char kSignature[] = "TSRY";

// Whether bytes begin as a state-save file does: the signature, 1 and 0.
bool IsStateFileHead(const unsigned char* head, std::size_t size) {
    return size >= 6 && std::memcmp(head, kSignature, 4) == 0 && head[4] == 1 && head[5] == 0;
}

// Why a listing read to its end stored nothing, as far as can be seen.
const char* NothingReadCause(const ListingResult& read) {
    const SourceFacts& source = read.source;
    if (source.head_size >= 4 && std::memcmp(source.head, kSignature, 4) == 0) {
        return text::kNothingReadStateFile;
    }
    if (source.zero_bytes > 0) {
        return text::kNothingReadZeroBytes;
    }
    if (read.data_lines == 0) {
        return text::kNothingReadNoDataLine;
    }
    return text::kNothingReadNoBytes;
}

ApplyStatus FromListing(ListingStatus status) {
    switch (status) {
        case ListingStatus::Completed:
            return ApplyStatus::Applied;
        case ListingStatus::CheckFailed:
        case ListingStatus::TooLarge:
            return ApplyStatus::Refused;
        case ListingStatus::NoImage:
            return ApplyStatus::NoImage;
        case ListingStatus::OpenFailed:
        case ListingStatus::ReadFailed:
            break;
    }
    return ApplyStatus::FileError;
}

}  // namespace

const char* ErrorReason(std::uint32_t code) {
    if (code == 0) {
        return nullptr;
    }
    switch (platform::KindOfError(code)) {
        case platform::ErrorKind::NotFound:
            return text::kReasonNotFound;
        case platform::ErrorKind::AccessDenied:
            return text::kReasonAccessDenied;
        case platform::ErrorKind::InUse:
            return text::kReasonInUse;
        case platform::ErrorKind::IsFolder:
            return text::kReasonIsFolder;
        case platform::ErrorKind::DiskFull:
            return text::kReasonDiskFull;
        case platform::ErrorKind::Other:
            break;
    }
    return nullptr;
}

LoadResult Session::OpenState(const char* path) {
    CopyPath(state_path_, path);
    return image_.Load(state_path_);
}

LoadResult Session::Reload() {
    return image_.Load(state_path_);
}

void Session::NameDump(const char* path) {
    CopyPath(dump_path_, path);
}

bool Session::FormatSuspect() const {
    return image_.IsLoaded() && !image_.CheckFormat();
}

Message Session::FormatWarning() {
    return MakeMessage(MessageKind::Warning, [](TextOut& out) {
        out.Append(text::kFormatWarning);
        out.Append("\n");
        out.Append(text::kFormatWhatToCheck);
    });
}

ApplyResult Session::CheckReady() const {
    if (state_path_[0] == '\0') {
        return Refusal(ApplyStatus::NoStatePath, text::kNeedStatePath);
    }
    if (dump_path_[0] == '\0') {
        return Refusal(ApplyStatus::NoDumpPath, text::kNeedDumpPath);
    }
    if (!image_.IsLoaded()) {
        return Refusal(ApplyStatus::NoImage, text::kNoStateImage);
    }
    ApplyResult ready;
    ready.status = ApplyStatus::Ready;
    return ready;
}

ApplyResult Session::Apply(const DumpOptions& options, LineObserver* observer) {
    if (!options.binary_mode) {
        return ApplyListing(dump_path_, options.listing, options.memory_offset, observer);
    }
    ApplyResult ready = CheckReady();
    if (ready.status != ApplyStatus::Ready) {
        return ready;
    }
    char start_address[sizeof options.start_address];
    std::memcpy(start_address, options.start_address, sizeof start_address);
    start_address[sizeof start_address - 1] = '\0';
    image_.SetMemoryOffset(options.memory_offset);

    const PlaceResult placed =
        PlaceBinaryDump(image_, dump_path_, start_address, options.unix_text);
    ApplyResult result;
    result.status = FromPlacement(placed.status);
    result.system_error = placed.system_error;
    result.message = placed.message;
    result.stored = placed.stored;
    return result;
}

ApplyResult Session::ApplyListing(const char* listing, const ListingOptions& options,
                                  std::uint32_t memory_offset, LineObserver* observer) {
    ApplyResult ready = CheckReady();
    if (ready.status != ApplyStatus::Ready) {
        return ready;
    }
    image_.SetMemoryOffset(memory_offset);
    const ListingResult read = ReadListing(image_, listing, options, observer);
    ApplyResult result;
    result.status = FromListing(read.status);
    result.system_error = read.system_error;
    result.message = read.message;
    result.stopped_by = read.stopped_by;
    result.range = read.range;
    result.stored = read.range.bytes;
    result.source = read.source;
    if (read.status == ListingStatus::Completed && read.range.bytes == 0) {
        result.status = ApplyStatus::Refused;
        result.nothing_read = true;
        const char* cause = NothingReadCause(read);
        result.message = MakeMessage(MessageKind::Error,
                                     [cause](TextOut& out) { text::NothingRead(out, cause); });
    }
    return result;
}

bool Session::DumpReadableAgain() const {
    platform::FileInfo info;
    return platform::InspectPath(dump_path_, &info) && info.kind == platform::FileKind::Regular;
}

bool Session::DumpLooksLikeStateFile() const {
    unsigned char head[SourceFacts::kHeadSize] = {};
    return IsStateFileHead(head, ReadDumpHead(head, sizeof head));
}

std::size_t Session::ReadDumpHead(unsigned char* head, std::size_t size) const {
    // A FIFO named as the dump is not even opened here: a writer could meet
    // this opening, and what it wrote would be lost when it closes.
    platform::FileInfo named;
    if (!platform::InspectPath(dump_path_, &named) || named.kind != platform::FileKind::Regular) {
        return 0;
    }
    // Opening never waits, should the name have been changed to a FIFO.
    const platform::FileHandle file =
        platform::OpenForReading(dump_path_, platform::OpenWait::Never);
    if (file == platform::kNoFile) {
        return 0;
    }
    platform::FileInfo info;
    const bool regular =
        platform::Identify(file, &info) && info.kind == platform::FileKind::Regular;
    std::size_t got = 0;
    while (regular && got < size) {
        const std::uint32_t read =
            platform::ReadOnce(file, head + got, static_cast<std::uint32_t>(size - got));
        if (read == 0) {
            break;
        }
        got += read;
    }
    platform::Close(file);
    return got;
}

WriteBackResult Session::WriteBack() {
    return image_.WriteBack(state_path_);
}

}  // namespace tsy
