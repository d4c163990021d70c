// One of the three music files from any bytes (RUZOZ_FUZZ_MUSIC_PART: 0 the
// style, 1 the chord map, 2 the template), the other two as shipped. What
// parses is composed, and the segment is played through once on a synth
// that checks every event it is handed.

#include "FuzzSupport.h"

#include "audio/MusicComposer.h"
#include "audio/MusicParse.h"
#include "audio/MusicPerformance.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace ruzoz::music;
using ruzoz::fuzz::Check;

namespace {

std::string ReadContent(const char *name) {
  std::ifstream in(std::string(RUZOZ_MUSIC_CONTENT) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in)
    ruzoz::fuzz::Fail("cannot read the shipped music files");
  return text.str();
}

struct Shipped {
  MusicStyle style;
  MusicChordMap chordMap;
  MusicTemplate form;

  Shipped() {
    MusicParseError error;
    if (!ParseStyle(ReadContent("Style1.sty"), "Style1.sty", style, error) ||
        !ParseChordMap(ReadContent("Chordmap1.cdm"), "Chordmap1.cdm", chordMap, error) ||
        !ParseTemplate(ReadContent("Template1.tpl"), "Template1.tpl", form, error))
      ruzoz::fuzz::Fail("the shipped music files do not parse");
  }
};

// Takes what the performance sends and checks it as a MIDI device would.
class CheckingSynth final : public ruzoz::Synth {
public:
  bool Configure() override { return true; }
  bool DownloadInstruments() override { return true; }
  void NoteOn(int channel, int key, int velocity) override {
    Check(InRange(channel, 15) && InRange(key, 127) && velocity >= 1 && velocity <= 127,
          "note-on in MIDI range");
    ++sounding_[{channel, key}];
  }
  void NoteOff(int channel, int key) override {
    Check(InRange(channel, 15) && InRange(key, 127), "note-off in MIDI range");
    auto found = sounding_.find({channel, key});
    Check(found != sounding_.end() && found->second > 0, "note-off for a sounding note");
    if (--found->second == 0)
      sounding_.erase(found);
  }
  void ProgramChange(int channel, int program) override {
    Check(InRange(channel, 15) && InRange(program, 127), "program in MIDI range");
  }
  void ControlChange(int channel, int controller, int value) override {
    Check(InRange(channel, 15) && InRange(controller, 127) && InRange(value, 127),
          "controller in MIDI range");
  }
  void AllNotesOff() override { sounding_.clear(); }
  void Render(float *, int frames) override { Check(frames > 0, "render at least one frame"); }
  int BlockFrames() const override { return 64; }

  bool Silent() const { return sounding_.empty(); }

private:
  static bool InRange(int value, int high) { return value >= 0 && value <= high; }
  std::map<std::pair<int, int>, int> sounding_;
};

void CheckSegment(const MusicSegment &segment) {
  Check(segment.lengthTicks ==
            std::uint32_t(segment.measures) * std::uint32_t(segment.beatsPerMeasure) * ticksPerBeat,
        "length is the template's measures");
  for (std::size_t i = 1; i < segment.events.size(); ++i) {
    const MusicEvent &a = segment.events[i - 1];
    const MusicEvent &b = segment.events[i];
    Check(a.tick < b.tick || (a.tick == b.tick && a.type <= b.type), "events in time order");
  }
}

// Once through, a restart included, ending with every note released.
void Play(const MusicSegment &segment) {
  auto owned = std::make_unique<CheckingSynth>();
  CheckingSynth &synth = *owned;
  MusicPerformance performance(std::move(owned));
  performance.PlaySegment(segment);
  static float out[2 * 65536];
  performance.MixInto(out, 4096);
  performance.PlaySegment(segment);
  for (int blocks = 0; performance.IsPlaying(); ++blocks) {
    Check(blocks < 1 << 16, "a segment played once ends");
    performance.MixInto(out, 65536);
  }
  Check(synth.Silent(), "no note left sounding at the end");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const Shipped shipped;
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  MusicParseError error;
  MusicStyle style = shipped.style;
  MusicChordMap chordMap = shipped.chordMap;
  MusicTemplate form = shipped.form;
  bool parsed = false;
  switch (RUZOZ_FUZZ_MUSIC_PART) {
  case 0:
    parsed = ParseStyle(text, "Style1.sty", style, error);
    break;
  case 1:
    parsed = ParseChordMap(text, "Chordmap1.cdm", chordMap, error);
    break;
  default:
    parsed = ParseTemplate(text, "Template1.tpl", form, error);
    break;
  }
  if (!parsed) {
    Check(error.line >= 0 && !error.message.empty(), "a refusal says why");
    return 0;
  }
  MusicSegment segment;
  std::string reason;
  if (!ComposeSegment(style, form, 1, chordMap, segment, reason)) {
    Check(!reason.empty(), "a failed composition says why");
    return 0;
  }
  CheckSegment(segment);
  segment.SetRepeats(0);
  Play(segment);
  return 0;
}
