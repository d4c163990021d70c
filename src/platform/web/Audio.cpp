// The page's sound: one WebAudio graph that pulls our own mix (music, then
// the effects), and the music's FluidSynth, the wasm build that
// js-synthesizer ships, driven call by call from our sequencer.

#include "platform/Audio.h"
#include "platform/web/Internal.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <sys/stat.h>

// clang-format off
// A ScriptProcessor on the page's thread asks for the mix: the game and
// the synth live there. The context may start suspended; the page resumes
// it at the first key or click.
EM_JS(int, ruzoz_audio_open, (int rate, int frames), {
  const Context = globalThis.AudioContext || globalThis.webkitAudioContext;
  if (!Context) return 0;
  let context;
  try {
    context = new Context({sampleRate: rate});
  } catch (error) {
    return 0;
  }
  const node = context.createScriptProcessor(frames, 0, 2);
  node.onaudioprocess = (event) => {
    const out = event.outputBuffer;
    const left = out.getChannelData(0), right = out.getChannelData(1);
    const mixed = _ruzoz_audio_mix(out.length) >> 2;
    if (!mixed) {
      left.fill(0);
      right.fill(0);
      return;
    }
    const samples = HEAPF32.subarray(mixed, mixed + 2 * out.length);
    for (let i = 0; i < out.length; ++i) {
      left[i] = samples[2 * i];
      right[i] = samples[2 * i + 1];
    }
    if (Module.ruzozAudioHeard) Module.ruzozAudioHeard(left, right);
  };
  node.connect(context.destination);
  Module.ruzozAudio = {context: context, node: node};
  if (Module.ruzozAudioOpened) Module.ruzozAudioOpened(context);
  return 1;
});

EM_JS(void, ruzoz_audio_close, (), {
  const audio = Module.ruzozAudio;
  if (!audio) return;
  audio.node.onaudioprocess = null;
  audio.node.disconnect();
  audio.context.close();
  Module.ruzozAudio = null;
});

// FluidSynth's own calls, made as the SDL build makes them (Synth.cpp).
EM_JS(int, ruzoz_synth_new, (int rate, int frames), {
  const fluid = Module.fluidSynth;
  if (!fluid) return 0;
  const setint = fluid.cwrap('fluid_settings_setint', 'number', ['number', 'string', 'number']);
  const setnum = fluid.cwrap('fluid_settings_setnum', 'number', ['number', 'string', 'number']);
  const settings = fluid._new_fluid_settings();
  if (!settings) return 0;
  const ok = setnum(settings, 'synth.sample-rate', rate) === 0 &&
             setint(settings, 'synth.threadsafe-api', 0) === 0 &&
             setint(settings, 'synth.polyphony', 128) === 0 &&
             setint(settings, 'synth.cpu-cores', 1) === 0 &&
             setint(settings, 'synth.reverb.active', 1) === 0 &&
             setint(settings, 'synth.chorus.active', 1) === 0 &&
             setint(settings, 'synth.dynamic-sample-loading', 0) === 0;
  const synth = ok ? fluid._new_fluid_synth(settings) : 0;
  if (!synth) {
    fluid._delete_fluid_settings(settings);
    return 0;
  }
  // FluidSynth's complaints are kept, and told only if loading fails: its
  // wasm build finds fault with its own file checks.
  const log = [];
  const keep = fluid.addFunction((level, message) => {
    const bytes = fluid.HEAPU8;
    let end = message;
    while (bytes[end]) ++end;
    const text = new TextDecoder().decode(bytes.subarray(message, end));
    log.push('fluidsynth: ' + ['panic', 'error', 'warning'][level] + ': ' + text);
  }, 'viii');
  for (const level of [0, 1, 2]) fluid._fluid_set_log_function(level, keep, 0);
  Module.ruzozSynth = {fluid: fluid, settings: settings, synth: synth, log: log,
                       buffer: fluid._malloc(frames * 8), frames: frames,
                       sfload: fluid.cwrap('fluid_synth_sfload', 'number', ['number', 'string', 'number'])};
  return 1;
});

EM_JS(void, ruzoz_synth_delete, (), {
  const s = Module.ruzozSynth;
  if (!s) return;
  s.fluid._free(s.buffer);
  s.fluid._delete_fluid_synth(s.synth);
  s.fluid._delete_fluid_settings(s.settings);
  Module.ruzozSynth = null;
});

