// Entry of tsypatch.exe: runs the main dialog until the exit command.
#include <windows.h>

#include "gui/win32/main_dialog.h"
#include "resources/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tsy::gui::SetProgramInstance(instance);
    return static_cast<int>(
        DialogBoxParamA(instance, IDD_MAIN_DIALOG, nullptr, tsy::gui::MainDialogProc, 0));
}
