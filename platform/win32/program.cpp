// Where the running program lies, on Windows.
#include <windows.h>

#include <cstring>

#include "platform/platform.h"

namespace tsy::platform {

bool ProgramFolder(char* out, std::size_t capacity) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A full buffer means the path was cut short.
    if (length == 0 || length >= sizeof path) {
        return false;
    }
    // The last separator; Shift-JIS trail bytes may equal '\\', so the path is
    // walked a character at a time.
    const char* last = nullptr;
    for (const char* p = path; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/') {
            last = p;
        }
    }
    if (last == nullptr) {
        return false;
    }
    const std::size_t folder = static_cast<std::size_t>(last - path);
    if (folder + 1 > capacity) {
        return false;
    }
    std::memcpy(out, path, folder);
    out[folder] = '\0';
    return true;
}

}  // namespace tsy::platform
