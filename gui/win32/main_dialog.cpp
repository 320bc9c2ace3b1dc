// The main dialog: its controls as the controller's view, and the dialog
// procedure that hands the controller the clicks and drops. What each
// command does lives in MainController.
#include "gui/win32/main_dialog.h"

#include <windows.h>
// windows.h first: shellapi.h relies on its types.
#include <shellapi.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "gui/main_controller.h"
#include "gui/win32/about_box.h"
#include "gui/win32/busy_work.h"
#include "gui/win32/result_box.h"
#include "gui/win32/result_text.h"
#include "resources/resource.h"
#include "resources/texts.h"

namespace tsy::gui {
namespace {

HINSTANCE g_instance = nullptr;

class DialogView final : public MainView {
  public:
    explicit DialogView(HWND dialog) : dialog_(dialog) {}

    bool IsChecked(int control) override {
        // The check mark, also of a disabled control.
        return IsDlgButtonChecked(dialog_, control) == BST_CHECKED;
    }

    void SetEnabled(int control, bool enabled) override {
        EnableWindow(GetDlgItem(dialog_, control), enabled ? TRUE : FALSE);
    }

    bool AskStateFile(char* path) override {
        return AskForFile(dialog_, text::kStateFilterName, text::kStateFilterPattern,
                          text::kStateChooseTitle, path);
    }

    bool AskDumpFile(char* path) override {
        return AskForFile(dialog_, text::kDumpFilterName, text::kDumpFilterPattern,
                          text::kDumpChooseTitle, path);
    }

    void ShowStatePath(const char* path) override {
        SetDlgItemTextA(dialog_, IDC_STATE_PATH, path);
    }

    void ShowDumpPath(const char* path) override { SetDlgItemTextA(dialog_, IDC_DUMP_PATH, path); }

    void Repaint() override { InvalidateRect(dialog_, nullptr, TRUE); }

    DumpOptions ReadDumpOptions() override {
        DumpOptions options;
        options.binary_mode = !IsChecked(IDC_TEXT_MODE);
        options.listing.checksum = IsChecked(IDC_CHECKSUM);
        options.unix_text = IsChecked(IDC_UNIX_TEXT);
        options.listing.address_sum = IsChecked(IDC_ADDRESS_SUM);
        options.listing.ohmz_sum = IsChecked(IDC_OHMZ_SUM);
        options.listing.lower_address_only = IsChecked(IDC_LOWER_ADDRESS_ONLY);
        options.listing.ohx_crc = IsChecked(IDC_OHX_CRC);
        // A count of 5 keeps at most the field's first 4 characters.
        std::memset(options.start_address, 0, sizeof options.start_address);
        GetDlgItemTextA(dialog_, IDC_START_ADDRESS, options.start_address,
                        sizeof options.start_address);
        // 0 when the text is not an unsigned decimal number.
        options.memory_offset = GetDlgItemInt(dialog_, IDC_MEMORY_OFFSET, nullptr, FALSE);
        return options;
    }

    void ShowAbout() override { DialogBoxParamA(g_instance, IDD_ABOUT_BOX, dialog_, About, 0); }

    void Exit() override {
        DestroyWindow(dialog_);
        PostQuitMessage(0);
    }

    bool Show(const Message& message) override {
        if (message.kind == MessageKind::Report) {
            ShowReport(message, std::string());
            return true;
        }
        return ShowMessageBox(message);
    }

    void ShowReport(const Message& report, const std::string& findings) override {
        // The ResultBox, owned by the main dialog, reads the report from
        // ResultText and the findings below it when it opens.
        std::memcpy(ResultText, report.text, kResultTextSize);
        ResultText[kResultTextSize - 1] = '\0';
        ResultFindings = findings;
        if (ResultFindings.size() > kResultFindingsSize) {
            // Cut after a whole line.
            const std::size_t end = ResultFindings.rfind("\r\n", kResultFindingsSize);
            ResultFindings.resize(end != std::string::npos ? end : 0);
            ResultFindings += "\r\n";
            ResultFindings += text::kTextCut;
        }
        DialogBoxParamA(g_instance, IDD_RESULT_BOX, dialog_, MessageProc, 0);
        ResultFindings.clear();
    }

    void ShowWarnings(const std::string& warnings) override {
        MessageBoxA(nullptr, warnings.c_str(), text::kProductTitle, MB_OK | MB_ICONWARNING);
    }

    void RunBusy(const std::function<void()>& work) override { RunWhileDispatching(dialog_, work); }

  private:
    HWND dialog_;
};

static_assert(sizeof(Message::text) == kResultTextSize, "a report fills ResultText exactly");

// Everything the dialog holds for its one run. It lives until the program
// ends: the exit command destroys the window from inside the controller.
struct MainDialog {
    explicit MainDialog(HWND window) : view(window), controller(view) {}

