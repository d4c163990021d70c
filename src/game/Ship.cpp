#include "audio/Sound.h"
#include "game/Simulation.h"
#include "game/World.h"

namespace ruzoz {

namespace {

struct Step {
  double dx, dy;
};

// Velocity gained per frame of thrust, by heading (not normalised).
constexpr Step thrustTable[16] = {
    {0, -0.2},  {0.1, -0.2},  {0.1, -0.1},  {0.2, -0.1},  {0.2, 0},    {0.2, 0.1},
    {0.1, 0.1}, {0.1, 0.2},   {0, 0.2},     {-0.1, 0.2},  {-0.1, 0.1}, {-0.2, 0.1},
    {-0.2, 0},  {-0.2, -0.1}, {-0.1, -0.1}, {-0.1, -0.2},
};

} // namespace

void updateWorld() {
  updateShip();
  updateObjects();
}

void updateShip() {
  GameState &g = game;
  g.turnDivider += 1;
  if (g.turnDivider > 1)
    g.turnDivider = 0;
  if (g.turnDivider == 0) {
    if (keys.keyRight)
      g.heading += 1;
    if (keys.keyLeft)
      g.heading -= 1;
  }
  if (g.heading > 15)
    g.heading = 0;
  if (g.heading < 0)
    g.heading = 15;

  g.thrust = 0;
  if (keys.keyUp)
    g.thrust = 1;
  if (keys.keyDown)
    g.thrust = -1;
  if (g.thrust != 0) {
    g.velocityY = g.velocityY + g.thrust * thrustTable[g.heading].dy;
    g.velocityX = g.velocityX + g.thrust * thrustTable[g.heading].dx;
  }

  if (g.velocityX > 5)
    g.velocityX = 5;
  if (g.velocityX < -5)
    g.velocityX = -5;
  if (g.velocityY > 5)
    g.velocityY = 5;
  if (g.velocityY < -5)
    g.velocityY = -5;

  g.shipX = g.shipX + g.velocityX;
  g.shipY = g.shipY + g.velocityY;

  if (g.shipX < 0) {
    g.shipX = 3;
    g.velocityX = -g.velocityX;
    PlaySoundEffect(sfxKollision);
  }
  if (g.shipX > 3231) {
    g.shipX = 3230;
    g.velocityX = -g.velocityX;
    PlaySoundEffect(sfxKollision);
  }
  if (g.shipY < 0) {
    g.shipY = 3;
    g.velocityY = -g.velocityY;
    PlaySoundEffect(sfxKollision);
  }
  if (g.shipY > 3231) {
    g.shipY = 3230;
    g.velocityY = -g.velocityY;
    PlaySoundEffect(sfxKollision);
  }

  g.cameraX = static_cast<int>(g.shipX);
  g.cameraY = static_cast<int>(g.shipY);
}

} // namespace ruzoz
