#include "platform/Events.h"

#include "platform/Audio.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/Gamepad.h"
#include "platform/sdl/SdlObjects.h"

#include <SDL.h>

#include <algorithm>

namespace ruzoz::platform {

namespace {

bool isEnter(SDL_Keycode key) {
  return key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_RETURN2;
}

int virtualKey(const SDL_Keysym &keysym) {
  const SDL_Keycode key = keysym.sym;
  // The keypad's arrows while NumLock is off; its digits are keys of no use.
  if ((keysym.mod & KMOD_NUM) == 0) {
    switch (key) {
    case SDLK_KP_4:
      return vkLeft;
    case SDLK_KP_6:
      return vkRight;
    case SDLK_KP_8:
      return vkUp;
    case SDLK_KP_2:
      return vkDown;
    default:
      break;
    }
  }
  switch (key) {
  case SDLK_LEFT:
    return vkLeft;
  case SDLK_RIGHT:
    return vkRight;
  case SDLK_UP:
    return vkUp;
  case SDLK_DOWN:
    return vkDown;
  case SDLK_LSHIFT:
  case SDLK_RSHIFT:
    return vkShift;
  case SDLK_SPACE:
    return vkSpace;
  case SDLK_ESCAPE:
    return vkEscape;
  default:
    break;
  }
  if (isEnter(key))
    return vkReturn;
  if (key >= SDLK_a && key <= SDLK_z)
    return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9)
    return '0' + (key - SDLK_0);
  return vkUnmapped;
}

// The one rule of repeat for the keyboard and the pads (ports/KeyRepeat.h).
KeyRepeat keyRepeat;
// SDL follows a key-down with the character it typed, if any.
enum class LastEvent { none, press, droppedRepeat } lastEvent = LastEvent::none;

// False when the event is no message at all: the platform's own repeats
// and the characters they typed.
bool translate(const SDL_Event &event, std::uint64_t now, Message &message) {
  const LastEvent last = lastEvent;
  lastEvent = LastEvent::none;
  message = Message{MessageKind::other, 0};
  if (event.type == SDL_KEYDOWN) {
    if (event.key.repeat != 0) {
      lastEvent = LastEvent::droppedRepeat;
      return false;
    }
    const SDL_Keycode key = event.key.keysym.sym;
    // Alt+key is a system key, not one of the game's: Alt+Enter must not
    // open the story screen.
    if ((event.key.keysym.mod & KMOD_ALT) != 0) {
      if (isEnter(key))
        ToggleFullScreen();
    } else {
      message = Message{MessageKind::keyDown, virtualKey(event.key.keysym)};
    }
    keyRepeat.Press(event.key.keysym.scancode, message, now);
    lastEvent = LastEvent::press;
    return true;
  }
  if (event.type == SDL_KEYUP) {
    keyRepeat.Release(event.key.keysym.scancode);
    return true;
  }
  if (event.type == SDL_TEXTINPUT) {
    if (last == LastEvent::droppedRepeat)
      return false;
    if (last == LastEvent::press)
      keyRepeat.TypedCharacter();
    return true;
  }
  if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
    keyRepeat.Stop(); // the keys' releases go elsewhere now
  if (event.type == SDL_QUIT ||
      (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
    // Gone from the screen at once; the game shuts down on the message.
    HideGameWindow();
    message = Message{MessageKind::destroy, 0};
    return true;
  }
  // A removed output device loses the effect buffers (the next effect played
  // restores them) and moves the music to the default output. For the keys
  // it is still just another message.
  if (event.type == SDL_AUDIODEVICEREMOVED)
    NoteAudioDeviceRemoved(event.adevice.which, event.adevice.iscapture != 0);
  if (event.type == SDL_AUDIODEVICEADDED)
    NoteAudioDeviceAdded(event.adevice.iscapture != 0);
  return true;
}

class EventQueue final : public Input {
public:
  bool TakeMessage(Message &message) override {
    const std::uint64_t now = SDL_GetTicks64();
    // A repeat's character comes right after it, as a key-down's does.
    if (keyRepeat.CharacterPending() && keyRepeat.Take(now, message))
      return true;
    if (Pads().Take(message))
      return true;
    // What happened comes before a repeat that is due: a key let go in the
    // meantime sends no more.
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
      if (TakeGamepadEvent(event, now)) {
        if (Pads().Take(message))
          return true;
      } else if (translate(event, now, message)) {
        return true;
      }
    }
    return keyRepeat.Take(now, message);
  }
  // Up in time for the next repeat.
  void WaitForMessage(int milliseconds) override {
    const int repeat = keyRepeat.Until(SDL_GetTicks64());
    if (repeat == 0)
      return;
    SDL_WaitEventTimeout(nullptr, repeat > 0 ? std::min(repeat, milliseconds) : milliseconds);
  }
};

} // namespace

KeyRepeat &KeyRepeats() { return keyRepeat; }

Input &EventInput() {
  static EventQueue queue;
  return queue;
}

void UseHeadlessDrivers() {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
  SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
  PresentToWindow(false);
}

} // namespace ruzoz::platform
