#pragma once
// A synth that plays nothing: it logs every call with the frame it came at
// and renders a constant level, so a test sees what was played when.

#include "ports/Sound.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <vector>

namespace testsupport {

struct SynthCall {
  enum Kind { On, Off, Program, Control, AllOff } kind;
  std::uint64_t frame;
  int channel, key, value; // key: or program, controller
  bool operator==(const SynthCall &) const = default;
};

inline void PrintTo(const SynthCall &c, std::ostream *out) {
  *out << c.kind << '@' << c.frame << " ch " << c.channel << ' ' << c.key << ' ' << c.value;
}

class FakeSynth final : public ruzoz::Synth {
public:
  FakeSynth(std::vector<SynthCall> &log, int block) : log_(log), block_(block) {}
  bool Configure() override { return true; }
  bool DownloadInstruments() override { return downloadWorks; }
  void NoteOn(int ch, int key, int v) override { Log(SynthCall::On, ch, key, v); }
  void NoteOff(int ch, int key) override { Log(SynthCall::Off, ch, key, 0); }
  void ProgramChange(int ch, int program) override { Log(SynthCall::Program, ch, program, 0); }
  void ControlChange(int ch, int cc, int v) override { Log(SynthCall::Control, ch, cc, v); }
  void AllNotesOff() override { Log(SynthCall::AllOff, -1, -1, 0); }
  void Render(float *out, int frames) override {
    std::fill(out, out + ruzoz::mixChannels * frames, 0.25f);
    frame_ += static_cast<std::uint64_t>(frames);
  }
  int BlockFrames() const override { return block_; }

  bool downloadWorks = true;

private:
  void Log(SynthCall::Kind k, int ch, int key, int v) { log_.push_back({k, frame_, ch, key, v}); }

  std::vector<SynthCall> &log_;
  int block_;
  std::uint64_t frame_ = 0;
};

} // namespace testsupport
