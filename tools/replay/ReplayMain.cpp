// ruzoz-replay: runs the game headless from a key script and writes a trace.

#include "shell/Replay.h"

#include "platform/Events.h"
#include "platform/Window.h"
#include "screens/Screens.h"
#include "shell/StartUp.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace ruzoz;

namespace {

const char *const usage =
    "usage: ruzoz-replay --frames N [--input FILE] [--trace FILE] [--snapshot F:PATH]... "
    "[--texts]\n";

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

} // namespace

int main(int argc, char **argv) {
  long long frames = -1;
  const char *inputPath = nullptr;
  const char *tracePath = nullptr;
  bool texts = false;
  std::vector<replay::Snapshot> snapshots;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--texts") {
      texts = true;
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
  // Only a snapshot looks at the pixels.
  replay::beginRecording(!snapshots.empty());
  replay::runReplay(frames, events, trace, snapshots.empty() ? nullptr : takeSnapshots, &run);
  replay::endRecording();
  ShutDown();
  platform::EndVideo();

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
