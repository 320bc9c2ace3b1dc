#include "proof/convention.h"

#include <algorithm>
#include <vector>

namespace tsy::proof {
namespace {

// Counts nothing: the run's summary tells enough.
class NoFindings : public FindingSink {
  public:
    void Report(const Finding&) override {}
};

// Keeps the lines of the errors and warnings, in listing order.
class ProblemLines : public FindingSink {
  public:
    void Report(const Finding& finding) override {
        if (finding.kind != FindingKind::Jump &&
            (lines.empty() || lines.back() != finding.line_number)) {
            lines.push_back(finding.line_number);
        }
    }
    std::vector<std::uint32_t> lines;
};

ListingOptions Options(bool checksum, bool address_sum, bool lower_address_only, bool ohmz_sum,
                       bool ohx_crc) {
    ListingOptions options;
    options.checksum = checksum;
    options.address_sum = address_sum;
    options.lower_address_only = lower_address_only;
    options.ohmz_sum = ohmz_sum;
    options.ohx_crc = ohx_crc;
    return options;
}

CheckRun Run(const ListingInput& listing, const ListingOptions& options) {
    NoFindings none;
    return CheckListing(listing, options, &none);
}

bool Usable(const CheckRun& run) {
    return run.status == CheckStatus::Checked && run.summary.data_lines > 0;
}

}  // namespace

const ListingOptions kConventions[kConventionCount] = {
    Options(true, false, false, false, false), Options(true, true, false, false, false),
    Options(true, true, true, false, false),   Options(true, false, false, true, false),
    Options(true, true, false, true, false),   Options(true, true, true, true, false),
    Options(true, false, false, false, true),  Options(false, false, false, false, false),
};

bool SameConvention(const ListingOptions& a, const ListingOptions& b) {
    const bool a_sum = a.checksum && a.address_sum;
    const bool b_sum = b.checksum && b.address_sum;
    return a.checksum == b.checksum && a_sum == b_sum &&
           (!a_sum || a.lower_address_only == b.lower_address_only) && a.ohmz_sum == b.ohmz_sum &&
           a.ohx_crc == b.ohx_crc;
}

void TryConventions(const ListingInput& listing, CheckRun* runs) {
    for (int i = 0; i < kConventionCount; ++i) {
        runs[i] = Run(listing, kConventions[i]);
    }
}

BetterConvention FindBetterConvention(const ListingInput& listing, const ListingOptions& chosen) {
    BetterConvention better;
    ProblemLines own_lines;
    const CheckRun own = CheckListing(listing, chosen, &own_lines);
    if (!Usable(own) || Problems(own.summary) == 0) {
        return better;
    }
    better.before = Problems(own.summary);
    for (const ListingOptions& options : kConventions) {
        if (SameConvention(options, chosen)) {
            continue;
        }
        ProblemLines lines;
        const CheckRun run = CheckListing(listing, options, &lines);
        const std::uint32_t after = Problems(run.summary);
        // Better: no problem, or fewer with none on a line the chosen
        // convention reads without one (its problems are the listing's
        // own), or a quarter of four or more.
        bool within = true;
        for (const std::uint32_t line : lines.lines) {
            within =
                within && std::binary_search(own_lines.lines.begin(), own_lines.lines.end(), line);
        }
        const bool enough = after == 0 || (after < better.before && within) ||
                            (better.before >= 4 && after * 4 <= better.before);
        if (Usable(run) && enough && (!better.found || after < better.after)) {
            better.found = true;
            better.options = options;
            better.after = after;
            better.clean = after == 0;
        }
    }
    return better;
}

}  // namespace tsy::proof
