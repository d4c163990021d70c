#include "shell/WindowProc.h"

#include "audio/Sound.h"
#include "game/World.h"
#include "shell/StartUp.h"

namespace ruzoz {

bool quitPosted = false;
int quitCode = 0;

void PostQuitMessage(int code) {
  quitPosted = true;
  quitCode = code;
}

namespace {

void releaseArrows() {
  keys.keyLeft = 0;
  keys.keyRight = 0;
  keys.keyUp = 0;
  keys.keyDown = 0;
}

// Every step tests the key again: Space reads flags an earlier step changed.
void keyDown(int k) {
  GameState &g = game;
  if (k == vkEscape)
    WindowProc(Message{MessageKind::destroy, 0});
  keys.keyLeft = k == vkLeft;
  keys.keyRight = k == vkRight;
  keys.keyUp = k == vkUp;
  keys.keyDown = k == vkDown;
  if (k == vkSpace && g.storyScreen == 0) {
    g.playing = 1;
    SetMusicRepeats(999);
    PlayMusic();
  }
  if (k == vkShift)
    keys.fireRequest = 1;
  if (k == vkReturn && g.storyScreen == 0)
    g.storyScreen = 1;
  if (k == vkSpace && g.titleTextsHidden == 1) {
    g.titleTextsHidden = 0;
    g.playing = 0;
  }
  if (k == vkSpace && g.storyScreen == 1) {
    g.storyScreen = 0;
    g.titleTextsHidden = 1;
  }
}

} // namespace

void WindowProc(const Message &message) {
  switch (message.kind) {
  case MessageKind::destroy:
    ShutDown();
    PostQuitMessage(0);
    return;
  case MessageKind::keyDown:
    keyDown(message.virtualKey);
    return;
  case MessageKind::other:
    releaseArrows();
    return;
  }
}

} // namespace ruzoz
