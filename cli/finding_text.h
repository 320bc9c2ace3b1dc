// The texts of the findings that are not refusals (skipped lines, address
// steps, look-alike tokens, jumps) and of the diagnoses that name lines and
// tokens rather than bytes.
#pragma once

#include "proof/finding.h"
#include "resources/message.h"

namespace tsy::cli {

// The first line of a finding that is not a Refusal: its heading, with a tag
// in place of the E code, and what the line shows.
void FormatNotice(const proof::Finding& finding, TextOut* text);

// One diagnosis of the kinds from AddressReading on, `sure` its certainty
// word; `finding` is the finding it belongs to.
void AddLineDiagnosis(const proof::Finding& finding, const proof::Diagnosis& d, const char* sure,
                      TextOut* text);

}  // namespace tsy::cli
