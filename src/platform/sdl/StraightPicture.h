#pragma once
// The picture straight into the window's pixels (StraightPicture.cpp), for
// the presenter.

#include <SDL.h>

namespace ruzoz::platform {

// Presents the back buffer into the game window's own pixels, only what
// changed. False where this does not apply (the window's format is not
// `frontFormat`, or the picture would not be an enlargement): then the
// renderer draws.
bool PresentStraightIntoWindow(Uint32 frontFormat);
// The colour table and the picture's placement for this window surface,
// made before the first frame so that no frame allocates.
void PrepareStraight(SDL_Surface *screen);
// The whole window is drawn at the next straight present (a window event
// came, or the renderer drew over it).
void RepaintWholeWindow();
// The picture is placed again at the next straight present (the scale
// changed, the renderer went).
void ForgetStraightPlacement();

} // namespace ruzoz::platform
