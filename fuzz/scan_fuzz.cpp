// Feeds the scan's stages after recognition (shape groups, layout, labels
// solved from the sums, decoding) with pages of glyph readings made from
// arbitrary bytes, without the engine.
//
// Input: byte 0 holds the options (bit 0 Checksum, 1 AddressSum,
// 2 LowerAddressOnly, 3 OhMzSum, 4 OhXCrc); then the page, a cell at a
// time: a character byte, then a byte whose bits 0-1 count the other
// readings that follow it, bits 2-5 its confidence, bit 6 a glyph drawn as
// the next character's shape (the engine misread it) and bit 7 an empty
// column before it. A character byte 0xFF ends the row.
//
// Besides the sanitizers, every run checks what the front ends rely on: the
// counts agree with the rows, every doubt and correction names a row there
// is, and a page reported wholly verified is a listing the reader takes
// without an E code.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "listing/byte_source.h"
#include "proof/listing_check.h"
#include "scan/recognizer.h"
#include "scan/scan_images.h"
#include "scan/shapes.h"

namespace {

using tsy::scan::Choice;
using tsy::scan::Shape;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "scan_fuzz: %s\n", what);
        std::abort();
    }
}

// What a listing page holds, and a few look-alikes and marks besides.
constexpr char kCharacters[] = "0123456789ABCDEF:-()[]SUMOIlBGZ.;,=+*/ ";
constexpr int kCharacterCount = sizeof kCharacters - 1;
constexpr std::size_t kMaxRows = 96;
constexpr std::size_t kMaxCells = 48;

// One fixed shape per character: a pattern of its own, so that the glyphs
// of one character group together and those of two never do.
const Shape& ShapeOf(int character) {
    static std::vector<Shape> shapes = [] {
        std::vector<Shape> made(kCharacterCount);
        std::uint32_t seed = 2463534242u;
        for (Shape& shape : made) {
            for (float& value : shape) {
                seed ^= seed << 13;
                seed ^= seed >> 17;
                seed ^= seed << 5;
                value = static_cast<float>(seed % 1000) / 1000.0f;
            }
            tsy::scan::NormalizeShape(&shape);
        }
        return made;
    }();
    return shapes[static_cast<std::size_t>(character)];
}

tsy::ListingOptions OptionsFrom(std::uint8_t bits) {
    tsy::ListingOptions options;
    options.checksum = (bits & 1) != 0;
    options.address_sum = (bits & 2) != 0;
    options.lower_address_only = (bits & 4) != 0;
    options.ohmz_sum = (bits & 8) != 0;
    options.ohx_crc = (bits & 16) != 0;
    return options;
}

tsy::scan::RecognizedPage PageFrom(const std::uint8_t* data, std::size_t size) {
    tsy::scan::RecognizedPage page;
    page.text.rows.emplace_back();
    page.shapes.emplace_back();
    std::size_t at = 0;
    int column = 0;
    while (at < size && page.text.rows.size() <= kMaxRows) {
        const std::uint8_t byte = data[at++];
        if (byte == 0xFF) {
            page.text.rows.emplace_back();
            page.shapes.emplace_back();
            column = 0;
            continue;
        }
        const std::uint8_t meta = at < size ? data[at++] : 0;
        const int character = byte % kCharacterCount;
        tsy::scan::Cell cell;
        column += (meta & 0x80) != 0 ? 2 : 1;
        cell.column = column;
        const float confidence = static_cast<float>((meta >> 2) & 15) / 15.0f;
        cell.choices.push_back(Choice{kCharacters[character], confidence});
        for (int i = 0; i < (meta & 3) && at < size; ++i) {
            cell.choices.push_back(
                Choice{kCharacters[data[at++] % kCharacterCount], confidence / 2.0f});
        }
        const int drawn = (meta & 0x40) != 0 ? (character + 1) % kCharacterCount : character;
        if (page.text.rows.back().cells.size() < kMaxCells) {
            page.text.rows.back().cells.push_back(cell);
            page.shapes.back().push_back(ShapeOf(drawn));
        }
    }
    return page;
}

// Counts the lines the reader refuses.
class Refusals : public tsy::proof::FindingSink {
  public:
    void Report(const tsy::proof::Finding& finding) override {
        count += finding.kind == tsy::proof::FindingKind::Refusal ? 1 : 0;
    }
    int count = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const tsy::ListingOptions options = OptionsFrom(data[0]);
    const std::vector<tsy::scan::RecognizedPage> pages{PageFrom(data + 1, size - 1)};
    const tsy::scan::ScanRun run = tsy::scan::DecodePages(pages, options);
    const tsy::scan::Decoding& decoding = run.decoding;
    const int rows = static_cast<int>(decoding.rows.size());
    Check(decoding.verified_rows >= 0 && decoding.verified_rows <= rows,
          "more rows verified than there are");
    int verified = 0;
    std::string listing;
    for (const tsy::scan::DecodedRow& row : decoding.rows) {
        verified += row.verified ? 1 : 0;
        listing += row.text + "\n";
    }
    Check(verified == decoding.verified_rows, "the verified count is not the rows marked so");
    for (const tsy::scan::Doubt& doubt : decoding.doubts) {
        Check(doubt.place.row >= 0 && doubt.place.row < rows, "a doubt in no row");
    }
    for (const tsy::scan::Correction& correction : decoding.corrections) {
        Check(correction.place.row >= 0 && correction.place.row < rows, "a correction in no row");
    }
    if (rows > 0 && decoding.AllVerified()) {
        tsy::MemoryByteSource bytes(reinterpret_cast<const std::uint8_t*>(listing.data()),
                                    listing.size());
        Refusals refusals;
        tsy::proof::CheckListing(bytes, options, &refusals);
        Check(refusals.count == 0, "a page verified whole that the reader refuses");
    }
    return 0;
}
