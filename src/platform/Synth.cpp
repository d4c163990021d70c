#include "platform/Audio.h"

#include <fluidsynth.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

namespace ruzoz::platform {

static_assert(mixChannels == 2, "the synth renders interleaved stereo");

namespace {

// Defaults of these changed between FluidSynth versions: pin them.
constexpr float synthGain = 0.4f;
constexpr double reverbRoomSize = 0.55;
constexpr double reverbDamping = 0.35;
constexpr double reverbWidth = 0.8;
constexpr double reverbLevel = 0.55;
constexpr int chorusVoices = 3;
constexpr double chorusLevel = 1.2;
constexpr double chorusSpeed = 0.3;
constexpr double chorusDepthMs = 8.0;

bool IsFile(const std::string &path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}

class FluidSynth final : public Synth {
public:
  FluidSynth(fluid_settings_t *settings, fluid_synth_t *synth)
      : settings_(settings), synth_(synth), block_(fluid_synth_get_internal_bufsize(synth)) {}

  ~FluidSynth() override {
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
  }

  bool Configure() override {
    fluid_synth_set_gain(synth_, synthGain);
    bool ok = fluid_synth_reverb_on(synth_, -1, 1) == FLUID_OK;
    ok = fluid_synth_set_reverb_group_roomsize(synth_, -1, reverbRoomSize) == FLUID_OK && ok;
    ok = fluid_synth_set_reverb_group_damp(synth_, -1, reverbDamping) == FLUID_OK && ok;
    ok = fluid_synth_set_reverb_group_width(synth_, -1, reverbWidth) == FLUID_OK && ok;
    ok = fluid_synth_set_reverb_group_level(synth_, -1, reverbLevel) == FLUID_OK && ok;
    ok = fluid_synth_chorus_on(synth_, -1, 1) == FLUID_OK && ok;
    ok = fluid_synth_set_chorus_group_nr(synth_, -1, chorusVoices) == FLUID_OK && ok;
    ok = fluid_synth_set_chorus_group_level(synth_, -1, chorusLevel) == FLUID_OK && ok;
    ok = fluid_synth_set_chorus_group_speed(synth_, -1, chorusSpeed) == FLUID_OK && ok;
    ok = fluid_synth_set_chorus_group_depth(synth_, -1, chorusDepthMs) == FLUID_OK && ok;
    ok = fluid_synth_set_chorus_group_type(synth_, -1, FLUID_CHORUS_MOD_SINE) == FLUID_OK && ok;
    return ok;
  }

  bool DownloadInstruments() override {
    if (const std::optional<bool> loaded = std::exchange(preloaded_, std::nullopt)) {
      // Loaded ahead: say now what loading said then, in start-up order.
      std::fputs(preloadMessages_.c_str(), stderr);
      preloadMessages_.clear();
      return *loaded;
    }
    std::string messages;
    const bool ok = LoadSoundFont(messages);
    std::fputs(messages.c_str(), stderr);
    return ok;
  }

  // The SoundFont into the synth; what went wrong is added to `messages`.
  bool LoadSoundFont(std::string &messages) {
    const std::string path = FindSoundFont(std::getenv("SDL_SOUNDFONTS"));
    if (path.empty()) {
      messages += "no GM SoundFont found: set SDL_SOUNDFONTS or install timgm6mb-soundfont\n";
      return false;
    }
    if (fluid_synth_sfload(synth_, path.c_str(), 1) == FLUID_FAILED) {
      messages += path + ": not a usable SoundFont\n";
      return false;
    }
    return true;
  }

  void KeepPreload(bool result, std::string messages) {
    preloaded_ = result;
    preloadMessages_ = std::move(messages);
  }

  void NoteOn(int channel, int key, int velocity) override {
    fluid_synth_noteon(synth_, channel, key, velocity);
  }
  void NoteOff(int channel, int key) override { fluid_synth_noteoff(synth_, channel, key); }
  void ProgramChange(int channel, int program) override {
    fluid_synth_program_change(synth_, channel, program);
  }
  void ControlChange(int channel, int controller, int value) override {
    fluid_synth_cc(synth_, channel, controller, value);
  }
  void AllNotesOff() override { fluid_synth_all_notes_off(synth_, -1); }

