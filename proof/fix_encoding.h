// check --fix on a listing saved as UTF-8 or UTF-16: the fixed listing is
// written in the encoding the listing was saved in, with its byte order
// mark, not in the Shift-JIS the reader read it as. Every character the
// corrections write is ASCII; every other character comes from the listing,
// so each goes back to the very bytes it was read from.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "listing/byte_source.h"
#include "proof/fix.h"

namespace tsy::proof {

// A ByteSink that turns the Shift-JIS text written to it back into
// `encoding` and passes it on to `out`. Shift-JIS is passed on as it is.
class EncodingSink final : public ByteSink {
  public:
    EncodingSink(TextEncoding encoding, ByteSink* out) : encoding_(encoding), out_(out) {}

    // Reads the listing as stored (`raw`, its mark included) and learns
    // which stored bytes each of its characters was read from; where two
    // characters read alike, the first seen is kept. False on a read error.
    bool Learn(ByteSource& raw);

    bool Write(const char* bytes, std::size_t size) override;

    // Whether a character written was none the listing held (then written
    // as "?"); false after a fix that only put ASCII in.
    bool Unknown() const { return unknown_; }

  private:
    bool Utf16() const {
        return encoding_ == TextEncoding::Utf16Le || encoding_ == TextEncoding::Utf16Be;
    }
    // Adds a character of `count` UTF-16 units, stored as `stored`.
    void Keep(const char16_t* units, std::size_t count, const std::string& stored);
    // The stored form of ASCII character `c`.
    void PutAscii(unsigned char c, std::string* out) const;

    TextEncoding encoding_;
    ByteSink* out_;
    std::map<std::string, std::string> stored_;  // Shift-JIS character -> its stored bytes
    std::string mark_;                           // the byte order mark, written first
    bool started_ = false;
    int lead_ = -1;  // a Shift-JIS lead byte whose trail byte is still to come
    bool unknown_ = false;
};

}  // namespace tsy::proof
