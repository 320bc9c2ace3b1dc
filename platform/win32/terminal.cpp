// Text for the console on Windows: Shift-JIS converted to the console's code
// page.
#include <windows.h>
// After windows.h.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace tsy::platform {

std::size_t ToTerminalEncoding(const char* sjis, char* out, std::size_t capacity) {
    if (capacity == 0) {
        return 0;
    }
    out[0] = '\0';
    int wide_len = MultiByteToWideChar(932, 0, sjis, -1, nullptr, 0);
    if (wide_len <= 0) {
        return 0;
    }
    WCHAR stack_wide[2048];
    if (wide_len > static_cast<int>(sizeof stack_wide / sizeof stack_wide[0])) {
        wide_len = sizeof stack_wide / sizeof stack_wide[0];
    }
    MultiByteToWideChar(932, 0, sjis, -1, stack_wide, wide_len);
    stack_wide[wide_len - 1] = 0;
    UINT code_page = GetConsoleOutputCP();
    if (code_page == 0) {
        code_page = CP_ACP;
    }
    int n = WideCharToMultiByte(code_page, 0, stack_wide, -1, out, static_cast<int>(capacity), "?",
                                nullptr);
    if (n <= 0) {
        // Too long for `out`: keep what fits.
        out[capacity - 1] = '\0';
        return std::strlen(out);
    }
    return static_cast<std::size_t>(n - 1);
}

std::intptr_t SilenceErrorOutput() {
    std::fflush(stderr);
    const int saved = _dup(2);
    const int nowhere = _open("NUL", _O_WRONLY);
    if (saved < 0 || nowhere < 0 || _dup2(nowhere, 2) < 0) {
        if (saved >= 0) {
            _close(saved);
        }
        if (nowhere >= 0) {
            _close(nowhere);
        }
        return -1;
    }
    _close(nowhere);
    return saved;
}

void RestoreErrorOutput(std::intptr_t saved) {
    if (saved < 0) {
        return;
    }
    std::fflush(stderr);
    _dup2(static_cast<int>(saved), 2);
    _close(static_cast<int>(saved));
}

}  // namespace tsy::platform