    DialogView view;
    MainController controller;
};

std::unique_ptr<MainDialog> g_dialog;

void OnInitDialog(HWND dialog) {
    DragAcceptFiles(dialog, TRUE);
    g_dialog = std::make_unique<MainDialog>(dialog);  // both paths start empty
    CheckRadioButton(dialog, IDC_TEXT_MODE, IDC_BINARY_MODE, IDC_TEXT_MODE);
    CheckDlgButton(dialog, IDC_CHECKSUM, BST_CHECKED);
    for (int id : {IDC_ADDRESS_SUM, IDC_LOWER_ADDRESS_ONLY, IDC_OHMZ_SUM, IDC_OHX_CRC}) {
        CheckDlgButton(dialog, id, BST_UNCHECKED);
    }
    CheckDlgButton(dialog, IDC_FORMAT_CHECK, BST_CHECKED);
    SetDlgItemInt(dialog, IDC_MEMORY_OFFSET, kDefaultMemoryOffset, FALSE);
    g_dialog->controller.TextMode();
    EnableWindow(GetDlgItem(dialog, IDC_WRITE_BACK), FALSE);
}

// Whether a point in the dialog's client coordinates lies on a control's
// outer rectangle as it stands now, every edge included.
bool PointOnControl(HWND dialog, int id, POINT point) {
    RECT rect;
    if (!GetWindowRect(GetDlgItem(dialog, id), &rect)) {
        return false;
    }
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return point.x >= rect.left && point.x <= rect.right && point.y >= rect.top &&
           point.y <= rect.bottom;
}

void OnDropFiles(HWND dialog, HDROP drop) {
    POINT point = {0, 0};
    DragQueryPoint(drop, &point);
    char path[kPathSize] = {};
    UINT length = DragQueryFileA(drop, 0, path, sizeof path);
    DragFinish(drop);
    if (length == 0 || !g_dialog) {
        return;
    }
    DropTarget target;
    target.state_field = PointOnControl(dialog, IDC_STATE_PATH, point);
    target.dump_field = PointOnControl(dialog, IDC_DUMP_PATH, point);
    g_dialog->controller.Drop(path, target);
}

void OnCommand(HWND dialog, WPARAM command) {
    if (!g_dialog) {
        // Initialisation failed: only the exit still works.
        if (command == IDC_EXIT) {
            DestroyWindow(dialog);
            PostQuitMessage(0);
        }
        return;
    }
    MainController& controller = g_dialog->controller;
    // Click notifications only: the whole parameter equals the id.
    switch (command) {
        case IDC_BROWSE_STATE:
            controller.BrowseStateFile();
            break;
        case IDC_BROWSE_DUMP:
            controller.BrowseDumpFile();
            break;
        case IDC_APPLY:
            controller.Apply();
            break;
        case IDC_WRITE_BACK:
            controller.WriteBack();
            break;
        case IDC_ABOUT:
            controller.About();
            break;
        case IDC_EXIT:
            controller.Exit();
            break;
        case IDC_TEXT_MODE:
            controller.TextMode();
            break;
        case IDC_BINARY_MODE:
            controller.BinaryMode();
            break;
        case IDC_ADDRESS_SUM:
            controller.AddressSumClicked();
            break;
        default:
            break;
    }
}

}  // namespace

void SetProgramInstance(HINSTANCE instance) {
    g_instance = instance;
}

HINSTANCE ProgramInstance() {
    return g_instance;
}

bool ShowMessageBox(const Message& message) {
    UINT style = MB_OK;
    switch (message.kind) {
        case MessageKind::Error:
        case MessageKind::Report:
            style = MB_OK | MB_ICONERROR;
            break;
        case MessageKind::Warning:
            style = MB_OK | MB_ICONWARNING;
            break;
        case MessageKind::Information:
            style = MB_OK | MB_ICONINFORMATION;
            break;
        case MessageKind::Question:
            style = MB_YESNO | MB_ICONQUESTION;
            break;
        case MessageKind::Plain:
        case MessageKind::None:
            style = MB_OK;
            break;
    }
    const int answer = MessageBoxA(nullptr, message.text, text::kProductTitle, style);
    return message.kind != MessageKind::Question || answer == IDYES;
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    try {
        switch (message) {
            case WM_INITDIALOG:
                OnInitDialog(dialog);
                break;
            case WM_COMMAND:
                OnCommand(dialog, wparam);
                break;
            case WM_DROPFILES:
                OnDropFiles(dialog, reinterpret_cast<HDROP>(wparam));
                break;
            case WM_SETCURSOR:
                // Over the dialog and its controls while a page is read.
                if (BusyWorkRunning()) {
                    SetCursor(LoadCursor(nullptr, IDC_WAIT));
                    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
                    return TRUE;
                }
                break;
            default:
                break;
        }
    } catch (...) {
        // Nothing may unwind into the dialog manager; the command is dropped.
    }
    return FALSE;
}

}  // namespace tsy::gui
