// The characters a printed hexadecimal digit is taken for: letters read or
// typed in place of a digit, and digits that look alike in print. The
// proofreader names such a letter in a typed listing and weighs a typo
// between look-alike digits as the likeliest; the scan maps the letters the
// recognition engine reads to the digits they stand for.
#pragma once

namespace tsy {

// A letter that stands for a digit, or for either of two.
struct LetterLookAlike {
    char letter;
    char digit;
    char other;  // the second digit it may stand for; 0 when none
};

inline constexpr LetterLookAlike kLetterLookAlikes[] = {
    {'O', '0', 0}, {'o', '0', 0}, {'I', '1', 0}, {'i', '1', 0},   {'L', '1', 0},
    {'l', '1', 0}, {'|', '1', 0}, {'Z', '2', 0}, {'z', '2', 0},   {'S', '5', 0},
    {'s', '5', 0}, {'g', '9', 0}, {'q', '9', 0}, {'G', '6', 'C'},
};

// The entry of `c` in kLetterLookAlikes, or nullptr.
inline const LetterLookAlike* FindLetterLookAlike(char c) {
    for (const LetterLookAlike& entry : kLetterLookAlikes) {
        if (entry.letter == c) {
            return &entry;
        }
    }
    return nullptr;
}

// Pairs of digit values that look alike in print.
inline constexpr unsigned char kLookAlikeDigits[][2] = {
    {0x0, 0x8}, {0x0, 0xD}, {0x8, 0xB}, {0x1, 0x7}, {0x3, 0x8},
    {0x5, 0x6}, {0x6, 0x8}, {0x8, 0x9}, {0xE, 0xF},
};

inline bool LookAlikeDigits(unsigned a, unsigned b) {
    for (const auto& pair : kLookAlikeDigits) {
        if ((pair[0] == a && pair[1] == b) || (pair[0] == b && pair[1] == a)) {
            return true;
        }
    }
    return false;
}

}  // namespace tsy
