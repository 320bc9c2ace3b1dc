#include "proof/finding.h"

#include <cstring>

#include "listing/report.h"

namespace tsy::proof {

Quote MakeQuote(const char* text, std::size_t length) {
    Quote quote;
    const std::size_t kept = ShiftJisPrefix(text, length, kQuoteSize - 1);
    std::memcpy(quote.text, text, kept);
    quote.text[kept] = '\0';
    return quote;
}

void Finding::Add(const Diagnosis& diagnosis) {
    if (diagnosis_count < kMaxDiagnoses) {
        diagnoses[diagnosis_count++] = diagnosis;
    } else {
        ++diagnoses_left_out;
    }
}

}  // namespace tsy::proof
