// The open-file dialog of the two browse commands.
#include <windows.h>
// windows.h first: commdlg.h relies on its types.
#include <commdlg.h>

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "gui/win32/main_dialog.h"
#include "session/session.h"

namespace tsy::gui {
namespace {

// The full structure with its extension fields (88 bytes on 32-bit Windows),
// not the shorter form of older systems.
static_assert(offsetof(OPENFILENAMEA, FlagsEx) + sizeof(DWORD) == sizeof(OPENFILENAMEA),
              "OPENFILENAMEA must end with its extension fields");

constexpr std::size_t kFilterSize = 256;

// "description\0pattern\0\0" in a zeroed buffer; parts that do not fit are
// cut so that the two final zero bytes always remain.
void BuildFilter(const char* name, const char* pattern, char (&filter)[kFilterSize]) {
    std::memset(filter, 0, sizeof filter);
    std::size_t at = 0;
    for (const char* part : {name, pattern}) {
        std::size_t n = std::strlen(part);
        std::size_t room = kFilterSize - 2 - at;
        if (n > room) {
            n = room;
        }
        std::memcpy(filter + at, part, n);
        at += n + 1;
        if (at >= kFilterSize - 1) {
            break;
        }
    }
}

}  // namespace

bool AskForFile(HWND owner, const char* filter_name, const char* filter_pattern, const char* title,
                char* path) {
    char filter[kFilterSize];
    BuildFilter(filter_name, filter_pattern, filter);
    char file[kPathSize] = {};  // empty: nothing preselected

    OPENFILENAMEA request;
    std::memset(&request, 0, sizeof request);
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.hInstance = ProgramInstance();
    request.lpstrFilter = filter;
    request.nFilterIndex = 0;  // the first pair
    request.lpstrFile = file;
    request.nMaxFile = sizeof file;
    request.lpstrTitle = title;
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&request)) {
        return false;
    }
    file[sizeof file - 1] = '\0';
    std::memcpy(path, file, sizeof file);
    return true;
}

}  // namespace tsy::gui
