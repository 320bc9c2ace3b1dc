// Output of Shift-JIS texts on the terminal, in its own encoding.
#pragma once

#include <cstdio>

#include "platform/platform.h"

namespace tsy::cli {

// Prints a Shift-JIS text and a line feed; CR LF pairs become plain line feeds.
void PrintText(std::FILE* stream, const char* sjis);

// A message sink for platform::SetMessageSink: completions and the
// write-back message on standard output, everything else on standard error.
// Questions are answered No: nobody is there to ask.
bool TerminalSink(void* context, platform::MessageKind kind, const char* text);

}  // namespace tsy::cli
