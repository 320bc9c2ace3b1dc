// The letters a printed hexadecimal digit is taken for: the scan maps the
// letters the recognition engine reads to the digits they stand for.
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

}  // namespace tsy