  void Render(float *out, int frames) override {
    fluid_synth_write_float(synth_, frames, out, 0, 2, out, 1, 2);
  }

  int BlockFrames() const override { return block_; }

private:
  fluid_settings_t *settings_;
  fluid_synth_t *synth_;
  int block_;
  std::optional<bool> preloaded_; // the SoundFont's result when read ahead
  std::string preloadMessages_;
};

std::unique_ptr<FluidSynth> NewFluidSynth() {
  fluid_settings_t *settings = new_fluid_settings();
  if (settings == nullptr)
    return nullptr;
  // Creation-time settings: a synth without them would not be the one we play.
  const bool ok = fluid_settings_setnum(settings, "synth.sample-rate", mixRate) == FLUID_OK &&
                  fluid_settings_setint(settings, "synth.threadsafe-api", 0) == FLUID_OK &&
                  fluid_settings_setint(settings, "synth.polyphony", 128) == FLUID_OK &&
                  fluid_settings_setint(settings, "synth.cpu-cores", 1) == FLUID_OK &&
                  fluid_settings_setint(settings, "synth.reverb.active", 1) == FLUID_OK &&
                  fluid_settings_setint(settings, "synth.chorus.active", 1) == FLUID_OK &&
                  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 0) == FLUID_OK;
  fluid_synth_t *synth = ok ? new_fluid_synth(settings) : nullptr;
  if (synth == nullptr) {
    delete_fluid_settings(settings);
    return nullptr;
  }
  return std::make_unique<FluidSynth>(settings, synth);
}

// Making the synth and reading the SoundFont is most of the music's start-up
// time; it runs on a thread of its own while the window and the images are
// made, and the music step takes the result.
struct Preparation {
  std::thread worker;
  std::unique_ptr<FluidSynth> synth;

  void Finish() {
    if (worker.joinable())
      worker.join();
  }
  ~Preparation() { Finish(); }
};
Preparation preparation;

// FluidSynth's own complaints while preparing, kept to be printed in order.
std::string preparationLog;
void KeepLog(int level, const char *message, void *) {
  preparationLog += level == FLUID_PANIC ? "fluidsynth: panic: "
                    : level == FLUID_ERR ? "fluidsynth: error: "
                                         : "fluidsynth: warning: ";
  preparationLog += message;
  preparationLog += '\n';
}

void Prepare() {
  constexpr int levels[] = {FLUID_PANIC, FLUID_ERR, FLUID_WARN};
  for (int level : levels)
    fluid_set_log_function(level, KeepLog, nullptr);
  std::unique_ptr<FluidSynth> synth = NewFluidSynth();
  if (synth) {
    std::string messages;
    const bool ok = synth->LoadSoundFont(messages);
    synth->KeepPreload(ok, preparationLog + messages);
  }
  for (int level : levels)
    fluid_set_log_function(level, fluid_default_log_function, nullptr);
  preparation.synth = std::move(synth);
}

} // namespace

std::string FindSoundFont(const char *environmentList) {
  if (environmentList != nullptr) {
    std::string_view list = environmentList;
    while (!list.empty()) {
      const std::size_t colon = list.find(':');
      const std::string entry(list.substr(0, colon));
      if (IsFile(entry))
        return entry;
      list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
  }
  for (const char *path :
       {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
    if (IsFile(path))
      return path;
  return {};
}

void PrepareSynth() {
  if (preparation.worker.joinable() || preparation.synth)
    return;
  preparationLog.clear();
  try {
    preparation.worker = std::thread(Prepare);
  } catch (const std::system_error &) {
    // No thread: the music step makes the synth itself.
  }
}

void DiscardPreparedSynth() {
  preparation.Finish();
  preparation.synth.reset();
}

std::unique_ptr<Synth> TakeSynth() {
  if (preparation.worker.joinable()) {
    preparation.Finish();
    if (!preparation.synth)
      std::fputs(preparationLog.c_str(), stderr);
    return std::move(preparation.synth);
  }
  return NewFluidSynth();
}

} // namespace ruzoz::platform
