#include "pilot/Pilot.h"

#include "pilot/Lookahead.h"

#include "audio/Sound.h"
#include "game/Simulation.h"
#include "game/World.h"
#include "graphics/Display.h"

#include <cmath>
#include <cstring>

namespace ruzoz::pilot {

namespace {

// Only + - * / and sqrt below: they round the same in every build, so the
// choices (and the script) do not depend on the compiler's optimisation.

using detail::beginLookahead;
using detail::endLookahead;
using detail::Goal;
using detail::GoalKind;
using detail::levelValid;
using detail::lookaheadEffects;
using detail::Plan;
using detail::rewind;
using detail::Vec;

Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double length(Vec a) { return std::sqrt(dot(a, a)); }
double larger(double a, double b) { return a > b ? a : b; }
double smaller(double a, double b) { return a < b ? a : b; }

// The ship's thrust and the beam's step by heading, as the game has them.
constexpr Vec thrustStep[16] = {
    {0, -0.2},  {0.1, -0.2},  {0.1, -0.1},  {0.2, -0.1},  {0.2, 0},    {0.2, 0.1},
    {0.1, 0.1}, {0.1, 0.2},   {0, 0.2},     {-0.1, 0.2},  {-0.1, 0.1}, {-0.2, 0.1},
    {-0.2, 0},  {-0.2, -0.1}, {-0.1, -0.1}, {-0.1, -0.2},
};
constexpr Vec beamStep[16] = {
    {0, -3}, {1.5, -3}, {3, -3}, {4, -2}, {4, 0},  {4, 2},   {3, 3},   {1.5, 3},
    {0, 3},  {-1.5, 3}, {-3, 3}, {-4, 1}, {-4, 0}, {-4, -1}, {-3, -3}, {-1.5, -3},
};
constexpr int beamPoints = 65;

Vec direction(int heading) {
  const Vec t = thrustStep[heading & 15];
  return t * (1 / length(t));
}

bool inPlay() { return game.playing && game.gameInProgress && levelValid(game.currentLevel); }

Vec shipAt() { return {game.shipX, game.shipY}; }

enum Arrow : int {
  arrowNone = 0,
  arrowLeft = vkLeft,
  arrowUp = vkUp,
  arrowRight = vkRight,
  arrowDown = vkDown
};

Arrow heldArrow() {
  if (keys.keyLeft)
    return arrowLeft;
  if (keys.keyRight)
    return arrowRight;
  if (keys.keyUp)
    return arrowUp;
  if (keys.keyDown)
    return arrowDown;
  return arrowNone;
}

void holdArrow(Arrow arrow) {
  if (arrow == heldArrow())
    return;
  ApplyToKeys(arrow == arrowNone ? Message{MessageKind::other, 0}
                                 : Message{MessageKind::keyDown, arrow});
}

// How near the beam of `heading` comes to a point `r` from the camera: the
// least distance on the larger axis over its points. Below 9 it hits.
double beamMiss(int heading, Vec r) {
  const Vec step = beamStep[heading];
  double best = 1e9;
  for (int k = 1; k <= beamPoints; ++k)
    best = smaller(best, larger(std::fabs(r.x - k * step.x), std::fabs(r.y - k * step.y)));
  return best;
}

int turnSteps(int from, int to) {
  const int d = (to - from + 16) % 16;
  return d <= 8 ? d : 16 - d;
}

Arrow turnToward(int want) {
  const int d = (want - game.heading + 16) % 16;
  if (d == 0)
    return arrowNone;
  return d <= 8 ? arrowRight : arrowLeft;
}

// The heading the ship turns to soonest from which the beam reaches `r`.
int aimHeading(Vec r) {
  int best = -1;
  for (int h = 0; h < 16; ++h)
    if (beamMiss(h, r) < 5 &&
        (best < 0 || turnSteps(game.heading, h) < turnSteps(game.heading, best)))
      best = h;
  return best;
}

Vec goalPoint(const Goal &goal) {
  if (goal.kind == GoalKind::alien && levelValid(game.currentLevel)) {
    const WorldObject &o = levels[game.currentLevel].objects[goal.slot];
    return {o.x, o.y};
  }
  if (goal.kind == GoalKind::brake || goal.kind == GoalKind::coast)
    return shipAt();
  return goal.at;
}

bool goalAlive(const Goal &goal) {
  if (goal.kind == GoalKind::alien)
    return levelValid(game.currentLevel) &&
           isAlien(levels[game.currentLevel].objects[goal.slot].kind);
  if (goal.kind == GoalKind::tile) {
    const int column = static_cast<int>(goal.at.x) / tileSize;
    const int row = static_cast<int>(goal.at.y) / tileSize;
    const TileCode t = levels[game.currentLevel].tiles[row][column];
    return t == tileAmmo || t == tileShield;
  }
  return true;
}

// Thrust or turn so that the velocity becomes `want`; with nothing left to
// change, turn to `aim` (-1: none).
Arrow steer(Vec want, int aim) {
  const Vec v = {game.velocityX, game.velocityY};
  const Vec e = want - v;
  const double size = length(e);
  const bool turnsNext = game.turnDivider == 1;
  if (size < 0.3)
    return aim >= 0 ? turnToward(aim) : arrowNone;
  const double along = dot(direction(game.heading), e) / size;
  if (along > 0.92)
    return arrowUp;
  if (along < -0.92)
    return arrowDown;
  if (!turnsNext) {
    if (along > 0.6)
      return arrowUp;
    if (along < -0.6)
      return arrowDown;
  }
  int best = 0;
  double bestAlong = -2;
  for (int h = 0; h < 16; ++h) {
    const double a = dot(direction(h), e);
    if (a > bestAlong) {
      bestAlong = a;
      best = h;
    }
  }
  const int back = (best + 8) % 16;
  return turnToward(turnSteps(game.heading, back) < turnSteps(game.heading, best) ? back : best);
}

constexpr double engageRange = 160;

// The arrow for the next frame on the way to `goal`.
Arrow control(const Goal &goal) {
  const Vec ship = shipAt();
  const Vec r = goalPoint(goal) - ship;
  const double d = length(r);
  const Vec toward = d > 0 ? r * (1 / d) : Vec{0, 0};
  switch (goal.kind) {
  case GoalKind::coast:
    return arrowNone;
  case GoalKind::brake:
    return steer({0, 0}, -1);
  case GoalKind::point:
    return steer(toward * 5, -1);
  case GoalKind::tile:
    return steer(toward * smaller(4, 0.8 + d / 30), -1);
  case GoalKind::alien: {
    if (game.ammo == 0)
      return steer(toward * smaller(3, 0.5 + d / 40), -1); // nothing left but ramming
    const Vec fromCamera = goalPoint(goal) - Vec{double(game.cameraX), double(game.cameraY)};
    if (d < 45)
      return steer(toward * -1.5, aimHeading(fromCamera));
    if (d < engageRange) {
      const int aim = aimHeading(fromCamera);
      if (aim >= 0)
        return steer({0, 0}, aim);
      return steer(toward * 0.8, -1);
    }
    return steer(toward * smaller(4.5, 0.6 + (d - engageRange) / 35), -1);
  }
  }
  return arrowNone;
}

struct Outcome {
  int lost = 0;
  int firstLoss = -1;
  int bounces = 0;
  bool cleared = false;
  bool over = false;
  double distance = 0;
};

// Follows `goal` for `frames` frames of the game, measured against `main`.
Outcome rollout(const Goal &goal, const Goal &main, int frames) {
  Outcome out;
  const int level = game.currentLevel;
  Vec end = goalPoint(main);
  for (int t = 0; t < frames; ++t) {
    holdArrow(control(goal));
    const int shield = game.shield;
    const int bounces = lookaheadEffects()[sfxKollision];
    end = goalPoint(main);
    SimulatePlayFrame();
    if (game.shield < shield) {
      out.lost += shield - game.shield;
      if (out.firstLoss < 0)
        out.firstLoss = t;
    }
    out.bounces += lookaheadEffects()[sfxKollision] - bounces;
    if (game.currentLevel != level) {
      out.cleared = true;
      break;
    }
    if (!game.playing) {
      out.over = true;
      break;
    }
  }
  out.distance = out.cleared ? 0 : length(end - shipAt());
  return out;
}

double cost(const Outcome &o, int frames) {
  double c = o.lost * 1000.0 + o.bounces * 30.0 + o.distance * 0.1;
  if (o.lost > 0)
    c += (frames - o.firstLoss) * 20.0;
  if (o.over && !o.cleared)
    c += 1e6;
  if (o.cleared)
    c -= 1e4;
  return c;
}

// Does a shot fired now, with `arrow` held, destroy an alien?
bool shotHits(Arrow arrow) {
  beginLookahead();
  const std::uint32_t score = game.score;
  holdArrow(arrow);
  keys.fireRequest = 1;
  for (int t = 0; t < 4 && inPlay(); ++t)
    SimulatePlayFrame();
  const bool hit = game.score > score;
  endLookahead();
  return hit;
}

// Any alien in front of the ship, near enough to be worth a look.
bool alienInFront() {
  const WorldObject *objects = levels[game.currentLevel].objects;
  for (int i = 0; i < slotCount; ++i) {
    if (!isAlien(objects[i].kind))
      continue;
    const Vec r = {objects[i].x - game.cameraX, objects[i].y - game.cameraY};
    if (std::fabs(r.x) < 280 && std::fabs(r.y) < 215 && beamMiss(game.heading, r) < 16)
      return true;
  }
  return false;
}

// The nearest tile of `code` in the current level; false if there is none.
bool nearestTile(TileCode code, Vec &at, double &distance) {
  const Vec ship = shipAt();
  distance = 1e18;
  bool found = false;
  const Level &level = levels[game.currentLevel];
  for (int row = 0; row < mapSize; ++row)
    for (int column = 0; column < mapSize; ++column)
      if (level.tiles[row][column] == code) {
        const Vec centre = {column * 32.0 + 16, row * 32.0 + 16};
        const double d = length(centre - ship);
        if (d < distance) {
          distance = d;
          at = centre;
          found = true;
        }
      }
  return found;
}

int nearestAlien(int skip) {
  const Vec ship = shipAt();
  const WorldObject *objects = levels[game.currentLevel].objects;
  int best = -1;
  double bestDistance = 1e18;
  for (int i = 0; i < slotCount; ++i) {
    if (!isAlien(objects[i].kind) || i == skip)
      continue;
    const double d = length(Vec{objects[i].x, objects[i].y} - ship);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

constexpr int horizon = 36;
constexpr int evaluateEvery = 3;
constexpr int reconsiderEvery = 20;
constexpr int stallFrames = 2500;

void chooseMainGoal(long long frame, Plan &plan) {
  const int level = game.currentLevel;
  const int refill = level + 3;
  Vec at{};
  double distance = 0;
  Goal goal;
  if ((game.ammo == 0 ||
       (game.ammo < 8 && nearestTile(tileAmmo, at, distance) && distance < 400)) &&
      nearestTile(tileAmmo, at, distance)) {
    goal.kind = GoalKind::tile;
    goal.at = at;
  } else if (game.shield < refill && nearestTile(tileShield, at, distance) &&
             ((game.shield <= 2 && distance < 2500) ||
              (refill - game.shield >= 3 && distance < 500) || distance < 120)) {
    goal.kind = GoalKind::tile;
    goal.at = at;
  } else {
    const int slot = nearestAlien(frame - plan.progressAt > stallFrames ? plan.avoid : -1);
    if (slot < 0)
      return;
    goal.kind = GoalKind::alien;
    goal.slot = slot;
  }
  plan.main = goal;
}

} // namespace

Autopilot::Autopilot(std::uint32_t seed) : random_(seed) {
  random_ = random_ * 1664525u + 1013904223u;
  // The seed decides how long the title is shown, and so the world.
  titleWait_ = 40 + static_cast<long long>((random_ >> 8) % 200);
}

int Autopilot::Decide(long long frame, Message out[maxMessages]) {
  Plan &plan = plan_;
  int n = 0;
  if (finished_)
    return 0;
  if (!played_) {
    if (frame < titleWait_)
      return 0;
    played_ = true;
    out[n++] = Message{MessageKind::keyDown, vkSpace};
    plan = Plan{};
    plan.progressAt = frame;
    return n;
  }
  if (!inPlay()) {
    if (endedAt_ < 0)
      endedAt_ = frame;
    if (frame - endedAt_ < tailFrames) {
      if (heldArrow() != arrowNone)
        out[n++] = Message{MessageKind::other, 0};
      return n;
    }
    finished_ = true;
    out[n++] = Message{MessageKind::keyDown, vkEscape};
    return n;
  }

  if (game.score != plan.lastScore || game.currentLevel != plan.lastLevel) {
    if (game.currentLevel != plan.lastLevel)
      plan.evaluatedAt = -1000;
    plan.lastScore = game.score;
    plan.lastLevel = game.currentLevel;
    plan.progressAt = frame;
    plan.avoid = -1;
  }
  if (frame - plan.progressAt > stallFrames && plan.avoid < 0 && plan.main.kind == GoalKind::alien)
    plan.avoid = plan.main.slot;
  if (frame - plan.progressAt > 2 * stallFrames)
    plan.progressAt = frame; // try the nearest again
  if (!goalAlive(plan.main) || frame - plan.chosenAt >= reconsiderEvery ||
      plan.main.kind == GoalKind::coast) {
    chooseMainGoal(frame, plan);
    plan.chosenAt = frame;
  }

  // Look ahead: the way to the goal, or, when it hurts or bounces, the best
  // of a few ways out.
  if (frame - plan.evaluatedAt >= evaluateEvery) {
    plan.evaluatedAt = frame;
    beginLookahead();
    const Outcome direct = rollout(plan.main, plan.main, horizon);
    plan.active = plan.main;
    if (direct.lost > 0 || direct.bounces > 0) {
      double best = cost(direct, horizon);
      Goal alternatives[10];
      int count = 0;
      for (int h = 0; h < 16; h += 2) {
        Goal g;
        g.kind = GoalKind::point;
        g.at = shipAt() + direction(h) * 500;
        alternatives[count++] = g;
      }
      alternatives[count++].kind = GoalKind::brake;
      alternatives[count++].kind = GoalKind::coast;
      for (int i = 0; i < count; ++i) {
        rewind();
        const double c = cost(rollout(alternatives[i], plan.main, horizon), horizon);
        if (c < best) {
          best = c;
          plan.active = alternatives[i];
        }
      }
    }
    endLookahead();
  }

  const Arrow arrow = control(plan.active);
  const bool mayFire = game.ammo > 0 && game.shotTimer == 0 && !keys.fireRequest;
  if (mayFire && alienInFront() && shotHits(arrow)) {
    out[n++] = Message{MessageKind::keyDown, vkShift};
    if (arrow != arrowNone)
      out[n++] = Message{MessageKind::keyDown, arrow};
    return n;
  }
  if (arrow != heldArrow())
    out[n++] =
        arrow == arrowNone ? Message{MessageKind::other, 0} : Message{MessageKind::keyDown, arrow};
  return n;
}

bool PilotInput::TakeMessage(Message &message) {
  if (framesRun_ != decidedFor_ && !pilot_.Finished()) {
    decidedFor_ = framesRun_;
    count_ = pilot_.Decide(framesRun_, pending_);
    next_ = 0;
  }
  if (next_ < count_) {
    message = pending_[next_++];
    return true;
  }
  return TakeEndingMessage(inner_, message);
}

void PilotInput::WaitForMessage(int milliseconds) {
  if (next_ >= count_)
    inner_.WaitForMessage(milliseconds);
}

} // namespace ruzoz::pilot
