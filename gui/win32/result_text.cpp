#include "gui/win32/result_text.h"

namespace tsy {

char ResultText[kResultTextSize];
std::string ResultFindings;

}  // namespace tsy