EM_JS(int, ruzoz_synth_configure, (float gain, double room, double damp, double width,
                                   double level, int voices, double chorusLevel, double speed,
                                   double depth), {
  const s = Module.ruzozSynth, f = s.fluid, synth = s.synth;
  f._fluid_synth_set_gain(synth, gain);
  let ok = f._fluid_synth_reverb_on(synth, -1, 1) === 0;
  ok = f._fluid_synth_set_reverb_group_roomsize(synth, -1, room) === 0 && ok;
  ok = f._fluid_synth_set_reverb_group_damp(synth, -1, damp) === 0 && ok;
  ok = f._fluid_synth_set_reverb_group_width(synth, -1, width) === 0 && ok;
  ok = f._fluid_synth_set_reverb_group_level(synth, -1, level) === 0 && ok;
  ok = f._fluid_synth_chorus_on(synth, -1, 1) === 0 && ok;
  ok = f._fluid_synth_set_chorus_group_nr(synth, -1, voices) === 0 && ok;
  ok = f._fluid_synth_set_chorus_group_level(synth, -1, chorusLevel) === 0 && ok;
  ok = f._fluid_synth_set_chorus_group_speed(synth, -1, speed) === 0 && ok;
  ok = f._fluid_synth_set_chorus_group_depth(synth, -1, depth) === 0 && ok;
  ok = f._fluid_synth_set_chorus_group_type(synth, -1, 0) === 0 && ok; // sine
  return ok ? 1 : 0;
});

// The SoundFont from our file system into FluidSynth's.
EM_JS(int, ruzoz_synth_load, (const char *path), {
  const s = Module.ruzozSynth;
  try {
    s.fluid.FS.writeFile('/soundfont.sf2', FS.readFile(UTF8ToString(path)));
  } catch (error) {
    return 0;
  }
  s.log.length = 0;
  const loaded = s.sfload(s.synth, '/soundfont.sf2', 1);
  s.fluid.FS.unlink('/soundfont.sf2');
  if (loaded === -1) for (const line of s.log) err(line);
  return loaded === -1 ? 0 : 1;
});

EM_JS(int, ruzoz_synth_block, (), {
  const s = Module.ruzozSynth;
  return s.fluid._fluid_synth_get_internal_bufsize(s.synth);
});

EM_JS(void, ruzoz_synth_event, (int kind, int channel, int a, int b), {
  const s = Module.ruzozSynth, f = s.fluid, synth = s.synth;
  switch (kind) {
    case 0: f._fluid_synth_noteon(synth, channel, a, b); break;
    case 1: f._fluid_synth_noteoff(synth, channel, a); break;
    case 2: f._fluid_synth_program_change(synth, channel, a); break;
    case 3: f._fluid_synth_cc(synth, channel, a, b); break;
    case 4: f._fluid_synth_all_notes_off(synth, -1); break;
  }
});

// Interleaved into FluidSynth's buffer, then copied into ours.
EM_JS(void, ruzoz_synth_render, (float *out, int frames), {
  const s = Module.ruzozSynth, f = s.fluid;
  for (let done = 0; done < frames;) {
    const n = Math.min(frames - done, s.frames);
    f._fluid_synth_write_float(s.synth, n, s.buffer, 0, 2, s.buffer, 1, 2);
    HEAPF32.set(f.HEAPF32.subarray(s.buffer >> 2, (s.buffer >> 2) + 2 * n), (out >> 2) + 2 * done);
    done += n;
  }
});
// clang-format on

namespace ruzoz::platform {

namespace {

// Frames per pull: 1024 at 44.1 kHz, 23 ms.
constexpr int pullFrames = 1024;
// The most a pull may ask for; WebAudio's own sizes are at most 16384.
constexpr int maxPullFrames = 16384;
float mixBuffer[maxPullFrames * mixChannels];

// Rates a recording can honestly have, and the most converted bytes: as in
// the SDL build.
constexpr std::uint32_t minRate = 100;
constexpr std::uint32_t maxRate = 100000;
constexpr std::size_t maxConvertedBytes = 0x0FFFFFFF;

// The formats SDL reads, as it scales them to floats; mono or stereo.
bool Readable(const WaveFormat &format) {
  const bool pcm =
      format.formatTag == waveFormatPcm &&
      (format.bitsPerSample == 8 || format.bitsPerSample == 16 || format.bitsPerSample == 32);
  const bool floats = format.formatTag == waveFormatFloat && format.bitsPerSample == 32;
  return (pcm || floats) && (format.channels == 1 || format.channels == 2) &&
         format.samplesPerSec >= minRate && format.samplesPerSec <= maxRate;
}

float Sample(const WaveFormat &format, const std::uint8_t *at) {
  switch (format.bitsPerSample) {
  case 8:
    return float(at[0]) * (1.0f / 128.0f) - 1.0f;
  case 16:
    return float(std::int16_t(at[0] | at[1] << 8)) * (1.0f / 32768.0f);
  }
  const std::uint32_t bits = std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 |
                             std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
  if (format.formatTag == waveFormatFloat) {
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
  }
  return float(std::int32_t(bits)) * (1.0f / 2147483648.0f);
}

class PageAudioOutput final : public AudioOutput {
public:
  // Without a page there is nothing to hear, as with SDL's dummy driver.
  bool Open() override {
    if (!open)
      open = web::headless || ruzoz_audio_open(mixRate, pullFrames) != 0;
    return open;
  }
  bool AcceptsMix() override { return open; }
  void Close() override {
    if (open && !web::headless)
      ruzoz_audio_close();
    open = false;
  }
  bool IsLost() override { return false; }
  bool Reopen() override { return Open(); }

