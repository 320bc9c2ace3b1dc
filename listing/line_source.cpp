#include "listing/line_source.h"

#include <cerrno>

#include "listing/tokens.h"

namespace tsy {
namespace {

constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kLineFeed = 0x0A;
constexpr unsigned char kEndOfText = 0x1A;

}  // namespace

bool LineSource::Open(const char* path) {
    Close();
    errno = 0;
    file_ = std::fopen(path, "rb");
    if (file_ == nullptr) {
        open_error_ = errno;
        return false;
    }
    open_error_ = 0;
    ended_ = false;
    read_failed_ = false;
    position_ = filled_ = 0;
    line_feeds_ = line_number_ = lines_returned_ = 0;
    return true;
}

void LineSource::Close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    ended_ = true;
}

bool LineSource::Fill() {
    if (ended_) {
        return false;
    }
    filled_ = std::fread(buffer_, 1, sizeof buffer_, file_);
    position_ = 0;
    if (filled_ == 0) {
        read_failed_ = std::ferror(file_) != 0;
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
