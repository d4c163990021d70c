#pragma once

namespace ruzoz {

// Windows virtual-key codes the game reacts to.
enum VirtualKey : int {
  vkShift = 16,
  vkReturn = 13,
  vkEscape = 27,
  vkSpace = 32,
  vkLeft = 37,
  vkUp = 38,
  vkRight = 39,
  vkDown = 40,
};

enum class MessageKind { keyDown, destroy, other };

struct Message {
  MessageKind kind = MessageKind::other;
  int virtualKey = 0;
};

// Turns one window message into key and screen-state flags. Esc destroys
// the window, which shuts the game down and posts the quit message.
void WindowProc(const Message &message);

// Set by the quit message; the main loop ends before it would draw again.
extern bool quitPosted;
extern int quitCode;
void PostQuitMessage(int code);

// Called with every destroy message before the quit is posted; the shell
// installs its ShutDown here.
extern void (*shutDownHandler)();
// Takes the real window away, if there is one; the destroy message follows.
extern void (*destroyWindowHook)();

} // namespace ruzoz
