// The main dialog: initialisation, the click commands, the enable rules of
// the option controls and the drop of files. The steps of each command live
// in Commands; this file only connects them to the dialog.
#include "app/main_dialog.h"

#include <windows.h>
// windows.h first: shellapi.h relies on its types.
#include <shellapi.h>

#include <initializer_list>
#include <memory>

#include "app/boxes/result_box.h"
#include "app/commands.h"
#include "app/main_dialog_front_end.h"
#include "image/state_image.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "resources/texts.h"

namespace tsy::gui {
namespace {

HINSTANCE g_instance = nullptr;

// Everything the dialog holds for its one run. It lives until the program
// ends: the exit command destroys the window from inside Commands::Exit.
struct MainDialog {
    explicit MainDialog(HWND window) : front_end(window), commands(front_end, image) {}

    DialogFrontEnd front_end;
    StateImage image;
    Commands commands;
};

std::unique_ptr<MainDialog> g_dialog;

void Enable(HWND dialog, int id, bool enable) {
    EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// Enable rules. Disabling leaves every check mark as it is.
void ApplyAddressSumRule(HWND dialog) {
    Enable(dialog, IDC_LOWER_ADDRESS_ONLY, Checked(dialog, IDC_ADDRESS_SUM));
}

void ApplyTextModeRule(HWND dialog) {
    Enable(dialog, IDC_CHECKSUM, true);
    Enable(dialog, IDC_ADDRESS_SUM, true);
    ApplyAddressSumRule(dialog);
    Enable(dialog, IDC_OHMZ_SUM, true);
    Enable(dialog, IDC_OHX_CRC, true);
    Enable(dialog, IDC_START_ADDRESS, false);
    Enable(dialog, IDC_UNIX_TEXT, false);
}

void ApplyBinaryModeRule(HWND dialog) {
    for (int id :
         {IDC_CHECKSUM, IDC_ADDRESS_SUM, IDC_LOWER_ADDRESS_ONLY, IDC_OHMZ_SUM, IDC_OHX_CRC}) {
        Enable(dialog, id, false);
    }
    Enable(dialog, IDC_START_ADDRESS, true);
    Enable(dialog, IDC_UNIX_TEXT, true);
}

// Every message of the core: the listing's report in the ResultBox, owned by
// the main dialog; everything else in a message box without owner.
bool ShowMessage(void* context, platform::MessageKind kind, const char* text) {
    if (kind == platform::MessageKind::Report) {
        DialogBoxParamA(g_instance, IDD_RESULT_BOX, static_cast<HWND>(context), MessageProc, 0);
        return true;
    }
    return platform::TellByDefault(kind, text);
}

void OnInitDialog(HWND dialog) {
    platform::SetMessageSink(ShowMessage, dialog);
    DragAcceptFiles(dialog, TRUE);
    g_dialog = std::make_unique<MainDialog>(dialog);  // both paths start empty
    CheckRadioButton(dialog, IDC_TEXT_MODE, IDC_BINARY_MODE, IDC_TEXT_MODE);
    CheckDlgButton(dialog, IDC_CHECKSUM, BST_CHECKED);
    for (int id : {IDC_ADDRESS_SUM, IDC_LOWER_ADDRESS_ONLY, IDC_OHMZ_SUM, IDC_OHX_CRC}) {
        CheckDlgButton(dialog, id, BST_UNCHECKED);
    }
    CheckDlgButton(dialog, IDC_FORMAT_CHECK, BST_CHECKED);
    SetDlgItemInt(dialog, IDC_MEMORY_OFFSET, 4096, FALSE);
    ApplyTextModeRule(dialog);
    Enable(dialog, IDC_WRITE_BACK, false);
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
    g_dialog->commands.Drop(path, target);
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
    Commands& commands = g_dialog->commands;
    // Click notifications only: the whole parameter equals the id.
    switch (command) {
        case IDC_BROWSE_STATE:
            commands.BrowseStateFile();
            break;
        case IDC_BROWSE_DUMP:
            commands.BrowseDumpFile();
            break;
        case IDC_APPLY:
            commands.Apply();
            break;
        case IDC_WRITE_BACK:
            commands.WriteBack();
            break;
        case IDC_ABOUT:
            commands.About();
            break;
        case IDC_EXIT:
            commands.Exit();
            break;
        case IDC_TEXT_MODE:
            ApplyTextModeRule(dialog);
            break;
        case IDC_BINARY_MODE:
            ApplyBinaryModeRule(dialog);
            break;
        case IDC_ADDRESS_SUM:
            ApplyAddressSumRule(dialog);
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
            default:
                break;
        }
    } catch (...) {
        // Nothing may unwind into the dialog manager; the command is dropped.
    }
    return FALSE;
}

}  // namespace tsy::gui
