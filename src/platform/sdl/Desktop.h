#pragma once
// What only the desktop build has, beyond what every platform gives
// (Window.h, Audio.h, Events.h): the window's icon and scaling, where the
// picture and the window go, the audio device's comings and goings, the
// keys' repeat, and the display's state for tests.

#include "ports/KeyRepeat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ruzoz::platform {

// The window's icon: size x size pixels of 8-bit RGBA, rows top to bottom;
// kept, not copied. Set before CreateGameWindow.
void SetWindowIcon(const unsigned char *rgba, int size);

// Whole-number scaling only (--integer-scale); set before StartUp.
void SetIntegerScale(bool on);

// Where the 640 x 480 picture goes on an output of the given size: the back
// buffer is enlarged `multiple` times by nearest neighbour, then filtered
// linearly down to width x height at (x, y); the rest is black. By default
// the largest 4:3 area, `multiple` the smallest that covers it; with whole
// numbers only, 640 x 480 times the largest multiple that fits (1 if none
// does, then shrunk like the default).
struct PictureArea {
  int x = 0, y = 0, width = 0, height = 0;
  int multiple = 1;
  bool operator==(const PictureArea &) const = default;
};
PictureArea PlacePicture(int outputWidth, int outputHeight, bool integerScale);

// Where a window goes in the desktop's usable area `room` when the window
// manager adds the given decorations: the inside of the largest 4:3 size
// that fits with them (PlacePicture; whole multiples with `integerScale`),
// centred; at least 640 x 480, at the room's top left if that does not fit.
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect &) const = default;
};
struct Borders {
  int top = 0, left = 0, bottom = 0, right = 0;
};
Rect PlaceWindow(const Rect &room, const Borders &borders, bool integerScale);

// Whether presenting waits for the vertical blank of a display of this
// refresh rate (as SDL reports it; 0 when unknown): frames are paced at
// 60 Hz by the clock, and waiting on a slower display would slow the game.
bool WaitForBlank(int refreshRate);

// What the display holds, for the start-up's tests.
struct DisplayStatus {
  bool renderer = false;
  bool front = false;
  bool backBuffer = false;
  int images = 0; // image surfaces currently held
};
DisplayStatus CurrentDisplayStatus();
// Every pixel of the back buffer set to `value`.
void FillBackBuffer(std::uint16_t value);

// Event handling: an output device went away (SDL's id). When it is the
// open output, the effect buffers count as lost until the next effect is
// played, and the music, which can't wait for that, takes the default output
// at once.
void NoteAudioDeviceRemoved(unsigned deviceId, bool capture);
// Event handling: a device came. Music left without an output gets it back.
void NoteAudioDeviceAdded(bool capture);
// The open output's id as SDL names it in device events; 0 when closed.
unsigned AudioDeviceId();

// The one repeat of keyboard and gamepads (ports/KeyRepeat.h).
KeyRepeat &KeyRepeats();

} // namespace ruzoz::platform
