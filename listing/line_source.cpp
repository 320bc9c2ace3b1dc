#include "listing/line_source.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "listing/tokens.h"

namespace tsy {
namespace {

constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kLineFeed = 0x0A;
constexpr unsigned char kEndOfText = 0x1A;

// Copies `count` bytes to `to` without their carriage returns; returns how
// many were copied. A line holds one at most, before its line feed.
std::size_t CopyWithoutReturns(const unsigned char* from, std::size_t count, char* to) {
    // The common end of a line, CR LF: the CR is left out at once, so that
    // the rest is searched once.
    if (count >= 2 && from[count - 2] == kCarriageReturn && from[count - 1] == kLineFeed) {
        const std::size_t copied = CopyWithoutReturns(from, count - 2, to);
        to[copied] = static_cast<char>(kLineFeed);
        return copied + 1;
    }
    std::size_t copied = 0;
    while (count > 0) {
        const void* found = std::memchr(from, kCarriageReturn, count);
        const std::size_t run =
            found != nullptr
                ? static_cast<std::size_t>(static_cast<const unsigned char*>(found) - from)
                : count;
        std::memcpy(to + copied, from, run);
        copied += run;
        if (found == nullptr) {
            break;
        }
        from += run + 1;
        count -= run + 1;
    }
    return copied;
}

// The index of the first carriage return or line feed among `count` bytes,
// `count` when there is none.
std::size_t FirstReturnOrFeed(const unsigned char* bytes, std::size_t count) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8(static_cast<char>(kLineFeed));
    const __m128i carriage_return = _mm_set1_epi8(static_cast<char>(kCarriageReturn));
    for (; i + 16 <= count; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const int found = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(block, feed), _mm_cmpeq_epi8(block, carriage_return)));
        if (found != 0) {
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
        }
    }
#endif
    for (; i < count; ++i) {
        if (bytes[i] == kLineFeed || bytes[i] == kCarriageReturn) {
            return i;
        }
    }
    return count;
}

}  // namespace

std::size_t LineSource::TakeWholeLine(char* line) {
    // The common line lies whole in the buffer before any 0x1A byte and ends
    // in LF or CR LF, with no other carriage return: one search finds its end.
    const unsigned char* run = buffer_ + position_;
    const std::size_t left = filled_ - position_;
    const std::size_t count = left < kMaxLineLength ? left : kMaxLineLength;
    const std::size_t end = FirstReturnOrFeed(run, count);
    std::size_t taken = 0;  // bytes of the buffer the line takes
    if (end < count && run[end] == kLineFeed) {
        taken = end + 1;
    } else if (end + 1 < count && run[end + 1] == kLineFeed) {
        taken = end + 2;  // a carriage return, then the line feed
    }
    if (taken == 0 || end_of_text_ < position_ + taken) {
        return 0;
    }
    std::memcpy(line, run, end);
    line[end] = static_cast<char>(kLineFeed);
    position_ += taken;
    ++line_feeds_;
    physical_ = 0;
    return end + 1;
}

