#include "cli/scan.h"

#include <cstdio>
#include <string>

#include "cli/exit_status.h"
#include "cli/terminal.h"
#include "resources/scan_texts.h"
#include "scan/scan_images.h"

namespace tsy::cli {
namespace {

// The name of a field of a row: the address, +k, the checksum, a SUM
// line's column or its total or CRC.
std::string FieldName(const scan::ListingRow& row, int field, const ListingOptions& options) {
    const int last = static_cast<int>(row.fields.size()) - 1;
    switch (row.kind) {
        case scan::RowKind::Data:
            if (field == 0) {
                return text::kScanAddress;
            }
            if (field == last && options.checksum) {
                return text::kScanChecksum;
            }
            return Written(
                [&](TextOut& out) { out.Format("+%X", static_cast<unsigned>(field - 1)); });
        case scan::RowKind::Sum:
            if (field < last) {
                return Written(
                    [&](TextOut& out) { text::ScanColumn(out, static_cast<unsigned>(field)); });
            }
            return options.ohx_crc ? text::kScanCrc : text::kScanTotal;
        case scan::RowKind::Dashed:
            break;
    }
    return text::kScanTotal;
}

// The address that messages quote for a row: its own for a data row, the
// last data row's for a check line (as the reader quotes it).
std::vector<std::string> AddressesOf(const scan::Decoding& decoding) {
    std::vector<std::string> addresses;
    std::string last;
    for (const scan::DecodedRow& row : decoding.rows) {
        if (row.kind == scan::RowKind::Data) {
            last = row.text.substr(0, 4);
        }
        addresses.push_back(last);
    }
    return addresses;
}

void Report(const scan::ScanRun& run, const ListingOptions& options) {
    const scan::Decoding& decoding = run.decoding;
    const std::vector<std::string> addresses = AddressesOf(decoding);
    for (int gap : decoding.gaps) {
        PrintText(stderr, Written([&](TextOut& out) {
                              text::ScanGap(out, static_cast<unsigned>(gap + 1),
                                            addresses[static_cast<std::size_t>(gap)].c_str());
                          }).c_str());
    }
    for (const scan::Correction& c : decoding.corrections) {
        const std::size_t row = static_cast<std::size_t>(c.place.row);
        const std::string field = FieldName(run.rows[row], c.place.field, options);
        PrintText(stderr, Written([&](TextOut& out) {
                              text::ScanCorrection(out, static_cast<unsigned>(row + 1),
                                                   addresses[row].c_str(), field.c_str(),
                                                   static_cast<unsigned>(c.place.index + 1), c.read,
                                                   c.chosen);
                          }).c_str());
    }
    for (const scan::Doubt& d : decoding.doubts) {
        const std::size_t row = static_cast<std::size_t>(d.place.row);
        const std::string field = FieldName(run.rows[row], d.place.field, options);
        PrintText(stderr, Written([&](TextOut& out) {
                              text::ScanDoubt(out, static_cast<unsigned>(row + 1),
                                              addresses[row].c_str(), field.c_str(),
                                              static_cast<unsigned>(d.place.index + 1), d.read,
                                              d.candidates.c_str());
                          }).c_str());
    }
    PrintText(stderr, Written([&](TextOut& out) {
                          text::ScanSummary(out, static_cast<unsigned>(decoding.rows.size()),
                                            static_cast<unsigned>(decoding.verified_rows),
                                            static_cast<unsigned>(decoding.corrections.size()),
                                            static_cast<unsigned>(decoding.doubts.size()));
                      }).c_str());
    PrintText(stderr, decoding.AllVerified() ? text::kScanAllVerified : text::kScanNotVerified);
}

bool WriteListing(const scan::Decoding& decoding, const std::string& path) {
    std::FILE* out = path.empty() ? stdout : std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        return false;
    }
    for (const scan::DecodedRow& row : decoding.rows) {
        std::fprintf(out, "%s\n", row.text.c_str());
    }
    bool written = std::fflush(out) == 0 && !std::ferror(out);
    if (out != stdout) {
        written = std::fclose(out) == 0 && written;
    }
    return written;
}

}  // namespace

int RunScan(const CliOptions& options) {
    const scan::ScanRun run = scan::ScanImages(options.image_paths, options.dump.listing);
    switch (run.status) {
        case scan::ScanStatus::Done:
            break;
        case scan::ScanStatus::EngineMissing:
            PrintText(stderr, text::kScanEngineMissing);
            return kExitFileError;
        case scan::ScanStatus::Unreadable:
        case scan::ScanStatus::NoListing: {
            PrintText(stderr, run.status == scan::ScanStatus::NoListing ? text::kScanNoListing
                              : run.message.text[0] != '\0'             ? run.message.text
                                                                        : text::kScanUnreadable);
            // The path as given, in the terminal's own encoding.
            PrintFileReason(options.image_paths[static_cast<std::size_t>(run.failed_page)].c_str(),
                            run.system_error);
            return kExitFileError;
        }
    }
    if (!WriteListing(run.decoding, options.output_path)) {
        PrintText(stderr, text::kScanWriteFailed);
        PrintFileReason(options.output_path.empty() ? "-" : options.output_path.c_str(), 0);
        return kExitFileError;
    }
    Report(run, options.dump.listing);
    return run.decoding.AllVerified() ? kExitOk : kExitInDoubt;
}

}  // namespace tsy::cli
