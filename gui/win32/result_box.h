// The ResultBox's dialog procedure, exported from the executable as
// "MessageProc".
#pragma once

#include <windows.h>

// Runs the "ResultBox" template: shows ResultText in field 205 when it opens;
// OK (IDOK) ends it with 1; every other command, IDCANCEL from Esc or the
// close box included, is taken as handled and ignored.
extern "C" __declspec(dllexport) INT_PTR CALLBACK
    MessageProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam);
