// What the system gives for texts: Unicode text turned into Shift-JIS (the
// encoding every text of the program is in), and the kind of an error code,
// which the front ends word in Japanese.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tsy::platform {

// Converts `count` UTF-16 code units (host order) to Shift-JIS, code page
// 932 (POSIX: iconv's CP932; Windows: WideCharToMultiByte), into `out`,
// which has room for two bytes per unit. A character with no Shift-JIS form,
// a lone surrogate among them, is written as the substitute "〓" (81 AC) and
// counted in `*unconvertible`. Returns the bytes written.
std::size_t Utf16ToShiftJis(const char16_t* units, std::size_t count, char* out,
                            std::uint32_t* unconvertible);

// Converts a command-line argument (a path, an option as typed) from the
// encoding the system passes arguments in (POSIX: UTF-8; Windows: the ANSI
// code page, taken as it is) to Shift-JIS, for a message that quotes it;
// what has no Shift-JIS form becomes "〓". Writes at most `capacity` bytes,
// the terminator included.
void ArgumentToShiftJis(const char* argument, char* out, std::size_t capacity);

// Whether ToTerminalEncoding writes UTF-8 (POSIX; Windows when the console's
// code page is UTF-8), in which C1 control characters take two bytes.
bool TerminalIsUtf8();

// The kinds of failure a user can act on, told apart by the front ends.
enum class ErrorKind {
    Other,
    NotFound,      // no such file or folder
    AccessDenied,  // not allowed
    InUse,         // another program holds the file
    IsFolder,      // a folder where a file was wanted
    DiskFull,      // no room left
};

// The kind of an error code of LastError().
ErrorKind KindOfError(std::uint32_t code);

}  // namespace tsy::platform
