// The report the ResultBox shows: the dialog copies a listing's error report
// into it before it opens the box, which reads it once when it opens.
#pragma once

#include <cstddef>

namespace tsy {

// 512 bytes: one zero-terminated Shift-JIS report of at most 511 bytes.
inline constexpr std::size_t kResultTextSize = 512;
extern char ResultText[kResultTextSize];

}  // namespace tsy
