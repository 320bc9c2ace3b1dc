#include "gui/main_controller.h"

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "proof/finding_lists.h"
#include "resources/resource.h"
#include "resources/texts.h"

namespace tsy::gui {

// Marks a command as running for its whole length, message boxes included,
// so that a command started from inside one of them is refused.
class MainController::BusyScope {
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

void MainController::Tell(const Message& message, std::uint32_t system_error) {
    if (message.Empty()) {
        return;
    }
    // A file error ends with the system's reason where a user can act on it.
    const char* reason = ErrorReason(system_error);
    if (reason == nullptr) {
        view_.Show(message);
        return;
    }
    view_.Show(MakeMessage(message.kind, [&](TextOut& out) {
        out.Append(message.text);
        out.Append("\n");
        out.Append(reason);
    }));
}

void MainController::TellListing(const ApplyResult& result, const ListingOptions& options,
                                 const char* listing, bool readable_again, const std::string& note,
                                 proof::ApplyWarnings* watched) {
    if (result.message.kind == MessageKind::Report) {
        std::string findings = note.empty() ? "" : "\r\n" + note;
        findings += text::kDialogFindingsHeading;
        findings += "\r\n";
        // The apply has read a pipe to its end: there is nothing to read again.
        findings += readable_again ? proof::ListingFindings(listing, options, "\r\n")
                                   : std::string(text::kFindingsNotShown) + "\r\n";
        view_.ShowReport(result.message, findings);
        return;
    }
    if (result.status == ApplyStatus::Applied && !note.empty()) {
        Tell(MakeMessage(result.message.kind,
                         [&](TextOut& out) {
                             out.Append(result.message.text);
                             out.Append("\n");
                             out.Append(note.c_str());
                         }),
             result.system_error);
    } else {
        Tell(result.message, result.system_error);
    }
    if (result.status != ApplyStatus::Applied) {
        return;
    }
    const proof::WarningLines& warnings = watched->Finish();
    const std::uint32_t substitutes = result.source.unconvertible;
    if (warnings.count == 0 && substitutes == 0) {
        return;
    }
    const unsigned count = static_cast<unsigned>(warnings.count + (substitutes > 0 ? 1 : 0));
    std::string text = Written([&](TextOut& out) { text::DialogWarningsHeading(out, count); });
    for (const std::string& line : warnings.lines) {
        text += "\n" + line;
    }
    if (substitutes > 0) {
        text += "\n" + Written([&](TextOut& out) {
                    text::SubstitutedCharacters(out, static_cast<unsigned>(substitutes));
                });
    }
    if (warnings.count > warnings.lines.size()) {
        const unsigned more = static_cast<unsigned>(warnings.count - warnings.lines.size());
        text += "\n" + Written([&](TextOut& out) { text::DialogMoreWarnings(out, more); });
    }
    view_.ShowWarnings(text);
}

void MainController::TextMode() {
    view_.SetEnabled(IDC_CHECKSUM, true);
    view_.SetEnabled(IDC_ADDRESS_SUM, true);
    AddressSumClicked();
    view_.SetEnabled(IDC_OHMZ_SUM, true);
    view_.SetEnabled(IDC_OHX_CRC, true);
    view_.SetEnabled(IDC_START_ADDRESS, false);
    view_.SetEnabled(IDC_UNIX_TEXT, false);
}

void MainController::BinaryMode() {
    for (int id :
         {IDC_CHECKSUM, IDC_ADDRESS_SUM, IDC_LOWER_ADDRESS_ONLY, IDC_OHMZ_SUM, IDC_OHX_CRC}) {
        view_.SetEnabled(id, false);
    }
    view_.SetEnabled(IDC_START_ADDRESS, true);
    view_.SetEnabled(IDC_UNIX_TEXT, true);
}

void MainController::AddressSumClicked() {
    // Disabling leaves the check mark as it is.
    view_.SetEnabled(IDC_LOWER_ADDRESS_ONLY, view_.IsChecked(IDC_ADDRESS_SUM));
}

void MainController::WarnAboutFormat() {
    if (format_check_ && session_.FormatSuspect()) {
        view_.Show(Session::FormatWarning());
    }
}

void MainController::NameStateFile(const char* path) {
    view_.ShowStatePath(path);
    const LoadResult loaded = session_.OpenState(path);
    Tell(loaded.message, loaded.system_error);
    WarnAboutFormat();
    view_.Repaint();
}

CommandResult MainController::BrowseStateFile() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    format_check_ = view_.IsChecked(IDC_FORMAT_CHECK);
    char chosen[kPathSize] = {};
    if (!view_.AskStateFile(chosen)) {
        return CommandResult::Done;
    }
    chosen[kPathSize - 1] = '\0';
    NameStateFile(chosen);
    return session_.Image().IsLoaded() ? CommandResult::Done : CommandResult::Failed;
}

CommandResult MainController::BrowseDumpFile() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    char chosen[kPathSize] = {};
    if (!view_.AskDumpFile(chosen)) {
        return CommandResult::Done;
    }
    chosen[kPathSize - 1] = '\0';
    view_.ShowDumpPath(chosen);
    session_.NameDump(chosen);
    view_.Repaint();
    return CommandResult::Done;
}

