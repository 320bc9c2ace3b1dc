// What the main dialog does, apart from the Windows calls that show it: the
// six commands, the drop of a file, the enable rules of the option controls,
// the questions and messages in their order, and the guard that refuses a
// command while another one waits in one of its message boxes. Plain C++
// over a MainView, so that it is tested on every platform; gui/win32/
// implements the view with the dialog's controls.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "proof/finding_lists.h"
#include "session/session.h"

namespace tsy::gui {

// The dialog as the controller sees it. Controls are named by their ids
// (resources/resource.h).
class MainView {
  public:
    virtual ~MainView() = default;

    // The check mark of a check box or radio button, also of a disabled one.
    virtual bool IsChecked(int control) = 0;
    virtual void SetEnabled(int control, bool enabled) = 0;
    // Asks for an existing file; false when cancelled. `path` has room for
    // kPathSize bytes.
    virtual bool AskStateFile(char* path) = 0;
    virtual bool AskDumpFile(char* path) = 0;
    // Shows a newly named path in its field.
    virtual void ShowStatePath(const char* path) = 0;
    virtual void ShowDumpPath(const char* path) = 0;
    virtual void Repaint() = 0;
    // The options of an apply from the controls, read after both path checks.
    virtual DumpOptions ReadDumpOptions() = 0;
    virtual void ShowAbout() = 0;
    // Ends the program.
    virtual void Exit() = 0;
    // Shows a message and returns once the user has closed it; for a
    // Question, true for Yes.
    virtual bool Show(const Message& message) = 0;
    // Shows a listing's error report as it stands (the ResultBox), and below
    // it `findings` (Shift-JIS, CR LF line ends): what check reports for the
    // whole listing. Returns once the user has closed it.
    virtual void ShowReport(const Message& report, const std::string& findings) = 0;
    // Shows the warnings of a completed apply (Shift-JIS, any length) in a
    // warning box. Returns once the user has closed it.
    virtual void ShowWarnings(const std::string& warnings) = 0;
    // Runs `work`, which touches neither the view nor the controller, and
    // returns when it has ended; the dialog meanwhile goes on painting and
    // taking clicks (commands are refused as busy) and shows a busy cursor.
    virtual void RunBusy(const std::function<void()>& work) = 0;
};

// The warnings of a completed apply the dialog lists at most.
inline constexpr std::size_t kMaxDialogWarnings = 20;

// Where a dropped file landed.
struct DropTarget {
    bool state_field = false;  // on the state-save path field
    bool dump_field = false;   // on the dump path field
};

// What became of a command: Busy when another command was running and this
// one did nothing.
enum class CommandResult { Done, Failed, Busy };

enum class ApplyOutcome {
    Applied,    // placed or read to the end
    Refused,    // the dump was refused (an E code, too large, a range outside the image,
                // a page image with no listing)
    InDoubt,    // a page image's listing has rows in doubt; nothing applied
    FileError,  // a file could not be opened or read
    NoPath,     // a path was missing
    NoImage,    // a state-save path is named but no image is held
    Busy,       // another command is running; nothing done
};

class MainController {
  public:
    explicit MainController(MainView& view) : view_(view) {}
    MainController(const MainController&) = delete;
    MainController& operator=(const MainController&) = delete;

    // The enable rules: text mode (also at the start), binary mode, and the
    // address-sum box's rule for the lower-address box.
    void TextMode();
    void BinaryMode();
    void AddressSumClicked();

    // Command 101: samples the format check, asks for the file, loads it.
    CommandResult BrowseStateFile();
    // Command 102: asks for the dump file and names it.
    CommandResult BrowseDumpFile();
    // A file dropped on the dialog (only the first of several counts).
    CommandResult Drop(const char* path, DropTarget target);
    // Command 103: reload, path checks, the options, the placement; enables
    // the write-back once the path checks have passed. In text mode a dump
    // that is a page image is scanned first, its listing written beside it
    // and applied only when every row is verified.
    ApplyOutcome Apply();
    // Command 104: "書き込み完了" after a write-back that succeeded.
    CommandResult WriteBack();
    // Command 105.
    CommandResult About();
    // Command 2.
    CommandResult Exit();

    const Session& State() const { return session_; }
    bool FormatCheck() const { return format_check_; }
    bool WriteBackEnabled() const { return write_back_enabled_; }
    // Whether a command is running (waiting in one of its message boxes).
    bool Busy() const { return busy_; }

  private:
    class BusyScope;

    static ApplyOutcome Outcome(ApplyStatus status);
    // Enables the write-back, after an apply that passed the path checks.
    void EnableWriteBack();

    void Tell(const Message& message, std::uint32_t system_error = 0);
    void NameStateFile(const char* path);
    void WarnAboutFormat();
    // After the apply of the listing in the file `listing`: its report with
    // the findings of the whole listing (read again when `readable_again`:
    // a file, not a pipe read to its end), or its completion followed by the
    // warnings `watched` gathered on the apply's read. `note` (Shift-JIS, may
    // be empty) goes below the completion and above the findings.
    void TellListing(const ApplyResult& result, const ListingOptions& options, const char* listing,
                     bool readable_again, const std::string& note, proof::ApplyWarnings* watched);
    // Whether the named dump is a page image (page_apply.cpp).
    bool DumpIsPageImage() const;
    // Reads the named page image, writes its listing beside it and applies
    // that when every row is verified, or shows the scan's report.
    ApplyOutcome ApplyPage(const DumpOptions& options);

    MainView& view_;
    Session session_;
    bool format_check_ = true;
    bool write_back_enabled_ = false;
    bool busy_ = false;
};

}  // namespace tsy::gui
