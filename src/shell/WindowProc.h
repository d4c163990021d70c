#pragma once

#include "ports/Input.h"

namespace ruzoz {

// Turns one message into key and screen-state flags. Esc destroys the
// window: the destroy message shuts the game down and posts the quit message.
void WindowProc(const Message &message);

// Set by the quit message; the main loop ends before it would draw again.
extern bool quitPosted;
extern int quitCode;
void PostQuitMessage(int code);

} // namespace ruzoz