CommandResult MainController::Drop(const char* path, DropTarget target) {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    format_check_ = view_.IsChecked(IDC_FORMAT_CHECK);
    char dropped[kPathSize] = {};
    for (std::size_t i = 0; i < kPathSize - 1 && path[i] != '\0'; ++i) {
        dropped[i] = path[i];
    }
    if (target.state_field) {
        const char* named = session_.StatePath();
        if (named[0] != '\0' && std::string_view(named) != dropped &&
            !view_.Show(MakeMessage(MessageKind::Question, text::kReplaceState))) {
            // No: the drop ends here, the dump field is not tested either.
            return CommandResult::Done;
        }
        NameStateFile(dropped);
    }
    if (target.dump_field) {
        view_.ShowDumpPath(dropped);
        session_.NameDump(dropped);
        view_.Repaint();
    }
    return CommandResult::Done;
}

ApplyOutcome MainController::Outcome(ApplyStatus status) {
    switch (status) {
        case ApplyStatus::Applied:
        case ApplyStatus::Ready:
            return ApplyOutcome::Applied;
        case ApplyStatus::Refused:
            return ApplyOutcome::Refused;
        case ApplyStatus::FileError:
            return ApplyOutcome::FileError;
        case ApplyStatus::NoStatePath:
        case ApplyStatus::NoDumpPath:
            return ApplyOutcome::NoPath;
        case ApplyStatus::NoImage:
            break;
    }
    return ApplyOutcome::NoImage;
}

ApplyOutcome MainController::Apply() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return ApplyOutcome::Busy;
    }
    // Every apply starts from the file as it is on disk now.
    LoadStatus reload = LoadStatus::Loaded;
    if (session_.Image().IsLoaded()) {
        const LoadResult result = session_.Reload();
        reload = result.status;
        Tell(result.message, result.system_error);
        WarnAboutFormat();
    }
    const ApplyResult ready = session_.CheckReady();
    if (ready.status == ApplyStatus::NoImage && reload != LoadStatus::Loaded) {
        // The reload that just failed has said why already.
        return ApplyOutcome::FileError;
    }
    if (ready.status != ApplyStatus::Ready) {
        Tell(ready.message);
        return Outcome(ready.status);
    }
    const DumpOptions options = view_.ReadDumpOptions();
    if (!options.binary_mode && DumpIsPageImage()) {
        return ApplyPage(options);
    }
    // The warnings are gathered on the apply's own read of the listing.
    auto warnings = std::make_unique<proof::ApplyWarnings>(options.listing, kMaxDialogWarnings);
    const ApplyResult result =
        session_.Apply(options, options.binary_mode ? nullptr : warnings.get());
    if (options.binary_mode) {
        Tell(result.message, result.system_error);
    } else {
        TellListing(result, options.listing, session_.DumpPath(), session_.DumpReadableAgain(),
                    std::string(), warnings.get());
    }
    // A partial result may be written back too, as with any apply.
    EnableWriteBack();
    return Outcome(result.status);
}

void MainController::EnableWriteBack() {
    write_back_enabled_ = true;
    view_.SetEnabled(IDC_WRITE_BACK, true);
}

CommandResult MainController::WriteBack() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    if (!write_back_enabled_) {
        return CommandResult::Failed;
    }
    const WriteBackResult result = session_.WriteBack();
    if (result.status != WriteBackStatus::Written) {
        Tell(result.message, result.system_error);
        return CommandResult::Failed;
    }
    view_.Show(MakeMessage(MessageKind::Plain, text::kWriteComplete));
    return CommandResult::Done;
}

CommandResult MainController::About() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    view_.ShowAbout();
    return CommandResult::Done;
}

CommandResult MainController::Exit() {
    BusyScope scope(busy_);
    if (!scope.Entered()) {
        return CommandResult::Busy;
    }
    view_.Exit();
    return CommandResult::Done;
}

}  // namespace tsy::gui
