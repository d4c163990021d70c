#include "audio/Sound.h"
#include "game/Simulation.h"
#include "game/World.h"

namespace ruzoz {

namespace {

struct AlienRule {
  int reaimChance;  // per axis
  int speedRange;   // drifters/wanderers: new speed in -r..r tenths
  double huntSpeed; // hunters: fixed speed towards the ship; 0 for the others
  int fireChance;   // 0: never fires
  int shotRange;    // shot speed in -r..r whole pixels per frame
};

constexpr AlienRule alienRules[9] = {
    {},
    {500, 1, 0, 0, 0},
    {250, 2, 0, 0, 0},
    {100, 0, 0.25, 0, 0},
    {100, 0, 0.5, 0, 0},
    {100, 4, 0, 100, 2},
    {100, 4, 0, 80, 3},
    {100, 4, 0, 60, 4},
    {100, 4, 0, 40, 6},
};

// A value in -r..r from one draw, as a speed in tenths of a pixel.
double tenths(int r) { return (nextRandom() % (2 * r + 1) - r) / 10.0; }

// Moves one axis: a crossing of the field's edge turns the object around.
void moveAxis(double &position, double &velocity) {
  position = position + velocity;
  if (position > 3200 || position < 0)
    velocity = -velocity;
  position = position + 2 * velocity;
}

void spawnShot(WorldObject *objects, const WorldObject &shooter, int range) {
  for (int j = 0; j < slotCount; ++j) {
    WorldObject &shot = objects[j];
    if (shot.kind == 0) {
      shot.x = shooter.x;
      shot.y = shooter.y;
      shot.vx = nextRandom() % (2 * range + 1) - range;
      shot.vy = nextRandom() % (2 * range + 1) - range;
      shot.kind = kindNewShot;
      return;
    }
  }
}

} // namespace

void updateObjects() {
  GameState &g = game;
  WorldObject *objects = levels[g.currentLevel].objects;
  for (int i = 0; i < slotCount; ++i) {
    WorldObject &o = objects[i];

    if (isAlien(o.kind)) {
      const AlienRule &rule = alienRules[static_cast<int>(o.kind)];
      if (rule.huntSpeed == 0) {
        if (nextRandom() % rule.reaimChance == 0)
          o.vx = tenths(rule.speedRange);
        if (nextRandom() % rule.reaimChance == 0)
          o.vy = tenths(rule.speedRange);
      } else {
        const double s = rule.huntSpeed;
        if (nextRandom() % rule.reaimChance == 0) {
          o.vy = 0;
          o.vx = g.cameraX > o.x ? s : -s;
        }
        if (nextRandom() % rule.reaimChance == 0) {
          o.vx = 0;
          o.vy = g.cameraY > o.y ? s : -s;
        }
      }
    }

    if (isAlien(o.kind)) {
      moveAxis(o.x, o.vx);
      moveAxis(o.y, o.vy);
    }

    if (o.kind >= 5 && o.kind <= 8) {
      const AlienRule &rule = alienRules[static_cast<int>(o.kind)];
      if (nextRandom() % rule.fireChance == 0)
        spawnShot(objects, o, rule.shotRange);
    }

    if (isExplosion(o.kind)) {
      o.kind = o.kind + 1;
      if (o.kind > kindExplosionLast) {
        o.kind = kindFree;
        g.ufoCount -= 1;
      }
    }

    if (isEnemyShot(o.kind)) {
      o.kind = o.kind - 1;
      o.x = o.x + o.vx;
      if (o.x < 0 || o.x > 3200)
        o.kind = kindSpentShot;
      o.y = o.y + o.vy;
      if (o.y < 0 || o.y > 3200)
        o.kind = kindSpentShot;
    }

    if (o.kind == kindSpentShot)
      o.kind = kindFree;

    if (hurtsShip(o.kind) && g.cameraX - 16 < o.x && o.x < g.cameraX + 16 && g.cameraY - 16 < o.y &&
        o.y < g.cameraY + 16) {
      o.kind = kindExplosion;
      PlaySoundEffect(sfxSchaden);
      g.shield -= 1;
      if (g.shield == 0) {
        endGame();
        PlayMusic();
      }
    }
  }
}

} // namespace ruzoz
