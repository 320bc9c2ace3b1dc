// The text of what proofreading reports, for every front end: a finding with
// its diagnoses, and the summary of a run. Shift-JIS, from the texts of
// resources/check_texts.h.
#pragma once

#include <cstddef>

#include "proof/finding.h"
#include "resources/message.h"

namespace tsy::proof {

// The Shift-JIS text of one finding, cut to `capacity` bytes: its first line
// (line number, address field, code and the line's report), then one line
// per diagnosis, joined by line feeds, without a final one.
void FormatFinding(const Finding& finding, char* out, std::size_t capacity);

// One diagnosis of `finding` as FormatFinding shows it, alone: its indent,
// certainty word and text.
void FormatDiagnosis(const Finding& finding, const Diagnosis& diagnosis, char* out,
                     std::size_t capacity);

// The Shift-JIS summary line of a run.
void FormatSummary(const CheckSummary& summary, char* out, std::size_t capacity);

// The first line of a finding that is not a Refusal: its heading, with a tag
// in place of the E code, and what the line shows.
void FormatNotice(const Finding& finding, TextOut* text);

// One diagnosis of the kinds from AddressReading on, `sure` its certainty
// word; `finding` is the finding it belongs to.
void AddLineDiagnosis(const Finding& finding, const Diagnosis& d, const char* sure, TextOut* text);

}  // namespace tsy::proof
