// The page's sound: our mix played by an AudioWorklet on the browser's
// audio thread (web/audio-worklet.js), and the music's FluidSynth, the wasm
// build that js-synthesizer ships, driven call by call from our sequencer.

#include "platform/Audio.h"
#include "platform/web/Internal.h"
#include "ports/SynthSettings.h"
#include "ports/WaveConvert.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

// clang-format off
// The worklet plays the music from a ring the game's thread fills ahead, and
// mixes the effects itself, from samples handed over once, at each start
// message: a busy page can't stop the music, and an effect needn't wait for
// the ring. Its reports (frames played) ask for the ring's refill. The
// context may start suspended; the page resumes it at the first key or
// click, and it rests while the page is hidden.
EM_JS(int, ruzoz_audio_open, (int rate), {
  const Context = globalThis.AudioContext || globalThis.webkitAudioContext;
  if (!Context) return 0;
  let context;
  try {
    context = new Context({sampleRate: rate});
  } catch (error) {
    return 0;
  }
  if (!context.audioWorklet) {
    context.close();
    return 0;
  }
  const audio = {context: context, node: null, waiting: [], played: 0, time: 0, rested: false};
  // Mute is this gain at 0 (the page's button).
  audio.gain = context.createGain();
  audio.gain.connect(context.destination);
  Module.ruzozSetOutputGain = (value) => {
    if (Module.ruzozAudio) Module.ruzozAudio.gain.gain.value = value;
  };
  audio.post = (message, transfer) => {
    if (audio.node) audio.node.port.postMessage(message, transfer || []);
    else audio.waiting.push([message, transfer]);
  };
  audio.visibility = () => {
    if (document.visibilityState === 'hidden') {
      if (context.state === 'running') {
        audio.rested = true;
        context.suspend();
      }
    } else if (audio.rested) {
      audio.rested = false;
      context.resume();
    }
  };
  document.addEventListener('visibilitychange', audio.visibility);
  context.audioWorklet.addModule('audio-worklet.js').then(() => {
    if (Module.ruzozAudio !== audio) return;
    const node = new AudioWorkletNode(context, 'ruzoz-mix',
                                      {numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2]});
    node.port.onmessage = (event) => {
      const report = event.data;
      if (report.played !== undefined) {
        audio.played = report.played;
        audio.time = report.time;
        _ruzoz_audio_pump();
      }
      if (Module.ruzozAudioReport) Module.ruzozAudioReport(report);
    };
    node.connect(audio.gain);
    audio.node = node;
    for (const [message, transfer] of audio.waiting) node.port.postMessage(message, transfer || []);
    audio.waiting = [];
    _ruzoz_audio_pump();
  }).catch((error) => err('audio worklet: ' + error));
  Module.ruzozAudio = audio;
  if (Module.ruzozAudioOpened) Module.ruzozAudioOpened(context);
  return 1;
});

EM_JS(void, ruzoz_audio_close, (), {
  const audio = Module.ruzozAudio;
  if (!audio) return;
  document.removeEventListener('visibilitychange', audio.visibility);
  if (audio.node) {
    audio.node.port.onmessage = null;
    audio.node.disconnect();
  }
  audio.context.close();
  Module.ruzozAudio = null;
});

// Frames the worklet took from the ring, and frames it has played in all.
EM_JS(double, ruzoz_audio_played, (), { return Module.ruzozAudio ? Module.ruzozAudio.played : 0; });
EM_JS(double, ruzoz_audio_time, (), { return Module.ruzozAudio ? Module.ruzozAudio.time : 0; });

// Interleaved frames copied out of our memory and moved to the worklet.
EM_JS(void, ruzoz_audio_music, (const float *samples, int frames), {
  const chunk = HEAPF32.slice(samples >> 2, (samples >> 2) + 2 * frames);
  Module.ruzozAudio.post({music: chunk}, [chunk.buffer]);
});
EM_JS(void, ruzoz_audio_voice, (int voice, const float *samples, int frames), {
  const copy = HEAPF32.slice(samples >> 2, (samples >> 2) + 2 * frames);
  Module.ruzozAudio.post({voice: voice, samples: copy}, [copy.buffer]);
});
EM_JS(void, ruzoz_audio_start, (int voice), { Module.ruzozAudio.post({start: voice}); });

// FluidSynth's own calls, made as the SDL build makes them (Synth.cpp).
EM_JS(int, ruzoz_synth_settings, (), {
  const fluid = Module.fluidSynth;
  return fluid ? fluid._new_fluid_settings() : 0;
});

EM_JS(int, ruzoz_synth_setting, (int settings, const char *name, int integer, double value), {
  const fluid = Module.fluidSynth;
  const set = integer ? fluid.cwrap('fluid_settings_setint', 'number', ['number', 'string', 'number'])
                      : fluid.cwrap('fluid_settings_setnum', 'number', ['number', 'string', 'number']);
  return set(settings, UTF8ToString(name), value) === 0 ? 1 : 0;
});

EM_JS(void, ruzoz_synth_drop_settings, (int settings), {
  Module.fluidSynth._delete_fluid_settings(settings);
});

