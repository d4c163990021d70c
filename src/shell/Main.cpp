// The game: the command line, start-up, the message loop with its frames,
// the end.

#include "pilot/Pilot.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/EndSignals.h"
#include "shell/KeyScript.h"
#include "shell/MainLoop.h"
#include "shell/Options.h"
#include "shell/ScriptInput.h"
#include "shell/StartUp.h"
#include "shell/Trace.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace ruzoz;

// RUZOZ_FRAME_LOG=FILE writes the clock values of every frame's start and
// end (the first hour) to FILE at exit, for measuring the pacing.
constexpr int frameLogCapacity = 60 * 60 * 60;
std::int64_t frameStarts[frameLogCapacity];
std::int64_t frameEnds[frameLogCapacity];

void writeFrameLog(const char *path, const FrameLog &log, std::uint64_t ticksPerSecond) {
  std::FILE *out = std::fopen(path, "w");
  if (out == nullptr)
    return;
  std::fprintf(out, "ticks-per-second %" PRIu64 "\n", ticksPerSecond);
  for (int i = 0; i < log.count; ++i)
    std::fprintf(out, "%" PRId64 " %" PRId64 "\n", log.starts[i], log.ends[i]);
  std::fclose(out);
}

bool complain(const std::string &what) {
  std::fprintf(stderr, "ruzoz: %s\n", what.c_str());
  return false;
}

// The installed launcher starts the game in its data folder: a relative file
// name on the command line means one in the folder the player was in.
std::string fromCaller(const std::string &name) {
  const char *caller = std::getenv("RUZOZ_CALLER_DIR");
  if (name.empty() || name[0] == '/' || caller == nullptr || *caller == '\0')
    return name;
  return std::string(caller) + "/" + name;
}

bool readScript(const std::string &name, std::vector<replay::ScriptEvent> &events) {
  std::ifstream in(fromCaller(name));
  if (!in)
    return complain("cannot read key script '" + name + "': " + std::strerror(errno));
  std::string error;
  if (!replay::parseScript(in, events, error))
    return complain(name + ": " + error);
  return true;
}

// A file the game writes while it runs: opened before the window, so that a
// name that cannot be written ends the program at once; buffered in memory
// of its own, so that writing allocates nothing during frames.
class OutputFile {
public:
  bool Open(const std::string &name) {
    name_ = name;
    path_ = fromCaller(name);
    file_ = std::fopen(path_.c_str(), "w");
    if (file_ == nullptr)
      return complain("cannot write '" + name + "': " + std::strerror(errno));
    std::setvbuf(file_, buffer_, _IOFBF, sizeof buffer_);
    return true;
  }
  std::FILE *Get() const { return file_; }
  // After a failed start-up: nothing was written, nothing stays.
  void Discard() {
    if (file_ == nullptr)
      return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(path_.c_str());
  }
  bool Close() {
    if (file_ == nullptr)
      return true;
    const bool written = std::ferror(file_) == 0 && std::fclose(file_) == 0;
    file_ = nullptr;
    return written || complain("cannot write '" + name_ + "'");
  }

private:
  std::string name_;
  std::string path_;
  std::FILE *file_ = nullptr;
  char buffer_[1 << 16];
};

OutputFile recordFile;
OutputFile traceFile;

// The window's icon, windowIcon of windowIconSize, drawn at build time from
// the ship (ruzoz-icongen).
#include "WindowIcon.inc"

// A signal to end is the window closed, once.
class EndSignalInput final : public Input {
public:
  explicit EndSignalInput(Input &inner) : inner_(inner) {}
  bool TakeMessage(Message &message) override {
    if (!told_ && platform::EndSignalled()) {
      told_ = true;
      platform::HideGameWindow();
      message = Message{MessageKind::destroy, 0};
      return true;
    }
    return inner_.TakeMessage(message);
  }
  void WaitForMessage(int milliseconds) override {
    if (!platform::EndSignalled())
      inner_.WaitForMessage(milliseconds);
  }

private:
  Input &inner_;
  bool told_ = false;
};

} // namespace

int main(int argc, char **argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  if (line.exitCode >= 0) {
    std::fputs(line.out.c_str(), stdout);
    std::fputs(line.err.c_str(), stderr);
    return line.exitCode;
  }
  const Options &options = line.options;
  std::vector<replay::ScriptEvent> script;
  if (!options.playPath.empty() && !readScript(options.playPath, script))
    return 2;
  if ((!options.recordPath.empty() && !recordFile.Open(options.recordPath)) ||
      (!options.tracePath.empty() && !traceFile.Open(options.tracePath))) {
    recordFile.Discard();
    return 2;
  }

  platform::CatchEndSignals();
  platform::SetIntegerScale(options.integerScale);
  platform::SetWindowIcon(windowIcon, windowIconSize);
  const SoundChoice sound = options.noSound   ? SoundChoice::none
                            : options.noMusic ? SoundChoice::effectsOnly
                                              : SoundChoice::all;
  if (!StartUp(options.inWindow, sound)) {
    ShutDown();
    platform::EndVideo();
    recordFile.Discard();
    traceFile.Discard();
    return 1;
  }

  // Whatever reaches the game still arrives as WindowProc's messages.
  EndSignalInput events(platform::EventInput());
  Input *input = &events;
  std::optional<ScriptedInput> played;
  std::optional<pilot::PilotInput> demo;
  std::optional<RecordingInput> recorded;
  if (!options.playPath.empty())
    input = &played.emplace(*input, script);
  if (options.demo)
    input = &demo.emplace(*input, options.demoSeed, framesRun);
  if (recordFile.Get() != nullptr)
    input = &recorded.emplace(*input, recordFile.Get());
  if (traceFile.Get() != nullptr)
    replay::beginRecording();

  const char *frameLogPath = std::getenv("RUZOZ_FRAME_LOG");
  const bool logFrames = frameLogPath != nullptr && *frameLogPath != '\0';
  FrameLog log{frameStarts, frameEnds, frameLogCapacity};
  // Its pages mapped now, not one by one as frames fill them: no page fault
  // in a frame, and the resident size a long run measures stays the game's.
  if (logFrames) {
    std::memset(frameStarts, 0, sizeof frameStarts);
    std::memset(frameEnds, 0, sizeof frameEnds);
  }
  Clock &clock = platform::SystemClock();
  int code = RunMainLoop(*input, clock, logFrames ? &log : nullptr, traceFile.Get());
  if (traceFile.Get() != nullptr)
    replay::endRecording();
  const bool recordWritten = recordFile.Close();
  const bool traceWritten = traceFile.Close();
  if (!recordWritten || !traceWritten)
    code = 2;
  if (logFrames) {
    const std::uint64_t frequency = clock.CounterFrequency();
    writeFrameLog(frameLogPath, log, frequency != 0 ? frequency : 1000);
  }
  platform::EndVideo();
  return code;
}
