#include "listing/byte_source.h"

#include <cstring>

#include "listing/line_source.h"
#include "platform/text.h"

namespace tsy {
namespace {

constexpr char32_t kReplacement = 0xFFFD;  // has no Shift-JIS form: read as "〓"

// The bytes from the first one above 0x7F on that decide whether a listing
// without a mark is UTF-8 (fewer only at its end).
constexpr std::size_t kDecideSize = 64;

// The length of the UTF-8 sequence at `p` (`n` bytes at hand) and its code
// point: 0 when it may go on past the bytes at hand, -1 when it is no valid
// sequence (an overlong form, a surrogate, a stray continuation byte).
int Utf8Sequence(const unsigned char* p, std::size_t n, char32_t* code_point) {
    const unsigned char lead = p[0];
    if (lead < 0x80) {
        *code_point = lead;
        return 1;
    }
    int length = 0;
    unsigned char low = 0x80;  // the bounds of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return -1;
    }
    char32_t value = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= n) {
            return 0;
        }
        const unsigned char c = p[i];
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) {
            return -1;
        }
        value = (value << 6) | (c & 0x3F);
    }
    *code_point = value;
    return length;
}

// Whether `n` bytes are UTF-8 throughout; a sequence cut off at the end
// counts only while more may follow.
bool IsUtf8(const unsigned char* p, std::size_t n, bool more_follow) {
    for (std::size_t at = 0; at < n;) {
        char32_t code_point = 0;
        const int length = Utf8Sequence(p + at, n - at, &code_point);
        if (length < 0 || (length == 0 && !more_follow)) {
            return false;
        }
        if (length == 0) {
            break;
        }
        at += static_cast<std::size_t>(length);
    }
    return true;
}

// Appends a code point as UTF-16 units.
std::size_t PutUnits(char32_t code_point, char16_t* units) {
    if (code_point < 0x10000) {
        units[0] = static_cast<char16_t>(code_point);
        return 1;
    }
    code_point -= 0x10000;
    units[0] = static_cast<char16_t>(0xD800 + (code_point >> 10));
    units[1] = static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
    return 2;
}

}  // namespace

void DecodingByteSource::Reset() {
    mode_ = Mode::Sniffing;
    big_endian_ = false;
    ended_ = false;
    facts_ = SourceFacts{};
    in_start_ = in_end_ = 0;
    out_start_ = out_end_ = 0;
}

bool DecodingByteSource::ReadAsIs(unsigned char* buffer, std::size_t size, std::size_t* got) {
    if (!raw_.Read(buffer, size < kRawSize ? size : kRawSize, got)) {
        return false;
    }
    for (std::size_t i = 0; i < *got && facts_.head_size < SourceFacts::kHeadSize; ++i) {
        facts_.head[facts_.head_size++] = buffer[i];
    }
    if (*got == 0) {
        ended_ = true;
        return true;
    }
    std::size_t ascii = *got;
    if (mode_ == Mode::Undecided) {
        // Sixty-four bytes at a time, then eight, while none has its high
        // bit set.
        constexpr std::uint64_t kHighBits = 0x8080808080808080u;
        std::size_t i = 0;
        for (; i + 64 <= *got; i += 64) {
            std::uint64_t words[8];
            std::memcpy(words, buffer + i, sizeof words);
            const std::uint64_t gathered = words[0] | words[1] | words[2] | words[3] | words[4] |
                                           words[5] | words[6] | words[7];
            if ((gathered & kHighBits) != 0) {
                break;
            }
        }
        for (std::uint64_t word; i + 8 <= *got; i += 8) {
            std::memcpy(&word, buffer + i, 8);
            if ((word & kHighBits) != 0) {
                break;
            }
        }
        while (i < *got && buffer[i] < 0x80) {
            ++i;
        }
        ascii = i;
    }
    for (const unsigned char* zero = buffer;
         (zero = static_cast<const unsigned char*>(
              std::memchr(zero, 0, static_cast<std::size_t>(buffer + ascii - zero)))) != nullptr;
         ++zero) {
        ++facts_.zero_bytes;
    }
    if (ascii < *got) {
        // The rest waits for the decision, as if read into the raw buffer.
        std::memcpy(in_, buffer + ascii, *got - ascii);
        in_start_ = 0;
        in_end_ = *got - ascii;
        *got = ascii;
    }
    return true;
}

bool DecodingByteSource::Read(unsigned char* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    // Text read as it is (ASCII so far, or Shift-JIS) goes straight to the
    // caller's buffer, the common case.
    if ((mode_ == Mode::Undecided || mode_ == Mode::AsIs) && in_start_ == in_end_ &&
        out_start_ == out_end_ && !ended_) {
        if (!ReadAsIs(buffer, size, got)) {
            return false;
        }
        if (*got > 0 || ended_) {
            return true;
        }
    }
    while (out_start_ == out_end_) {
        if (!ended_ && !Refill()) {
            return false;
        }
        if (in_start_ == in_end_ && ended_) {
            return true;
        }
        out_start_ = out_end_ = 0;
        Decode();
    }
    const std::size_t n = size < out_end_ - out_start_ ? size : out_end_ - out_start_;
    std::memcpy(buffer, out_ + out_start_, n);
    out_start_ += n;
    *got = n;
    return true;
}

