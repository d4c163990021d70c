#include "shell/Errors.h"

namespace ruzoz {

const char *errorMessage = nullptr;

} // namespace ruzoz
