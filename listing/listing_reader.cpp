// The run loop of the listing reader: each line is read, classified and
// evaluated; accepted data lines are stored at once, accepted check lines
// reset the block sums, and the first E code ends the run with its report.
#include "listing/listing_reader.h"

#include <cstring>

#include "app/boxes/result_text.h"
#include "listing/check_line.h"
#include "listing/data_line.h"
#include "listing/line_source.h"
#include "listing/report.h"
#include "listing/sums.h"
#include "listing/tokens.h"
#include "platform/platform.h"
#include "resources/texts.h"

namespace tsy {
namespace {

// Everything one run holds; nothing outlives the run.
class ListingRun {
  public:
    ListingRun(StateImage& image, const ListingOptions& options)
        : image_(image), options_(options) {}

    ListingResult Run(const char* path, LineOutcome* stopped_by);

  private:
    // Each returns the line's outcome; an E code ends the run.
    LineOutcome DataLine(std::size_t length);
    LineOutcome SumLine(std::size_t length);
    LineOutcome DashedLine(std::size_t length);

    StateImage& image_;
    const ListingOptions& options_;
    LineSource source_;
    char line_[kLineBufferSize];
    char upper_[kLineBufferSize];
    char address_text_[kAddressTextSize] = {};
    AddressRange range_;
    BlockSums sums_;
    DataLineResult data_;
    CheckLineResult check_;
};

ListingResult ListingRun::Run(const char* path, LineOutcome* stopped_by) {
    if (!source_.Open(path)) {
        char message[kResultTextSize];
        FormatOpenFailure(source_.OpenError(), message, sizeof message);
        platform::Tell(platform::MessageKind::Error, message);
        return ListingResult::OpenFailed;
    }
    std::size_t read;
    while ((read = source_.Next(line_)) != 0) {
        const std::size_t length = UpperCaseLine(line_, read, upper_);
        LineOutcome outcome = LineOutcome::Ignored;
        switch (ClassifyLine(upper_, length, options_)) {
            case LineKind::DataLine:
                outcome = DataLine(length);
                break;
            case LineKind::SumLine:
                outcome = SumLine(length);
                break;
            case LineKind::DashedLine:
                outcome = DashedLine(length);
                break;
            case LineKind::Ignored:
                break;
        }
        if (IsError(outcome)) {
            source_.Close();
            platform::Tell(platform::MessageKind::Report, ResultText);
            *stopped_by = outcome;
            return ListingResult::CheckFailed;
        }
    }
    // A read error is no end of the listing: the rest was never seen.
    const bool read_failed = source_.ReadFailed();
    source_.Close();
    if (read_failed) {
        platform::Tell(platform::MessageKind::Error, text::kListingReadFailed);
        return ListingResult::ReadFailed;
    }
    char message[kResultTextSize];
    FormatCompletion(range_, message, sizeof message);
    platform::Tell(platform::MessageKind::Information, message);
    return ListingResult::Completed;
}

LineOutcome ListingRun::DataLine(std::size_t length) {
    EvaluateDataLine(upper_, length, options_, &data_);
    std::memcpy(address_text_, data_.address_text, sizeof address_text_);
    switch (data_.outcome) {
        case LineOutcome::Accepted:
            break;
        case LineOutcome::Ignored:
            return LineOutcome::Ignored;
        default:
            FormatDataLineReport(data_, ResultText, kResultTextSize);
            return data_.outcome;
    }
    const bool stored =
        FitsImage(image_, data_) &&
        (data_.count == 0 ||
         image_.Store(static_cast<std::uint32_t>(data_.address), data_.bytes,
                      static_cast<std::uint32_t>(data_.count)) == StoreResult::Stored);
    if (!stored) {
        FormatStoreRangeReport(data_, image_.Size(), ResultText, kResultTextSize);
        return LineOutcome::E09;
    }
    AddToBlock(data_, options_.ohx_crc, &sums_);
    range_.Add(data_);
    return LineOutcome::Accepted;
}

LineOutcome ListingRun::SumLine(std::size_t length) {
    EvaluateSumLine(upper_, length, sums_, options_.ohx_crc, &check_);
    if (check_.outcome != LineOutcome::Accepted) {
        FormatCheckLineReport(check_, address_text_, ResultText, kResultTextSize);
        return check_.outcome;
    }
    sums_.ResetAfterSumLine();
    return LineOutcome::Accepted;
}

LineOutcome ListingRun::DashedLine(std::size_t length) {
    EvaluateDashedLine(upper_, length, sums_, &check_);
    if (check_.outcome != LineOutcome::Accepted) {
        FormatCheckLineReport(check_, address_text_, ResultText, kResultTextSize);
        return check_.outcome;
    }
    sums_.ResetAfterDashedLine();
    return LineOutcome::Accepted;
}

}  // namespace

ListingResult ListingReader(StateImage& image, const char* path, const ListingOptions& options) {
    return ListingReader(image, path, options, nullptr);
}

ListingResult ListingReader(StateImage& image, const char* path, const ListingOptions& options,
                            LineOutcome* stopped_by) {
    LineOutcome ignored = LineOutcome::Accepted;
    LineOutcome* code = stopped_by != nullptr ? stopped_by : &ignored;
    *code = LineOutcome::Accepted;
    if (!image.IsLoaded()) {
        platform::Tell(platform::MessageKind::Error, text::kNoStateImage);
        return ListingResult::NoImage;
    }
    // The run's fixed buffers (about 30 KB) live on the stack for this call.
    ListingRun run(image, options);
    return run.Run(path, code);
}

}  // namespace tsy
