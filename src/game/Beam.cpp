#include "audio/Sound.h"
#include "game/Simulation.h"
#include "game/World.h"
#include "graphics/Display.h"

namespace ruzoz {

namespace {

struct Step {
  double dx, dy;
};

// Distance between two beam points by heading; 11 and 13 are not mirrors of 5 and 3.
constexpr Step beamStep[16] = {
    {0, -3}, {1.5, -3}, {3, -3}, {4, -2}, {4, 0},  {4, 2},   {3, 3},   {1.5, 3},
    {0, 3},  {-1.5, 3}, {-3, 3}, {-4, 1}, {-4, 0}, {-4, -1}, {-3, -3}, {-1.5, -3},
};

constexpr std::uint32_t alienPoints[9] = {0, 5, 10, 15, 20, 30, 40, 50, 60};

} // namespace

void fireBeam() {
  GameState &g = game;
  const double dx = beamStep[g.heading].dx;
  const double dy = beamStep[g.heading].dy;
  double bx = 304;
  double by = 224;

  if (g.ammo != 0 && keys.fireRequest && g.shotTimer == 0) {
    g.shotTimer = g.shotDuration;
    g.ammo -= 1;
    PlaySoundEffect(sfxDrip);
  }
  keys.fireRequest = 0;

  if (g.shotTimer <= 0)
    return;
  if (g.shotTimer > g.shotDuration - 4) {
    WorldObject *objects = levels[g.currentLevel].objects;
    for (int E = 0; E < g.beamLength; ++E) {
      bx = bx + dx;
      by = by + dy;
      if (E > 5)
        DrawImage(static_cast<int>(bx), static_cast<int>(by), surfaceSet[imgKugel]);
      for (int m = 0; m < slotCount; ++m) {
        WorldObject &o = objects[m];
        if (!beamTouches(o.kind))
          continue;
        const double sx = o.x - g.cameraX + 304;
        const double sy = o.y - g.cameraY + 224;
        if (bx - 9 < sx && sx < bx + 9 && by - 9 < sy && sy < by + 9) {
          if (isAlien(o.kind))
            g.score += alienPoints[static_cast<int>(o.kind)];
          if (beamDestroys(o.kind)) {
            o.kind = kindExplosion;
            PlaySoundEffect(sfxSchaden);
          }
        }
      }
    }
  }
  g.shotTimer -= 1;
}

} // namespace ruzoz
