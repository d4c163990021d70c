#pragma once

namespace ruzoz {

// The frame driver: one title frame or one play frame, ending in one Flip.
void runFrame();

void drawTitleScreen();

// Background, ship, objects (counting ufoCount) and the tile window; yields
// the camera's offsets within its tile for the tile effects of this frame.
void drawWorld(int &cellOffsetX, int &cellOffsetY);
void drawHud();
void drawLevelBanner();

// The story: 22 narrative lines and the closing line, 40 characters + "~" each.
constexpr int storyLineCount = 23;
extern const char *const storyLines[storyLineCount];
extern const char *const creditLine;

} // namespace ruzoz
