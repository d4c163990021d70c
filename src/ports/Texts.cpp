#include "ports/Texts.h"

namespace ruzoz {

const char *errorMessage = nullptr;

} // namespace ruzoz
