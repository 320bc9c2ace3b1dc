// Streams a listing file line by line through a fixed read buffer, reading
// bytes in binary mode and giving them the meaning of a Windows text stream,
// so that every platform reads a listing alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tsy {

class LineSource {
  public:
    // Bytes asked of the file at a time.
    static constexpr std::size_t kReadBufferSize = 16384;

    LineSource() = default;
    ~LineSource() { Close(); }
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // Opens `path` for reading. False on failure; OpenError() then holds the
    // C library's errno of the failed open.
    bool Open(const char* path);
    int OpenError() const { return open_error_; }

    // Closes the file; reading then ends. Harmless when nothing is open.
    void Close();

    // Reads the next line into `line` (kLineBufferSize bytes) and returns its
    // length, 0 once nothing more can be read. Every carriage return is
    // dropped wherever it stands; a 0x1A byte ends the input for good. A line
    // ends after its line feed, which it keeps, or after kMaxLineLength
    // (1023) bytes, the rest of that physical line coming as the next line.
    // The line is zero-terminated; it may hold zero bytes of its own.
    std::size_t Next(char* line);

    // The number, from 1, of the physical line (counted by line feeds) in
    // which the line last returned by Next begins.
    std::uint32_t LineNumber() const { return line_number_; }
    // How many lines Next has returned.
    std::uint32_t LinesReturned() const { return lines_returned_; }
    // Whether the input ended on a read error rather than at its end or a
    // 0x1A byte.
    bool ReadFailed() const { return read_failed_; }

  private:
    // Refills the read buffer; false when no byte came.
    bool Fill();

    std::FILE* file_ = nullptr;
    int open_error_ = 0;
    bool ended_ = true;
    bool read_failed_ = false;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    std::uint32_t line_feeds_ = 0;
    std::uint32_t line_number_ = 0;
    std::uint32_t lines_returned_ = 0;
    unsigned char buffer_[kReadBufferSize];
};

}  // namespace tsy
