// Renders the composed music offline into a 32-bit float WAV file, the way
// the game plays it (160 bpm, 441-frame callbacks), or times InitMusic.
//
//   ruzoz-musicrender [-C dir] [-s seconds] [-d] [--solo channel[:key]] out.wav
//   ruzoz-musicrender [-C dir] --init-time
//
// -C reads Template1.tpl, Style1.sty and Chordmap1.cdm from dir; -d prints
// the chord and pattern of every measure; --solo keeps the notes of one MIDI
// channel (1-16) only, or of one key on it: 10:36 leaves the kick drum alone.

#include "audio/MusicComposer.h"
#include "audio/MusicLoader.h"
#include "audio/Sound.h"
#include "platform/Audio.h"
#include "ports/Texts.h"

#include "ToolCommand.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

using namespace ruzoz;
using namespace ruzoz::music;

namespace {

constexpr int callbackFrames = 441;

// Passes everything on but the notes of the other channels (and keys).
class SoloSynth final : public Synth {
public:
  SoloSynth(std::unique_ptr<Synth> inner, int channel, int key)
      : inner_(std::move(inner)), channel_(channel), key_(key) {}
  bool Configure() override { return inner_->Configure(); }
  bool DownloadInstruments() override { return inner_->DownloadInstruments(); }
  void NoteOn(int channel, int key, int velocity) override {
    if (channel == channel_ && (key_ < 0 || key == key_))
      inner_->NoteOn(channel, key, velocity);
  }
  void NoteOff(int channel, int key) override { inner_->NoteOff(channel, key); }
  void ProgramChange(int channel, int program) override { inner_->ProgramChange(channel, program); }
  void ControlChange(int channel, int controller, int value) override {
    inner_->ControlChange(channel, controller, value);
  }
  void AllNotesOff() override { inner_->AllNotesOff(); }
  void Render(float *out, int frames) override { inner_->Render(out, frames); }
  int BlockFrames() const override { return inner_->BlockFrames(); }

private:
  std::unique_ptr<Synth> inner_;
  int channel_;
  int key_;
};

// Interleaved stereo float at the mix rate.
bool WriteWav(const std::string &path, const std::vector<float> &samples) {
  SF_INFO info{};
  info.samplerate = mixRate;
  info.channels = mixChannels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr)
    return false;
  const auto frames = static_cast<sf_count_t>(samples.size() / mixChannels);
  const bool written = sf_writef_float(file, samples.data(), frames) == frames;
  return sf_close(file) == 0 && written;
}

// The device stand-in: the music connects here and is pulled in the game's
// callback size.
class OfflineOutput final : public AudioOutput {
public:
  bool Open() override { return true; }
  bool AcceptsMix() override { return true; }
  void Close() override {}
  bool IsLost() override { return false; }
  bool Reopen() override { return true; }
  bool CanConvert(const WaveFormat &) override { return false; }
  bool Convert(const WaveFormat &, const std::uint8_t *, std::uint32_t,
               std::vector<float> &) override {
    return false;
  }
  void SetMusicSource(MixSource *source) override { music = source; }
  void SetEffectsSource(MixSource *) override {}
  void Lock() override {}
  void Unlock() override {}

  MixSource *music = nullptr;
};

void Dump(const MusicSegment &segment, const MusicStyle &style, const MusicChordMap &map) {
  const std::uint32_t measureTicks =
      static_cast<std::uint32_t>(segment.beatsPerMeasure * ticksPerBeat);
  for (int m = 0; m < segment.measures; ++m) {
    std::string chords;
    for (const SegmentChord &chord : segment.chords)
      if (chord.tick / measureTicks == static_cast<std::uint32_t>(m)) {
        chords += map.chords[chord.chord].name;
        if (chord.tick % measureTicks)
          chords += "@" + std::to_string(chord.tick % measureTicks / ticksPerBeat + 1);
        if (chord.signpostGroup)
          chords += "[" + std::to_string(chord.signpostGroup) + "]";
        if (chord.cadence)
          chords += "(c)";
        chords += ' ';
      }
    std::printf("%2d  %-12s %s\n", m + 1, style.patterns[segment.measurePatterns[m]].name.c_str(),
                chords.c_str());
  }
  std::printf("%zu notes, %zu events, %d held spans\n", segment.notes.size(), segment.events.size(),
              segment.heldSpans);
  for (std::size_t p = 0; p < style.parts.size(); ++p) {
    int low = 128, high = -1, count = 0;
    for (const SegmentNote &note : segment.notes)
      if (note.part == p) {
        low = std::min<int>(low, note.key);
        high = std::max<int>(high, note.key);
        ++count;
      }
    std::printf("  %-6s %4d notes, keys %d..%d\n", style.parts[p].name.c_str(), count, low, high);
  }
}

