#include "cli/terminal.h"

#include "platform/text.h"
#include "resources/texts.h"
#include "session/session.h"

namespace tsy::cli {
namespace {

// The length of the UTF-8 sequence at `p` when it is a valid one of two to
// four bytes, else 0.
int Utf8Length(const unsigned char* p) {
    const int length = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 ? 2 : 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
    }
    return p[0] <= 0xF4 ? length : 0;
}

// Writes terminal text with its control characters shown as \xHH (line
// feeds and tabs excepted; a CR of a CR LF pair is dropped), so that bytes
// from a listing or a file name cannot drive the terminal. On a UTF-8
// terminal the C1 controls (U+0080 to U+009F) are shown so too, and so is
// every byte that is no part of a UTF-8 character.
void PutEscaped(std::FILE* stream, const char* text) {
    const bool utf8 = platform::TerminalIsUtf8();
    for (const char* p = text; *p != '\0'; ++p) {
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        const unsigned char c = u[0];
        if (c == '\r' && p[1] == '\n') {
            continue;
        }
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
            std::fprintf(stream, "\\x%02X", c);
            continue;
        }
        if (!utf8 || c < 0x80) {
            std::fputc(c, stream);
            continue;
        }
        const int length = Utf8Length(u);
        if (length == 0 || (c == 0xC2 && u[1] < 0xA0)) {
            std::fprintf(stream, "\\x%02X", c);
            continue;
        }
        std::fwrite(p, 1, static_cast<std::size_t>(length), stream);
        p += length - 1;
    }
}

}  // namespace

std::string ToShiftJis(const char* argument) {
    char converted[kMessageSize];
    platform::ArgumentToShiftJis(argument, converted, sizeof converted);
    return converted;
}

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
    if (const char* japanese = ErrorReason(system_error)) {
        char reason[512];
        platform::ToTerminalEncoding(japanese, reason, sizeof reason);
        std::fputs(": ", stderr);
        PutEscaped(stderr, reason);
    } else if (system_error != 0) {
        char reason[256];
        platform::DescribeError(system_error, reason, sizeof reason);
        std::fputs(": ", stderr);
        PutEscaped(stderr, reason);
    }
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

bool OutputFailed(std::FILE* stream) {
    return std::fflush(stream) != 0 || std::ferror(stream) != 0;
}

}  // namespace tsy::cli