EM_JS(int, ruzoz_synth_new, (int settings, int frames), {
  const fluid = Module.fluidSynth;
  const synth = fluid._new_fluid_synth(settings);
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
                                   double depth, int type), {
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
  ok = f._fluid_synth_set_chorus_group_type(synth, -1, type) === 0 && ok;
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

// The music rendered ahead of the worklet: the longest stall of the page's
// thread the music rides through (200 ms), a refresh, a report's interval,
// the refill's own rendering after the stall, and room for a loaded machine
// (300 ms ran dry there now and then); a music restart is heard this much
// later.
constexpr int aheadFrames = mixRate * 4 / 10;
// Refills in pieces of at most this, none smaller than the least.
constexpr int chunkFrames = 2048;
constexpr int leastChunkFrames = 256;
float chunk[chunkFrames * mixChannels];

class PageAudioOutput final : public AudioOutput {
public:
  // Without a page there is nothing to hear, as with SDL's dummy driver.
  bool Open() override {
    if (!open) {
      open = web::headless || ruzoz_audio_open(mixRate) != 0;
      sent = effectsAt = 0;
    }
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

  bool CanConvert(const WaveFormat &format) override { return CanConvertWave(format); }
  bool Convert(const WaveFormat &format, const std::uint8_t *bytes, std::uint32_t count,
               std::vector<float> &out) override {
    return ConvertWave(format, bytes, count, out);
  }

  void SetMusicSource(MixSource *source) override { music = source; }
  void SetEffectsSource(MixSource *source) override { effects = source; }
  // One thread: the game and the refills take turns.
  void Lock() override {}
  void Unlock() override {}

  void VoiceLoaded(const float *samples, std::size_t frames) override {
    if (!open || web::headless)
      return;
    Voice &slot = voices[nextVoice % voiceSlots];
    slot = {samples, nextVoice++};
    for (Voice &other : voices)
      if (&other != &slot && other.samples == samples)
        other = {};
    ruzoz_audio_voice(slot.id, samples, int(frames));
  }
  void VoiceStarted(const float *samples) override {
    if (!open || web::headless)
      return;
    for (const Voice &voice : voices)
      if (voice.samples == samples && voice.id >= 0)
        ruzoz_audio_start(voice.id);
  }

  // At each report of the worklet: the effects' positions move on by what
  // it has played, and the ring is filled up to its depth again.
  void Pump() {
    if (!open)
      return;
    const long long time = (long long)ruzoz_audio_time();
    for (long long left = time - effectsAt; left > 0;) {
      const int n = int(std::min<long long>(left, chunkFrames));
      std::fill(chunk, chunk + n * mixChannels, 0.0f);
      if (effects)
        effects->MixInto(chunk, n);
      left -= n;
    }
    effectsAt = std::max(effectsAt, time);
    const long long played = (long long)ruzoz_audio_played();
    for (long long want = aheadFrames - (sent - played); want >= leastChunkFrames;) {
      const int n = int(std::min<long long>(want, chunkFrames));
      // The music unclamped: the worklet adds the effects, then clamps.
      std::fill(chunk, chunk + n * mixChannels, 0.0f);
      if (music)
        music->MixInto(chunk, n);
      ruzoz_audio_music(chunk, n);
      sent += n;
      want -= n;
    }
  }

private:
  struct Voice {
    const float *samples = nullptr;
    int id = -1;
  };
  // Five effects, and their replacements after a restore.
  static constexpr int voiceSlots = 16;
  bool open = false;
  MixSource *music = nullptr;
  MixSource *effects = nullptr;
  long long sent = 0, effectsAt = 0;
  Voice voices[voiceSlots];
  int nextVoice = 0;
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
                                 chorusVoices, chorusLevel, chorusSpeed, chorusDepthMs,
                                 chorusSine) != 0;
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

} // namespace

AudioOutput &DeviceAudioOutput() { return Output(); }

// No thread to read it on: TakeSynth makes the synth when it is asked.
void PrepareSynth() {}
void DiscardPreparedSynth() {}

// The most frames the synth renders at once.
constexpr int synthFrames = 4096;

std::unique_ptr<Synth> TakeSynth() {
  const int settings = ruzoz_synth_settings();
  if (settings == 0)
    return nullptr;
  bool ok = true;
  for (const synthSettings::Creation &setting : synthSettings::creation)
    ok = ok && ruzoz_synth_setting(settings, setting.name, setting.integer, setting.value) != 0;
  if (!ok) {
    ruzoz_synth_drop_settings(settings);
    return nullptr;
  }
  if (ruzoz_synth_new(settings, synthFrames) == 0)
    return nullptr;
  return std::make_unique<PageSynth>(ruzoz_synth_block());
}

} // namespace ruzoz::platform

namespace ruzoz::web {

void StopAudio() { platform::Output().Close(); }

} // namespace ruzoz::web

extern "C" EMSCRIPTEN_KEEPALIVE void ruzoz_audio_pump() { ruzoz::platform::Output().Pump(); }
