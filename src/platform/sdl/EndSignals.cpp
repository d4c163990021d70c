#include "platform/sdl/EndSignals.h"

#include <SDL.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace ruzoz::platform {

namespace {

volatile std::sig_atomic_t endSignal = 0;
// Written by the handler, read by the box's watcher.
int wake[2] = {-1, -1};
std::thread watcher;

void onEndSignal(int number) {
  const int saved = errno;
  endSignal = number;
  if (wake[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake[1], &byte, 1);
  }
  errno = saved;
}

// Every process whose parent we are: at the time of a box, only the box's.
void endChildren() {
  const pid_t self = ::getpid();
  DIR *proc = ::opendir("/proc");
  if (proc == nullptr)
    return;
  while (const dirent *entry = ::readdir(proc)) {
    char *end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0')
      continue;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    std::FILE *stat = std::fopen(path, "r");
    if (stat == nullptr)
      continue;
    char line[512];
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    // "pid (name) state ppid ...": the name may hold blanks and brackets.
    const char *close = read ? std::strrchr(line, ')') : nullptr;
    char state = 0;
    long parent = 0;
    if (close != nullptr && std::sscanf(close + 1, " %c %ld", &state, &parent) == 2 &&
        parent == self)
      ::kill(static_cast<pid_t>(pid), SIGKILL);
  }
  ::closedir(proc);
}

} // namespace

void CatchEndSignals() {
  if (wake[0] < 0 && ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
    wake[0] = wake[1] = -1;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  struct sigaction action {};
  action.sa_handler = onEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : {SIGTERM, SIGINT, SIGHUP})
    sigaction(number, &action, nullptr);
}

bool EndSignalled() { return endSignal != 0; }

BoxCloser::BoxCloser() {
  if (wake[0] < 0 || ::pipe2(done_, O_CLOEXEC) != 0)
    return;
  watching_ = true;
  const int done = done_[0];
  watcher = std::thread([done] {
    pollfd fds[2] = {{wake[0], POLLIN, 0}, {done, POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0 && errno == EINTR) {
    }
    if ((fds[1].revents & POLLIN) != 0)
      return;
    // The box's process may not have started yet: again until SDL returns.
    for (;;) {
      endChildren();
      if (::poll(&fds[1], 1, 50) > 0)
        return;
    }
  });
}

BoxCloser::~BoxCloser() {
  if (!watching_)
    return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(done_[1], &byte, 1);
  watcher.join();
  ::close(done_[0]);
  ::close(done_[1]);
}

} // namespace ruzoz::platform
