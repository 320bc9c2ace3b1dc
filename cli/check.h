// The proofreading command: tsypatch check [LISTING OPTIONS] LISTING.
#pragma once

#include <cstddef>

#include "cli/options.h"
#include "proof/finding.h"

namespace tsy::cli {

// Proofreads options.dump_path under options.dump.listing: every finding on
// standard output in listing order, then the summary line and, when there is
// an error or warning, the convention that reads the listing better; a
// listing that cannot be opened or read is told on standard error. Returns 0
// for a clean listing (notes aside), 1 when there is an error or warning, 3
// when the file cannot be read. With --detect, RunDetect instead; with
// --fix, the fixed listing is written too (check_fix.h): 2 when it would
// be the listing itself, 3 when it cannot be written.
int RunCheck(const CliOptions& options);

// The Shift-JIS text of one finding, cut to `capacity` bytes: its first line
// (line number, address field, code and the line's report), then one line
// per diagnosis, joined by line feeds, without a final one.
void FormatFinding(const proof::Finding& finding, char* out, std::size_t capacity);

// One diagnosis of `finding` as FormatFinding shows it, alone: its indent,
// certainty word and text.
void FormatDiagnosis(const proof::Finding& finding, const proof::Diagnosis& diagnosis, char* out,
                     std::size_t capacity);

// The Shift-JIS summary line of a run.
void FormatSummary(const proof::CheckSummary& summary, char* out, std::size_t capacity);

}  // namespace tsy::cli
