#include "support/SdlEvents.h"

#include "platform/sdl/Desktop.h"

#include <SDL.h>

namespace testsupport {

namespace {

// The window with the focus, where there is one, as SDL's own events name it.
Uint32 focus() {
  SDL_Window *window = SDL_GetKeyboardFocus();
  return window != nullptr ? SDL_GetWindowID(window) : 0;
}

bool key(Uint32 type, SDL_Keycode sym, Uint16 mod, bool repeat) {
  SDL_Event event{};
  event.key.type = type;
  event.key.windowID = focus();
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = repeat ? 1 : 0;
  event.key.keysym = {SDL_GetScancodeFromKey(sym), sym, mod, 0};
  return SDL_PushEvent(&event) == 1;
}

} // namespace

bool SimulateKeyDown(const char *keyName, bool altHeld, bool repeat, bool numLock) {
  const SDL_Keycode sym = SDL_GetKeyFromName(keyName);
  return sym != SDLK_UNKNOWN &&
         key(SDL_KEYDOWN, sym, (altHeld ? KMOD_LALT : 0) | (numLock ? KMOD_NUM : 0), repeat);
}

bool SimulateEvent(SimulatedEvent kind) {
  if (kind == SimulatedEvent::keyUp)
    return key(SDL_KEYUP, SDLK_LEFT, 0, false);
  SDL_Event event{};
  if (kind == SimulatedEvent::textInput) {
    event.text.type = SDL_TEXTINPUT;
    event.text.windowID = focus();
    event.text.text[0] = ' ';
  } else if (kind == SimulatedEvent::quit) {
    event.type = SDL_QUIT;
  } else if (kind == SimulatedEvent::audioRemoved) {
    // The open output, as SDL reports it when it is unplugged.
    event.adevice.type = SDL_AUDIODEVICEREMOVED;
    event.adevice.which = ruzoz::platform::AudioDeviceId();
  } else {
    event.window.type = SDL_WINDOWEVENT;
    event.window.windowID = focus();
    event.window.event =
        kind == SimulatedEvent::windowClose ? SDL_WINDOWEVENT_CLOSE : SDL_WINDOWEVENT_EXPOSED;
  }
  return SDL_PushEvent(&event) == 1;
}

} // namespace testsupport
