// Output of Shift-JIS texts on the terminal, in its own encoding.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "resources/message.h"

namespace tsy::cli {

// Prints a Shift-JIS text and a line feed; CR LF pairs become plain line
// feeds, other control characters (but tabs) are shown as \xHH.
void PrintText(std::FILE* stream, const char* sjis);

// Prints a message: completions and the write-back message on standard
// output, everything else on standard error; nothing for an empty one.
void PrintMessage(const Message& message);

// Prints, on standard error, the file a failure concerns and the system's
// reason for it (when `system_error` is not 0; in Japanese for the kinds a
// user can act on), on a line of their own.
void PrintFileReason(const char* path, std::uint32_t system_error);

// A command-line argument (a path, an option as typed) in Shift-JIS, for a
// message that quotes it.
std::string ToShiftJis(const char* argument);

// Whether anything written to `stream` so far has failed to reach it.
bool OutputFailed(std::FILE* stream);

}  // namespace tsy::cli
