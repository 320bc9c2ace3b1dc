#include "session/session.h"

#include <cstring>

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

ApplyStatus FromListing(ListingStatus status) {
    switch (status) {
        case ListingStatus::Completed:
            return ApplyStatus::Applied;
        case ListingStatus::CheckFailed:
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

ApplyResult Session::Apply(const DumpOptions& options) {
    ApplyResult ready = CheckReady();
    if (ready.status != ApplyStatus::Ready) {
        return ready;
    }
    char start_address[sizeof options.start_address];
    std::memcpy(start_address, options.start_address, sizeof start_address);
    start_address[sizeof start_address - 1] = '\0';
    image_.SetMemoryOffset(options.memory_offset);

    ApplyResult result;
    if (options.binary_mode) {
        PlaceResult placed = PlaceBinaryDump(image_, dump_path_, start_address, options.unix_text);
        result.status = FromPlacement(placed.status);
        result.system_error = placed.system_error;
        result.message = placed.message;
    } else {
        ListingResult read = ReadListing(image_, dump_path_, options.listing);
        result.status = FromListing(read.status);
        result.system_error = read.system_error;
        result.message = read.message;
        result.stopped_by = read.stopped_by;
        result.range = read.range;
    }
    return result;
}

WriteBackResult Session::WriteBack() {
    return image_.WriteBack(state_path_);
}

}  // namespace tsy
