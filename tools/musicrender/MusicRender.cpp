// Renders the composed music offline into a 32-bit float WAV file, the way
// the game plays it (160 bpm, 441-frame callbacks), or times InitMusic.
//
//   ruzoz-musicrender [-C dir] [-s seconds] [-d] [--solo channel[:key]] out.wav
//   ruzoz-musicrender [-C dir] --init-time
//
// -C reads Template1.tpl, Style1.sty and Chordmap1.cdm from dir; -d prints
// the chord and pattern of every measure; --solo keeps the notes of one MIDI
// channel (1-16) only, or of one key on it: 10:36 leaves the kick drum alone.

#include "audio/Audio.h"
#include "audio/Music.h"
#include "audio/MusicComposer.h"
#include "audio/MusicLoader.h"
#include "audio/MusicPerformance.h"
#include "platform/MusicSynth.h"
#include "shell/Errors.h"

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
class SoloSynth final : public MusicSynth {
public:
  SoloSynth(std::unique_ptr<MusicSynth> inner, int channel, int key)
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
  std::unique_ptr<MusicSynth> inner_;
  int channel_;
  int key_;
};

void Put32(std::FILE *file, std::uint32_t value) {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  std::fwrite(bytes, 1, 4, file);
}

void Put16(std::FILE *file, std::uint16_t value) {
  const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                  static_cast<unsigned char>(value >> 8)};
  std::fwrite(bytes, 1, 2, file);
}

bool WriteWav(const char *path, const std::vector<float> &samples) {
  std::FILE *file = std::fopen(path, "wb");
  if (file == nullptr)
    return false;
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * sizeof(float));
  std::fwrite("RIFF", 1, 4, file);
  Put32(file, 38 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, file);
  Put32(file, 18);
  Put16(file, 3); // IEEE float
  Put16(file, 2);
  Put32(file, performanceRate);
  Put32(file, performanceRate * 2 * 4);
  Put16(file, 2 * 4);
  Put16(file, 32);
  Put16(file, 0); // no extension
  std::fwrite("data", 1, 4, file);
  Put32(file, dataBytes);
  std::fwrite(samples.data(), sizeof(float), samples.size(), file);
  return std::fclose(file) == 0;
}

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
  const bool ok = InitMusic();
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
  std::string dir = ".";
  double seconds = 30.0;
  bool dump = false;
  bool initTime = false;
  int solo = 0;
  int soloKey = -1;
  const char *out = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-C") && i + 1 < argc)
      dir = argv[++i];
    else if (!std::strcmp(argv[i], "-s") && i + 1 < argc)
      seconds = std::atof(argv[++i]);
    else if (!std::strcmp(argv[i], "-d"))
      dump = true;
    else if (!std::strcmp(argv[i], "--solo") && i + 1 < argc) {
      solo = std::atoi(argv[++i]);
      if (const char *colon = std::strchr(argv[i], ':'))
        soloKey = std::atoi(colon + 1);
    } else if (!std::strcmp(argv[i], "--init-time"))
      initTime = true;
    else
      out = argv[i];
  }
  if (initTime) {
    std::error_code error;
    std::filesystem::current_path(dir, error);
    if (error) {
      std::fprintf(stderr, "%s: %s\n", dir.c_str(), error.message().c_str());
      return 2;
    }
    return TimeInitMusic();
  }
  if (out == nullptr || !(seconds > 0.0)) {
    std::fprintf(
        stderr,
        "usage: ruzoz-musicrender [-C dir] [-s seconds] [-d] [--solo channel[:key]] out.wav\n"
        "       ruzoz-musicrender [-C dir] --init-time\n");
    return 2;
  }

  MusicLoader loader;
  auto form = loader.GetObject<MusicTemplate>(dir + "/Template1.tpl");
  auto style = loader.GetObject<MusicStyle>(dir + "/Style1.sty");
  auto map = loader.GetObject<MusicChordMap>(dir + "/Chordmap1.cdm");
  if (!form || !style || !map)
    return 1;
  MusicComposer composer;
  std::unique_ptr<MusicSegment> segment;
  if (composer.ComposeSegmentFromTemplate(style.get(), form.get(), 1, map.get(), segment) !=
      composeOk) {
    std::fprintf(stderr, "music: %s\n", composer.LastError().c_str());
    return 1;
  }
  if (dump)
    Dump(*segment, *style, *map);
  segment->SetRepeats(999);

  std::unique_ptr<MusicSynth> synth = platform::CreateMusicSynth();
  if (!synth)
    return 1;
  if (solo > 0)
    synth = std::make_unique<SoloSynth>(std::move(synth), solo - 1, soloKey);
  MusicPerformance performance(std::move(synth));
  performance.Init();
  if (!performance.SetAutoDownload(true))
    return 1;
  performance.PlaySegment(*segment);
  segment->DisableTempo();
  auto message = performance.AllocTempoMessage();
  message->tempo = 160.0;
  performance.SendTempoMessage(std::move(message));

  const auto frames = static_cast<std::size_t>(seconds * performanceRate);
  std::vector<float> samples(frames * 2);
  for (std::size_t done = 0; done < frames;) {
    const int chunk = static_cast<int>(std::min<std::size_t>(callbackFrames, frames - done));
    performance.Render(samples.data() + 2 * done, chunk);
    done += static_cast<std::size_t>(chunk);
  }
  if (!WriteWav(out, samples)) {
    std::fprintf(stderr, "%s: cannot be written\n", out);
    return 1;
  }
  return 0;
}
