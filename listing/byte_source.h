// Where a listing's bytes come from: a file, read through the platform's
// file functions, or a block of memory (tests, the fuzzer); and the decoding
// that turns a listing saved as UTF-8 or UTF-16 into the Shift-JIS text the
// reader reads, so that every encoding reads alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace tsy {

class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // Reads at most `size` bytes into `buffer`: `*got` is 0 at the end.
    // Returns false on a read error.
    virtual bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) = 0;
};

// The encodings a listing is read in.
enum class TextEncoding : unsigned char {
    ShiftJis,  // no byte order mark, and not UTF-8: read as it is
    Utf8,      // UTF-8 without a byte order mark
    Utf8Bom,   // UTF-8 with its byte order mark (EF BB BF)
    Utf16Le,   // UTF-16 with the mark FF FE
    Utf16Be,   // UTF-16 with the mark FE FF
};

// What the decoding saw of a listing.
struct SourceFacts {
    static constexpr std::size_t kHeadSize = 8;

    TextEncoding encoding = TextEncoding::ShiftJis;
    // Characters with no Shift-JIS form, each read as the substitute "〓".
    std::uint32_t unconvertible = 0;
    // Zero bytes in a listing read as it is (Shift-JIS): a UTF-16 file
    // without its mark, a binary file.
    std::uint32_t zero_bytes = 0;
    // The listing's first bytes as stored (a mark included).
    unsigned char head[kHeadSize] = {};
    std::size_t head_size = 0;
};

// Reads `raw` and gives its text in Shift-JIS: after a byte order mark of
// UTF-16 (either order) or UTF-8, decoded from that encoding; without one,
// decoded from UTF-8 when the text from its first byte above 0x7F on is
// valid UTF-8, else passed on as it is. Every character keeps its place
// (line feeds stay where they were); one with no Shift-JIS form becomes
// "〓" and is counted. Fixed buffers only.
class DecodingByteSource final : public ByteSource {
  public:
    explicit DecodingByteSource(ByteSource& raw) : raw_(raw) {}
    DecodingByteSource(const DecodingByteSource&) = delete;
    DecodingByteSource& operator=(const DecodingByteSource&) = delete;

    bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) override;

    // Starts afresh, for a new listing from the same raw source.
    void Reset();

    const SourceFacts& Facts() const { return facts_; }

  private:
    static constexpr std::size_t kRawSize = 4096;

    enum class Mode : unsigned char { Sniffing, Undecided, AsIs, Utf8, Utf16 };

    // Reads text that needs no decoding straight into `buffer`, at most
    // kRawSize bytes; a byte above 0x7F while undecided and what follows it
    // are left in the raw buffer for the decision.
    bool ReadAsIs(unsigned char* buffer, std::size_t size, std::size_t* got);
    // Moves what is left of raw_ to its front and reads more after it.
    bool Refill();
    // Takes what raw_ holds into out_, as far as whole characters go.
    void Decode();
    void Sniff();
    void DecodeAsIs(std::size_t end);
    void DecodeUndecided();
    void DecodeUtf8();
    void DecodeUtf16();
    void ConvertUnits(std::size_t count);

    ByteSource& raw_;
    Mode mode_ = Mode::Sniffing;
    bool big_endian_ = false;
    bool ended_ = false;
    SourceFacts facts_;
    unsigned char in_[kRawSize];
    std::size_t in_start_ = 0;
    std::size_t in_end_ = 0;
    char16_t units_[kRawSize];
    unsigned char out_[kRawSize * 2];
    std::size_t out_start_ = 0;
    std::size_t out_end_ = 0;
};

// A file opened for reading, closed when the object goes, its text decoded
// as DecodingByteSource decodes it.
class FileByteSource final : public ByteSource {
  public:
    FileByteSource() = default;
    ~FileByteSource() override { Close(); }
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    // Opens `path`; false on failure, Error() then holding the platform's code.
    bool Open(const char* path);
    // Reads `size` bytes held by the caller as the file's bytes, decoded alike.
    void OpenBytes(const unsigned char* bytes, std::size_t size);
    void Close();
    bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) override;

    // The platform's code of the failed open or read.
    std::uint32_t Error() const { return file_.error; }
    const SourceFacts& Facts() const { return decoded_.Facts(); }

  private:
    // The file's bytes as stored. A file is read ahead in blocks larger than
    // the decoding asks for, which are given as if each request were a read
    // of its own: a file gives every request whole until its end.
    struct RawFile final : ByteSource {
        static constexpr std::size_t kAheadSize = 16384;

        bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) override;
        // Drops what was read ahead.
        void Forget() { ahead_start = ahead_end = 0; }

        platform::FileHandle handle = platform::kNoFile;
        std::uint32_t error = 0;
        // Bytes held by the caller, read instead of a file.
        const unsigned char* held = nullptr;
        std::size_t held_size = 0;
        unsigned char ahead[kAheadSize];
        std::size_t ahead_start = 0;
        std::size_t ahead_end = 0;
    };

    RawFile file_;
    DecodingByteSource decoded_{file_};
};

// Where a reading stopped short of its input's end.
enum class InputLimit : unsigned char {
    None,
    TooLarge,     // more than LineSource::kMaxBytes bytes
    EndlessLine,  // a physical line of more than LineSource::kMaxPhysicalLine bytes
};

// A listing that is read more than once (check reads it in every
// convention, --fix twice more): a regular file is opened anew for each
// read; anything else (a pipe, a FIFO, a device) gives its bytes once, so
// Hold reads it whole into memory, up to LineSource::kMaxBytes, and every
// read reads those.
class ListingInput {
  public:
    // Names the listing; nothing is read. Converts from a path, so that a
    // file can be named where a ListingInput is asked for.
    ListingInput(const char* path) : path_(path) {}  // NOLINT: a path names a file

    // Reads a listing that is not a regular file into memory. Returns false
    // when it cannot be opened or read (Error() then holds the platform's
    // code) or passes a limit of LineSource (LimitReached()).
    bool Hold();

    // Opens `reading` at the listing's start; false as FileByteSource::Open.
    bool Open(FileByteSource* reading) const;

    const char* Path() const { return path_; }
    // The listing's bytes as stored when it is held in memory; null for a
    // file, which is read again.
    const std::vector<unsigned char>* HeldBytes() const { return held_ ? &bytes_ : nullptr; }
    std::uint32_t Error() const { return error_; }
    InputLimit LimitReached() const { return limit_; }
    bool OpenFailed() const { return open_failed_; }

  private:
    const char* path_;
    bool held_ = false;
    InputLimit limit_ = InputLimit::None;
    bool open_failed_ = false;
    std::uint32_t error_ = 0;
    std::vector<unsigned char> bytes_;
};

// Bytes held by the caller. With `fail_after` set, a read error comes once
// that many bytes have been given.
class MemoryByteSource final : public ByteSource {
  public:
    static constexpr std::size_t kNever = static_cast<std::size_t>(-1);

    MemoryByteSource(const void* bytes, std::size_t size, std::size_t fail_after = kNever)
        : bytes_(static_cast<const unsigned char*>(bytes)), size_(size), fail_after_(fail_after) {}

    bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) override;

  private:
    const unsigned char* bytes_;
    std::size_t size_;
    std::size_t fail_after_;
    std::size_t position_ = 0;
};

}  // namespace tsy
