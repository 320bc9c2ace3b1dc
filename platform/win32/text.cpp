// Texts on Windows: code page 932 through WideCharToMultiByte, and system
// error codes by kind.
#include "platform/text.h"

#include <windows.h>

#include <cstring>

namespace tsy::platform {
namespace {

const char kSubstitute[] = "\x81\xAC";  // 〓
constexpr UINT kShiftJis = 932;

bool HighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool LowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Converts whole characters without best-fit replacements; false when one of
// them has no Shift-JIS form.
bool Convert(const char16_t* units, std::size_t count, char* out, std::size_t capacity,
             std::size_t* written) {
    BOOL used_default = FALSE;
    const int n = WideCharToMultiByte(
        kShiftJis, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const WCHAR*>(units),
        static_cast<int>(count), out, static_cast<int>(capacity), nullptr, &used_default);
    *written = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n > 0 && !used_default;
}

}  // namespace

std::size_t Utf16ToShiftJis(const char16_t* units, std::size_t count, char* out,
                            std::uint32_t* unconvertible) {
    std::size_t written = 0;
    if (count == 0 || Convert(units, count, out, count * 2, &written)) {
        return written;
    }
    // A character without a Shift-JIS form among them: each one alone.
    char* put = out;
    for (std::size_t at = 0; at < count;) {
        std::size_t width = 1;
        if (HighSurrogate(units[at]) && at + 1 < count && LowSurrogate(units[at + 1])) {
            width = 2;
        }
        const bool lone = HighSurrogate(units[at]) ? width == 1 : LowSurrogate(units[at]);
        if (!lone && Convert(units + at, width, put, 2, &written)) {
            put += written;
        } else {
            std::memcpy(put, kSubstitute, 2);
            put += 2;
            ++*unconvertible;
        }
        at += width;
    }
    return static_cast<std::size_t>(put - out);
}

void ArgumentToShiftJis(const char* argument, char* out, std::size_t capacity) {
    if (capacity == 0) {
        return;
    }
    // Arguments come in the ANSI code page, Shift-JIS on a Japanese system.
    const std::size_t n =
        std::strlen(argument) < capacity - 1 ? std::strlen(argument) : capacity - 1;
    std::memcpy(out, argument, n);
    out[n] = '\0';
}

bool TerminalIsUtf8() {
    return GetConsoleOutputCP() == CP_UTF8;
}

ErrorKind KindOfError(std::uint32_t code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_INVALID_NAME:
            return ErrorKind::NotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return ErrorKind::AccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return ErrorKind::InUse;
        case ERROR_DIRECTORY:
            return ErrorKind::IsFolder;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ErrorKind::DiskFull;
        default:
            return ErrorKind::Other;
    }
}

}  // namespace tsy::platform
