#include "cli/terminal.h"

namespace tsy::cli {

void PrintText(std::FILE* stream, const char* sjis) {
    // Every Shift-JIS character takes at most three bytes in UTF-8; the
    // longest text, the help, stays well below this.
    char converted[8192];
    platform::ToTerminalEncoding(sjis, converted, sizeof converted);
    for (const char* p = converted; *p != '\0'; ++p) {
        if (p[0] == '\r' && p[1] == '\n') {
            continue;
        }
        std::fputc(*p, stream);
    }
    std::fputc('\n', stream);
    std::fflush(stream);
}

bool TerminalSink(void*, platform::MessageKind kind, const char* text) {
    using platform::MessageKind;
    const bool normal = kind == MessageKind::Information || kind == MessageKind::Plain;
    PrintText(normal ? stdout : stderr, text);
    return kind != MessageKind::Question;
}

}  // namespace tsy::cli
