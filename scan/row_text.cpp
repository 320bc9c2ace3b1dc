#include "scan/row_text.h"

namespace tsy::scan {
namespace {

using Fields = std::vector<std::string>;

std::string Join(const Fields& fields, std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        text += (i > from ? " " : "") + fields[i];
    }
    return text;
}

}  // namespace

std::string FormatRow(RowKind kind, const std::vector<std::string>& fields,
                      const ListingOptions& options) {
    if (fields.empty()) {
        return "";
    }
    switch (kind) {
        case RowKind::Sum:
            if (!options.ohx_crc && fields.size() >= 2 && fields.back().size() == 2) {
                // A total of two digits: after a colon, so that the reader
                // takes it for the total and not for one more column.
                return "SUM  " + Join(fields, 0, fields.size() - 1) + " :" + fields.back();
            }
            return (options.ohx_crc ? "SUM    " : "SUM  ") + Join(fields, 0, fields.size());
        case RowKind::Dashed:
            return std::string(30, '-') + " " + fields.back();
        case RowKind::Data:
            break;
    }
    const std::size_t count = fields.size();
    if (!options.checksum || count < 3) {
        return fields[0] + " " + Join(fields, 1, count);
    }
    const std::string data = Join(fields, 1, count - 1);
    const std::string& sum = fields.back();
    if (options.ohmz_sum && sum.size() == 3) {
        return fields[0] + " " + data + " (" + sum[0] + "." + sum.substr(1) + ")";
    }
    if (options.ohx_crc) {
        return fields[0] + " : " + data + " : " + sum;
    }
    return fields[0] + "  " + data + "  " + sum;
}

}  // namespace tsy::scan
