// Streams a listing line by line through a fixed read buffer, reading bytes
// as they are and giving them the meaning of a Windows text stream, so that
// every platform reads a listing alike.
#pragma once

#include <cstddef>
#include <cstdint>

#include "listing/byte_source.h"

namespace tsy {

class LineSource {
  public:
    // Bytes asked of the source at a time.
    static constexpr std::size_t kReadBufferSize = 16384;
    // No listing of a real program comes near these: an input that passes
    // one (a device that never ends, a runaway pipe, a file that is no
    // listing) is read no further.
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{256} << 20;
    static constexpr std::uint64_t kMaxPhysicalLine = std::uint64_t{1} << 20;

    // Reads from `bytes`, which must outlive the line source.
    explicit LineSource(ByteSource& bytes) : bytes_(bytes) {}
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // Reads the next line into `line` (kLineBufferSize bytes) and returns its
    // length, 0 once nothing more can be read. Every carriage return is
    // dropped wherever it stands; a 0x1A byte ends the input for good. A line
    // ends after its line feed, which it keeps, or after kMaxLineLength
    // (1023) bytes, the rest of that physical line coming as the next line.
    // The line is zero-terminated; it may hold zero bytes of its own.
    std::size_t Next(char* line);
    // Next, and the line's copy as UpperCaseLine makes it into `upper`
    // (kLineBufferSize bytes), its length in `upper_length`. The common
    // line is copied and upper-cased in the pass that finds its end.
    std::size_t Next(char* line, char* upper, std::size_t* upper_length);

    // The number, from 1, of the physical line (counted by line feeds) in
    // which the line last returned by Next begins.
    std::uint32_t LineNumber() const { return line_number_; }
    // How many lines Next has returned.
    std::uint32_t LinesReturned() const { return lines_returned_; }
    // Whether the input ended on a read error rather than at its end or a
    // 0x1A byte.
    bool ReadFailed() const { return read_failed_; }
    // The limit that ended the input, if any: Next then returns 0 as at its
    // end, the rest unread.
    InputLimit LimitReached() const { return limit_; }

  private:
    // Refills the read buffer; false when no byte came.
    bool Fill();
    // Reads a line that lies whole in the buffer and ends in LF or CR LF
    // (the common line) into `line`; returns its length, 0 when the line is
    // of another kind and nothing was taken.
    std::size_t TakeWholeLine(char* line);
    // TakeWholeLine for a line without zero bytes, copied to `line` and
    // upper-cased into `upper` at once; 0, with nothing taken, for a line of
    // another kind or where the processor has no SSE2.
    std::size_t TakeWholeLineUpperCased(char* line, char* upper);

    ByteSource& bytes_;
    bool ended_ = false;
    bool read_failed_ = false;
    InputLimit limit_ = InputLimit::None;
    std::uint64_t total_ = 0;     // bytes taken from the source
    std::uint64_t physical_ = 0;  // bytes since the last line feed
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    std::size_t end_of_text_ = 0;  // where the first 0x1A byte of the buffer lies, else filled_
    std::uint32_t line_feeds_ = 0;
    std::uint32_t line_number_ = 0;
    std::uint32_t lines_returned_ = 0;
    unsigned char buffer_[kReadBufferSize];
};

}  // namespace tsy
