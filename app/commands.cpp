#include "app/commands.h"

#include <cstring>

#include "image/binary_dump.h"
#include "platform/platform.h"
#include "resources/texts.h"

namespace tsy {

// Marks a command as running for its whole length, message boxes included,
// so that a command started from inside one of them is refused.
class Commands::BusyScope {
  public:
    explicit BusyScope(bool& busy) : busy_(busy), entered_(!busy) { busy_ = true; }
    ~BusyScope() {
        if (entered_) {
            busy_ = false;
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    bool Entered() const { return entered_; }

  private:
    bool& busy_;
    bool entered_;
};

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

ApplyResult FromPlacement(PlaceResult result) {
    switch (result) {
        case PlaceResult::Placed:
            return ApplyResult::Applied;
        case PlaceResult::Refused:
            return ApplyResult::Refused;
        case PlaceResult::NoImage:
            return ApplyResult::NoImage;
        case PlaceResult::FileError:
            break;
    }
    return ApplyResult::FileError;
}

ApplyResult FromListing(ListingResult result) {
    switch (result) {
        case ListingResult::Completed:
            return ApplyResult::Applied;
        case ListingResult::CheckFailed:
            return ApplyResult::Refused;
        case ListingResult::NoImage:
            return ApplyResult::NoImage;
        case ListingResult::OpenFailed:
        case ListingResult::ReadFailed:
            break;
    }
    return ApplyResult::FileError;
}

}  // namespace

Commands::Commands(FrontEnd& front_end, StateImage& image) : front_end_(front_end), image_(image) {}

void Commands::CheckFormatAndWarn() {
    if (format_check_ && image_.IsLoaded() && !image_.CheckFormat()) {
        platform::Tell(platform::MessageKind::Warning, text::kFormatWarning);
    }
}

void Commands::NameStateFile(const char* path) {
    front_end_.ShowStatePath(path);
    CopyPath(state_path_, path);
    image_.Load(state_path_);
    CheckFormatAndWarn();
    front_end_.Repaint();
}

CommandResult Commands::BrowseStateFile() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    format_check_ = front_end_.ReadFormatCheck();
    char chosen[kPathSize] = {};
    if (!front_end_.AskStateFile(chosen)) {
        return CommandResult::Done;
    }
    chosen[kPathSize - 1] = '\0';
    NameStateFile(chosen);
    return image_.IsLoaded() ? CommandResult::Done : CommandResult::Failed;
}

CommandResult Commands::BrowseDumpFile() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    char chosen[kPathSize] = {};
    if (!front_end_.AskDumpFile(chosen)) {
        return CommandResult::Done;
    }
    chosen[kPathSize - 1] = '\0';
    front_end_.ShowDumpPath(chosen);
    CopyPath(dump_path_, chosen);
    front_end_.Repaint();
    return CommandResult::Done;
}

CommandResult Commands::Drop(const char* path, DropTarget target) {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    format_check_ = front_end_.ReadFormatCheck();
    char dropped[kPathSize];
    CopyPath(dropped, path);
    if (target.state_field) {
        if (state_path_[0] != '\0' && std::strcmp(state_path_, dropped) != 0 &&
            !platform::Tell(platform::MessageKind::Question, text::kReplaceState)) {
            // No: the drop ends here, the dump field is not tested either.
            return CommandResult::Done;
        }
        NameStateFile(dropped);
    }
    if (target.dump_field) {
        front_end_.ShowDumpPath(dropped);
        CopyPath(dump_path_, dropped);
        front_end_.Repaint();
    }
    return CommandResult::Done;
}

ApplyResult Commands::Apply() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return ApplyResult::Busy;
    }
    // Every apply starts from the file as it is on disk now.
    bool reload_failed = false;
    if (image_.IsLoaded()) {
        reload_failed = !image_.Load(state_path_);
        CheckFormatAndWarn();
    }
    if (state_path_[0] == '\0') {
        platform::Tell(platform::MessageKind::Error, text::kNeedStatePath);
        return ApplyResult::NoPath;
    }
    if (dump_path_[0] == '\0') {
        platform::Tell(platform::MessageKind::Error, text::kNeedDumpPath);
        return ApplyResult::NoPath;
    }
    if (!image_.IsLoaded()) {
        // A reload that just failed has told the user why already.
        if (!reload_failed) {
            platform::Tell(platform::MessageKind::Error, text::kNoStateImage);
        }
        return reload_failed ? ApplyResult::FileError : ApplyResult::NoImage;
    }
    DumpOptions options = front_end_.ReadDumpOptions();
    options.start_address[sizeof options.start_address - 1] = '\0';
    image_.SetMemoryOffset(options.memory_offset);
    ApplyResult result;
    if (options.binary_mode) {
        result = FromPlacement(
            PlaceBinaryDump(image_, dump_path_, options.start_address, options.unix_text));
    } else {
        result = FromListing(ListingReader(image_, dump_path_, options.listing));
    }
    // A partial result may be written back too, as with any apply.
    write_back_enabled_ = true;
    front_end_.EnableWriteBack();
    return result;
}

CommandResult Commands::WriteBack() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    if (!write_back_enabled_) {
        return CommandResult::Failed;
    }
    // WriteBack tells the user of every failure itself, a missing image too.
    if (!image_.WriteBack(state_path_)) {
        return CommandResult::Failed;
    }
    platform::Tell(platform::MessageKind::Plain, text::kWriteComplete);
    return CommandResult::Done;
}

CommandResult Commands::About() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    front_end_.ShowAbout();
    return CommandResult::Done;
}

CommandResult Commands::Exit() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    front_end_.Exit();
    return CommandResult::Done;
}

}  // namespace tsy
