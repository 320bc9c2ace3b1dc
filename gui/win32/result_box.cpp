// The ResultBox: the listing reader's error report in a read-only field.
#include "gui/win32/result_box.h"

#include <cstring>
#include <string>

#include "gui/win32/result_text.h"
#include "resources/resource.h"

extern "C" __declspec(dllexport) INT_PTR CALLBACK
    MessageProc(HWND box, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            // A copy with a terminator of its own: the field never reads past
            // the 512 bytes, whatever the buffer holds.
            char report[tsy::kResultTextSize];
            std::memcpy(report, tsy::ResultText, sizeof report);
            report[sizeof report - 1] = '\0';
            const std::string shown = report + tsy::ResultFindings;
            SetDlgItemTextA(box, IDC_RESULT_TEXT, shown.c_str());
            return TRUE;  // the focus goes to the first tab stop, OK
        }
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) {
                EndDialog(box, 1);
                return FALSE;
            }
            return TRUE;
        default:
            return FALSE;
    }
}
