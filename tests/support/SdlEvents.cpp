#include "support/SdlEvents.h"

#include "platform/Audio.h"
#include "platform/sdl/Desktop.h"

#include <SDL.h>

namespace testsupport {

namespace {

// The window with the focus, where there is one, as SDL's own events name it.
Uint32 windowId() {
  SDL_Window *window = SDL_GetKeyboardFocus();
  return window != nullptr ? SDL_GetWindowID(window) : 0;
}

} // namespace

bool SimulateKeyDown(const char *keyName, bool altHeld, bool repeat, bool numLock) {
  const SDL_Keycode key = SDL_GetKeyFromName(keyName);
  if (key == SDLK_UNKNOWN)
    return false;
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.windowID = windowId();
  event.key.state = SDL_PRESSED;
  event.key.repeat = repeat ? 1 : 0;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  event.key.keysym.mod =
      static_cast<Uint16>((altHeld ? KMOD_LALT : KMOD_NONE) | (numLock ? KMOD_NUM : KMOD_NONE));
  return SDL_PushEvent(&event) == 1;
}

bool SimulateEvent(SimulatedEvent kind) {
  SDL_Event event{};
  switch (kind) {
  case SimulatedEvent::keyUp:
    event.type = SDL_KEYUP;
    event.key.windowID = windowId();
    event.key.state = SDL_RELEASED;
    event.key.keysym.sym = SDLK_LEFT;
    event.key.keysym.scancode = SDL_SCANCODE_LEFT;
    break;
  case SimulatedEvent::textInput:
    event.type = SDL_TEXTINPUT;
    event.text.windowID = windowId();
    event.text.text[0] = ' ';
    break;
  case SimulatedEvent::mouseMotion:
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = windowId();
    event.motion.x = 10;
    event.motion.y = 10;
    event.motion.xrel = 1;
    break;
  case SimulatedEvent::windowExposed:
  case SimulatedEvent::windowClose:
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = windowId();
    event.window.event =
        kind == SimulatedEvent::windowClose ? SDL_WINDOWEVENT_CLOSE : SDL_WINDOWEVENT_EXPOSED;
    break;
  case SimulatedEvent::quit:
    event.type = SDL_QUIT;
    break;
  case SimulatedEvent::audioRemoved:
    // The open output, as SDL reports it when it is unplugged.
    event.type = SDL_AUDIODEVICEREMOVED;
    event.adevice.which = ruzoz::platform::AudioDeviceId();
    event.adevice.iscapture = 0;
    break;
  }
  return SDL_PushEvent(&event) == 1;
}

} // namespace testsupport
