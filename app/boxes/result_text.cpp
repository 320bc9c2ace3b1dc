#include "app/boxes/result_text.h"

namespace tsy {

char ResultText[kResultTextSize];

}  // namespace tsy
