// ruzoz-autopilot: plays the game by looking at its state and prints the key
// script it used. Long, level-clearing scripts for tests, soaks and benchmarks.

#include "game/World.h"
#include "graphics/Display.h"
#include "screens/Screens.h"
#include "shell/WindowProc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace ruzoz;

namespace {

constexpr double beamStep[16][2] = {
    {0, -3}, {1.5, -3}, {3, -3}, {4, -2}, {4, 0},  {4, 2},   {3, 3},   {1.5, 3},
    {0, 3},  {-1.5, 3}, {-3, 3}, {-4, 1}, {-4, 0}, {-4, -1}, {-3, -3}, {-1.5, -3},
};

// Small generator of its own: the game's must not be touched.
std::uint32_t pilotState = 1;
int pilotRandom(int n) {
  pilotState = pilotState * 1664525u + 1013904223u;
  return static_cast<int>((pilotState >> 8) % static_cast<std::uint32_t>(n));
}

bool beamReaches(int heading, double dx, double dy) {
  for (int k = 1; k <= 65; ++k)
    if (std::fabs(dx - k * beamStep[heading][0]) < 8 &&
        std::fabs(dy - k * beamStep[heading][1]) < 8)
      return true;
  return false;
}

void send(long long frame, int vk) {
  std::printf("%lld down %d\n", frame, vk);
  WindowProc(Message{MessageKind::keyDown, vk});
}

void sendOther(long long frame) {
  std::printf("%lld other\n", frame);
  WindowProc(Message{MessageKind::other, 0});
}

// Decides the keys for the next frame from the state the last one left.
void steer(long long frame, int recklessness) {
  const GameState &g = game;
  if (!g.playing || !g.gameInProgress) {
    if (frame % 30 == 29)
      send(frame, vkSpace);
    return;
  }
  const WorldObject *objects = levels[g.currentLevel].objects;
  double bestDistance = 1e9, tx = 0, ty = 0;
  int shootHeading = -1;
  for (int i = 0; i < slotCount; ++i) {
    if (!isAlien(objects[i].kind))
      continue;
    const double dx = objects[i].x - g.cameraX, dy = objects[i].y - g.cameraY;
    const double d = std::hypot(dx, dy);
    if (d < bestDistance) {
      bestDistance = d;
      tx = dx;
      ty = dy;
    }
    if (shootHeading < 0 && d < 270)
      for (int h = 0; h < 16; ++h)
        if (beamReaches(h, dx, dy) && (shootHeading < 0 || std::abs(h - g.heading) < 2))
          shootHeading = h;
  }
  auto headingOf = [](double x, double y) {
    const double angle = std::atan2(x, -y) * 180 / 3.14159265358979;
    return static_cast<int>(std::lround((angle < 0 ? angle + 360 : angle) / 22.5)) % 16;
  };
  auto turnTowards = [&](int want) {
    const int diff = (want - g.heading + 16) % 16;
    send(frame, diff <= 8 ? vkRight : vkLeft);
  };
  if (shootHeading >= 0 && g.ammo > 0) {
    if (shootHeading != g.heading)
      turnTowards(shootHeading);
    else if (g.shotTimer == 0)
      send(frame, vkShift);
    else if (keys.keyLeft || keys.keyRight || keys.keyUp || keys.keyDown)
      sendOther(frame);
    return;
  }
  // Fly so that the velocity points at the target, slowing down near it.
  const double cruise = std::min(2.5 + recklessness, bestDistance / 60);
  const double ex = tx / bestDistance * cruise - g.velocityX;
  const double ey = ty / bestDistance * cruise - g.velocityY;
  if (std::hypot(ex, ey) < 0.4 || bestDistance > 1e8) {
    if (keys.keyLeft || keys.keyRight || keys.keyUp || keys.keyDown || pilotRandom(8) == 0)
      sendOther(frame);
    return;
  }
  const int want = headingOf(ex, ey);
  if (want != g.heading)
    turnTowards(want);
  else
    send(frame, vkUp);
}

} // namespace

int main(int argc, char **argv) {
  long long frames = 5000;
  int recklessness = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--frames") == 0)
      frames = std::atoll(argv[i + 1]);
    else if (std::strcmp(argv[i], "--seed") == 0)
      pilotState = static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
    else if (std::strcmp(argv[i], "--reckless") == 0)
      recklessness = std::atoi(argv[i + 1]);
    else {
      std::fprintf(stderr, "usage: ruzoz-autopilot [--frames N] [--seed S] [--reckless 0..3]\n");
      return 2;
    }
  }
  std::printf("# Autopilot game, seed %u, recklessness %d.\n", pilotState, recklessness);
  InstallNominalSurfaces(nullptr);
  for (long long frame = 0; frame < frames; ++frame) {
    steer(frame, recklessness);
    runFrame();
  }
  std::printf("%lld down %d\n", frames, vkEscape);
  return 0;
}