bool DecodingByteSource::Refill() {
    std::memmove(in_, in_ + in_start_, in_end_ - in_start_);
    in_end_ -= in_start_;
    in_start_ = 0;
    std::size_t got = 0;
    if (!raw_.Read(in_ + in_end_, kRawSize - in_end_, &got)) {
        return false;
    }
    if (got == 0) {
        ended_ = true;
    }
    for (std::size_t i = 0; i < got && facts_.head_size < SourceFacts::kHeadSize; ++i) {
        facts_.head[facts_.head_size++] = in_[in_end_ + i];
    }
    in_end_ += got;
    return true;
}

void DecodingByteSource::Decode() {
    switch (mode_) {
        case Mode::Sniffing:
            Sniff();
            break;
        case Mode::Undecided:
            DecodeUndecided();
            break;
        case Mode::AsIs:
            DecodeAsIs(in_end_);
            break;
        case Mode::Utf8:
            DecodeUtf8();
            break;
        case Mode::Utf16:
            DecodeUtf16();
            break;
    }
}

void DecodingByteSource::Sniff() {
    const std::size_t n = in_end_ - in_start_;
    if (n < 3 && !ended_) {
        return;  // a mark may still come whole
    }
    const unsigned char* p = in_ + in_start_;
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        big_endian_ = p[0] == 0xFE;
        facts_.encoding = big_endian_ ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
        mode_ = Mode::Utf16;
        in_start_ += 2;
    } else if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        facts_.encoding = TextEncoding::Utf8Bom;
        mode_ = Mode::Utf8;
        in_start_ += 3;
    } else {
        mode_ = Mode::Undecided;
    }
    Decode();
}

void DecodingByteSource::DecodeAsIs(std::size_t end) {
    for (std::size_t i = in_start_; i < end; ++i) {
        facts_.zero_bytes += in_[i] == 0 ? 1 : 0;
    }
    std::memcpy(out_ + out_end_, in_ + in_start_, end - in_start_);
    out_end_ += end - in_start_;
    in_start_ = end;
}

void DecodingByteSource::DecodeUndecided() {
    std::size_t first = in_start_;
    while (first < in_end_ && in_[first] < 0x80) {
        ++first;
    }
    // ASCII reads alike in every encoding without a mark.
    DecodeAsIs(first);
    if (first == in_end_ || (!ended_ && in_end_ - first < kDecideSize)) {
        return;  // the decision waits for text enough to judge by
    }
    if (IsUtf8(in_ + first, in_end_ - first, !ended_)) {
        facts_.encoding = TextEncoding::Utf8;
        mode_ = Mode::Utf8;
        DecodeUtf8();
    } else {
        mode_ = Mode::AsIs;
        DecodeAsIs(in_end_);
    }
}

void DecodingByteSource::DecodeUtf8() {
    std::size_t count = 0;
    while (in_start_ < in_end_) {
        char32_t code_point = 0;
        const int length = Utf8Sequence(in_ + in_start_, in_end_ - in_start_, &code_point);
        if (length == 0 && !ended_) {
            break;  // the rest of the character comes with the next read
        }
        if (length <= 0) {
            code_point = kReplacement;
        }
        in_start_ += length > 0 ? static_cast<std::size_t>(length) : 1;
        count += PutUnits(code_point, units_ + count);
    }
    ConvertUnits(count);
}

void DecodingByteSource::DecodeUtf16() {
    std::size_t count = 0;
    while (in_end_ - in_start_ >= 2) {
        const unsigned char* p = in_ + in_start_;
        const char16_t unit = big_endian_ ? static_cast<char16_t>(p[0] << 8 | p[1])
                                          : static_cast<char16_t>(p[1] << 8 | p[0]);
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && in_end_ - in_start_ < 4 && !ended_) {
            break;  // its pair comes with the next read
        }
        units_[count++] = unit;
        in_start_ += 2;
    }
    if (ended_ && in_start_ < in_end_) {
        units_[count++] = static_cast<char16_t>(kReplacement);  // a last odd byte
        in_start_ = in_end_;
    }
    ConvertUnits(count);
}

void DecodingByteSource::ConvertUnits(std::size_t count) {
    out_end_ += platform::Utf16ToShiftJis(units_, count, reinterpret_cast<char*>(out_ + out_end_),
                                          &facts_.unconvertible);
}

