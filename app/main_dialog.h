// The main dialog of tsypatch.exe: the "MainDialog" template, its procedure,
// and the program's instance handle that every dialog is run with.
#pragma once

#include <windows.h>

namespace tsy::gui {

// Stores the module instance for the open-file dialogs and DialogBoxParamA.
void SetProgramInstance(HINSTANCE instance);
HINSTANCE ProgramInstance();

// The main dialog's procedure. Handles WM_INITDIALOG, the click commands and
// WM_DROPFILES; returns FALSE for every message; no exception leaves it.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace tsy::gui
