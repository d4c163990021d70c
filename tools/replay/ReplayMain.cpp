// ruzoz-replay: runs the game headless from a key script and writes a trace.

#include "shell/Replay.h"

#include "platform/Events.h"
#include "platform/Window.h"
#include "screens/Screens.h"
#include "shell/StartUp.h"
#include "shell/WindowProc.h"

#include "ToolCommand.h"
#include "game/World.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

using namespace ruzoz;

namespace {

const char *const usage =
    "usage: ruzoz-replay --frames N [--input FILE] [--trace FILE] [--snapshot F:PATH]... "
    "[--texts] [--timing]\n";

int fail(const std::string &message) {
  std::fprintf(stderr, "ruzoz-replay: %s\n", message.c_str());
  return 2;
}

bool parseCount(const char *text, long long &value) {
  if (*text == '\0' || std::strlen(text) > 15)
    return false;
  value = 0;
  for (const char *p = text; *p; ++p) {
    if (*p < '0' || *p > '9')
      return false;
    value = value * 10 + (*p - '0');
  }
  return true;
}

struct SnapshotRun {
  const std::vector<replay::Snapshot> *snapshots;
  std::vector<bool> written;
  bool failed = false;
};

void takeSnapshots(long long frame, void *context) {
  auto &run = *static_cast<SnapshotRun *>(context);
  for (std::size_t i = 0; i < run.snapshots->size(); ++i) {
    const replay::Snapshot &snapshot = (*run.snapshots)[i];
    if (snapshot.frame != frame)
      continue;
    if (platform::SaveBackBuffer(snapshot.path.c_str())) {
      run.written[i] = true;
    } else {
      std::fprintf(stderr, "ruzoz-replay: cannot write snapshot \"%s\"\n", snapshot.path.c_str());
      run.failed = true;
    }
  }
}

// The thread's own processor time where there is one (a frame preempted by
// another program is not counted long); the wall clock in the browser's
// build.
double nowMicros() {
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
#else
  using namespace std::chrono;
  return duration<double, std::micro>(steady_clock::now().time_since_epoch()).count();
#endif
}

// --timing: how long each frame took, by the level it
// played (-1: a title frame), kept in tables sized before the first frame.
struct FrameTimes {
  std::vector<signed char> level;
  std::vector<float> micros;
};

// Times each frame from the end of the one before (the messages it takes
// included), counted by the level the frame ended on.
struct TimedRun {
  SnapshotRun *snapshots;
  FrameTimes *times;
  std::size_t capacity;
  double last;
};

void timeFrame(long long frame, void *context) {
  auto &run = *static_cast<TimedRun *>(context);
  const double now = nowMicros();
  if (run.times->level.size() < run.capacity) {
    run.times->level.push_back(
        static_cast<signed char>(game.playing && game.gameInProgress ? game.currentLevel : -1));
    run.times->micros.push_back(static_cast<float>(now - run.last));
  }
  if (!run.snapshots->snapshots->empty())
    takeSnapshots(frame, run.snapshots);
  run.last = nowMicros();
}

void printTimes(FrameTimes &times) {
  std::fprintf(stderr, "level frames median_us worst_us\n");
  for (int level = -1; level < levelCount; ++level) {
    std::vector<float> of;
    for (std::size_t i = 0; i < times.level.size(); ++i)
      if (times.level[i] == level)
        of.push_back(times.micros[i]);
    if (of.empty())
      continue;
    std::sort(of.begin(), of.end());
    const char *name = level < 0 ? "title" : nullptr;
    if (name != nullptr)
      std::fprintf(stderr, "%s", name);
    else
      std::fprintf(stderr, "%d", level);
    std::fprintf(stderr, " %zu %.1f %.1f\n", of.size(), of[of.size() / 2], of.back());
  }
}

} // namespace