  bool CanConvert(const WaveFormat &format) override { return Readable(format); }

  // Samples to floats and mono to both sides; another rate is resampled
  // by straight lines between its samples.
  bool Convert(const WaveFormat &format, const std::uint8_t *bytes, std::uint32_t count,
               std::vector<float> &out) override {
    if (!Readable(format))
      return false;
    const std::uint32_t frameBytes = format.channels * format.bitsPerSample / 8;
    const std::size_t frames = count / frameBytes;
    const double step = double(format.samplesPerSec) / mixRate;
    const std::size_t outFrames = std::size_t(double(frames) / step);
    if (outFrames * mixChannels * sizeof(float) > maxConvertedBytes)
      return false;
    const auto at = [&](std::size_t frame, int side) {
      const int channel = format.channels == 1 ? 0 : side;
      return Sample(format, bytes + frame * frameBytes + channel * format.bitsPerSample / 8);
    };
    out.resize(outFrames * mixChannels);
    for (std::size_t i = 0; i < outFrames; ++i)
      for (int side = 0; side < mixChannels; ++side) {
        if (format.samplesPerSec == std::uint32_t(mixRate)) {
          out[i * 2 + side] = at(i, side);
          continue;
        }
        const double position = double(i) * step;
        const std::size_t first = std::size_t(position);
        const std::size_t second = std::min(first + 1, frames - 1);
        const float part = float(position - double(first));
        out[i * 2 + side] = at(first, side) * (1.0f - part) + at(second, side) * part;
      }
    return true;
  }

  void SetMusicSource(MixSource *source) override { music = source; }
  void SetEffectsSource(MixSource *source) override { effects = source; }
  // One thread: the pull runs between the game's frames, never inside one.
  void Lock() override {}
  void Unlock() override {}

  float *Mix(int frames) {
    if (!open || frames <= 0 || frames > maxPullFrames)
      return nullptr;
    MixOutput(mixBuffer, frames, music, effects);
    return mixBuffer;
  }

private:
  bool open = false;
  MixSource *music = nullptr;
  MixSource *effects = nullptr;
};

PageAudioOutput &Output() {
  static PageAudioOutput output;
  return output;
}

enum SynthEvent { noteOn, noteOff, programChange, controlChange, allNotesOff };

class PageSynth final : public Synth {
public:
  explicit PageSynth(int block) : block_(block) {}
  ~PageSynth() override { ruzoz_synth_delete(); }

  bool Configure() override {
    using namespace synthSettings;
    return ruzoz_synth_configure(gain, reverbRoomSize, reverbDamping, reverbWidth, reverbLevel,
                                 chorusVoices, chorusLevel, chorusSpeed, chorusDepthMs) != 0;
  }
  bool DownloadInstruments() override {
    const std::string path = FindSoundFont(std::getenv("SDL_SOUNDFONTS"));
    if (path.empty()) {
      std::fputs("no GM SoundFont found\n", stderr);
      return false;
    }
    if (ruzoz_synth_load(path.c_str()) == 0) {
      std::fprintf(stderr, "%s: not a usable SoundFont\n", path.c_str());
      return false;
    }
    return true;
  }
  void NoteOn(int channel, int key, int velocity) override {
    ruzoz_synth_event(noteOn, channel, key, velocity);
  }
  void NoteOff(int channel, int key) override { ruzoz_synth_event(noteOff, channel, key, 0); }
  void ProgramChange(int channel, int program) override {
    ruzoz_synth_event(programChange, channel, program, 0);
  }
  void ControlChange(int channel, int controller, int value) override {
    ruzoz_synth_event(controlChange, channel, controller, value);
  }
  void AllNotesOff() override { ruzoz_synth_event(allNotesOff, 0, 0, 0); }
  void Render(float *out, int frames) override { ruzoz_synth_render(out, frames); }
  int BlockFrames() const override { return block_; }

private:
  int block_;
};

bool IsFile(const std::string &path) {
  struct stat status;
  return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

AudioOutput &DeviceAudioOutput() { return Output(); }

// No thread to read it on: TakeSynth makes the synth when it is asked.
void PrepareSynth() {}
void DiscardPreparedSynth() {}

std::unique_ptr<Synth> TakeSynth() {
  if (ruzoz_synth_new(mixRate, maxPullFrames) == 0)
    return nullptr;
  return std::make_unique<PageSynth>(ruzoz_synth_block());
}

// The page carries its SoundFont at Debian's default path.
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

} // namespace ruzoz::platform

namespace ruzoz::web {

void StopAudio() { platform::Output().Close(); }

} // namespace ruzoz::web

extern "C" EMSCRIPTEN_KEEPALIVE float *ruzoz_audio_mix(int frames) {
  return ruzoz::platform::Output().Mix(frames);
}
