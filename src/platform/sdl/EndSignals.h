#pragma once
// SIGTERM, SIGINT and SIGHUP: the end a closed window is, also while a
// message box waits for its OK.

namespace ruzoz::platform {

// Installs the handlers, in place of SDL's (which know only SIGINT and
// SIGTERM and cannot reach a message box). For the game; the tools keep SDL's.
void CatchEndSignals();
// True once one of the three came.
bool EndSignalled();

// While it lives, a signal closes the message box SDL shows: SDL runs the
// box in a child process (its X11 box forks, its Wayland box starts zenity)
// and waits for it, so the box's process is ended and SDL returns.
class BoxCloser {
public:
  BoxCloser();
  ~BoxCloser();
  BoxCloser(const BoxCloser &) = delete;
  BoxCloser &operator=(const BoxCloser &) = delete;

private:
  int done_[2] = {-1, -1};
  bool watching_ = false;
};

} // namespace ruzoz::platform
