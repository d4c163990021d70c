#include "platform/Window.h"

namespace ruzoz::platform {

namespace {

bool wholeNumbersOnly = false;

} // namespace

// The presenter scales by whole numbers in any case, so far.
void SetIntegerScale(bool on) { wholeNumbersOnly = on; }

} // namespace ruzoz::platform
