#pragma once
// A virtual X server of one screen for the tests of the real game, and what
// they ask of it through the X tools.

#include "ports/Texts.h"
#include "support/Support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace testsupport {

inline void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class XServerTest : public testing::Test {
protected:
  // Starts Xvfb with a screen of w x h once each of `tools` is on PATH.
  void StartX(int w, int h, const std::vector<std::string> &tools) {
    for (const std::string &tool : tools)
      ASSERT_FALSE(FindProgram(tool).empty())
          << tool << " is needed on PATH (Debian: xvfb xdotool imagemagick x11-utils openbox)";
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    xvfb =
        StartProcess({FindProgram("Xvfb"), "-displayfd", std::to_string(fds[1]), "-screen", "0",
                      std::to_string(w) + "x" + std::to_string(h) + "x24", "-nolisten", "tcp"},
                     scratch.path(), {}, scratch.path() / "xvfb.out", scratch.path() / "xvfb.err");
    ::close(fds[1]);
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
      display += c;
    ::close(fds[0]);
    ASSERT_FALSE(display.empty()) << ReadText(scratch.path() / "xvfb.err");
    display.insert(0, ":");
  }

  void TearDown() override {
    KillProcess(game);
    KillProcess(windowManager);
    KillProcess(xvfb);
  }

  ProcessResult x(std::vector<std::string> argv) {
    argv[0] = FindProgram(argv[0]);
    return RunProcess(argv, scratch.path(), {{"DISPLAY", display}}, 20);
  }

  // The failure box: a viewable window with the game's caption, or empty.
  std::string waitForBox(int tries) {
    for (int i = 0; i < tries; ++i, SleepMs(50)) {
      std::istringstream tree(x({"xwininfo", "-root", "-tree"}).out);
      for (std::string line, id; std::getline(tree, line);)
        if (line.find(std::string("\"") + ruzoz::texts::windowTitle + "\"") != std::string::npos &&
            std::istringstream(line) >> id &&
            x({"xwininfo", "-id", id}).out.find("IsViewable") != std::string::npos)
          return id;
    }
    return "";
  }

  ScratchDir scratch;
  std::string display;
  int xvfb = 0, windowManager = 0, game = 0;
};

} // namespace testsupport
