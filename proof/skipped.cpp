#include "proof/skipped.h"

#include <cstdio>
#include <cstring>

#include "proof/misreading.h"
#include "resources/characters.h"

namespace tsy::proof {
namespace {

// The four-digit addresses `field` may be meant as; returns how many.
int Candidates(const char* raw_field, const char* field, std::size_t length, SkipReason reason,
               std::int32_t* candidates) {
    int count = 0;
    auto add = [&](const char* text) {
        const std::int32_t value = HexValue(text, 4);
        for (int i = 0; i < count; ++i) {
            if (candidates[i] == value) {
                return;
            }
        }
        if (count < kMaxAddressCandidates) {
            candidates[count++] = value;
        }
    };
    char text[5] = {};
    switch (reason) {
        case SkipReason::Indented:
            add(field);
            break;
        case SkipReason::ShortAddress:
            // One digit left out: each place, each digit.
            for (std::size_t at = 0; at <= length; ++at) {
                for (int d = 0; d < 16; ++d) {
                    std::memcpy(text, field, at);
                    text[at] = kUpperHexDigits[d];
                    std::memcpy(text + at + 1, field + at, length - at);
                    add(text);
                }
            }
            break;
        case SkipReason::LongAddress:
            // One digit too many: each one left out.
            for (std::size_t at = 0; at < length; ++at) {
                std::memcpy(text, field, at);
                std::memcpy(text + at, field + at + 1, length - at - 1);
                add(text);
            }
            break;
        case SkipReason::LookAlike:
        case SkipReason::FullWidth: {
            Quote spellings[kMaxReadings];
            const int spelled = Respell(raw_field, length, spellings, kMaxReadings);
            for (int i = 0; i < spelled; ++i) {
                const char* s = spellings[i].text;
                if (std::strlen(s) == 4 && IsUpperHexDigit(s[0]) && IsUpperHexDigit(s[1]) &&
                    IsUpperHexDigit(s[2]) && IsUpperHexDigit(s[3])) {
                    add(s);
                }
            }
            break;
        }
    }
    return count;
}

// Whether the four-character address field `field` is the address
// `continuing` with one character typed as no hex digit: a neighbouring
// key (B0P8 for B008), which no look-alike reading answers.
bool OneKeyFromContinuing(const char* field, std::size_t length, std::int32_t continuing) {
    if (length != 4 || continuing < 0 || continuing > 0xFFFF) {
        return false;
    }
    char expected[5];
    std::snprintf(expected, sizeof expected, "%04X", static_cast<unsigned>(continuing));
    int other = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (IsUpperHexDigit(field[i])) {
            if (field[i] != expected[i]) {
                return false;
            }
        } else {
            ++other;
        }
    }
    return other == 1;
}

bool AllHex(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (!IsUpperHexDigit(text[i])) {
            return false;
        }
    }
    return true;
}

// Whether every data token of the line after its address field is two
// characters long, as the data tokens of listings are.
bool PairsOnly(const char* upper, std::size_t length, const ListingOptions& options, int count) {
    Tokenizer tokens(upper, length);
    Token token;
    tokens.Next(&token);
    int k = 0;
    while (k < count && tokens.Next(&token)) {
        if (options.ohx_crc && MakeTokenWindow(token, options.ohmz_sum).text[0] == ':') {
            continue;
        }
        if (token.length != 2) {
            return false;
        }
        ++k;
    }
    return k == count;
}

// Replaces the kept data token `window` of the line `patched` (`length`
// bytes: a stand-in address of four bytes, then the rest of the line, which
// `rest` holds as read) by its only hex reading. Returns the new length, 0
// when the token has no single reading.
std::size_t ReadOneToken(const char* rest, char* patched, std::size_t length,
                         const ListingOptions& options, int window) {
    Tokenizer tokens(patched, length);
    Token token;
    tokens.Next(&token);  // the address
    for (int k = 0; tokens.Next(&token);) {
        if (options.ohx_crc && MakeTokenWindow(token, options.ohmz_sum).text[0] == ':') {
            continue;
        }
        if (k++ < window) {
            continue;
        }
        Reading readings[kMaxReadings];
        const std::size_t at = static_cast<std::size_t>(token.text - patched);
        if (ReadAsHex(rest + (at - 4), token.length, options.ohmz_sum, readings) != 1) {
            return 0;
        }
        const std::size_t reading = std::strlen(readings[0].text.text);
        const std::size_t after = at + token.length;
        std::memmove(patched + at + reading, patched + after, length - after + 1);
        std::memcpy(patched + at, readings[0].text.text, reading);
        return length - token.length + reading;
    }
    return 0;
}

}  // namespace