bool FileByteSource::Open(const char* path) {
    Close();
    decoded_.Reset();
    file_.handle = platform::OpenForReading(path);
    if (file_.handle == platform::kNoFile) {
        file_.error = platform::LastError();
        return false;
    }
    file_.error = 0;
    return true;
}

void FileByteSource::OpenBytes(const unsigned char* bytes, std::size_t size) {
    Close();
    decoded_.Reset();
    file_.held = bytes;
    file_.held_size = size;
    file_.error = 0;
}

void FileByteSource::Close() {
    file_.Forget();
    platform::Close(file_.handle);
    file_.handle = platform::kNoFile;
    file_.held = nullptr;
    file_.held_size = 0;
}

bool FileByteSource::Read(unsigned char* buffer, std::size_t size, std::size_t* got) {
    return decoded_.Read(buffer, size, got);
}

bool FileByteSource::RawFile::Read(unsigned char* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (held != nullptr) {
        *got = size < held_size ? size : held_size;
        std::memcpy(buffer, held, *got);
        held += *got;
        held_size -= *got;
        return true;
    }
    if (handle == platform::kNoFile) {
        return true;
    }
    constexpr std::size_t kMostAtOnce = 1u << 30;
    if (size > kMostAtOnce) {
        size = kMostAtOnce;
    }
    // From what was read ahead, then from blocks read ahead anew, until the
    // request is whole or the file gives no more.
    while (*got < size) {
        if (ahead_start == ahead_end) {
            std::uint32_t arrived = 0;
            if (size - *got >= kAheadSize ||
                !platform::ReadSome(handle, ahead, kAheadSize, &arrived)) {
                // A large request, or a block that failed: read as asked, so
                // that an error comes where a read of this request meets it,
                // and fails the request whole.
                if (!platform::ReadSome(handle, buffer + *got,
                                        static_cast<std::uint32_t>(size - *got), &arrived)) {
                    error = platform::LastError();
                    *got = 0;
                    return false;
                }
                *got += arrived;
                return true;
            }
            ahead_start = 0;
            ahead_end = arrived;
            if (arrived == 0) {
                break;
            }
        }
        const std::size_t n =
            size - *got < ahead_end - ahead_start ? size - *got : ahead_end - ahead_start;
        std::memcpy(buffer + *got, ahead + ahead_start, n);
        ahead_start += n;
        *got += n;
    }
    return true;
}

bool MemoryByteSource::Read(unsigned char* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (position_ >= fail_after_) {
        return false;
    }
    std::size_t left = size_ - position_;
    if (fail_after_ != kNever && fail_after_ - position_ < left) {
        left = fail_after_ - position_;
    }
    const std::size_t n = size < left ? size : left;
    if (n > 0) {
        std::memcpy(buffer, bytes_ + position_, n);
    }
    position_ += n;
    *got = n;
    return true;
}

bool ListingInput::Hold() {
    // A file, or a name that is none: each read opens it as it is.
    platform::FileInfo info;
    if (!platform::InspectPath(path_, &info) || info.kind != platform::FileKind::Other) {
        return true;
    }
    const platform::FileHandle file = platform::OpenForReading(path_);
    if (file == platform::kNoFile) {
        error_ = platform::LastError();
        open_failed_ = true;
        return false;
    }
    constexpr std::size_t kChunk = 1u << 16;
    bool ok = true;
    std::uint64_t physical = 0;  // bytes since the last line feed
    for (;;) {
        const std::size_t size = bytes_.size();
        if (size > LineSource::kMaxBytes || physical > LineSource::kMaxPhysicalLine) {
            limit_ = size > LineSource::kMaxBytes ? InputLimit::TooLarge : InputLimit::EndlessLine;
            ok = false;
            break;
        }
        bytes_.resize(size + kChunk);
        std::uint32_t arrived = 0;
        if (!platform::ReadSome(file, bytes_.data() + size, kChunk, &arrived)) {
            error_ = platform::LastError();
            ok = false;
        }
        bytes_.resize(size + arrived);
        if (!ok || arrived == 0) {
            break;
        }
        const unsigned char* feed = nullptr;
        for (std::size_t i = size + arrived; i > size && feed == nullptr; --i) {
            feed = bytes_[i - 1] == '\n' ? &bytes_[i - 1] : nullptr;
        }
        physical = feed != nullptr
                       ? static_cast<std::uint64_t>(bytes_.data() + bytes_.size() - feed - 1)
                       : physical + arrived;
    }
    platform::Close(file);
    if (!ok) {
        bytes_.clear();
        bytes_.shrink_to_fit();
        return false;
    }
    held_ = true;
    return true;
}

bool ListingInput::Open(FileByteSource* reading) const {
    if (held_) {
        reading->OpenBytes(bytes_.data(), bytes_.size());
        return true;
    }
    return reading->Open(path_);
}

}  // namespace tsy
