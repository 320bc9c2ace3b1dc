// The About box: title, icon and version come from the template alone.
#include "gui/win32/about_box.h"

extern "C" __declspec(dllexport) INT_PTR CALLBACK
    About(HWND box, UINT message, WPARAM wparam, LPARAM) {
    if (message != WM_COMMAND) {
        return FALSE;  // WM_INITDIALOG included: no default focus is set
    }
    if (LOWORD(wparam) == IDOK) {
        EndDialog(box, 1);
        return FALSE;
    }
    return TRUE;
}
