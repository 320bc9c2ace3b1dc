// A page image named as the dump in text mode: read with the scan, under
// the dialog's listing options, while the dialog stays responsive; its
// listing written beside the image; applied as a typed listing would be
// when every row is verified, and otherwise nothing applied and the scan's
// report shown.
#include <string>
#include <vector>

#include "gui/main_controller.h"
#include "resources/scan_image_texts.h"
#include "resources/scan_texts.h"
#include "resources/texts.h"
#include "scan/listing_file.h"
#include "scan/page_image.h"
#include "scan/scan_images.h"
#include "scan/scan_report.h"

namespace tsy::gui {

bool MainController::DumpIsPageImage() const {
    unsigned char head[scan::kPageHeadSize] = {};
    return scan::IsPageImageHead(head, session_.ReadDumpHead(head, sizeof head));
}

ApplyOutcome MainController::ApplyPage(const DumpOptions& options) {
    const std::vector<std::string> pages = {session_.DumpPath()};
    scan::ScanRun run;
    view_.RunBusy([&] { run = scan::ScanImages(pages, options.listing); });
    switch (run.status) {
        case scan::ScanStatus::Done:
            break;
        case scan::ScanStatus::EngineMissing:
            Tell(MakeMessage(MessageKind::Error, text::kScanEngineMissing));
            return ApplyOutcome::FileError;
        case scan::ScanStatus::Unreadable:
            Tell(run.message.Empty() ? MakeMessage(MessageKind::Error, text::kScanUnreadable)
                                     : run.message,
                 run.system_error);
            return ApplyOutcome::FileError;
        case scan::ScanStatus::NoListing:
            Tell(MakeMessage(MessageKind::Error, text::kScanNoListing));
            return ApplyOutcome::Refused;
    }

    const char* image = session_.DumpPath();
    const scan::ListingFile file = scan::WriteListingBeside(image, run.decoding, kPathSize);
    if (!file.written) {
        Tell(MakeMessage(MessageKind::Error,
                         [&](TextOut& out) {
                             out.Append(text::kScanWriteFailed);
                             if (!file.path.empty()) {
                                 out.Append("\n");
                                 out.Append(file.path.c_str());
                             }
                         }),
             file.system_error);
        return ApplyOutcome::FileError;
    }
    const char* listing = file.path.c_str();

    if (!run.decoding.AllVerified()) {
        std::string report = text::kDialogPageReportHeading;
        for (const std::string& line : scan::ScanReportLines(run, options.listing)) {
            report += "\r\n" + line;
        }
        report += "\r\n";
        report += text::kDialogPageMend;
        view_.ShowReport(MakeMessage(MessageKind::Report,
                                     [&](TextOut& out) { text::PageInDoubt(out, listing); }),
                         report);
        return ApplyOutcome::InDoubt;
    }

    proof::ApplyWarnings warnings(options.listing, kMaxDialogWarnings);
    const ApplyResult result =
        session_.ApplyListing(listing, options.listing, options.memory_offset, &warnings);
    TellListing(result, options.listing, listing, true,
                Written([&](TextOut& out) { text::PageListingWritten(out, listing); }), &warnings);
    EnableWriteBack();
    return Outcome(result.status);
}

}  // namespace tsy::gui
