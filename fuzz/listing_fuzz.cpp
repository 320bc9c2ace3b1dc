// Feeds arbitrary listings under arbitrary options to the listing reader over
// a small state image, so that stores outside the image are exercised too,
// and to the proofreader.
//
// Input: byte 0 holds the options (bit 0 Checksum, 1 AddressSum,
// 2 LowerAddressOnly, 3 OhMzSum, 4 OhXCrc), bytes 1 and 2 the memory offset
// (little-endian, modulo 8192), the rest is the listing, read from memory.
//
// Besides the sanitizers, every run checks what the reader promises: a
// message of the kind its result names; a report of at most 511 bytes ending
// in its E code; no byte below the memory offset changed. And what the
// proofreader promises: a listing the reader takes whole has no finding with
// an E code, and one it refuses has one (unless only the image's size
// refused it); the findings without an E code are told apart by their kind.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/state_image.h"
#include "listing/byte_source.h"
#include "listing/listing_reader.h"
#include "proof/listing_check.h"

namespace {

constexpr std::uint32_t kImageSize = 6144;
constexpr std::uint32_t kOffsetModulus = 8192;

std::string g_state_path;
unsigned char g_state[kImageSize];

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "listing_fuzz: %s\n", what);
        std::abort();
    }
}

// Counts the findings with an E code; every other finding (a skipped line,
// an address step, a look-alike, a note) must carry none, and findings come
// in listing order.
class Errors : public tsy::proof::FindingSink {
  public:
    void Report(const tsy::proof::Finding& finding) override {
        const bool refusal = finding.kind == tsy::proof::FindingKind::Refusal;
        Check(tsy::IsError(finding.code) == refusal, "a finding's kind and its code disagree");
        Check(finding.line_number >= last_line, "findings out of listing order");
        last_line = finding.line_number;
        if (refusal) {
            ++count;
        }
    }
    int count = 0;
    std::uint32_t last_line = 0;
};

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

    tsy::StateImage image;
    Check(image.Load(g_state_path.c_str()).status == tsy::LoadStatus::Loaded,
          "cannot load the state file");
    image.SetMemoryOffset(offset);
    tsy::MemoryByteSource listing(data + 3, size - 3);
    const tsy::ListingResult result = tsy::ReadListing(image, listing, options);
    const std::string text = result.message.text;

    switch (result.status) {
        case tsy::ListingStatus::Completed:
            Check(result.message.kind == tsy::MessageKind::Information, "completion kind");
            Check(result.stopped_by == tsy::LineOutcome::Accepted, "completion with a code");
            break;
        case tsy::ListingStatus::CheckFailed:
            Check(result.message.kind == tsy::MessageKind::Report, "report kind");
            Check(tsy::IsError(result.stopped_by), "failure without a code");
            Check(text.size() <= 511, "report too long");
            Check(EndsWithCode(text, result.stopped_by), "report does not end in its code");
            break;
        case tsy::ListingStatus::OpenFailed:
        case tsy::ListingStatus::ReadFailed:
        case tsy::ListingStatus::TooLarge:
        case tsy::ListingStatus::NoImage:
            Check(false, "unexpected result");
            break;
    }
    Check(image.Size() == kImageSize, "image size changed");
    const std::uint32_t kept = offset < kImageSize ? offset : kImageSize;
    Check(std::memcmp(image.Bytes(), g_state, kept) == 0, "a byte below the offset changed");

    tsy::MemoryByteSource again(data + 3, size - 3);
    Errors errors;
    tsy::proof::CheckListing(again, options, &errors);
    if (result.status == tsy::ListingStatus::Completed) {
        Check(errors.count == 0, "a finding in a listing the reader takes");
    } else if (result.stopped_by != tsy::LineOutcome::E09) {
        Check(errors.count > 0, "no finding in a listing the reader refuses");
    }
    return 0;
}
