#include "scan/scan_images.h"

#include "scan/page_image.h"
#include "scan/recognizer.h"
#include "scan/settle_shapes.h"
#include "scan/shapes.h"

namespace tsy::scan {
namespace {

// The listing rows of the pages with their glyphs grouped as alike as
// `closeness` asks, and the number of the page (from 0) that holds no data
// row, or -1.
int ArrangePages(const std::vector<RecognizedPage>& pages, const ListingOptions& options,
                 float closeness, std::vector<ListingRow>* rows) {
    rows->clear();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        PageText text = pages[i].text;
        LearnShapes(pages[i].shapes, &text, closeness);
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

}  // namespace

ScanRun ScanImages(const std::vector<std::string>& paths, const ListingOptions& options) {
    ScanRun run;
    Recognizer recognizer;
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
        switch (recognizer.Recognize(std::move(image.grey), &pages[i])) {
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
    return DecodePages(pages, options);
}

ScanRun DecodePages(const std::vector<RecognizedPage>& pages, const ListingOptions& options) {
    ScanRun run;
    // The glyphs are grouped as usual first. Where that leaves rows
    // unverified, they are grouped again, only the very alike together: in
    // some fonts look-alikes (8 and B) share a group under the usual
    // measure, and no reading of the group fits all of its glyphs. Of the
    // two decodings, the one that verifies more rows is kept; each verifies
    // a row only where every reading that fits the sums agrees.
    run.failed_page = ArrangePages(pages, options, kCloseShapes, &run.rows);
    if (run.failed_page >= 0) {
        run.status = ScanStatus::NoListing;
        return run;
    }
    run.rows = SettleShapes(run.rows, options);
    run.decoding = Decode(run.rows, options);
    std::vector<ListingRow> finer;
    if (!run.decoding.AllVerified() && ArrangePages(pages, options, kVeryCloseShapes, &finer) < 0) {
        finer = SettleShapes(finer, options);
        Decoding decoding = Decode(finer, options);
        if (decoding.verified_rows > run.decoding.verified_rows) {
            run.rows = std::move(finer);
            run.decoding = std::move(decoding);
        }
    }
    return run;
}

}  // namespace tsy::scan
