// What became of one examined listing line, shared by the data-line and
// check-line evaluations, the reports and the reader's result.
#pragma once

namespace tsy {

// Accepted and Ignored let the run go on; every E code ends a run of the
// reader. E09 (a store outside the image or past 0xFFFF) comes from the
// store step, not from a line's own checks.
enum class LineOutcome : unsigned char {
    Accepted,
    Ignored,
    E00,  // a data window fails the hexadecimal pair test
    E02,  // line checksum mismatch, 12-bit (OhMzSum)
    E03,  // line checksum mismatch, 8-bit
    E04,  // a column token of a SumLine fails the pair test
    E05,  // one or more column sums of a SumLine mismatch
    E06,  // the total of a SumLine mismatches
    E07,  // the CRC of a SumLine mismatches (OhXCrc)
    E08,  // the total of a DashedLine mismatches
    E09,  // the bytes of a DataLine would land outside the image or past 0xFFFF
};

// Whether the outcome is an E code.
inline bool IsError(LineOutcome outcome) {
    return outcome != LineOutcome::Accepted && outcome != LineOutcome::Ignored;
}

// "E00" .. "E09" for an E code; "" for Accepted and Ignored.
const char* CodeName(LineOutcome outcome);

}  // namespace tsy