int main(int argc, char **argv) {
  const tool::Command command{"ruzoz-replay", usage + std::strlen("usage: ")};
  command.answerHelp(argc, argv);
  long long frames = -1;
  const char *inputPath = nullptr;
  const char *tracePath = nullptr;
  bool texts = false;
  bool timing = false;
  std::vector<replay::Snapshot> snapshots;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--texts") {
      texts = true;
    } else if (arg == "--timing") {
      timing = true;
    } else if (arg == "--frames" && hasValue) {
      if (!parseCount(argv[++i], frames))
        return fail(std::string("--frames needs a non-negative number, not \"") + argv[i] + "\"");
    } else if (arg == "--input" && hasValue) {
      inputPath = argv[++i];
    } else if (arg == "--trace" && hasValue) {
      tracePath = argv[++i];
    } else if (arg == "--snapshot" && hasValue) {
      const std::string value = argv[++i];
      const auto colon = value.find(':');
      long long frame = 0;
      if (colon == std::string::npos || colon + 1 == value.size() ||
          !parseCount(value.substr(0, colon).c_str(), frame))
        return fail("--snapshot needs F:PATH, not \"" + value + "\"");
      snapshots.push_back({frame, value.substr(colon + 1)});
    } else {
      std::fputs(usage, stderr);
      return fail("bad argument \"" + arg + "\"" + (hasValue ? "" : " (missing value?)"));
    }
  }

  if (texts) {
    std::printf("%s\n", creditLine);
    for (const char *line : storyLines)
      std::printf("%s\n", line);
    return 0;
  }
  if (frames < 0) {
    std::fputs(usage, stderr);
    return fail("--frames is required");
  }

  std::vector<replay::ScriptEvent> events;
  if (inputPath != nullptr) {
    std::ifstream in(inputPath);
    if (!in)
      return fail(std::string("cannot read key script \"") + inputPath + "\"");
    std::string error;
    if (!replay::parseScript(in, events, error))
      return fail(std::string(inputPath) + ": " + error);
  }

  std::FILE *trace = nullptr;
  if (tracePath != nullptr) {
    trace = std::strcmp(tracePath, "-") == 0 ? stdout : std::fopen(tracePath, "w");
    if (trace == nullptr)
      return fail(std::string("cannot write trace \"") + tracePath + "\"");
  }

  // The game's own start-up, in the current directory, with no window to
  // see and no sound to hear.
  platform::UseHeadlessDrivers();
  if (!StartUp()) {
    ShutDown(); // reports the failure on stderr
    platform::EndVideo();
    if (trace != nullptr && trace != stdout) {
      std::fclose(trace);
      std::remove(tracePath);
    }
    return 1;
  }

  SnapshotRun run{&snapshots, std::vector<bool>(snapshots.size(), false)};
  // Only a snapshot looks at the pixels; a timed frame draws them as the
  // game does.
  replay::beginRecording(!snapshots.empty() || timing);
  FrameTimes times;
  if (timing) {
    const std::size_t capacity = static_cast<std::size_t>(std::min(frames, 4000000LL));
    times.level.reserve(capacity);
    times.micros.reserve(capacity);
    TimedRun timed{&run, &times, capacity, nowMicros()};
    replay::runReplay(frames, events, trace, timeFrame, &timed);
  } else {
    replay::runReplay(frames, events, trace, snapshots.empty() ? nullptr : takeSnapshots, &run);
  }
  replay::endRecording();
  ShutDown();
  platform::EndVideo();
  if (timing)
    printTimes(times);

  int result = run.failed ? 2 : 0;
  for (std::size_t i = 0; i < snapshots.size(); ++i) {
    if (!run.written[i] && !run.failed) {
      std::fprintf(stderr, "ruzoz-replay: frame %lld of snapshot \"%s\" was not reached\n",
                   snapshots[i].frame, snapshots[i].path.c_str());
      result = 2;
    }
  }
  if (trace != nullptr && trace != stdout && std::fclose(trace) != 0)
    return fail(std::string("cannot write trace \"") + tracePath + "\"");
  return result;
}
