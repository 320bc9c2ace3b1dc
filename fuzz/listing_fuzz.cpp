// Feeds arbitrary listings under arbitrary options to ListingReader over a
// small state image, so that stores outside the image are exercised too.
//
// Input: byte 0 holds the options (bit 0 Checksum, 1 AddressSum,
// 2 LowerAddressOnly, 3 OhMzSum, 4 OhXCrc), bytes 1 and 2 the memory offset
// (little-endian, modulo 8192), the rest is the listing.
//
// Besides the sanitizers, every run checks what the reader promises: one
// message per run, of the kind its result names; a report of at most 511
// bytes ending in its E code; no byte below the memory offset changed.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/boxes/result_text.h"
#include "image/state_image.h"
#include "listing/listing_reader.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kImageSize = 6144;
constexpr std::uint32_t kOffsetModulus = 8192;

struct Told {
    int count = 0;
    tsy::platform::MessageKind kind = tsy::platform::MessageKind::Plain;
    std::string text;
};

bool Record(void* context, tsy::platform::MessageKind kind, const char* text) {
    Told* told = static_cast<Told*>(context);
    ++told->count;
    told->kind = kind;
    told->text = text;
    return true;
}

std::string g_state_path;
std::string g_listing_path;
unsigned char g_state[kImageSize];

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "listing_fuzz: %s\n", what);
        std::abort();
    }
}

bool EndsWithCode(const std::string& text, tsy::LineOutcome code) {
    const std::string tail = std::string("(") + tsy::CodeName(code) + ")";
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* dir = std::getenv("TMPDIR");
    const std::string base = std::string(dir != nullptr ? dir : "/tmp") + "/tsy-listing-fuzz-" +
                             std::to_string(static_cast<long>(getpid()));
    g_state_path = base + ".tsy";
    g_listing_path = base + ".txt";
    std::memcpy(g_state, "TSRY\x01\x00", 6);
    for (std::uint32_t i = 6; i < kImageSize; ++i) {
        g_state[i] = static_cast<unsigned char>(i * 7 + 3);
    }
    std::FILE* file = std::fopen(g_state_path.c_str(), "wb");
    Check(file != nullptr && std::fwrite(g_state, 1, kImageSize, file) == kImageSize,
          "cannot write the state file");
    std::fclose(file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    tsy::ListingOptions options;
    options.checksum = (data[0] & 0x01) != 0;
    options.address_sum = (data[0] & 0x02) != 0;
    options.lower_address_only = (data[0] & 0x04) != 0;
    options.ohmz_sum = (data[0] & 0x08) != 0;
    options.ohx_crc = (data[0] & 0x10) != 0;
    const std::uint32_t offset = (data[1] | (data[2] << 8)) % kOffsetModulus;

    std::FILE* file = std::fopen(g_listing_path.c_str(), "wb");
    Check(file != nullptr, "cannot write the listing");
    std::fwrite(data + 3, 1, size - 3, file);
    std::fclose(file);

    Told told;
    tsy::platform::SetMessageSink(&Record, &told);
    tsy::StateImage image;
    Check(image.Load(g_state_path.c_str()), "cannot load the state file");
    image.SetMemoryOffset(offset);
    tsy::LineOutcome code = tsy::LineOutcome::Ignored;
    const tsy::ListingResult result =
        tsy::ListingReader(image, g_listing_path.c_str(), options, &code);
    tsy::platform::SetMessageSink(nullptr, nullptr);

    Check(told.count == 1, "not exactly one message");
    switch (result) {
        case tsy::ListingResult::Completed:
            Check(told.kind == tsy::platform::MessageKind::Information, "completion kind");
            Check(code == tsy::LineOutcome::Accepted, "completion with a code");
            break;
        case tsy::ListingResult::CheckFailed:
            Check(told.kind == tsy::platform::MessageKind::Report, "report kind");
            Check(tsy::IsError(code), "failure without a code");
            Check(std::strlen(tsy::ResultText) <= 511, "report too long");
            Check(told.text == tsy::ResultText, "report is not ResultText");
            Check(EndsWithCode(told.text, code), "report does not end in its code");
            break;
        case tsy::ListingResult::OpenFailed:
        case tsy::ListingResult::NoImage:
            Check(false, "unexpected result");
            break;
    }
    Check(image.Size() == kImageSize, "image size changed");
    const std::uint32_t kept = offset < kImageSize ? offset : kImageSize;
    Check(std::memcmp(image.Bytes(), g_state, kept) == 0, "a byte below the offset changed");
    return 0;
}
