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

void PrintMessage(const Message& message) {
    if (message.Empty()) {
        return;
    }
    const bool normal =
        message.kind == MessageKind::Information || message.kind == MessageKind::Plain;
    PrintText(normal ? stdout : stderr, message.text);
}

void PrintFileReason(const char* path, std::uint32_t system_error) {
    if (system_error == 0) {
        std::fprintf(stderr, "%s\n", path);
    } else {
        char reason[256];
        platform::DescribeError(system_error, reason, sizeof reason);
        std::fprintf(stderr, "%s: %s\n", path, reason);
    }
    std::fflush(stderr);
}

}  // namespace tsy::cli
