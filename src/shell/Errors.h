#pragma once

namespace ruzoz {

// The one error channel of start-up (and of a failed sound restore in play):
// a constant text, null when there is none. ShutDown shows and clears it.
extern const char *errorMessage;

} // namespace ruzoz
