// Where the running program lies, on POSIX systems with /proc.
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/platform.h"

namespace tsy::platform {

bool ProgramFolder(char* out, std::size_t capacity) {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) {
        return false;
    }
    path[length] = '\0';
    const char* last = std::strrchr(path, '/');
    if (last == nullptr) {
        return false;
    }
    // The root folder keeps its slash.
    const std::size_t folder = last == path ? 1 : static_cast<std::size_t>(last - path);
    if (folder + 1 > capacity) {
        return false;
    }
    std::memcpy(out, path, folder);
    out[folder] = '\0';
    return true;
}

}  // namespace tsy::platform
