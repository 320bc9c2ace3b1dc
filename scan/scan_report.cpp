#include "scan/scan_report.h"

#include <algorithm>
#include <cstddef>

#include "resources/scan_texts.h"

namespace tsy::scan {
namespace {

// The name of a field of a row: the address, +k, the checksum, a SUM
// line's column or its total or CRC.
std::string FieldName(const ListingRow& row, int field, const ListingOptions& options) {
    const int last = static_cast<int>(row.fields.size()) - 1;
    switch (row.kind) {
        case RowKind::Data:
            if (field == 0) {
                return text::kScanAddress;
            }
            if (field == last && options.checksum) {
                return text::kScanChecksum;
            }
            return Written(
                [&](TextOut& out) { out.Format("+%X", static_cast<unsigned>(field - 1)); });
        case RowKind::Sum:
            if (field < last) {
                return Written(
                    [&](TextOut& out) { text::ScanColumn(out, static_cast<unsigned>(field)); });
            }
            return options.ohx_crc ? text::kScanCrc : text::kScanTotal;
        case RowKind::Dashed:
            break;
    }
    return text::kScanTotal;
}

// The address that messages quote for a row: its own for a data row, the
// last data row's for a check line (as the reader quotes it).
std::vector<std::string> AddressesOf(const Decoding& decoding) {
    std::vector<std::string> addresses;
    std::string last;
    for (const DecodedRow& row : decoding.rows) {
        if (row.kind == RowKind::Data) {
            last = row.text.substr(0, 4);
        }
        addresses.push_back(last);
    }
    return addresses;
}

// Where the rows came from more than one image: each run of lines read from
// one image, with the image's number as given (they are in address order,
// not necessarily the order given).
void AddImageLines(const Decoding& decoding, std::vector<std::string>* lines) {
    const std::vector<DecodedRow>& rows = decoding.rows;
    const bool several = std::any_of(rows.begin(), rows.end(), [&](const DecodedRow& row) {
        return row.page != rows.front().page;
    });
    if (!several) {
        return;
    }
    std::size_t first = 0;
    for (std::size_t r = 1; r <= rows.size(); ++r) {
        if (r < rows.size() && rows[r].page == rows[first].page) {
            continue;
        }
        lines->push_back(Written([&](TextOut& out) {
            text::ScanLinesOfImage(out, static_cast<unsigned>(first + 1), static_cast<unsigned>(r),
                                   static_cast<unsigned>(rows[first].page + 1));
        }));
        first = r;
    }
}

}  // namespace

std::vector<std::string> ScanReportLines(const ScanRun& run, const ListingOptions& options) {
    const Decoding& decoding = run.decoding;
    const std::vector<std::string> addresses = AddressesOf(decoding);
    std::vector<std::string> lines;
    AddImageLines(decoding, &lines);
    for (int gap : decoding.gaps) {
        const std::size_t row = static_cast<std::size_t>(gap);
        const bool after_block = row > 0 && decoding.rows[row - 1].kind != RowKind::Data;
        lines.push_back(Written([&](TextOut& out) {
            (after_block ? text::ScanGapAfterBlock : text::ScanGap)(
                out, static_cast<unsigned>(gap + 1), addresses[row].c_str());
        }));
    }
    for (std::size_t r = 0; r < decoding.rows.size(); ++r) {
        const DecodedRow& row = decoding.rows[r];
        const unsigned line = static_cast<unsigned>(r + 1);
        if (row.skipped_before > 0) {
            lines.push_back(Written([&](TextOut& out) {
                text::ScanSkipped(out, line, static_cast<unsigned>(row.skipped_before));
            }));
        }
        if (row.checks_skipped_before > 0) {
            lines.push_back(Written([&](TextOut& out) {
                text::ScanCheckLineSkipped(out, line,
                                           static_cast<unsigned>(row.checks_skipped_before));
            }));
        }
        if (row.address_from_neighbours) {
            lines.push_back(Written([&](TextOut& out) {
                text::ScanAddressFromNeighbours(out, line, addresses[r].c_str());
            }));
        }
        if (row.missing_columns > 0) {
            lines.push_back(Written([&](TextOut& out) {
                text::ScanSumColumnsMissing(out, line, addresses[r].c_str(),
                                            static_cast<unsigned>(row.missing_columns));
            }));
        }
        if (row.alone) {
            lines.push_back(
                Written([&](TextOut& out) { text::ScanAlone(out, line, addresses[r].c_str()); }));
        }
        if (row.skipped_after > 0) {
            lines.push_back(Written([&](TextOut& out) {
                text::ScanCheckLineSkippedAtEnd(out, static_cast<unsigned>(row.skipped_after));
            }));
        }
    }
    for (const Correction& c : decoding.corrections) {
        const std::size_t row = static_cast<std::size_t>(c.place.row);
        const std::string field = FieldName(run.rows[row], c.place.field, options);
        lines.push_back(Written([&](TextOut& out) {
            text::ScanCorrection(out, static_cast<unsigned>(row + 1), addresses[row].c_str(),
                                 field.c_str(), static_cast<unsigned>(c.place.index + 1), c.read,
                                 c.chosen);
        }));
    }
    if (!options.checksum) {
        lines.push_back(text::kScanNoSums);
        if (!decoding.doubts.empty()) {
            lines.push_back(Written([&](TextOut& out) {
                text::ScanLeastCertain(out, static_cast<unsigned>(decoding.doubts.size()),
                                       static_cast<unsigned>(decoding.uncertain_chars));
            }));
        }
    }
    for (const Doubt& d : decoding.doubts) {
        const std::size_t row = static_cast<std::size_t>(d.place.row);
        const std::string field = FieldName(run.rows[row], d.place.field, options);
        lines.push_back(Written([&](TextOut& out) {
            text::ScanDoubt(out, static_cast<unsigned>(row + 1), addresses[row].c_str(),
                            field.c_str(), static_cast<unsigned>(d.place.index + 1), d.read,
                            d.candidates.c_str());
        }));
    }
    lines.push_back(Written([&](TextOut& out) {
        text::ScanSummary(out, static_cast<unsigned>(decoding.rows.size()),
                          static_cast<unsigned>(decoding.verified_rows),
                          static_cast<unsigned>(decoding.corrections.size()),
                          static_cast<unsigned>(decoding.doubts.size()));
    }));
    lines.push_back(!options.checksum        ? text::kScanNothingVerified
                    : decoding.AllVerified() ? text::kScanAllVerified
                                             : text::kScanNotVerified);
    return lines;
}

}  // namespace tsy::scan
