#include "platform/Gamepad.h"

namespace ruzoz::platform {

namespace {

constexpr int keyOf[PadKeys::controlCount] = {vkLeft, vkRight, vkUp,    vkDown,  vkLeft,  vkRight,
                                              vkUp,   vkDown,  vkShift, vkShift, vkSpace, vkReturn};

constexpr std::uint32_t bit(PadKeys::Control control) { return std::uint32_t{1} << control; }

} // namespace

bool PadKeys::keyHeld(int key) const {
  for (const std::uint32_t controls : held)
    for (int c = 0; c < controlCount; ++c)
      if ((controls & bit(Control(c))) != 0 && keyOf[c] == key)
        return true;
  return false;
}

void PadKeys::push(Message message) {
  if (pendingCount == static_cast<int>(pendingCapacity))
    return;
  pending[(pendingFirst + pendingCount++) % pendingCapacity] = message;
}

void PadKeys::Set(int pad, Control control, bool down, std::uint64_t now) {
  if (pad < 0 || pad >= maxPads || ((held[pad] & bit(control)) != 0) == down)
    return;
  const int key = keyOf[control];
  if (!down) {
    held[pad] &= ~bit(control);
    if (keyHeld(key))
      return; // another control holds the same key
    if (repeatKey == key)
      repeatKey = 0;
    push(Message{MessageKind::other, 0});
    return;
  }
  const bool wasHeld = keyHeld(key);
  held[pad] |= bit(control);
  // Both at once is Esc; no single button ends the game.
  if ((held[pad] & (bit(start) | bit(back))) == (bit(start) | bit(back))) {
    repeatKey = 0;
    push(Message{MessageKind::keyDown, vkEscape});
    return;
  }
  if (wasHeld)
    return;
  repeatKey = key;
  repeatFrom = now;
  repeatsSent = 0;
  push(Message{MessageKind::keyDown, key});
}

void PadKeys::Move(int pad, Axis axis, int value, std::uint64_t now) {
  // Each direction is a key with a dead zone around the centre.
  auto follow = [&](Control control, int towards) {
    const bool was = pad >= 0 && pad < maxPads && (held[pad] & bit(control)) != 0;
    Set(pad, control, towards > (was ? releasedBelow : pressedBeyond), now);
  };
  switch (axis) {
  case Axis::leftX:
    follow(stickLeft, -value);
    follow(stickRight, value);
    break;
  case Axis::leftY: // SDL's y grows downwards
    follow(stickUp, -value);
    follow(stickDown, value);
    break;
  case Axis::rightTrigger:
    follow(rightTrigger, value);
    break;
  }
}

void PadKeys::Release(int pad) {
  for (int c = 0; c < controlCount; ++c)
    Set(pad, Control(c), false, 0);
}

std::uint64_t PadKeys::repeatDue() const {
  return repeatFrom + repeatDelay + repeatsSent * 1000 / repeatsPerSecond;
}

bool PadKeys::Take(std::uint64_t now, Message &message) {
  if (pendingCount > 0) {
    message = pending[pendingFirst];
    pendingFirst = (pendingFirst + 1) % pendingCapacity;
    --pendingCount;
    return true;
  }
  if (repeatKey == 0 || now < repeatDue())
    return false;
  // One repeat however late the loop came: a keyboard does not catch up.
  while (repeatDue() <= now)
    ++repeatsSent;
  message = Message{MessageKind::keyDown, repeatKey};
  return true;
}

int PadKeys::UntilRepeat(std::uint64_t now) const {
  if (pendingCount > 0)
    return 0;
  if (repeatKey == 0)
    return -1;
  const std::uint64_t due = repeatDue();
  return due <= now ? 0 : static_cast<int>(due - now);
}

// --- SDL's controllers --------------------------------------------------------

namespace {

PadKeys pads;
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
  pads.Release(pad);
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
  pads.Reset();
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
      pads.Set(padOf(event.cbutton.which), control, event.type == SDL_CONTROLLERBUTTONDOWN, now);
    return true;
  }
  case SDL_CONTROLLERAXISMOTION: {
    const int pad = padOf(event.caxis.which);
    if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX)
      pads.Move(pad, PadKeys::Axis::leftX, event.caxis.value, now);
    else if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY)
      pads.Move(pad, PadKeys::Axis::leftY, event.caxis.value, now);
    else if (event.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT)
      pads.Move(pad, PadKeys::Axis::rightTrigger, event.caxis.value, now);
    return true;
  }
  default:
    // The joysticks under the controllers, the controllers' touchpads and
    // sensors: nothing the game hears of.
    return (event.type >= SDL_JOYAXISMOTION && event.type < SDL_FINGERDOWN);
  }
}

PadKeys &Pads() { return pads; }

} // namespace ruzoz::platform
