#include "platform/sdl/Gamepad.h"

#include "platform/Events.h"
#include "platform/sdl/Desktop.h"

namespace ruzoz::platform {

namespace {

SDL_GameController *opened[PadKeys::maxPads] = {};

int padOf(SDL_JoystickID id) {
  for (int pad = 0; pad < PadKeys::maxPads; ++pad)
    if (opened[pad] != nullptr &&
        SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(opened[pad])) == id)
      return pad;
  return -1;
}

void open(int deviceIndex) {
  if (padOf(SDL_JoystickGetDeviceInstanceID(deviceIndex)) >= 0)
    return;
  for (SDL_GameController *&slot : opened)
    if (slot == nullptr) {
      slot = SDL_GameControllerOpen(deviceIndex);
      return;
    }
}

void close(int pad) {
  if (pad < 0)
    return;
  Pads().Release(pad);
  SDL_GameControllerClose(opened[pad]);
  opened[pad] = nullptr;
}

bool controlOf(Uint8 button, PadKeys::Control &control) {
  switch (button) {
  case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
    control = PadKeys::dpadLeft;
    return true;
  case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
    control = PadKeys::dpadRight;
    return true;
  case SDL_CONTROLLER_BUTTON_DPAD_UP:
    control = PadKeys::dpadUp;
    return true;
  case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
    control = PadKeys::dpadDown;
    return true;
  case SDL_CONTROLLER_BUTTON_A:
    control = PadKeys::buttonA;
    return true;
  case SDL_CONTROLLER_BUTTON_START:
    control = PadKeys::start;
    return true;
  case SDL_CONTROLLER_BUTTON_BACK:
    control = PadKeys::back;
    return true;
  default:
    return false;
  }
}

} // namespace

bool OpenGamepads() { return SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0; }

void CloseGamepads() {
  for (SDL_GameController *&controller : opened)
    if (controller != nullptr) {
      SDL_GameControllerClose(controller);
      controller = nullptr;
    }
  Pads().Reset();
}

bool TakeGamepadEvent(const SDL_Event &event, std::uint64_t now) {
  switch (event.type) {
  case SDL_CONTROLLERDEVICEADDED:
    open(event.cdevice.which);
    return true;
  case SDL_CONTROLLERDEVICEREMOVED:
    close(padOf(event.cdevice.which));
    return true;
  case SDL_CONTROLLERBUTTONDOWN:
  case SDL_CONTROLLERBUTTONUP: {
    PadKeys::Control control;
    if (controlOf(event.cbutton.button, control))
      Pads().Set(padOf(event.cbutton.which), control, event.type == SDL_CONTROLLERBUTTONDOWN, now);
    return true;
  }
  case SDL_CONTROLLERAXISMOTION: {
    const int pad = padOf(event.caxis.which);
    if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX)
      Pads().Move(pad, PadKeys::Axis::leftX, event.caxis.value, now);
    else if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY)
      Pads().Move(pad, PadKeys::Axis::leftY, event.caxis.value, now);
    else if (event.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT)
      Pads().Move(pad, PadKeys::Axis::rightTrigger, event.caxis.value, now);
    return true;
  }
  default:
    // The joysticks under the controllers, the controllers' touchpads and
    // sensors: nothing the game hears of.
    return (event.type >= SDL_JOYAXISMOTION && event.type < SDL_FINGERDOWN);
  }
}

PadKeys &Pads() {
  static PadKeys pads(KeyRepeats());
  return pads;
}

} // namespace ruzoz::platform