std::size_t LineSource::TakeWholeLineUpperCased(char* line, char* upper) {
#if defined(__SSE2__)
    const unsigned char* run = buffer_ + position_;
    const std::size_t left = filled_ - position_;
    const std::size_t count = left < kMaxLineLength ? left : kMaxLineLength;
    // Sixteen bytes at a time copied as they are and upper-cased (as
    // UpperCaseLine does), until a line feed, carriage return or zero byte
    // is among them; the bytes copied past it are never read. Whole blocks
    // only, so that nothing is written past `count`.
    const __m128i feed = _mm_set1_epi8(static_cast<char>(kLineFeed));
    const __m128i carriage_return = _mm_set1_epi8(static_cast<char>(kCarriageReturn));
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_set1_epi8('a');
    const __m128i z_offset = _mm_set1_epi8(25);
    const __m128i case_bit = _mm_set1_epi8(0x20);
    std::size_t end = count;
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(run + i));
        const __m128i offset = _mm_sub_epi8(bytes, a);
        const __m128i lower = _mm_cmpeq_epi8(_mm_min_epu8(offset, z_offset), offset);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + i), bytes);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(upper + i),
                         _mm_xor_si128(bytes, _mm_and_si128(lower, case_bit)));
        const int found = _mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, feed), _mm_cmpeq_epi8(bytes, zero)),
                         _mm_cmpeq_epi8(bytes, carriage_return)));
        if (found != 0) {
            end = i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
            break;
        }
    }
    for (; end == count && i < count; ++i) {
        const unsigned char c = run[i];
        if (c == kLineFeed || c == kCarriageReturn || c == 0) {
            end = i;
            break;
        }
        line[i] = static_cast<char>(c);
        upper[i] = static_cast<char>(static_cast<unsigned char>(c - 'a') < 26 ? c - 0x20 : c);
    }
    std::size_t taken = 0;  // bytes of the buffer the line takes
    if (end < count && run[end] == kLineFeed) {
        taken = end + 1;
    } else if (end + 1 < count && run[end] == kCarriageReturn && run[end + 1] == kLineFeed) {
        taken = end + 2;  // a carriage return, then the line feed
    }
    if (taken == 0 || end_of_text_ < position_ + taken) {
        return 0;
    }
    line[end] = upper[end] = static_cast<char>(kLineFeed);
    line[end + 1] = upper[end + 1] = '\0';
    position_ += taken;
    ++line_feeds_;
    physical_ = 0;
    return end + 1;
#else
    static_cast<void>(line);
    static_cast<void>(upper);
    return 0;
#endif
}

bool LineSource::Fill() {
    if (ended_) {
        return false;
    }
    position_ = 0;
    if (!bytes_.Read(buffer_, sizeof buffer_, &filled_)) {
        filled_ = 0;
        read_failed_ = true;
    }
    total_ += filled_;
    if (total_ > kMaxBytes) {
        limit_ = InputLimit::TooLarge;
        filled_ = 0;
    }
    if (filled_ == 0) {
        ended_ = true;
        return false;
    }
    const void* end = std::memchr(buffer_, kEndOfText, filled_);
    end_of_text_ = end != nullptr
                       ? static_cast<std::size_t>(static_cast<const unsigned char*>(end) - buffer_)
                       : filled_;
    return true;
}

std::size_t LineSource::Next(char* line) {
    const std::uint32_t first_line = line_feeds_ + 1;
    std::size_t length = position_ < filled_ ? TakeWholeLine(line) : 0;
    const bool whole = length != 0;
    // Otherwise a run of the buffer at a time: up to the line feed, the end
    // of text, or what the line has room for, carriage returns dropped.
    while (!whole && length < kMaxLineLength) {
        if (position_ == filled_ && !Fill()) {
            break;
        }
        const unsigned char* run = buffer_ + position_;
        std::size_t count = filled_ - position_;
        if (count > kMaxLineLength - length) {
            count = kMaxLineLength - length;
        }
        const void* feed = std::memchr(run, kLineFeed, count);
        if (feed != nullptr) {
            count = static_cast<std::size_t>(static_cast<const unsigned char*>(feed) - run) + 1;
        }
        if (end_of_text_ < position_ + count) {
            // Nothing from here on is ever read.
            const std::size_t before = end_of_text_ - position_;
            length += CopyWithoutReturns(run, before, line + length);
            ended_ = true;
            position_ = filled_ = 0;
            break;
        }
        length += CopyWithoutReturns(run, count, line + length);
        position_ += count;
        if (feed != nullptr) {
            ++line_feeds_;
            physical_ = 0;
            break;
        }
        physical_ += count;
        if (physical_ > kMaxPhysicalLine) {
            limit_ = InputLimit::EndlessLine;
            ended_ = true;
            position_ = filled_ = 0;
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

std::size_t LineSource::Next(char* line, char* upper, std::size_t* upper_length) {
    const std::uint32_t first_line = line_feeds_ + 1;
    const std::size_t whole = position_ < filled_ ? TakeWholeLineUpperCased(line, upper) : 0;
    if (whole != 0) {
        line_number_ = first_line;
        ++lines_returned_;
        *upper_length = whole;
        return whole;
    }
    const std::size_t length = Next(line);
    *upper_length = UpperCaseLine(line, length, upper);
    return length;
}

}  // namespace tsy
