#include "listing/line_source.h"

#include "listing/tokens.h"

namespace tsy {
namespace {

constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kLineFeed = 0x0A;
constexpr unsigned char kEndOfText = 0x1A;

}  // namespace

bool LineSource::Fill() {
    if (ended_) {
        return false;
    }
    position_ = 0;
    if (!bytes_.Read(buffer_, sizeof buffer_, &filled_)) {
        filled_ = 0;
        read_failed_ = true;
    }
    if (filled_ == 0) {
        ended_ = true;
        return false;
    }
    return true;
}

std::size_t LineSource::Next(char* line) {
    std::size_t length = 0;
    const std::uint32_t first_line = line_feeds_ + 1;
    while (length < kMaxLineLength) {
        if (position_ == filled_ && !Fill()) {
            break;
        }
        const unsigned char byte = buffer_[position_];
        if (byte == kEndOfText) {
            // Nothing from here on is ever read.
            ended_ = true;
            position_ = filled_ = 0;
            break;
        }
        ++position_;
        if (byte == kCarriageReturn) {
            continue;
        }
        line[length++] = static_cast<char>(byte);
        if (byte == kLineFeed) {
            ++line_feeds_;
            break;
        }
    }
    line[length] = '\0';
    if (length > 0) {
        line_number_ = first_line;
        ++lines_returned_;
    }
    return length;
}

}  // namespace tsy
