#pragma once
// A clean, fully reset game for one test. The video and sound ports are
// wrapped by the replay tool's recorders, so every blit, effect and music
// restart since the last clearRecording() can be read back.

#include "audio/Sound.h"
#include "game/Generation.h"
#include "game/Simulation.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "screens/Screens.h"
#include "shell/Recorder.h"
#include "shell/WindowProc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ruzoz::test {

struct Blit {
  int image, x, y, glyph;
  bool operator==(const Blit &) const = default;
};

class GameTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  static replay::RecordingVideo &drawn();
  static replay::RecordingSound &heard();
  static void clearRecording();
  static std::vector<Blit> blits();
  static std::vector<Blit> blitsOf(int image);
  static std::vector<int> effects();
  static int musicRestarts() { return heard().MusicRestarts(); }
  // Text drawn by glyph blits at one row, left to right.
  static std::string textAt(int y);

  // A fresh program state with an empty world at the new-game values, in
  // play on level 0.
  static void emptyWorldInPlay();
  // Puts an object into a slot of the current level.
  static WorldObject &place(int slot, double kind, double x, double y, double vx = 0,
                            double vy = 0);
  static void key(int vk) { WindowProc(Message{MessageKind::keyDown, vk}); }
  static void otherMessage() { WindowProc(Message{MessageKind::other, 0}); }
};

} // namespace ruzoz::test
