// The report the ResultBox shows: the dialog copies a listing's error report
// into it before it opens the box, which reads it once when it opens.
#pragma once

#include <cstddef>
#include <string>

namespace tsy {

// 512 bytes: one zero-terminated Shift-JIS report of at most 511 bytes.
inline constexpr std::size_t kResultTextSize = 512;
extern char ResultText[kResultTextSize];

// What the ResultBox shows below the report: the findings of the whole
// listing (Shift-JIS, CR LF line ends), at most kResultFindingsSize bytes.
inline constexpr std::size_t kResultFindingsSize = 30000;
extern std::string ResultFindings;

}  // namespace tsy
