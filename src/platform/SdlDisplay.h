#pragma once
// The SDL objects behind the display, shared by the platform's files only.

#include <SDL.h>

namespace ruzoz::platform {

extern SDL_Window *gameWindow;
// The display object: draws the front onto the window.
extern SDL_Renderer *directDraw;
// The front: a 640 x 480 streaming texture in the renderer's own format.
extern SDL_Texture *primarySurface;
// Every frame is drawn here, RGB565 in system memory, then flipped.
extern SDL_Surface *backBuffer;

} // namespace ruzoz::platform
