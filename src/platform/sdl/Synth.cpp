#include "platform/Audio.h"
#include "platform/sdl/Desktop.h"
#include "ports/SoundFonts.h"
#include "ports/SynthSettings.h"

#include <fluidsynth.h>
#include <glib.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace ruzoz::platform {

static_assert(mixChannels == 2, "the synth renders interleaved stereo");
static_assert(synthSettings::chorusSine == FLUID_CHORUS_MOD_SINE);

namespace {

// FluidSynth's own complaints while a synth is made and a SoundFont read,
// kept to be printed in start-up order (or not at all).
std::string fluidLog;
void KeepLog(int level, const char *message, void *) {
  fluidLog += level == FLUID_PANIC ? "fluidsynth: panic: "
              : level == FLUID_ERR ? "fluidsynth: error: "
                                   : "fluidsynth: warning: ";
  fluidLog += message;
  fluidLog += '\n';
}

// The DLS reader FluidSynth tries after the SoundFont reader has its own
// say, through GLib.
void KeepGlibLog(const gchar *, GLogLevelFlags, const gchar *message, gpointer) {
  fluidLog += "fluidsynth: ";
  fluidLog += message;
  fluidLog += '\n';
}

// Routes FluidSynth's log into fluidLog, emptied first, for its lifetime.
// One at a time: the log functions are the process's.
class QuietFluid {
public:
  QuietFluid() : glibHandler_(g_log_set_default_handler(KeepGlibLog, nullptr)) {
    fluidLog.clear();
    for (int level : levels)
      fluid_set_log_function(level, KeepLog, nullptr);
  }
  ~QuietFluid() {
    for (int level : levels)
      fluid_set_log_function(level, fluid_default_log_function, nullptr);
    g_log_set_default_handler(glibHandler_, nullptr);
  }
  QuietFluid(const QuietFluid &) = delete;
  QuietFluid &operator=(const QuietFluid &) = delete;

private:
  static constexpr int levels[] = {FLUID_PANIC, FLUID_ERR, FLUID_WARN};
  GLogFunc glibHandler_;
};

class FluidSynth final : public Synth {
public:
  FluidSynth(fluid_settings_t *settings, fluid_synth_t *synth)
      : settings_(settings), synth_(synth), block_(fluid_synth_get_internal_bufsize(synth)) {}

  ~FluidSynth() override {
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
  }

  bool Configure() override {
    fluid_synth_set_gain(synth_, synthSettings::gain);
    bool ok = fluid_synth_reverb_on(synth_, -1, 1) == FLUID_OK;
    ok = fluid_synth_set_reverb_group_roomsize(synth_, -1, synthSettings::reverbRoomSize) ==
             FLUID_OK &&
         ok;
    ok = fluid_synth_set_reverb_group_damp(synth_, -1, synthSettings::reverbDamping) == FLUID_OK &&
         ok;
    ok = fluid_synth_set_reverb_group_width(synth_, -1, synthSettings::reverbWidth) == FLUID_OK &&
         ok;
    ok = fluid_synth_set_reverb_group_level(synth_, -1, synthSettings::reverbLevel) == FLUID_OK &&
         ok;
    ok = fluid_synth_chorus_on(synth_, -1, 1) == FLUID_OK && ok;
    ok = fluid_synth_set_chorus_group_nr(synth_, -1, synthSettings::chorusVoices) == FLUID_OK && ok;
    ok = fluid_synth_set_chorus_group_level(synth_, -1, synthSettings::chorusLevel) == FLUID_OK &&
         ok;
    ok = fluid_synth_set_chorus_group_speed(synth_, -1, synthSettings::chorusSpeed) == FLUID_OK &&
         ok;
    ok = fluid_synth_set_chorus_group_depth(synth_, -1, synthSettings::chorusDepthMs) == FLUID_OK &&
         ok;
    ok = fluid_synth_set_chorus_group_type(synth_, -1, synthSettings::chorusSine) == FLUID_OK && ok;
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
    bool ok;
    {
      const QuietFluid quiet;
      ok = LoadSoundFont(messages);
    }
    std::fputs(messages.c_str(), stderr);
    return ok;
  }

  // The SoundFont into the synth. What FluidSynth said is added to
  // `messages`; a failure replaces it all with the one line a player needs.
  bool LoadSoundFont(std::string &messages) {
    const char *const list = std::getenv("SDL_SOUNDFONTS");
    const std::string path = FindSoundFont(list);
    const char *const howTo = "set SDL_SOUNDFONTS=/path/to/file.sf2";
    if (path.empty()) {
      std::string looked;
      const std::vector<std::string> places = SoundFontPlaces(list);
      for (std::size_t i = 0; i < places.size(); ++i)
        looked += (i == 0 ? "" : i + 1 == places.size() ? " or " : ", ") + places[i];
      // Installing one helps only when the player named none.
      const bool named = places != SoundFontPlaces(nullptr);
      messages = "music off: no SoundFont at " + looked + "; " +
                 (named ? "" : "install timgm6mb-soundfont or ") + howTo + '\n';
      return false;
    }
    if (fluid_synth_sfload(synth_, path.c_str(), 1) == FLUID_FAILED) {
      messages = "music off: " + path + " is not a usable SoundFont; " + howTo + '\n';
      return false;
    }
    messages += fluidLog;
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
  bool ok = true;
  for (const synthSettings::Creation &setting : synthSettings::creation)
    ok = ok && (setting.integer
                    ? fluid_settings_setint(settings, setting.name, int(setting.value))
                    : fluid_settings_setnum(settings, setting.name, setting.value)) == FLUID_OK;
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

void Prepare() {
  std::unique_ptr<FluidSynth> synth;
  {
    const QuietFluid quiet;
    synth = NewFluidSynth();
    if (synth) {
      std::string messages;
      const bool ok = synth->LoadSoundFont(messages);
      synth->KeepPreload(ok, std::move(messages));
    }
  }
  preparation.synth = std::move(synth);
}

} // namespace

void PrepareSynth() {
  if (preparation.worker.joinable() || preparation.synth)
    return;
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
      std::fputs(fluidLog.c_str(), stderr);
    return std::move(preparation.synth);
  }
  return NewFluidSynth();
}

} // namespace ruzoz::platform