int TimeInitMusic() {
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  OfflineOutput output;
  const bool ok = InitMusic(platform::TakeSynth(), output);
  const std::clock_t cpuEnd = std::clock();
  const auto end = std::chrono::steady_clock::now();
  std::printf("InitMusic: %s in %.1f ms (%.1f ms of CPU)\n", ok ? "ok" : errorMessage,
              std::chrono::duration<double, std::milli>(end - start).count(),
              1000.0 * static_cast<double>(cpuEnd - cpuStart) / CLOCKS_PER_SEC);
  ReleaseMusic();
  return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
  const ruzoz::tool::Command command{
      "ruzoz-musicrender",
      "ruzoz-musicrender [-C DIR] [-s SECONDS] [-d] [--solo CHANNEL[:KEY]] OUT.wav\n"
      "ruzoz-musicrender [-C DIR] --init-time\n"};
  command.answerHelp(argc, argv);
  std::string dir = ".";
  double seconds = 30.0;
  bool dump = false;
  bool initTime = false;
  int solo = 0;
  int soloKey = -1;
  const char *out = nullptr;
  for (int i = 1; i < argc; ++i) {
    const bool valued = i + 1 < argc;
    if (!std::strcmp(argv[i], "-C") && valued)
      dir = argv[++i];
    else if (!std::strcmp(argv[i], "-s") && valued)
      seconds = std::atof(argv[++i]);
    else if (!std::strcmp(argv[i], "-d"))
      dump = true;
    else if (!std::strcmp(argv[i], "--solo") && valued) {
      solo = std::atoi(argv[++i]);
      if (const char *colon = std::strchr(argv[i], ':'))
        soloKey = std::atoi(colon + 1);
    } else if (!std::strcmp(argv[i], "--init-time"))
      initTime = true;
    else if (out != nullptr)
      command.refuse(std::string("one output file only, not also ") + argv[i]);
    else {
      command.refuseOption(argv[i]);
      out = argv[i];
    }
  }
  if (!initTime && out == nullptr)
    command.refuse("no output file");
  if (!initTime && !(seconds > 0.0))
    command.refuse("SECONDS must be more than 0");
  // The game reads the music files from its working directory.
  const std::string outPath = out ? std::filesystem::absolute(out).string() : std::string();
  std::error_code error;
  std::filesystem::current_path(dir, error);
  if (error) {
    std::fprintf(stderr, "%s: %s\n", dir.c_str(), error.message().c_str());
    return 2;
  }
  if (initTime)
    return TimeInitMusic();

  if (dump) {
    MusicTemplate form;
    MusicStyle style;
    MusicChordMap map;
    MusicSegment segment;
    std::string reason;
    if (!LoadMusicFile("Template1.tpl", form) || !LoadMusicFile("Style1.sty", style) ||
        !LoadMusicFile("Chordmap1.cdm", map))
      return 1;
    if (!ComposeSegment(style, form, 1, map, segment, reason)) {
      std::fprintf(stderr, "music: %s\n", reason.c_str());
      return 1;
    }
    Dump(segment, style, map);
  }

  std::unique_ptr<Synth> synth = platform::TakeSynth();
  if (synth && solo > 0)
    synth = std::make_unique<SoloSynth>(std::move(synth), solo - 1, soloKey);
  OfflineOutput output;
  if (!InitMusic(std::move(synth), output)) {
    std::fprintf(stderr, "%s\n", errorMessage);
    return 1;
  }
  const auto frames = static_cast<std::size_t>(seconds * mixRate);
  std::vector<float> samples(frames * mixChannels);
  for (std::size_t done = 0; done < frames;) {
    const int chunk = static_cast<int>(std::min<std::size_t>(callbackFrames, frames - done));
    output.music->MixInto(samples.data() + mixChannels * done, chunk);
    done += static_cast<std::size_t>(chunk);
  }
  ReleaseMusic();
  if (!WriteWav(outPath, samples)) {
    std::fprintf(stderr, "%s: cannot be written\n", out);
    return 1;
  }
  return 0;
}
