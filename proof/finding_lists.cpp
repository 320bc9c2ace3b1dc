#include "proof/finding_lists.h"

#include <cstring>

#include "proof/finding_text.h"

namespace tsy::proof {
namespace {

constexpr std::size_t kFindingTextSize = 2048;

// Every finding's text, its lines joined by `line_end`.
class FindingTexts final : public FindingSink {
  public:
    FindingTexts(const char* line_end, std::string* text) : line_end_(line_end), text_(text) {}

    void Report(const Finding& finding) override {
        char text[kFindingTextSize];
        FormatFinding(finding, text, sizeof text);
        Add(text);
    }

    void Add(const char* text) {
        for (const char* p = text; *p != '\0'; ++p) {
            if (*p == '\n') {
                *text_ += line_end_;
            } else {
                *text_ += *p;
            }
        }
        *text_ += line_end_;
    }

  private:
    const char* line_end_;
    std::string* text_;
};

}  // namespace

void WarningSink::Report(const Finding& finding) {
    if (!IsWarning(finding.kind)) {
        return;
    }
    if (warnings_->lines.size() < limit_) {
        char text[kFindingTextSize];
        FormatFinding(finding, text, sizeof text);
        const char* end = std::strchr(text, '\n');
        warnings_->lines.emplace_back(text, end != nullptr ? end - text : std::strlen(text));
    }
    ++warnings_->count;
}

std::string ListingFindings(const char* path, const ListingOptions& options, const char* line_end) {
    std::string text;
    FindingTexts sink(line_end, &text);
    const CheckRun run = CheckListing(path, options, &sink);
    if (run.status == CheckStatus::Checked) {
        char summary[kFindingTextSize];
        FormatSummary(run.summary, summary, sizeof summary);
        sink.Add(summary);
    }
    return text;
}

}  // namespace tsy::proof
