// Lines typed with an IME's full-width characters: digits, letters, spaces
// and the punctuation of a listing in their Shift-JIS full-width forms. An
// apply reads them as the bytes they are and refuses or skips the line;
// proofreading reads them half-width as well, counts the line by that
// reading in its block's sums, and names each full-width token with its
// reading: certain when the line's own sum agrees with it.
#include <cstring>

#include "proof/listing_check.h"
#include "proof/token_readings.h"

namespace tsy::proof {
namespace {

// Tokens of a raw line with full-width characters named one by one; a line
// with more is named whole.
constexpr int kMaxNamedTokens = 3;

bool Counts(const ListingOptions& options, const DataLineResult& data) {
    switch (data.outcome) {
        case LineOutcome::Accepted:
            return true;
        case LineOutcome::E02:
        case LineOutcome::E03:
            return options.checksum && data.checksum_given;
        default:
            return false;
    }
}

}  // namespace

bool ListingChecker::ReadsAsData(const char* upper, std::size_t length) {
    if (ClassifyLine(upper, length, options_) != LineKind::DataLine) {
        return false;
    }
    EvaluateDataLine(upper, length, options_, &scratch_);
    return Counts(options_, scratch_);
}

void ListingChecker::CountHalfWidth(const char* raw, RecordedLine* line, Finding* finding) {
    data_ = scratch_;
    line->counted = true;
    line->count = data_.count;
    line->line_sum = data_.line_sum;
    line->checksum_misread = false;
    line->checksum_wrong = data_.outcome != LineOutcome::Accepted;
    line->line_diff =
        line->checksum_wrong
            ? (static_cast<std::uint32_t>(data_.given_value) - data_.line_sum) & LineMask(options_)
            : 0u;
    const bool sum_right = options_.checksum && data_.outcome == LineOutcome::Accepted;
    NameFullWidth(raw, sum_right ? Certainty::Certain : Certainty::Likely, finding);
}

void ListingChecker::NameFullWidth(const char* raw, Certainty certainty, Finding* finding) const {
    // The raw tokens (split where the reader splits) that hold a full-width
    // character, each with its half-width reading.
    struct Span {
        std::size_t first;  // in the half-width line
        std::size_t end;
    };
    Span spans[kMaxNamedTokens + 1];
    int count = 0;
    std::size_t i = 0;
    while (i < half_length_) {
        while (i < half_length_ && IsTokenSeparator(raw[half_from_[i]])) {
            ++i;
        }
        const std::size_t first = i;
        bool wide = false;
        while (i < half_length_ && !IsTokenSeparator(raw[half_from_[i]])) {
            wide = wide || (IsShiftJisLead(static_cast<unsigned char>(raw[half_from_[i]])) &&
                            static_cast<unsigned char>(half_[i]) < 0x80);
            ++i;
        }
        if (wide && first < i) {
            if (count <= kMaxNamedTokens) {
                spans[count] = Span{first, i};
            }
            ++count;
        }
    }
    Diagnosis d;
    d.kind = DiagnosisKind::FullWidth;
    d.certainty = certainty;
    if (count > kMaxNamedTokens) {
        // The whole line: its first characters and their reading.
        d.column = -1;
        d.columns = static_cast<std::uint32_t>(count);
        const std::size_t raw_end = half_from_[half_length_ - 1] + 1;
        d.token = MakeQuote(raw, raw_end);
        d.reading = MakeQuote(half_, half_length_);
        finding->Add(d);
        return;
    }
    Token tokens[kMaxWindows];
    const int kept = KeptTokens(half_upper_, half_length_, options_, tokens);
    for (int s = 0; s < count; ++s) {
        const Span& span = spans[s];
        d.column = -1;
        for (int k = 0; k < kept; ++k) {
            const std::size_t at = static_cast<std::size_t>(tokens[k].text - half_upper_);
            d.column = at == span.first && k < data_.count ? k : d.column;
        }
        const std::size_t raw_first = half_from_[span.first];
        std::size_t raw_end = half_from_[span.end - 1] + 1;
        if (IsShiftJisLead(static_cast<unsigned char>(raw[half_from_[span.end - 1]])) &&
            static_cast<unsigned char>(half_[span.end - 1]) < 0x80) {
            ++raw_end;  // the trail byte of a full-width character
        }
        d.token = MakeQuote(raw + raw_first, raw_end - raw_first);
        // Without its line feed.
        std::size_t end = span.end;
        while (end > span.first && (half_[end - 1] == '\n' || half_[end - 1] == '\r')) {
            --end;
        }
        d.reading = MakeQuote(half_ + span.first, end - span.first);
        finding->Add(d);
    }
}

bool ListingChecker::FullWidthLine(const char* raw, std::uint32_t line_number) {
    if (!ReadsAsData(half_upper_, half_length_) || scratch_.address > kHighestEmulatedAddress) {
        return false;
    }
    const DataLineResult half = scratch_;
    ReleaseHeld(half.address);
    SkippedRecord skipped;
    skipped.reason = SkipReason::FullWidth;
    // The address field as typed: the raw bytes of the first token.
    Tokenizer tokens(half_, half_length_);
    Token field;
    tokens.Next(&field);
    const std::size_t first = static_cast<std::size_t>(field.text - half_);
    std::size_t end = half_from_[first + field.length - 1] + 1;
    if (IsShiftJisLead(static_cast<unsigned char>(raw[end - 1])) &&
        static_cast<unsigned char>(half_[first + field.length - 1]) < 0x80) {
        ++end;
    }
    skipped.typed = MakeQuote(raw + half_from_[first], end - half_from_[first]);
    skipped.candidate_count = 1;
    skipped.candidates[0] = half.address;
    skipped.checksum_given = options_.checksum && half.checksum_given;
    std::uint32_t data_sum = 0;
    for (int k = 0; k < half.count; ++k) {
        data_sum += static_cast<std::uint32_t>(half.values[k]);
    }
    skipped.data_sum = data_sum & LineMask(options_);
    skipped.given = static_cast<std::uint32_t>(half.given_value);

    Finding finding;
    finding.kind = FindingKind::SkippedLine;
    finding.code = LineOutcome::Ignored;
    finding.line_number = line_number;
    finding.skip = SkipReason::FullWidth;
    finding.given = skipped.typed;
    std::memcpy(finding.address_text, skipped.typed.text, sizeof finding.address_text - 1);
    finding.address_text[sizeof finding.address_text - 1] = '\0';
    const bool sum_right = options_.checksum && half.outcome == LineOutcome::Accepted;
    data_ = half;
    NameFullWidth(raw, sum_right ? Certainty::Certain : Certainty::Likely, &finding);

    RecordedLine line;
    line.line_number = line_number;
    line.address = -1;
    line.skipped = true;
    line.count = half.count;
    for (int k = 0; k < half.count; ++k) {
        line.values[k] = static_cast<std::uint16_t>(half.values[k]);
    }
    line.checksum_given = skipped.checksum_given;
    KeepWindows(half_upper_, half_length_, half, &line);
    line.finding = Hold(finding);
    skipped.line = static_cast<int>(block_.lines.size());
    block_.lines.push_back(line);
    block_.skipped.push_back(skipped);
    LimitBlock();
    return true;
}

}  // namespace tsy::proof
