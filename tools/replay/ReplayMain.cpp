// ruzoz-replay: runs the game headless from a key script and writes a trace.

#include "Replay.h"

#include "game/World.h"
#include "graphics/Display.h"
#include "screens/Screens.h"

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
  if (!snapshots.empty())
    return fail("--snapshot is not available: this build draws no pixels yet");

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

  InstallNominalSurfaces();
  replay::beginRecording();
  replay::runReplay(frames, events, trace);
  replay::endRecording();

  if (trace != nullptr && trace != stdout && std::fclose(trace) != 0)
    return fail(std::string("cannot write trace \"") + tracePath + "\"");
  return 0;
}
