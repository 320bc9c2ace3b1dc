#include "cli/diff.h"

#include "cli/terminal.h"
#include "resources/cli_texts.h"

namespace tsy::cli {
namespace {

constexpr std::uint32_t kRowBytes = 8;

void PrintBytes(std::FILE* out, const unsigned char* bytes, std::uint32_t count, bool pad) {
    for (std::uint32_t i = 0; i < count; ++i) {
        std::fprintf(out, i == 0 ? "%02X" : " %02X", bytes[i]);
    }
    // Pad a short row so that the arrows line up.
    for (std::uint32_t i = count; pad && i < kRowBytes; ++i) {
        std::fputs("   ", out);
    }
}

}  // namespace

std::uint32_t PrintDiff(std::FILE* out, const unsigned char* before, const unsigned char* after,
                        std::uint32_t size, std::uint32_t memory_offset, std::uint32_t written) {
    std::uint64_t end = static_cast<std::uint64_t>(memory_offset) + 0x10000;
    if (end > size) {
        end = size;
    }
    std::uint32_t changed = 0;
    bool heading = false;
    std::uint64_t at = memory_offset;
    while (at < end) {
        if (before[at] == after[at]) {
            ++at;
            continue;
        }
        // A range runs on over unchanged bytes while the next change is
        // less than a row away, so that nearby changes share their rows.
        std::uint64_t range_end = at + 1;
        for (std::uint64_t next = range_end; next < end && next < range_end + kRowBytes; ++next) {
            if (before[next] != after[next]) {
                range_end = next + 1;
            }
        }
        if (!heading) {
            PrintText(out, text::kCliDiffHeading);
            heading = true;
        }
        for (std::uint64_t row = at; row < range_end; row += kRowBytes) {
            std::uint32_t count = static_cast<std::uint32_t>(
                range_end - row < kRowBytes ? range_end - row : kRowBytes);
            std::fprintf(out, "%04X: ", static_cast<unsigned>(row - memory_offset));
            PrintBytes(out, before + row, count, true);
            std::fputs(" -> ", out);
            PrintBytes(out, after + row, count, false);
            std::fputc('\n', out);
        }
        for (; at < range_end; ++at) {
            changed += before[at] != after[at] ? 1 : 0;
        }
    }
    char line[128];
    TextOut to(line, sizeof line);
    if (changed == 0) {
        text::CliDiffNoChange(to, static_cast<unsigned>(written));
    } else {
        text::CliDiffCounts(to, static_cast<unsigned>(written), static_cast<unsigned>(changed));
    }
    PrintText(out, line);
    return changed;
}

}  // namespace tsy::cli
