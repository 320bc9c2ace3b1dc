#include "cli/terminal.h"

namespace tsy::cli {
namespace {

// Writes terminal text with its control characters shown as \xHH (line
// feeds and tabs excepted; a CR of a CR LF pair is dropped), so that bytes
// from a listing or a file name cannot drive the terminal.
void PutEscaped(std::FILE* stream, const char* text) {
    for (const char* p = text; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\r' && p[1] == '\n') {
            continue;
        }
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
            std::fprintf(stream, "\\x%02X", c);
        } else {
            std::fputc(c, stream);
        }
    }
}

}  // namespace

void PrintText(std::FILE* stream, const char* sjis) {
    // Every Shift-JIS character takes at most three bytes in UTF-8; the
    // longest text, the help, stays well below this.
    char converted[8192];
    platform::ToTerminalEncoding(sjis, converted, sizeof converted);
    PutEscaped(stream, converted);
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
    PutEscaped(stderr, path);
    if (system_error != 0) {
        char reason[256];
        platform::DescribeError(system_error, reason, sizeof reason);
        std::fprintf(stderr, ": %s", reason);
    }
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

bool OutputFailed(std::FILE* stream) {
    return std::fflush(stream) != 0 || std::ferror(stream) != 0;
}

}  // namespace tsy::cli
