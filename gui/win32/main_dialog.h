// The main dialog of tsypatch.exe: the "MainDialog" template, its procedure,
// and the program's instance handle that every dialog is run with.
#pragma once

#include <windows.h>

#include "resources/message.h"

namespace tsy::gui {

// Stores the module instance for the open-file dialogs and DialogBoxParamA.
void SetProgramInstance(HINSTANCE instance);
HINSTANCE ProgramInstance();

// The main dialog's procedure. Handles WM_INITDIALOG, the click commands,
// WM_DROPFILES and, while a page is read, WM_SETCURSOR (the busy cursor);
// returns FALSE for every other message; no exception leaves it.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Asks for an existing file with the open-file dialog, owned by `owner`.
// Writes the chosen path (zero-terminated, at most kPathSize bytes) into
// `path` and returns true; returns false, `path` untouched, when cancelled.
bool AskForFile(HWND owner, const char* filter_name, const char* filter_pattern, const char* title,
                char* path);

// Shows a message in a message box without owner, captioned with the product
// title, with the icon and buttons of its kind; true for Yes to a question.
bool ShowMessageBox(const Message& message);

}  // namespace tsy::gui
