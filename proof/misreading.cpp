#include "proof/misreading.h"

#include <cstring>

#include "listing/tokens.h"
#include "resources/characters.h"

namespace tsy::proof {
namespace {

// The characters one typed character may stand for: one or two.
struct Choices {
    char first = 0;
    char second = 0;
    int Count() const { return second != 0 ? 2 : 1; }
};

// The ASCII form of a full-width Shift-JIS character (lead, trail); 0 when
// it has none worth reading.
char FullWidthAscii(unsigned char lead, unsigned char trail) {
    if (lead == 0x82) {
        if (trail >= 0x4F && trail <= 0x58) {
            return static_cast<char>('0' + (trail - 0x4F));  // ０..９
        }
        if (trail >= 0x60 && trail <= 0x79) {
            return static_cast<char>('A' + (trail - 0x60));  // Ａ..Ｚ
        }
        if (trail >= 0x81 && trail <= 0x9A) {
            return static_cast<char>('a' + (trail - 0x81));  // ａ..ｚ
        }
    }
    if (lead == 0x81) {
        switch (trail) {
            case 0x40:
                return ' ';  // the full-width space
            case 0x44:
                return '.';  // ．
            case 0x46:
                return ':';  // ：
            case 0x69:
                return '(';  // （
            case 0x6A:
                return ')';  // ）
            default:
                break;
        }
    }
    return 0;
}

// What an ASCII character may have been meant as; false for a letter that
// stands for no hexadecimal digit. Digits and A..F stand for themselves,
// other punctuation too (the window decides whether it matters).
bool ChoicesFor(char c, Choices* choices) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) {
        choices->first = c;
        return true;
    }
    if (c >= 'a' && c <= 'f') {
        choices->first = static_cast<char>(c - 'a' + 'A');
        return true;
    }
    switch (c) {
        case 'O':
        case 'o':
            choices->first = '0';
            return true;
        case 'I':
        case 'i':
        case 'L':
        case 'l':
        case '|':
            choices->first = '1';
            return true;
        case 'Z':
        case 'z':
            choices->first = '2';
            return true;
        case 'S':
        case 's':
            choices->first = '5';
            return true;
        case 'G':
            choices->first = '6';
            choices->second = 'C';
            return true;
        case 'g':
        case 'q':
            choices->first = '9';
            return true;
        default:
            break;
    }
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        return false;
    }
    choices->first = c;
    return true;
}

}  // namespace

std::size_t HalfWidthLine(const char* raw, std::size_t length, char* out, std::uint16_t* from) {
    std::size_t at = 0;
    bool any = false;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char byte = static_cast<unsigned char>(raw[i]);
        if (IsShiftJisLead(byte) && i + 1 < length) {
            const char ascii = FullWidthAscii(byte, static_cast<unsigned char>(raw[i + 1]));
            if (ascii != 0) {
                from[at] = static_cast<std::uint16_t>(i);
                out[at++] = ascii;
                any = true;
            } else {
                from[at] = static_cast<std::uint16_t>(i);
                out[at++] = raw[i];
                from[at] = static_cast<std::uint16_t>(i + 1);
                out[at++] = raw[i + 1];
            }
            ++i;
            continue;
        }
        from[at] = static_cast<std::uint16_t>(i);
        out[at++] = raw[i];
    }
    out[at] = '\0';
    return any ? at : 0;
}

int Respell(const char* raw, std::size_t length, Quote* spellings, int capacity) {
    Choices choices[kQuoteSize - 1];
    std::size_t count = 0;
    int combinations = 1;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char byte = static_cast<unsigned char>(raw[i]);
        char ascii = static_cast<char>(byte);
        if (IsShiftJisLead(byte)) {
            if (i + 1 == length) {
                return 0;
            }
            ascii = FullWidthAscii(byte, static_cast<unsigned char>(raw[++i]));
        } else if (byte >= 0x80) {
            ascii = 0;
        }
        if (ascii == 0 || count == kQuoteSize - 1 || !ChoicesFor(ascii, &choices[count])) {
            return 0;
        }
        combinations *= choices[count].Count();
        if (combinations > capacity) {
            return 0;
        }
        ++count;
    }
    for (int pick = 0; pick < combinations; ++pick) {
        // Bit j of `pick` takes the second choice of the j-th two-way character.
        Quote& spelling = spellings[pick];
        spelling = Quote();
        int bit = 0;
        for (std::size_t j = 0; j < count; ++j) {
            char c = choices[j].first;
            if (choices[j].Count() == 2) {
                c = ((pick >> bit) & 1) != 0 ? choices[j].second : c;
                ++bit;
            }
            spelling.text[j] = c;
        }
    }
    return combinations;
}

int ReadAsHex(const char* raw, std::size_t length, bool ohmz_sum, Reading* readings) {
    Quote spellings[kMaxReadings];
    const int count = Respell(raw, length, spellings, kMaxReadings);
    int found = 0;
    for (int i = 0; i < count; ++i) {
        const Quote& text = spellings[i];
        const TokenWindow window =
            MakeTokenWindow(Token{text.text, std::strlen(text.text)}, ohmz_sum);
        if (!PassesPairTest(window.text, window.length)) {
            continue;
        }
        const std::int32_t value = HexValue(window.text, window.length);
        bool seen = false;
        for (int k = 0; k < found; ++k) {
            seen = seen || readings[k].value == value;
        }
        if (!seen) {
            readings[found].text = text;
            readings[found].value = value;
            ++found;
        }
    }
    return found;
}

}  // namespace tsy::proof
