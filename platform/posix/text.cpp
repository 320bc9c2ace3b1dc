// Texts on POSIX: iconv's CP932 converter, and errno values by kind.
#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace tsy::platform {
namespace {

const char kSubstitute[] = "\x81\xAC";  // 〓

bool HighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool LowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The name iconv knows UTF-16 in host order by.
const char* HostUtf16() {
    const char16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? "UTF-16LE" : "UTF-16BE";
}

}  // namespace

std::size_t Utf16ToShiftJis(const char16_t* units, std::size_t count, char* out,
                            std::uint32_t* unconvertible) {
    char* put = out;
    std::size_t out_left = count * 2;
    iconv_t cd = ::iconv_open("CP932", HostUtf16());
    std::size_t at = 0;
    while (at < count) {
        std::size_t in_left = (count - at) * sizeof(char16_t);
        char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units + at));
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            const std::size_t done = ::iconv(cd, &in, &in_left, &put, &out_left);
            at = count - in_left / sizeof(char16_t);
            if (done != static_cast<std::size_t>(-1) || errno == E2BIG) {
                break;
            }
        }
        // A character iconv cannot take (without a converter: any but
        // ASCII): the substitute in its place.
        std::size_t width = 1;
        if (cd == reinterpret_cast<iconv_t>(-1) && units[at] < 0x80) {
            *put++ = static_cast<char>(units[at]);
            --out_left;
            ++at;
            continue;
        }
        if (HighSurrogate(units[at]) && at + 1 < count && LowSurrogate(units[at + 1])) {
            width = 2;
        }
        std::memcpy(put, kSubstitute, 2);
        put += 2;
        out_left -= 2;
        at += width;
        ++*unconvertible;
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        ::iconv_close(cd);
    }
    return static_cast<std::size_t>(put - out);
}

void ArgumentToShiftJis(const char* argument, char* out, std::size_t capacity) {
    if (capacity == 0) {
        return;
    }
    iconv_t cd = ::iconv_open("CP932", "UTF-8");
    char* in = const_cast<char*>(argument);
    std::size_t in_left = std::strlen(argument);
    char* put = out;
    std::size_t out_left = capacity - 1;
    while (in_left > 0 && out_left >= 2) {
        if (cd != reinterpret_cast<iconv_t>(-1) &&
            ::iconv(cd, &in, &in_left, &put, &out_left) != static_cast<std::size_t>(-1)) {
            break;
        }
        if (cd != reinterpret_cast<iconv_t>(-1) && errno == E2BIG) {
            break;
        }
        // A byte that starts no character iconv can take: the substitute,
        // and on past the rest of that UTF-8 sequence.
        std::memcpy(put, kSubstitute, 2);
        put += 2;
        out_left -= 2;
        do {
            ++in;
            --in_left;
        } while (in_left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        ::iconv_close(cd);
    }
    *put = '\0';
}

bool TerminalIsUtf8() {
    return true;
}

ErrorKind KindOfError(std::uint32_t code) {
    switch (static_cast<int>(code)) {
        case ENOENT:
        case ENOTDIR:
            return ErrorKind::NotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return ErrorKind::AccessDenied;
        case EBUSY:
        case ETXTBSY:
            return ErrorKind::InUse;
        case EISDIR:
            return ErrorKind::IsFolder;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return ErrorKind::DiskFull;
        default:
            return ErrorKind::Other;
    }
}

}  // namespace tsy::platform
