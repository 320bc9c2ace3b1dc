#include "scan/scan_images.h"

#include "scan/page_image.h"
#include "scan/page_order.h"
#include "scan/recognizer.h"
#include "scan/settle_shapes.h"
#include "scan/shapes.h"

namespace tsy::scan {
namespace {

// Processor seconds a page's glyphs may take to be solved from the sums, and
// its rows to be decoded, in each of the two ways of grouping its glyphs:
// with the engine's few seconds (a dot-matrix page's up to six), a page
// takes less than ten.
constexpr double kSolvingSeconds = 1.5;
constexpr double kDecodingSeconds = 1;

// The listing rows of the pages with their glyphs grouped as alike as
// `closeness` asks (the groups of each page to `shapes`), and the number of
// the page (from 0) that holds no data row, or -1.
int ArrangePages(const std::vector<RecognizedPage>& pages, const ListingOptions& options,
                 const Closeness& closeness, std::vector<ListingRow>* rows,
                 std::vector<PageShapes>* shapes) {
    rows->clear();
    shapes->clear();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        PageText text = pages[i].text;
        shapes->push_back(LearnShapes(pages[i].shapes, &text, closeness));
        const std::vector<ListingRow> page_rows =
            ArrangeListing(text, options, static_cast<int>(i));
        bool has_data = false;
        for (const ListingRow& row : page_rows) {
            has_data = has_data || row.kind == RowKind::Data;
        }
        if (!has_data) {
            return static_cast<int>(i);
        }
        rows->insert(rows->end(), page_rows.begin(), page_rows.end());
    }
    return -1;
}

// The rows settled (SettleShapes) with their pages in address order:
// first the order the engine's readings give, then, where the settled
// readings give another, settled again in that order (within what is left
// of the one budget), so that the column sums of a block cut between two
// pages are checked whole.
std::vector<ListingRow> SettleInAddressOrder(std::vector<ListingRow> rows,
                                             const ListingOptions& options, double seconds,
                                             const std::vector<PageShapes>* shapes) {
    const std::vector<int> read_order = PageOrder(rows, options);
    rows = WithPagesInOrder(std::move(rows), read_order);
    Budget budget(seconds);
    std::vector<ListingRow> settled = SettleShapes(rows, options, budget, shapes);
    const std::vector<int> settled_order = PageOrder(settled, options);
    if (settled_order == read_order) {
        return settled;
    }
    return SettleShapes(WithPagesInOrder(std::move(rows), settled_order), options, budget, shapes);
}

}  // namespace

ScanRun ScanImages(const std::vector<std::string>& paths, const ListingOptions& options,
                   const ScanSettings& settings) {
    ScanRun run;
    Recognizer recognizer(settings.use_engine);
    std::vector<std::unique_ptr<Pix, PixFree>> pictures(settings.keep_pictures ? paths.size() : 0);
    std::vector<RecognizedPage> pages(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        PageImage image = LoadPageImage(paths[i].c_str());
        if (image.status != ImageStatus::Read) {
            run.status = ScanStatus::Unreadable;
            run.failed_page = static_cast<int>(i);
            run.message = image.message;
            run.system_error = image.system_error;
            return run;
        }
        switch (recognizer.Recognize(std::move(image.grey), &pages[i],
                                     pictures.empty() ? nullptr : &pictures[i])) {
            case RecognizeStatus::Done:
                break;
            case RecognizeStatus::EngineMissing:
                run.status = ScanStatus::EngineMissing;
                return run;
            case RecognizeStatus::Unreadable:
                run.status = ScanStatus::Unreadable;
                run.failed_page = static_cast<int>(i);
                return run;
        }
    }
    run = DecodePages(pages, options);
    run.pictures = std::move(pictures);
    return run;
}

ScanRun DecodePages(const std::vector<RecognizedPage>& pages, const ListingOptions& options) {
    ScanRun run;
    // The glyphs are grouped as usual first. Where that leaves rows
    // unverified, they are grouped again, only the very alike together: in
    // some fonts look-alikes (8 and B) share a group under the usual
    // measure, and no reading of the group fits all of its glyphs. Of the
    // two decodings, the one that verifies more rows is kept; each verifies
    // a row only where every reading that fits the sums agrees. Pages
    // handed over in any order are put in address order before the sums
    // are checked, so that a block cut between two pages is one block.
    std::vector<PageShapes> shapes;
    run.failed_page = ArrangePages(pages, options, kUsualCloseness, &run.rows, &shapes);
    if (run.failed_page >= 0) {
        run.status = ScanStatus::NoListing;
        return run;
    }
    const double pages_read = static_cast<double>(pages.size());
    run.rows =
        SettleInAddressOrder(std::move(run.rows), options, kSolvingSeconds * pages_read, &shapes);
    Budget first_decoding(kDecodingSeconds * pages_read);
    run.decoding = Decode(run.rows, options, first_decoding);
    std::vector<ListingRow> finer;
    if (!run.decoding.AllVerified() &&
        ArrangePages(pages, options, kFineCloseness, &finer, &shapes) < 0) {
        finer =
            SettleInAddressOrder(std::move(finer), options, kSolvingSeconds * pages_read, &shapes);
        Budget second_decoding(kDecodingSeconds * pages_read);
        Decoding decoding = Decode(finer, options, second_decoding);
        if (decoding.verified_rows > run.decoding.verified_rows) {
            run.rows = std::move(finer);
            run.decoding = std::move(decoding);
        }
    }
    return run;
}

}  // namespace tsy::scan
