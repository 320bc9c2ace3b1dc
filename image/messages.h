// Formatting of the image operations' messages.
#pragma once

#include "platform/platform.h"

namespace tsy {

// Room for one formatted message of the image operations, terminator included.
inline constexpr int kImageMessageSize = 256;

// Formats `format` (a Shift-JIS text of resources/texts.h) with the
// arguments into a 256-byte buffer, cut short if longer, and tells the user.
void TellFormatted(platform::MessageKind kind, const char* format, ...);

}  // namespace tsy
