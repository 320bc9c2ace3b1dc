// Character classes of the texts the program reads and shows.
#pragma once

namespace tsy {

// The upper-case hexadecimal digits in order of value, the digit of value v
// at index v.
inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// The value of '0'..'9' and upper-case 'A'..'F', or -1 for any other byte,
// by one table look-up: the listing reader asks it for every digit.
inline int UpperHexDigitValue(char c) {
    struct Table {
        signed char value[256];
        constexpr Table() : value() {
            for (int i = 0; i < 256; ++i) {
                value[i] = -1;
            }
            for (int i = 0; i < 10; ++i) {
                value['0' + i] = static_cast<signed char>(i);
            }
            for (int i = 0; i < 6; ++i) {
                value['A' + i] = static_cast<signed char>(10 + i);
            }
        }
    };
    static constexpr Table kTable;
    return kTable.value[static_cast<unsigned char>(c)];
}

// The value of a hexadecimal digit in either case, or -1 for any other byte;
// an upper-case digit, the common one, by the table.
inline int HexDigitValue(char c) {
    const int upper = UpperHexDigitValue(c);
    if (upper >= 0) {
        return upper;
    }
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// '0'..'9' and upper-case 'A'..'F' only: listing lines are upper-cased first,
// and the digits a listing's checks accept are these. By the table, since
// the digits of a listing follow no pattern that two range tests' branches
// could learn.
inline bool IsUpperHexDigit(char c) {
    return UpperHexDigitValue(c) >= 0;
}

// Whether a byte begins a Shift-JIS (code page 932) double-byte character.
inline bool IsShiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace tsy
