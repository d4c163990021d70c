#pragma once
// The SDL objects behind the game window, shared by the platform's files
// only.

#include "platform/sdl/Desktop.h"
#include "ports/Video.h"

#include <SDL.h>

namespace ruzoz::platform {

extern SDL_Window *gameWindow;
// Draws the front onto the window.
extern SDL_Renderer *renderer;
// The front: a 640 x 480 streaming texture in the renderer's own format.
extern SDL_Texture *frontTexture;
// Whole multiples of 640 x 480 only (SetIntegerScale).
extern bool integerScale;
// Every frame is drawn here, RGB565 in system memory, then presented.
extern SDL_Surface *backBuffer;

constexpr Uint32 backBufferFormat = SDL_PIXELFORMAT_RGB565;

inline Uint16 *backBufferRow(int y) {
  return reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(backBuffer->pixels) +
                                    y * backBuffer->pitch);
}

// The back buffer onto the window (Presenter.cpp).
void PresentBackBuffer();
// Off (UseHeadlessDrivers does that), a present does nothing: there is no
// window to see. On again for what measures or checks the present.
void PresentToWindow(bool on);
// With SDL's software renderer the picture is written straight into the
// window's pixels; off, the renderer draws it (tests compare the two).
void PresentStraight(bool on);
// Whether presents wait for the vertical blank now.
bool PresentWaitsForBlank();
// Image surfaces currently held (Images.cpp).
int ImagesHeld();

} // namespace ruzoz::platform
