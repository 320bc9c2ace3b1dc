// Text for the terminal on POSIX: Shift-JIS converted to UTF-8.
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace tsy::platform {

std::size_t ToTerminalEncoding(const char* sjis, char* out, std::size_t capacity) {
    if (capacity == 0) {
        return 0;
    }
    iconv_t cd = ::iconv_open("UTF-8", "CP932");
    std::size_t in_left = std::strlen(sjis);
    char* in = const_cast<char*>(sjis);
    char* put = out;
    std::size_t out_left = capacity - 1;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter: pass the bytes through unchanged.
        std::size_t n = in_left < out_left ? in_left : out_left;
        std::memcpy(out, sjis, n);
        out[n] = '\0';
        return n;
    }
    while (in_left > 0 && out_left > 0) {
        if (::iconv(cd, &in, &in_left, &put, &out_left) != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            break;
        }
        // An invalid or incomplete sequence: show '?' and skip one byte.
        *put++ = '?';
        --out_left;
        ++in;
        --in_left;
    }
    ::iconv_close(cd);
    *put = '\0';
    return static_cast<std::size_t>(put - out);
}

std::intptr_t SilenceErrorOutput() {
    std::fflush(stderr);
    const int saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved < 0 || nowhere < 0 || ::dup2(nowhere, STDERR_FILENO) < 0) {
        if (saved >= 0) {
            ::close(saved);
        }
        if (nowhere >= 0) {
            ::close(nowhere);
        }
        return -1;
    }
    ::close(nowhere);
    return saved;
}

void RestoreErrorOutput(std::intptr_t saved) {
    if (saved < 0) {
        return;
    }
    std::fflush(stderr);
    ::dup2(static_cast<int>(saved), STDERR_FILENO);
    ::close(static_cast<int>(saved));
}

}  // namespace tsy::platform
