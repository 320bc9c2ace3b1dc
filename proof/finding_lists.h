// A listing's findings as text, for the front ends that tell them after an
// apply: the warnings of an apply that completed (what it took without a
// word), gathered on the apply's own read, and everything check reports of
// the whole listing for one that was refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "listing/listing_options.h"
#include "listing/listing_reader.h"
#include "proof/apply_watch.h"
#include "proof/listing_check.h"

namespace tsy::proof {

struct WarningLines {
    std::vector<std::string> lines;  // the first line of each of the first ones (Shift-JIS)
    std::uint32_t count = 0;         // how many warnings there are in all
    CheckRun run;
};

// Keeps the text of at most `limit` warnings, and counts them all.
class WarningSink final : public FindingSink {
  public:
    WarningSink(std::size_t limit, WarningLines* warnings) : limit_(limit), warnings_(warnings) {}
    void Report(const Finding& finding) override;

  private:
    std::size_t limit_;
    WarningLines* warnings_;
};

// The warnings of an apply (every finding IsWarning takes: a skipped line
// that looks like data, an address step, a look-alike letter, the digits of
// a total), gathered as the apply's reader reads: give it to the apply as
// its observer, then call Finish once the apply has read to the end. About
// 1 KB, with the blocks it holds on the heap.
class ApplyWarnings final : public LineObserver {
  public:
    ApplyWarnings(const ListingOptions& options, std::size_t limit)
        : sink_(limit, &warnings_), watch_(options, &sink_) {}
    void Line(const ObservedLine& line) override { watch_.Line(line); }
    const WarningLines& Finish() {
        watch_.Finish();
        return warnings_;
    }

  private:
    WarningLines warnings_;
    WarningSink sink_;
    ApplyWatch watch_;
};

// Every finding of the listing at `path` as check prints it, then its
// summary; lines joined by `line_end`.
std::string ListingFindings(const char* path, const ListingOptions& options, const char* line_end);

}  // namespace tsy::proof
