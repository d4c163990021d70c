#pragma once
// SDL's game controllers, fed into the pads' keys (ports/PadKeys.h).

#include "ports/PadKeys.h"

#include <SDL.h>

#include <cstdint>

namespace ruzoz::platform {

// SDL's game controllers: opened at start (false where SDL has none) and
// closed with every pad at the end.
bool OpenGamepads();
void CloseGamepads();
// Takes SDL's controller and joystick events (true), which reach the game
// only as the keys of Pads().
bool TakeGamepadEvent(const SDL_Event &event, std::uint64_t now);
PadKeys &Pads();

} // namespace ruzoz::platform
