// The program-wide error report of the listing reader, shown by the ResultBox.
#pragma once

#include <cstddef>

namespace tsy {

// 512 bytes: one zero-terminated Shift-JIS report of at most 511 bytes.
inline constexpr std::size_t kResultTextSize = 512;
extern char ResultText[kResultTextSize];

}  // namespace tsy
