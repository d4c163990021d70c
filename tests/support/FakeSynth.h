#pragma once
// A synth that plays nothing: it logs every call with the frame it came at
// and renders a constant level, so a test sees what was played when.

#include "ports/Sound.h"

#include <cstdint>
#include <ostream>
#include <vector>

namespace testsupport {

struct SynthCall {
  enum Kind { On, Off, Program, Control, AllOff } kind;
  std::uint64_t frame;
  int channel;
  int key; // or program, controller
  int value;
  bool operator==(const SynthCall &) const = default;
};

inline void PrintTo(const SynthCall &call, std::ostream *out) {
  static const char *const kinds[] = {"On", "Off", "Program", "Control", "AllOff"};
  *out << kinds[call.kind] << "@" << call.frame << "(ch " << call.channel << ", " << call.key
       << ", " << call.value << ")";
}

class FakeSynth final : public ruzoz::Synth {
public:
  static constexpr float level = 0.25f;

  FakeSynth(std::vector<SynthCall> &log, int block) : log_(log), block_(block) {}
  bool Configure() override { return configureWorks; }
  bool DownloadInstruments() override { return downloadWorks; }
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
    for (int i = 0; i < ruzoz::mixChannels * frames; ++i)
      out[i] = level;
    frame_ += static_cast<std::uint64_t>(frames);
  }
  int BlockFrames() const override { return block_; }

  bool configureWorks = true, downloadWorks = true;

private:
  std::vector<SynthCall> &log_;
  int block_;
  std::uint64_t frame_ = 0;
};

} // namespace testsupport
