// The game in a browser page: start-up, then the main loop's passes at the
// display's refreshes, and the end.

#include "audio/Sound.h"
#include "graphics/Display.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/web/Page.h"
#include "shell/MainLoop.h"
#include "shell/Replay.h"
#include "shell/ScriptInput.h"
#include "shell/StartUp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace ruzoz;

std::optional<FramePacer> pacer;
std::optional<ScriptedInput> scripted;
std::optional<RecordingInput> recorded;
// The game's messages as --record writes them, kept in memory for the
// page's "save recording".
char *recording = nullptr;
std::size_t recordingSize = 0;
std::vector<replay::ScriptEvent> script;
bool playScript = false;
long long firstShownFrame = 0;

// Made at the first refresh, so that the clock starts from a real one.
bool step() {
  if (!pacer) {
    Input *input = &platform::EventInput();
    if (playScript)
      input = &scripted.emplace(*input, std::move(script));
    if (std::FILE *file = open_memstream(&recording, &recordingSize)) {
      input = &recorded.emplace(*input, file);
      web::KeepRecording(file, &recording, &recordingSize);
    }
    pacer.emplace(*input, platform::SystemClock());
    framesRun = firstShownFrame;
  }
  if (pacer->Step() != FramePacer::Result::quit)
    return true;
  platform::EndVideo();
  return false;
}

class Unheard final : public Sound {
  void PlayEffect(int) override {}
  void PlayMusic() override {}
  void SetMusicRepeats(unsigned) override {}
};

// The frames before `frames` of the script, at once, neither shown nor
// heard; the script's later events stay for the paced frames.
void runAhead(long long frames) {
  Unheard unheard;
  Video *shown = video;
  Sound *heard = sound;
  video = nullptr;
  sound = &unheard;
  replay::runReplay(frames, script, nullptr);
  video = shown;
  sound = heard;
  std::size_t done = 0;
  while (done < script.size() && script[done].frame < frames)
    ++done;
  script.erase(script.begin(), script.begin() + static_cast<std::ptrdiff_t>(done));
}

// For tests: --play FILE plays a key script from the page's files instead of
// the keyboard (as the native --play), --from F runs its frames before F
// first, unseen. Nothing else is read from the page's arguments.
bool readArguments(int argc, char **argv) {
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--play") == 0) {
      std::ifstream in(argv[i + 1]);
      std::string error;
      if (!in || !replay::parseScript(in, script, error)) {
        const std::string text = std::string("ruzoz: cannot play '") + argv[i + 1] + "' " + error;
        platform::ShowErrorBox(text.c_str());
        return false;
      }
      playScript = true;
    } else if (std::strcmp(argv[i], "--from") == 0) {
      firstShownFrame = std::atoll(argv[i + 1]);
    }
  }
  return true;
}

} // namespace

// The page's test times an effect from here to the worklet's output. Kept
// and exported as EMSCRIPTEN_KEEPALIVE does, without the page's header.
extern "C" __attribute__((used)) void ruzoz_page_play_effect(int index) { PlaySoundEffect(index); }

int main(int argc, char **argv) {
  if (!readArguments(argc, argv))
    return 2;
  if (!StartUp()) {
    ShutDown();
    platform::EndVideo();
    return 1;
  }
  if (playScript && firstShownFrame > 0)
    runAhead(firstShownFrame);
  else
    firstShownFrame = 0;
  web::RunEachRefresh(step);
  return 0;
}
