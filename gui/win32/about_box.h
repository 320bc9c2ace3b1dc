// The About box's dialog procedure, exported from the executable as "About".
#pragma once

#include <windows.h>

// Runs the "AboutBox" template: OK (IDOK) ends it with 1; every other
// command, Esc's IDCANCEL included, is taken as handled and ignored.
extern "C" __declspec(dllexport) INT_PTR CALLBACK
    About(HWND box, UINT message, WPARAM wparam, LPARAM lparam);
