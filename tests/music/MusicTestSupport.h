#pragma once

#include "audio/MusicModel.h"
#include "audio/MusicPerformance.h"

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace ruzoz::music::test {

std::string ContentPath(const std::string &file);
std::string ReadText(const std::string &path);

MusicStyle ShippedStyle();
MusicChordMap ShippedChordMap();
MusicTemplate ShippedTemplate();

// A fresh empty directory, removed with the object.
class TempDir {
public:
  TempDir();
  ~TempDir();
  const std::filesystem::path &Path() const { return path_; }

private:
  std::filesystem::path path_;
};

// Records what the performance asks for, stamped with the frame it is at.
struct SynthCall {
  enum Kind { On, Off, Program, Control, AllOff } kind;
  std::uint64_t frame;
  int channel;
  int key;
  int value;
  bool operator==(const SynthCall &) const = default;
};
void PrintTo(const SynthCall &call, std::ostream *out);

class FakeSynth final : public MusicSynth {
public:
  FakeSynth(std::vector<SynthCall> &log, int block) : log_(log), block_(block) {}
  bool Configure() override { return true; }
  bool DownloadInstruments() override { return true; }
  void NoteOn(int channel, int key, int velocity) override {
    log_.push_back({SynthCall::On, frame_, channel, key, velocity});
  }
  void NoteOff(int channel, int key) override {
    log_.push_back({SynthCall::Off, frame_, channel, key, 0});
  }
  void ProgramChange(int channel, int program) override {
    log_.push_back({SynthCall::Program, frame_, channel, program, 0});
  }
  void ControlChange(int channel, int controller, int value) override {
    log_.push_back({SynthCall::Control, frame_, channel, controller, value});
  }
  void AllNotesOff() override { log_.push_back({SynthCall::AllOff, frame_, -1, -1, 0}); }
  void Render(float *out, int frames) override {
    for (int i = 0; i < 2 * frames; ++i)
      out[i] = 0.25f;
    frame_ += static_cast<std::uint64_t>(frames);
  }
  int BlockFrames() const override { return block_; }

private:
  std::vector<SynthCall> &log_;
  int block_;
  std::uint64_t frame_ = 0;
};

// A segment of one note-on (and its note-off a step later) per beat.
MusicSegment BeatSegment(int beats, double tempo, int key = 60);

// Renders `frames` in chunks of `chunk` frames.
void RenderFrames(MusicPerformance &performance, std::uint64_t frames, int chunk,
                  std::vector<float> *out = nullptr);

// floor(beat * 16537.5): the frame of a beat at 160 bpm and 44.1 kHz.
std::uint64_t BeatFrame160(std::uint64_t beat);
std::uint64_t RoundUpToBlock(std::uint64_t frame, std::uint64_t block);

} // namespace ruzoz::music::test
