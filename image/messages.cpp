#include "image/messages.h"

#include <cstdarg>
#include <cstdio>

namespace tsy {

void TellFormatted(platform::MessageKind kind, const char* format, ...) {
    char text[kImageMessageSize];
    std::va_list args;
    va_start(args, format);
    int written = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (written < 0) {
        text[0] = '\0';
    }
    platform::Tell(kind, text);
}

}  // namespace tsy
