#include "tests/scan/page_set.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "scan/page_image.h"
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
        options.lower_address_only |= word == "--lower-address-only";
        options.checksum &= word != "--no-checksum";
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

double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A recognised page on file: the seconds it took, then per row its cells
// (column, readings, shape).
bool SavePage(const std::string& path, const RecognizedPage& page, double seconds) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    auto put = [f](const void* data, std::size_t size) { std::fwrite(data, size, 1, f); };
    const std::size_t rows = page.text.rows.size();
    put(&seconds, sizeof seconds);
    put(&rows, sizeof rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const std::size_t cells = page.text.rows[r].cells.size();
        put(&cells, sizeof cells);
        for (std::size_t c = 0; c < cells; ++c) {
            const Cell& cell = page.text.rows[r].cells[c];
            const std::size_t choices = cell.choices.size();
            put(&cell.column, sizeof cell.column);
            put(&choices, sizeof choices);
            put(cell.choices.data(), choices * sizeof(Choice));
            put(page.shapes[r][c].data(), sizeof(Shape));
        }
    }
    return std::fclose(f) == 0;
}

bool LoadPage(const std::string& path, RecognizedPage* page, double* seconds) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    bool ok = true;
    auto get = [f, &ok](void* data, std::size_t size) {
        ok = ok && (size == 0 || std::fread(data, size, 1, f) == 1);
    };
    std::size_t rows = 0;
    get(seconds, sizeof *seconds);
    get(&rows, sizeof rows);
    for (std::size_t r = 0; ok && r < rows; ++r) {
        std::size_t cells = 0;
        get(&cells, sizeof cells);
        page->text.rows.emplace_back();
        page->shapes.emplace_back();
        for (std::size_t c = 0; ok && c < cells; ++c) {
            Cell cell;
            std::size_t choices = 0;
            get(&cell.column, sizeof cell.column);
            get(&choices, sizeof choices);
            cell.choices.resize(ok ? choices : 0);
            get(cell.choices.data(), cell.choices.size() * sizeof(Choice));
            page->shapes.back().emplace_back();
            get(page->shapes.back().back().data(), sizeof(Shape));
            page->text.rows.back().cells.push_back(cell);
        }
    }
    std::fclose(f);
    return ok;
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

PageOutcome ScanPage(const PageCase& page, const ScanSettings& settings, const std::string& cache) {
    PageOutcome outcome;
    const double start = ProcessorSeconds();
    ScanRun run;
    if (cache.empty()) {
        run = ScanImages({page.image}, page.options, settings);
        outcome.seconds = ProcessorSeconds() - start;
    } else {
        const std::string file =
            cache + "/" + page.name + (settings.use_engine ? ".read" : ".shapes");
        RecognizedPage recognized;
        double recognition = 0;
        if (!LoadPage(file, &recognized, &recognition)) {
            recognized = RecognizedPage();
            Recognizer recognizer(settings.use_engine);
            PageImage image = LoadPageImage(page.image.c_str());
            if (image.status != ImageStatus::Read ||
                recognizer.Recognize(std::move(image.grey), &recognized) != RecognizeStatus::Done) {
                outcome.status = ScanStatus::Unreadable;
                return outcome;
            }
            recognition = ProcessorSeconds() - start;
            SavePage(file, recognized, recognition);
        }
        const double decoding = ProcessorSeconds();
        run = DecodePages({recognized}, page.options);
        outcome.seconds = recognition + ProcessorSeconds() - decoding;
    }
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
