#include "proof/token_readings.h"

#include <cstring>

#include "proof/misreading.h"

namespace tsy::proof {
namespace {

// The most combinations of readings tried for one data line.
constexpr int kMaxTrials = 64;

}  // namespace

int KeptTokens(const char* upper, std::size_t length, const ListingOptions& options,
               Token* tokens) {
    Tokenizer tokenizer(upper, length);
    Token token;
    tokenizer.Next(&token);  // the address field
    int count = 0;
    while (count < kMaxWindows && tokenizer.Next(&token)) {
        if (options.ohx_crc && MakeTokenWindow(token, options.ohmz_sum).text[0] == ':') {
            continue;
        }
        tokens[count++] = token;
    }
    return count;
}

bool HasLookAlike(const char* raw, std::size_t length) {
    // The look-alike letters and 0x82, marked in a table of every byte.
    struct Table {
        bool marked[256];
        constexpr Table() : marked() {
            for (const char* letter = "OoIiLlSsZzGgq|"; *letter != '\0'; ++letter) {
                marked[static_cast<unsigned char>(*letter)] = true;
            }
            marked[0x82] = true;
        }
    };
    static constexpr Table kTable;
    for (std::size_t i = 0; i < length; ++i) {
        if (kTable.marked[static_cast<unsigned char>(raw[i])]) {
            return true;
        }
    }
    return false;
}

bool ReadUnreadable(const char* raw, const char* upper, std::size_t length,
                    const ListingOptions& options, DataLineResult* data, RecordedLine* line,
                    Finding* finding) {
    // Only a line sum can tell a right reading from a wrong one.
    if (!options.checksum) {
        return false;
    }
    Token tokens[kMaxWindows];
    KeptTokens(upper, length, options, tokens);
    int unreadable[kMaxWindows];
    int unreadable_count = 0;
    Reading readings[kMaxWindows][kMaxReadings];
    int reading_counts[kMaxWindows] = {};
    int trials = 1;
    for (int k = 0; k < data->count; ++k) {
        const TokenWindow& window = data->windows[k];
        if (PassesPairTest(window.text, window.length)) {
            continue;
        }
        const int count = ReadAsHex(RawText(raw, upper, tokens[k]), tokens[k].length,
                                    options.ohmz_sum, readings[unreadable_count]);
        trials *= count;
        if (count == 0 || trials > kMaxTrials) {
            return false;
        }
        reading_counts[unreadable_count] = count;
        unreadable[unreadable_count++] = k;
    }

    // Each trial is the line with its unreadable tokens replaced by one
    // reading each, evaluated as any data line; it must come out accepted.
    int matches = 0;
    int match = 0;
    DataLineResult trial;
    DataLineResult matched;
    char patched[kLineBufferSize];
    for (int t = 0; t < trials; ++t) {
        std::size_t at = 0;
        const char* from = upper;
        int pick = t;
        for (int u = 0; u < unreadable_count; ++u) {
            const Token& token = tokens[unreadable[u]];
            const Quote& text = readings[u][pick % reading_counts[u]].text;
            pick /= reading_counts[u];
            const std::size_t before = static_cast<std::size_t>(token.text - from);
            std::memcpy(patched + at, from, before);
            at += before;
            const std::size_t text_length = std::strlen(text.text);
            std::memcpy(patched + at, text.text, text_length);
            at += text_length;
            from = token.text + token.length;
        }
        const std::size_t rest = static_cast<std::size_t>(upper + length - from);
        if (at + rest >= kLineBufferSize) {
            return false;
        }
        std::memcpy(patched + at, from, rest);
        at += rest;
        patched[at] = '\0';
        EvaluateDataLine(patched, at, options, &trial);
        if (trial.outcome == LineOutcome::Accepted) {
            ++matches;
            match = t;
            matched = trial;
        }
    }
    if (matches != 1) {
        return false;
    }
    *data = matched;
    for (int u = 0, pick = match; u < unreadable_count; ++u) {
        const int k = unreadable[u];
        Diagnosis diagnosis;
        diagnosis.kind = DiagnosisKind::Misreading;
        diagnosis.column = k;
        diagnosis.token = MakeQuote(RawText(raw, upper, tokens[k]), tokens[k].length);
        diagnosis.reading = readings[u][pick % reading_counts[u]].text;
        pick /= reading_counts[u];
        finding->Add(diagnosis);
        line->misread_windows |= 1u << k;
    }
    return true;
}

bool MarkUnreadable(const char* raw, const char* upper, std::size_t length,
                    const ListingOptions& options, int count, RecordedLine* line, char* patched) {
    Token tokens[kMaxWindows];
    if (KeptTokens(upper, length, options, tokens) < count) {
        return false;
    }
    RecordedLine marked;
    int unknown = 0;
    for (int k = 0; k < count; ++k) {
        const Token& token = tokens[k];
        if (PassesPairTest(token.text, token.length)) {
            continue;
        }
        if (token.length != 2 || unknown == kMaxUnknownWindows) {
            return false;
        }
        for (int i = 0; i < 2; ++i) {
            if (!IsUpperHexDigit(token.text[i])) {
                (i == 0 ? marked.unknown_high : marked.unknown_low) |= 1u << k;
                if (patched != nullptr) {
                    patched[token.text - upper + i] = '0';
                }
            }
        }
        std::memcpy(marked.unknown_text[unknown], RawText(raw, upper, token), 2);
        marked.unknown_text[unknown++][2] = '\0';
    }
    line->unknown_high = marked.unknown_high;
    line->unknown_low = marked.unknown_low;
    std::memcpy(line->unknown_text, marked.unknown_text, sizeof line->unknown_text);
    return true;
}

bool StandInUnreadable(const char* raw, const char* upper, std::size_t length,
                       const ListingOptions& options, DataLineResult* data, RecordedLine* line) {
    if (length >= kLineBufferSize) {
        return false;
    }
    char patched[kLineBufferSize];
    std::memcpy(patched, upper, length);
    patched[length] = '\0';
    const int count =
        options.checksum && data->window_count > 0 ? data->window_count - 1 : data->window_count;
    RecordedLine marked;
    if (!MarkUnreadable(raw, upper, length, options, count, &marked, patched)) {
        return false;
    }
    EvaluateDataLine(patched, length, options, data);
    if (data->outcome == LineOutcome::E00 || data->outcome == LineOutcome::Ignored) {
        return false;
    }
    line->unknown_high = marked.unknown_high;
    line->unknown_low = marked.unknown_low;
    std::memcpy(line->unknown_text, marked.unknown_text, sizeof line->unknown_text);
    return true;
}

void ReadChecksum(const char* raw, const char* upper, std::size_t length,
                  const ListingOptions& options, const DataLineResult& data, RecordedLine* line,
                  Finding* finding) {
    // A window of hexadecimal digits only reads as it stands.
    if (AllDigits(data.given_checksum)) {
        return;
    }
    Token tokens[kMaxWindows];
    const int count = KeptTokens(upper, length, options, tokens);
    const Token& token = tokens[count - 1];
    Reading readings[kMaxReadings];
    const int reading_count =
        ReadAsHex(RawText(raw, upper, token), token.length, options.ohmz_sum, readings);
    int matches = 0;
    const Reading* match = nullptr;
    for (int i = 0; i < reading_count; ++i) {
        if (readings[i].value == static_cast<std::int32_t>(data.line_sum)) {
            ++matches;
            match = &readings[i];
        }
    }
    if (matches != 1) {
        return;
    }
    Diagnosis diagnosis;
    diagnosis.kind = DiagnosisKind::Misreading;
    diagnosis.column = -1;
    diagnosis.token = MakeQuote(RawText(raw, upper, token), token.length);
    diagnosis.reading = match->text;
    finding->Add(diagnosis);
    line->checksum_misread = true;
}

bool LookAlikeChecksum(const char* raw, const char* upper, std::size_t length,
                       const ListingOptions& options, const DataLineResult& data,
                       std::uint32_t line_number, Finding* out) {
    if (AllDigits(data.given_checksum)) {
        return false;
    }
    Token tokens[kMaxWindows];
    const int count = KeptTokens(upper, length, options, tokens);
    const Token& token = tokens[count - 1];
    const char* text = RawText(raw, upper, token);
    if (!HasLookAlike(text, token.length)) {
        return false;
    }
    Reading readings[kMaxReadings];
    const int reading_count = ReadAsHex(text, token.length, options.ohmz_sum, readings);
    if (reading_count == 0) {
        return false;
    }
    const Reading* reading = &readings[0];
    int matches = 0;
    for (int i = 0; i < reading_count; ++i) {
        if (readings[i].value == static_cast<std::int32_t>(data.line_sum)) {
            reading = &readings[i];
            ++matches;
        }
    }
    Finding finding;
    finding.kind = FindingKind::LookAlike;
    finding.role = TokenRole::Checksum;
    finding.line_number = line_number;
    std::memcpy(finding.address_text, data.address_text, sizeof finding.address_text);
    finding.given = MakeQuote(text, token.length);
    finding.computed = static_cast<std::uint32_t>(data.given_value);
    Diagnosis diagnosis;
    diagnosis.kind = DiagnosisKind::TokenMisreading;
    diagnosis.role = TokenRole::Checksum;
    // The line sum agrees with exactly one reading, or the data differ from it too.
    diagnosis.certainty = matches == 1 ? Certainty::Certain : Certainty::Likely;
    diagnosis.token = finding.given;
    diagnosis.reading = reading->text;
    finding.Add(diagnosis);
    *out = finding;
    return true;
}

Quote ReadSumColumn(const char* raw, const char* upper, const CheckLineResult& check,
                    std::uint32_t computed) {
    Reading readings[kMaxReadings];
    const int count =
        ReadAsHex(RawText(raw, upper, check.bad_token), check.bad_token.length, false, readings);
    int matches = 0;
    Quote match;
    for (int i = 0; i < count; ++i) {
        if (readings[i].value == static_cast<std::int32_t>(computed)) {
            ++matches;
            match = readings[i].text;
        }
    }
    return matches == 1 ? match : Quote();
}

Token ComparedPart(Token token, TokenRole role) {
    switch (role) {
        case TokenRole::Total:
            if (token.length > 2) {
                token.text += token.length - 2;
                token.length = 2;
            }
            break;
        case TokenRole::Crc:
            token.length = token.length < 4 ? token.length : 4;
            break;
        case TokenRole::DashedTotal:
            if (token.length > 4) {
                token.text += token.length - 4;
                token.length = 4;
            }
            break;
        case TokenRole::Checksum:
            break;
    }
    return token;
}

bool FourDigitTotal(const char* text, std::size_t length) {
    if (length != 4) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        if (!IsUpperHexDigit(text[i])) {
            return false;
        }
    }
    return true;
}

int ReadTotal(const char* raw, std::size_t length, TokenRole role, std::uint32_t sum, int* matches,
              Quote* match) {
    *matches = 0;
    if (!HasLookAlike(raw, length)) {
        return 0;
    }
    Quote spellings[kMaxReadings];
    const int count = Respell(raw, length, spellings, kMaxReadings);
    int found = -1;
    for (int i = 0; i < count; ++i) {
        const Token spelled{spellings[i].text, std::strlen(spellings[i].text)};
        const bool whole = role == TokenRole::Total && FourDigitTotal(spelled.text, spelled.length);
        const Token part = whole ? spelled : ComparedPart(spelled, role);
        const std::uint32_t mask = whole || role != TokenRole::Total ? 0xFFFFu : 0xFFu;
        if (PassesPairTest(part.text, part.length) &&
            static_cast<std::uint32_t>(HexValue(part.text, part.length)) == (sum & mask)) {
            found = i;
            ++*matches;
        }
    }
    if (count > 0) {
        *match = spellings[*matches == 1 ? found : 0];
    }
    return count;
}

}  // namespace tsy::proof
