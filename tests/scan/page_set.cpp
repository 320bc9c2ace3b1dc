#include "tests/scan/page_set.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "scan/row_text.h"

namespace tsy::scan::test {
namespace {

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

ListingOptions OptionsFrom(const std::string& args) {
    ListingOptions options;
    std::istringstream words(args);
    std::string word;
    while (words >> word) {
        options.address_sum |= word == "--address-sum";
        options.ohmz_sum |= word == "--ohmz";
        options.ohx_crc |= word == "--ohx";
    }
    return options;
}

// Whether each differing character of the output's rows is named as a
// doubt whose candidates hold the truth's character. Rows are compared
// where the output has as many rows as the truth.
bool DoubtsNameErrors(const std::vector<std::string>& truth, const Decoding& decoding,
                      const std::vector<ListingRow>& rows, const ListingOptions& options) {
    if (decoding.rows.size() != truth.size()) {
        return !decoding.AllVerified();
    }
    for (std::size_t r = 0; r < truth.size(); ++r) {
        const std::string& got = decoding.rows[r].text;
        if (got == truth[r]) {
            continue;
        }
        if (decoding.rows[r].verified || got.size() != truth[r].size()) {
            return false;
        }
        // Map each character position of the line back to its field.
        std::vector<std::string> fields;
        for (const Field& field : rows[r].fields) {
            fields.push_back(std::string(field.chars.size(), '\x01'));
        }
        for (std::size_t f = 0; f < fields.size(); ++f) {
            for (std::size_t i = 0; i < fields[f].size(); ++i) {
                std::vector<std::string> marked = fields;
                marked[f][i] = '\x02';
                const std::string text = FormatRow(rows[r].kind, marked, options);
                const std::size_t at = text.find('\x02');
                if (at >= got.size() || got[at] == truth[r][at]) {
                    continue;
                }
                const bool named = std::any_of(
                    decoding.doubts.begin(), decoding.doubts.end(), [&](const Doubt& d) {
                        return d.place.row == static_cast<int>(r) &&
                               d.place.field == static_cast<int>(f) &&
                               d.place.index == static_cast<int>(i) &&
                               d.candidates.find(truth[r][at]) != std::string::npos;
                    });
                if (!named) {
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

std::vector<PageCase> LoadPageSet(const std::string& directory) {
    std::vector<PageCase> pages;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        const std::filesystem::path path = entry.path();
        if (path.extension() != ".png" && path.extension() != ".jpg") {
            continue;
        }
        std::filesystem::path base = path;
        base.replace_extension();
        PageCase page;
        page.name = base.filename().string();
        page.image = path.string();
        // NAME is CONVENTION-FONT-NUMBER.
        const std::size_t font = page.name.rfind('-', page.name.rfind('-') - 1);
        page.convention = page.name.substr(0, font);
        const std::vector<std::string> args = ReadLines(base.string() + ".args");
        page.options = OptionsFrom(args.empty() ? "" : args[0]);
        page.truth = ReadLines(base.string() + ".txt");
        pages.push_back(page);
    }
    std::sort(pages.begin(), pages.end(),
              [](const PageCase& a, const PageCase& b) { return a.name < b.name; });
    return pages;
}

PageOutcome ScanPage(const PageCase& page) {
    PageOutcome outcome;
    const auto start = std::chrono::steady_clock::now();
    ScanRun run = ScanImages({page.image}, page.options);
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.status = run.status;
    const Decoding& decoding = run.decoding;
    const std::set<std::string> truth(page.truth.begin(), page.truth.end());
    outcome.rows = static_cast<int>(decoding.rows.size());
    outcome.verified = decoding.verified_rows;
    bool same = decoding.rows.size() == page.truth.size();
    for (std::size_t r = 0; r < decoding.rows.size(); ++r) {
        const DecodedRow& row = decoding.rows[r];
        if (row.verified && truth.count(row.text) == 0) {
            ++outcome.verified_wrong;
            outcome.wrong_rows.push_back(static_cast<int>(r));
        }
        same = same && row.text == page.truth[r];
    }
    outcome.exact = run.status == ScanStatus::Done && same && decoding.AllVerified();
    outcome.doubts_name_errors = run.status == ScanStatus::Done &&
                                 DoubtsNameErrors(page.truth, decoding, run.rows, page.options);
    outcome.decoding = std::move(run.decoding);
    return outcome;
}

}  // namespace tsy::scan::test