bool ReadSkippedLine(const char* raw, const char* upper, std::size_t length, bool five_digits,
                     std::int32_t continuing, const ListingOptions& options,
                     DataLineResult* scratch, SkippedRecord* skipped, RecordedLine* line) {
    std::size_t at = 0;
    while (at < length && (upper[at] == ' ' || upper[at] == '\t')) {
        ++at;
    }
    std::size_t end = at;
    while (end < length && !IsTokenSeparator(upper[end])) {
        ++end;
    }
    std::size_t field_end = end;
    if (field_end > at && upper[field_end - 1] == ':') {
        --field_end;  // an address written as C010:
    }
    const char* field = upper + at;
    const std::size_t field_length = field_end - at;
    if (field_length < 3) {
        return false;
    }
    const bool all_hex = AllHex(field, field_length);
    SkipReason reason;
    if (five_digits) {
        if (field_length != 5 || !all_hex) {
            return false;
        }
        reason = SkipReason::LongAddress;
    } else if (all_hex && field_length == 4 && at > 0) {
        reason = SkipReason::Indented;
    } else if (all_hex && field_length == 3) {
        reason = SkipReason::ShortAddress;
    } else if (!all_hex) {
        reason = SkipReason::LookAlike;
    } else {
        return false;
    }
    skipped->reason = reason;
    skipped->typed = MakeQuote(raw + at, end - at);
    skipped->candidate_count =
        Candidates(raw + at, field, field_length, reason, skipped->candidates);
    if (reason == SkipReason::LookAlike && OneKeyFromContinuing(field, field_length, continuing)) {
        bool known = false;
        for (int i = 0; i < skipped->candidate_count; ++i) {
            known = known || skipped->candidates[i] == continuing;
        }
        if (!known && skipped->candidate_count < kMaxAddressCandidates) {
            skipped->candidates[skipped->candidate_count++] = continuing;
        }
    }
    if (skipped->candidate_count == 0) {
        return false;
    }

    // The rest of the line behind a stand-in address that adds nothing.
    char patched[kLineBufferSize];
    const std::size_t rest = length - end;
    std::memcpy(patched, "0000", 4);
    std::memcpy(patched + 4, upper + end, rest);
    std::size_t patched_length = 4 + rest;
    patched[patched_length] = '\0';
    EvaluateDataLine(patched, patched_length, options, scratch);
    if (scratch->outcome == LineOutcome::E00) {
        // One data token with a look-alike of its own, read by its only reading.
        patched_length =
            ReadOneToken(raw + end, patched, patched_length, options, scratch->bad_window);
        if (patched_length == 0) {
            return false;
        }
        EvaluateDataLine(patched, patched_length, options, scratch);
    }
    // A single byte, a block's short last row, is data where the line's
    // address continues the line before: a zero there changes no sum, and
    // nothing else would tell the line was skipped.
    bool continues = false;
    for (int i = 0; i < skipped->candidate_count; ++i) {
        continues = continues || (continuing >= 0 && skipped->candidates[i] == continuing);
    }
    const LineOutcome outcome = scratch->outcome;
    if ((outcome != LineOutcome::Accepted && outcome != LineOutcome::E02 &&
         outcome != LineOutcome::E03) ||
        scratch->count < (continues ? 1 : 2) || (options.checksum && !scratch->checksum_given) ||
        !PairsOnly(patched, patched_length, options, scratch->count)) {
        return false;
    }
    skipped->checksum_given = options.checksum;
    skipped->data_sum = scratch->line_sum;
    skipped->given = static_cast<std::uint32_t>(scratch->given_value);

    *line = RecordedLine();
    line->address = -1;
    line->skipped = true;
    line->count = scratch->count;
    for (int k = 0; k < scratch->count; ++k) {
        line->values[k] = static_cast<std::uint16_t>(scratch->values[k]);
    }
    return true;
}

Finding SkippedFinding(const SkippedRecord& skipped, std::uint32_t line_number) {
    Finding finding;
    finding.kind = FindingKind::SkippedLine;
    finding.code = LineOutcome::Ignored;
    finding.line_number = line_number;
    finding.skip = skipped.reason;
    finding.given = skipped.typed;
    std::memcpy(finding.address_text, skipped.typed.text, sizeof finding.address_text - 1);
    return finding;
}

}  // namespace tsy::proof
