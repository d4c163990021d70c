#pragma once

namespace ruzoz {

// One simulation step of play: the ship, then every object of the level.
void updateWorld();
void updateShip();
void updateObjects();

// Starts, draws and resolves the beam; runs after the world was drawn.
void fireBeam();

void checkLevelCleared();
// The offsets are the camera's place within its tile at the start of the frame.
void applyTileEffects(int cellOffsetX, int cellOffsetY);

} // namespace ruzoz
