#include "platform/Headless.h"

#include <SDL.h>

namespace ruzoz::platform {

void UseHeadlessDrivers() {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
  SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
}

} // namespace ruzoz::platform
