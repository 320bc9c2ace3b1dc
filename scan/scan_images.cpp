#include "scan/scan_images.h"

#include "scan/recognizer.h"
#include "scan/settle_shapes.h"

namespace tsy::scan {

ScanRun ScanImages(const std::vector<std::string>& paths, const ListingOptions& options) {
    ScanRun run;
    Recognizer recognizer;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        PageText page;
        switch (recognizer.Recognize(paths[i].c_str(), &page)) {
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
        std::vector<ListingRow> rows = ArrangeListing(page, options, static_cast<int>(i));
        bool has_data = false;
        for (const ListingRow& row : rows) {
            has_data = has_data || row.kind == RowKind::Data;
        }
        if (!has_data) {
            run.status = ScanStatus::NoListing;
            run.failed_page = static_cast<int>(i);
            return run;
        }
        run.rows.insert(run.rows.end(), rows.begin(), rows.end());
    }
    run.rows = SettleShapes(run.rows, options);
    run.decoding = Decode(run.rows, options);
    return run;
}

}  // namespace tsy::scan
