// The run loop of the listing reader: each line is read, classified and
// evaluated; accepted data lines are stored at once, accepted check lines
// reset the block sums, and the first E code ends the run with its report.
#include "listing/listing_reader.h"

#include <cstring>

#include "listing/check_line.h"
#include "listing/line_source.h"
#include "listing/report.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "resources/texts.h"

namespace tsy {
namespace {

// Everything one run holds; nothing outlives the run.
class ListingRun {
  public:
    ListingRun(StateImage& image, ByteSource& bytes, const ListingOptions& options,
               LineObserver* observer)
        : image_(image), options_(options), observer_(observer), source_(bytes) {}

    void Run(ListingResult* result);

  private:
    // Each returns the line's outcome; an E code ends the run with its
    // report in `report`.
    LineOutcome DataLine(std::size_t length, char* report);
    LineOutcome SumLine(std::size_t length, char* report);
    LineOutcome DashedLine(std::size_t length, char* report);

    StateImage& image_;
    // Tells the observer, if any, of the line just classified as `kind`.
    void Observe(std::size_t length, LineKind kind, const DataLineResult* data = nullptr,
                 const CheckLineResult* check = nullptr);

    const ListingOptions& options_;
    LineObserver* observer_;
    LineSource source_;
    char line_[kLineBufferSize];
    char upper_[kLineBufferSize];
    char address_text_[kAddressTextSize] = {};
    AddressRange range_;
    BlockSums sums_;
    DataLineResult data_;
    CheckLineResult check_;
};

void ListingRun::Run(ListingResult* result) {
    std::size_t length;
    while (source_.Next(line_, upper_, &length) != 0) {
        LineOutcome outcome = LineOutcome::Ignored;
        const LineKind kind = ClassifyLine(upper_, length, options_);
        switch (kind) {
            case LineKind::DataLine:
                ++result->data_lines;
                outcome = DataLine(length, result->message.text);
                Observe(length, kind, &data_);
                break;
            case LineKind::SumLine:
                outcome = SumLine(length, result->message.text);
                break;
            case LineKind::DashedLine:
                outcome = DashedLine(length, result->message.text);
                break;
            case LineKind::Ignored:
                Observe(length, kind);
                break;
        }
        if (IsError(outcome)) {
            result->status = ListingStatus::CheckFailed;
            result->message.kind = MessageKind::Report;
            result->stopped_by = outcome;
            result->range = range_;
            return;
        }
    }
    result->range = range_;
    // A read error is no end of the listing: the rest was never seen.
    if (source_.LimitReached() != InputLimit::None) {
        result->status = ListingStatus::TooLarge;
        result->message =
            MakeMessage(MessageKind::Error, source_.LimitReached() == InputLimit::TooLarge
                                                ? text::kListingTooLarge
                                                : text::kListingEndlessLine);
        return;
    }
    if (source_.ReadFailed()) {
        result->status = ListingStatus::ReadFailed;
        result->message = MakeMessage(MessageKind::Error, text::kListingReadFailed);
        return;
    }
    result->status = ListingStatus::Completed;
    result->message.kind = MessageKind::Information;
    FormatCompletion(range_, result->message.text, sizeof result->message.text);
}

void ListingRun::Observe(std::size_t length, LineKind kind, const DataLineResult* data,
                         const CheckLineResult* check) {
    if (observer_ == nullptr) {
        return;
    }
    ObservedLine line;
    line.raw = line_;
    line.upper = upper_;
    line.length = length;
    line.kind = kind;
    line.line_number = source_.LineNumber();
    line.data = data;
    line.check = check;
    line.sums = check != nullptr ? &sums_ : nullptr;
    observer_->Line(line);
}

LineOutcome ListingRun::DataLine(std::size_t length, char* report) {
    EvaluateDataLine(upper_, length, options_, &data_);
    std::memcpy(address_text_, data_.address_text, sizeof address_text_);
    switch (data_.outcome) {
        case LineOutcome::Accepted:
            break;
        case LineOutcome::Ignored:
            return LineOutcome::Ignored;
        default:
            FormatDataLineReport(data_, report, kMessageSize);
            return data_.outcome;
    }
    const bool stored =
        FitsImage(image_, data_) &&
        (data_.count == 0 ||
         image_.Store(static_cast<std::uint32_t>(data_.address), data_.bytes,
                      static_cast<std::uint32_t>(data_.count)) == StoreResult::Stored);
    if (!stored) {
        FormatStoreRangeReport(data_, image_.Size(), report, kMessageSize);
        return LineOutcome::E09;
    }
    AddToBlock(data_, options_.ohx_crc, &sums_);
    range_.Add(data_);
    return LineOutcome::Accepted;
}

LineOutcome ListingRun::SumLine(std::size_t length, char* report) {
    EvaluateSumLine(upper_, length, sums_, options_.ohx_crc, &check_);
    Observe(length, LineKind::SumLine, nullptr, &check_);
    if (check_.outcome != LineOutcome::Accepted) {
        FormatCheckLineReport(check_, address_text_, report, kMessageSize);
        return check_.outcome;
    }
    sums_.ResetAfterSumLine();
    return LineOutcome::Accepted;
}

LineOutcome ListingRun::DashedLine(std::size_t length, char* report) {
    EvaluateDashedLine(upper_, length, sums_, &check_);
    Observe(length, LineKind::DashedLine, nullptr, &check_);
    if (check_.outcome != LineOutcome::Accepted) {
        FormatCheckLineReport(check_, address_text_, report, kMessageSize);
        return check_.outcome;
    }
    sums_.ResetAfterDashedLine();
    return LineOutcome::Accepted;
}

ListingResult NoImage() {
    ListingResult result;
    result.status = ListingStatus::NoImage;
    result.message = MakeMessage(MessageKind::Error, text::kNoStateImage);
    return result;
}

}  // namespace

ListingResult ReadListing(StateImage& image, ByteSource& bytes, const ListingOptions& options,
                          LineObserver* observer) {
    if (!image.IsLoaded()) {
        return NoImage();
    }
    ListingResult result;
    // The run's fixed buffers (about 30 KB) live on the stack for this call.
    ListingRun run(image, bytes, options, observer);
    run.Run(&result);
    return result;
}

ListingResult ReadListing(StateImage& image, const char* path, const ListingOptions& options,
                          LineObserver* observer) {
    if (!image.IsLoaded()) {
        return NoImage();
    }
    FileByteSource file;
    if (!file.Open(path)) {
        ListingResult result;
        result.status = ListingStatus::OpenFailed;
        result.system_error = file.Error();
        // The message shows the C library's error number for the failure.
        const int error = platform::CErrorNumber(file.Error());
        result.message = MakeMessage(
            MessageKind::Error, [error](TextOut& out) { text::ListingOpenFailed(out, error); });
        return result;
    }
    ListingResult result = ReadListing(image, file, options, observer);
    result.source = file.Facts();
    if (result.status == ListingStatus::ReadFailed) {
        result.system_error = file.Error();
    }
    return result;
}

}  // namespace tsy
