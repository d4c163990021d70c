// Runs the game as a user would and measures it from outside: the time from
// starting the process to the end of its first frame (the first present),
// its processor use and frame pacing over a window of the run, and its peak
// resident memory. Keys, if any, come from elsewhere (xdotool) meanwhile.
//
//   launch_probe [--settle S] [--seconds S] [--watch PID] -- GAME [ARGS...]
//
// The game runs in the current directory with RUZOZ_FRAME_LOG pointing to a
// file of its frame start and end clock values, which share this program's
// clock (SDL's counter). After `settle` seconds (default 2) processor time is
// taken for `seconds` (default 10); then the game gets SIGTERM, which it
// takes as a closed window, and writes the log. --watch adds the processor
// use of another process (the X server) over the same window. Meanwhile the
// probe itself sleeps to 60 Hz deadlines and reports how late it woke: what
// any sleeping program gets from this machine at that time.

#include "platform/Events.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int fail(const std::string &message) {
  std::fprintf(stderr, "launch_probe: %s\n", message.c_str());
  return 2;
}

// utime + stime of a process, in clock ticks; -1 when it cannot be read.
long long processorTicks(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line) || line.rfind(')') == std::string::npos)
    return -1;
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  long long utime = -1, stime = -1;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14)
      utime = std::stoll(field);
    if (i == 15)
      stime = std::stoll(field);
  }
  return utime < 0 || stime < 0 ? -1 : utime + stime;
}

// The peak resident set (VmHWM) in kB; -1 when it cannot be read.
long long peakResidentKb(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmHWM:", 0) == 0)
      return std::atoll(line.c_str() + 6);
  return -1;
}

double seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

} // namespace

int main(int argc, char **argv) {
  double settle = 2, window = 10;
  int watched = 0;
  int first = 1;
  for (; first < argc && std::strcmp(argv[first], "--") != 0; ++first) {
    const std::string arg = argv[first];
    if (first + 1 >= argc)
      return fail("missing value after " + arg);
    if (arg == "--settle")
      settle = std::atof(argv[++first]);
    else if (arg == "--seconds")
      window = std::atof(argv[++first]);
    else if (arg == "--watch")
      watched = std::atoi(argv[++first]);
    else
      return fail("bad argument " + arg);
  }
  if (first + 1 >= argc)
    return fail("usage: launch_probe [--settle S] [--seconds S] [--watch PID] -- GAME [ARGS...]");

  char logName[] = "/tmp/ruzoz-frames-XXXXXX";
  const int logFile = mkstemp(logName);
  if (logFile < 0)
    return fail("cannot make a frame log file");
  close(logFile);

  ruzoz::Clock &clock = ruzoz::platform::SystemClock();
  const double perSecond = static_cast<double>(clock.CounterFrequency());
  const std::int64_t launched = clock.ReadCounter();
  const pid_t game = fork();
  if (game < 0)
    return fail("fork failed");
  if (game == 0) {
    setenv("RUZOZ_FRAME_LOG", logName, 1);
    execv(argv[first + 1], argv + first + 1);
    std::fprintf(stderr, "launch_probe: cannot run %s: %s\n", argv[first + 1],
                 std::strerror(errno));
    _exit(127);
  }

  std::this_thread::sleep_for(std::chrono::duration<double>(settle));
  const long long gameBefore = processorTicks(game);
  const long long watchedBefore = watched != 0 ? processorTicks(watched) : 0;
  const std::int64_t windowBegin = clock.ReadCounter();
  const auto begin = std::chrono::steady_clock::now();
  // Meanwhile this program wakes at 60 Hz by the clock alone: how late a
  // bare sleeper wakes on this machine at this time, for comparison.
  std::vector<double> wakeLateness;
  const auto tick = std::chrono::nanoseconds(1'000'000'000 / 60);
  for (auto due = begin + tick; due <= begin + std::chrono::duration<double>(window); due += tick) {
    std::this_thread::sleep_until(due);
    wakeLateness.push_back(1000 * seconds(std::chrono::steady_clock::now() - due));
  }
  const long long gameAfter = processorTicks(game);
  const long long watchedAfter = watched != 0 ? processorTicks(watched) : 0;
  const double elapsed = seconds(std::chrono::steady_clock::now() - begin);
  const std::int64_t windowEnd = clock.ReadCounter();
  const long long peak = peakResidentKb(game);

  kill(game, SIGTERM);
  int status = 0;
  waitpid(game, &status, 0);
  if (gameBefore < 0 || gameAfter < 0)
    return fail("the game ended before the measurement did");

  const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
  std::printf("cpu-percent %.2f\n",
              100.0 * static_cast<double>(gameAfter - gameBefore) / ticks / elapsed);
  if (watched != 0)
    std::printf("watched-cpu-percent %.2f\n",
                100.0 * static_cast<double>(watchedAfter - watchedBefore) / ticks / elapsed);
  std::printf("peak-rss-kb %lld\n", peak);
  std::printf("exit-code %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);

  // The frame log: "ticks-per-second F", then "start end" per frame.
  std::ifstream log(logName);
  std::string label;
  double logPerSecond = 0;
  log >> label >> logPerSecond;
  std::vector<std::int64_t> starts, ends;
  for (std::int64_t s = 0, e = 0; log >> s >> e;) {
    starts.push_back(s);
    ends.push_back(e);
  }
  std::remove(logName);
  if (starts.empty() || logPerSecond != perSecond)
    return fail("no frame log from the game (or another clock)");
  std::printf("first-frame-ms %.2f\n",
              1000.0 * static_cast<double>(ends[0] - launched) / perSecond);

  // Pacing over the frames that started inside the window.
  const double period = 1000.0 / 60;
  std::vector<double> gaps;
  for (std::size_t i = 1; i < starts.size(); ++i)
    if (starts[i - 1] >= windowBegin && starts[i] <= windowEnd)
      gaps.push_back(1000.0 * static_cast<double>(starts[i] - starts[i - 1]) / perSecond);
  if (gaps.size() < 10)
    return fail("too few frames in the window");
  const auto within = std::count_if(gaps.begin(), gaps.end(),
                                    [&](double g) { return g >= period - 1 && g <= period + 1; });
  const auto early = std::count_if(gaps.begin(), gaps.end(), [&](double g) { return g < period; });
  const double fps =
      static_cast<double>(gaps.size()) / (static_cast<double>(windowEnd - windowBegin) / perSecond);
  std::sort(gaps.begin(), gaps.end());
  const auto at = [&](double q) { return gaps[static_cast<std::size_t>(q * (gaps.size() - 1))]; };
  std::printf("frames-per-second %.2f\n", fps);
  std::printf("gap-ms min %.3f median %.3f p99 %.3f max %.3f\n", gaps.front(), at(0.5), at(0.99),
              gaps.back());
  std::printf("within-1ms-percent %.2f\n", 100.0 * static_cast<double>(within) / gaps.size());
  std::printf("shorter-than-period %ld\n", static_cast<long>(early));
  std::sort(wakeLateness.begin(), wakeLateness.end());
  const auto onTime = std::count_if(wakeLateness.begin(), wakeLateness.end(),
                                    [](double late) { return late <= 1; });
  std::printf("sleeper-within-1ms-percent %.2f\n",
              100.0 * static_cast<double>(onTime) / static_cast<double>(wakeLateness.size()));
  std::printf("sleeper-late-ms median %.3f p99 %.3f max %.3f\n",
              wakeLateness[wakeLateness.size() / 2],
              wakeLateness[(wakeLateness.size() - 1) * 99 / 100], wakeLateness.back());
  return 0;
}
