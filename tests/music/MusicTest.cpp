// The music engine: the file readers, the composer, the sequencer on a
// fake synth, and the music step of start-up.

#include "audio/Music.h"
#include "audio/MusicComposer.h"
#include "audio/MusicHarmony.h"
#include "audio/MusicLoader.h"
#include "audio/MusicParse.h"
#include "audio/MusicPerformance.h"
#include "audio/Sound.h"
#include "game/World.h"
#include "platform/Audio.h"
#include "ports/Texts.h"
#include "shell/Recorder.h"
#include "support/FakeAudioOutput.h"
#include "support/FakeSynth.h"
#include "support/Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <tuple>

namespace ruzoz::music {
namespace {

// "position duration velocity~range~time key octave/position+step+accidental, ..."
std::string Notes(const PartVariation &variation) {
  std::ostringstream out;
  for (const StyleNote &n : variation.notes)
    out << (out.tellp() > 0 ? ", " : "") << n.position << ' ' << n.duration << ' ' << n.velocity
        << '~' << n.velocityRange << '~' << n.timeRange << ' ' << n.value.key << ' '
        << n.value.octave << '/' << n.value.chordPosition << std::showpos << n.value.scaleStep
        << n.value.accidental << std::noshowpos;
  return out.str();
}

TEST(MusicFiles, ValuesPositionsAndHitsAreRead) {
  MusicStyle style;
  MusicParseError error;
  ASSERT_TRUE(ParseStyle("style \"t\"\ntimesig 3/4\ngrid 2\n"
                         "part drums channel 10 program 0 mode fixed ~v 3\n"
                         "part bass channel 1 program 38 mode chord\n"
                         "pattern \"p\" fill groove 20-40 length 2\n"
                         "  variation drums fits any\n"
                         "    hits kick X.x...|..o..X vel 110 90 50\n"
                         "    note 2.3.2 1 64 snare ~t 7\n"
                         "  variation bass fits minor sus\n"
                         "    note 1.2.1 3 100 -1/4-2b\n"
                         "    note 2.1.2 2 90 2/0+5#\nend\n",
                         "t.sty", style, error))
      << error.Text();
  ASSERT_EQ(style.patterns.size(), 1u);
  const StylePattern &p = style.patterns[0];
  EXPECT_EQ(std::tie(style.beatsPerMeasure, style.grid, p.embellishment, p.grooveLow, p.grooveHigh,
                     p.measures, p.variations[1][0].fits),
            std::make_tuple(3, 2, Embellishment::Fill, 20, 40, 2, chordMinor | chordSuspended));
  EXPECT_EQ(Notes(p.variations[0][0]), "0 1 110~3~0 36 0/0+0+0, 2 1 90~3~0 36 0/0+0+0, "
                                       "8 1 50~3~0 36 0/0+0+0, 11 1 110~3~0 36 0/0+0+0, "
                                       "11 1 64~3~7 38 0/0+0+0");
  EXPECT_EQ(Notes(p.variations[1][0]), "2 3 100~0~0 0 -1/4-2-1, 7 2 90~0~0 0 2/0+5+1");
}

// What the game's own files leave out; the rest shows in the game's music.
TEST(MusicFiles, NoteNamesScalesAndTempoAreRead) {
  MusicChordMap map;
  MusicTemplate form;
  MusicParseError error;
  ASSERT_TRUE(ParseChordMap(
      "chordmap \"m\"\nscale C#3 dorian\nchord X Bb1 0 3 6\nsignpost X groups 1\nend\n", "m.cdm",
      map, error))
      << error.Text();
  EXPECT_EQ(std::tie(map.tonic, map.scale, map.chords[0].root),
            std::make_tuple(49, 0b011010101101u, 34));
  ASSERT_TRUE(ParseTemplate("template \"t\"\ntempo 0.975E2\nlength 12\nsignpost 1 group 3\nend\n",
                            "t.tpl", form, error))
      << error.Text();
  EXPECT_EQ(form.tempo, 97.5);
}

// A style's head of two parts, a pattern head, one with a variation of the
// bass ready for notes, and a chord map's head.
const char *const styleHead = "style \"s\"\npart bass channel 1 program 38 mode chord\n"
                              "part line channel 16 program 81 mode scale\n";
#define P "pattern \"p\" normal groove 1-50 length 1\n"
#define PV P "variation bass fits any\n"
#define AM "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\n"

// Kind ('s' a style, 'p' a style after its head, 'c' a chord map, 't' a
// template), text, and the line and part of the message it is rejected with.
const std::tuple<char, const char *, int, const char *> malformed[] = {
    {'s', "", 1, "must start with 'style'"},
    {'s', "template \"x\"\n", 1, "must start with 'style'"},
    {'s', "\n\nstyle \"s\n", 3, "unterminated"},
    {'s', "style\n", 1, "quoted name"},
    {'s', "style \"s\"\n# only a comment\nend\n", 3, "no parts"},
    {'s', "style \"s\"\ntimesig 5/8\n", 2, "time signature"},
    {'s', "style \"s\"\ngrid 5\n", 2, "does not divide"},
    {'p', P "variation line fits any\nnote 1.1.1 1 9 1/2\n", 6, "chord position must be 0"},
    {'p', P "# nothing\nend\n", 4, "no variation"},
    {'p', "tempo 120\n", 4, "unknown statement 'tempo'"},
    {'p', "timesig 3/4\n", 4, "must come before parts"},
    {'p', "part lead channel 1 program 81 mode chord\n", 4, "channel 1 is used"},
    {'p', "part lead channel 17 program 81 mode chord\n", 4, "channel"},
    {'p', "part lead channel 3 program 81 mode loud\n", 4, "mode 'loud'"},
    {'p', "note 1.1.1 1 100 1/0\n", 4, "outside a variation"},
    {'p', "pattern \"p\" normal groove 60-50 length 1\n", 4, "groove range"},
    {'p', "pattern \"p\" chorus groove 1-50 length 1\n", 4, "embellishment"},
    {'p', P "variation drums fits any\n", 5, "unknown part 'drums'"},
    {'p', P "variation bass fits odd\n", 5, "chord type 'odd'"},
    {'p', PV "\n" P, 5, "has no notes"},
    {'p', PV "note 2.1.1 1 100 1/0\n", 6, "outside the pattern"},
    {'p', PV "note 1.1 1 100 1/0\n", 6, "bar.beat.step"},
    {'p', PV "note 1.1.1 1 100 1/x\n", 6, "octave/position"},
    {'p', PV "note 1.1.1 1 0 1/0\n", 6, "velocity 0"},
    {'p', PV "hits 1/0 x.x.\n", 6, "cover 4 grid steps, not 16"},
    {'p', PV "hits 1/0 x.x.x.x.x.x.x.y.\n", 6, "step mark 'y'"},
    {'p', PV "note 1.1.1 1 100 1/0 extra\n", 6, "unexpected 'extra'"},
    {'p', P "part x channel 3 program 1 mode chord\n", 5, "parts must come before patterns"},
    {'c', "chordmap \"m\"\nchord Am A1 0 3 7\n", 2, "'scale' must come before"},
    {'c', "chordmap \"m\"\nscale H2 minor\n", 2, "note name"},
    {'c', "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 7 3\n", 3, "rise"},
    {'c', AM "chord Am A1 0 4 7\n", 4, "defined twice"},
    {'c', AM "link Am Dm weight 1 beats 4-4\n", 4, "unknown chord 'Dm'"},
    {'c', AM "link Am Am weight 1 beats 4-4\n", 4, "itself"},
    {'c', AM "chord F F1 0 4 7\nlink Am F weight 1 beats 4-4\nlink Am F weight 2 beats 2-4\n", 6,
     "duplicate link"},
    {'c', AM "link Am Am weight 1 beats 8-4\n", 4, "beats"},
    {'c', AM "signpost Am groups\n", 4, "no group"},
    {'c', AM "signpost Am groups 1 cadence Am 1 Am 1 Am 1\n", 4, "at most two"},
    {'c', AM "end\n", 4, "no signpost"},
    {'t', "template \"t\"\nsignpost 1 group 1\n", 2, "'length' must come before"},
    {'t', "template \"t\"\nlength 8\nsignpost 9 group 1\n", 3, "outside 1..8"},
    {'t', "template \"t\"\nlength 8\nsignpost 5 group 1\nsignpost 5 group 2\n", 4, "must rise"},
    {'t', "template \"t\"\nlength 8\ncommand 1 solo groove 5\n", 3, "embellishment 'solo'"},
    {'t', "template \"t\"\ntempo fast\n", 2, "tempo 'fast'"},
    {'t', "template \"t\"\ntempo +160\n", 2, "tempo '+160'"},
    {'t', "template \"t\"\ntempo 1.6e\n", 2, "tempo '1.6e'"},
    {'t', "template \"t\"\ntempo 160\n\nend\n", 4, "no 'length'"},
    {'t', "template \"t\"\nlength 4\nend", 3, "no signposts"},
    // Cut at a line end: only the missing last line tells.
    {'t', "template \"t\"\nlength 4\nsignpost 1 group 1\n# a comment\n", 4, "cut short"},
    {'p', PV "note 1.1.1 1 100 1/0\n", 6, "cut short"},
    {'c', AM "signpost Am groups 1\nend\nchord E E1 0 4 7\n", 6, "nothing may follow 'end'"},
    {'t', "template \"t\"\nlength 4\nsignpost 1 group 1\nend now\n", 4, "unexpected 'now'"},
    {'t', "template \"t\"\nlength 4\ntemplate \"u\"\n", 3, "duplicate 'template'"},
};

TEST(MusicFiles, MalformedFilesAreRejectedWithFileAndLine) {
  for (const auto &[kind, snippet, line, message] : malformed) {
    const std::string text = (kind == 'p' ? styleHead : "") + std::string(snippet);
    SCOPED_TRACE(text);
    const std::string file = std::string("Broken.") + kind;
    MusicParseError error;
    MusicStyle style;
    MusicChordMap map;
    MusicTemplate form;
    EXPECT_FALSE(kind == 'c'   ? ParseChordMap(text, file, map, error)
                 : kind == 't' ? ParseTemplate(text, file, form, error)
                               : ParseStyle(text, file, style, error));
    EXPECT_EQ(error.Text().rfind(file + ":" + std::to_string(line) + ": ", 0), 0u) << error.Text();
    EXPECT_NE(error.message.find(message), std::string::npos) << error.Text();
  }
}

TEST(MusicHarmony, ChordTypesAndKeysFollowChordAndScale) {
  MusicChordMap map;
  MusicParseError error;
  ASSERT_TRUE(ParseChordMap("chordmap \"m\"\nscale A2 minor\n"
                            "chord Am A1 0 3 7\nchord E E1 0 4 7\nchord Bb Bb1 0 4 7\n"
                            "chord D D2 0 4 7\nchord Dm7 D2 0 3 7 10\nsignpost Am groups 1\nend\n",
                            "m.cdm", map, error))
      << error.Text();
  const Chord &am = map.chords[0], &e = map.chords[1], &bb = map.chords[2], &d = map.chords[3],
              &dm7 = map.chords[4];
  // Chord, mode, value (octave, chord position, scale step, accidental, key), key, fit.
  const std::tuple<const Chord *, PlayMode, MusicValue, int, NoteFit> cases[] = {
      {&am, PlayMode::Chord, {1, 0, 0, 0, 0}, 45, NoteFit::ChordTone},  // A2
      {&am, PlayMode::Chord, {1, 2, 0, 0, 0}, 52, NoteFit::ChordTone},  // E3
      {&am, PlayMode::Chord, {1, 4, 0, 0, 0}, 60, NoteFit::ChordTone},  // C4: next octave
      {&am, PlayMode::Chord, {1, 0, 1, 0, 0}, 47, NoteFit::ScaleTone},  // B2
      {&am, PlayMode::Chord, {1, 0, -1, 0, 0}, 43, NoteFit::ScaleTone}, // G2
      {&e, PlayMode::Chord, {1, 0, -1, 0, 0}, 38, NoteFit::ScaleTone},  // D2 below E2
      {&e, PlayMode::Chord, {1, 1, 1, 0, 0}, 45, NoteFit::ScaleTone},   // G#2 up to A2
      {&e, PlayMode::Chord, {1, 0, -2, 0, 0}, 36, NoteFit::ScaleTone},  // C2
      {&e, PlayMode::Scale, {0, 0, 6, 0, 0}, 56, NoteFit::ScaleTone},   // G#3 takes G's place
      {&am, PlayMode::Scale, {0, 0, 6, 0, 0}, 55, NoteFit::ScaleTone},  // G3
      {&d, PlayMode::Chord, {1, 1, -1, 0, 0}, 52, NoteFit::ScaleTone},  // E3: F# takes F's place
      {&bb, PlayMode::Chord, {1, 0, 1, 0, 0}, 48, NoteFit::ScaleTone},  // C3: Bb ousts B, not A
      {&dm7, PlayMode::Chord, {0, 3, 0, 0, 0}, 48, NoteFit::ChordTone}, // C3, the seventh
      {&am, PlayMode::Chord, {1, 0, 0, 1, 0}, 46, NoteFit::Chromatic},  // A#2
      {&am, PlayMode::Chord, {8, 5, 0, 0, 0}, 124, NoteFit::ChordTone}, // folded below 128
      {&am, PlayMode::Fixed, {0, 0, 0, 0, 42}, 42, NoteFit::Fixed},
  };
  for (const auto &[chord, mode, value, key, fit] : cases) {
    NoteFit got;
    EXPECT_EQ(ApplyValue(value, mode, map, *chord, got), key)
        << chord->name << " " << value.octave << "/" << value.chordPosition << "+"
        << value.scaleStep;
    EXPECT_EQ(got, fit) << key;
  }
  const std::pair<std::vector<int>, ChordType> types[] = {
      {{0, 3, 7}, chordMinor},          {{0, 4, 7, 10}, chordMajor}, {{0, 3, 6}, chordDiminished},
      {{0, 3, 6, 10}, chordDiminished}, {{0, 4, 8}, chordAugmented}, {{0, 5, 7}, chordSuspended},
      {{0, 2, 7}, chordSuspended},
  };
  for (const auto &[intervals, type] : types)
    EXPECT_EQ(ClassifyChord(intervals), unsigned(type)) << intervals[1] << " " << intervals[2];
}

// Small inputs: a style of one bass note a measure; Am, F and G in A minor.
struct Inputs {
  static constexpr const char *chords = "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\n"
                                        "chord F F1 0 4 7\nchord G G1 0 4 7\n";
  MusicStyle style;
  MusicChordMap map;
  MusicTemplate form;
  MusicSegment segment;
  std::string error;

  Inputs(const char *mapRest, const char *template_) {
    MusicParseError e;
    EXPECT_TRUE(ParseStyle("style \"s\"\npart bass channel 1 program 38 mode chord\n"
                           "pattern \"p\" normal groove 1-100 length 1\n"
                           "variation bass fits any\nnote 1.1.1 16 100 1/0\nend\n",
                           "s.sty", style, e))
        << e.Text();
    EXPECT_TRUE(ParseChordMap(chords + std::string(mapRest) + "end\n", "m.cdm", map, e))
        << e.Text();
    EXPECT_TRUE(ParseTemplate(template_ + std::string("end\n"), "t.tpl", form, e)) << e.Text();
  }
  bool Compose(int level = 1) { return ComposeSegment(style, form, level, map, segment, error); }
  std::string ChordName(std::size_t i) const { return map.chords[segment.chords[i].chord].name; }
};

TEST(MusicComposer, HoldsTheSignpostChordWhenNoPathFitsAndFallsBackToNormalPatterns) {
  Inputs in("signpost Am groups 1\nsignpost G groups 2\nlink Am F weight 1 beats 8-8\n"
            "link F G weight 1 beats 8-8\nlink G Am weight 1 beats 4-4\n",
            "template \"t\"\nlength 2\nsignpost 1 group 1\nsignpost 2 group 2\n"
            "command 1 end groove 50\n");
  ASSERT_TRUE(in.Compose()) << in.error;
  EXPECT_EQ(in.segment.heldSpans, 1) << "Am -> G in one measure is impossible";
  ASSERT_EQ(in.segment.chords.size(), 2u);
  EXPECT_EQ(in.ChordName(0), "Am");
  EXPECT_EQ(in.ChordName(1), "G");
  EXPECT_EQ(in.segment.chords[1].tick, 4u * ticksPerBeat);

  // With no normal pattern either, the 'end' has none.
  in.style.patterns[0].embellishment = Embellishment::Fill;
  EXPECT_FALSE(in.Compose());
  EXPECT_NE(in.error.find("'end'"), std::string::npos) << in.error;
  in.style.patterns[0].embellishment = Embellishment::Normal;
  in.form.beatsPerMeasure = 3;
  EXPECT_FALSE(in.Compose());
  EXPECT_NE(in.error.find("3/4"), std::string::npos) << in.error;
}

TEST(MusicComposer, LowerActivityChangesChordsMoreOften) {
  Inputs in("signpost Am groups 1\n"
            "link Am F weight 1 beats 2-16\nlink F G weight 1 beats 2-16\n"
            "link G Am weight 1 beats 2-16\nlink F Am weight 1 beats 2-16\n"
            "link Am G weight 1 beats 2-16\nlink G F weight 1 beats 2-16\n",
            "template \"t\"\nlength 64\nsignpost 1 group 1\n");
  std::size_t previous = SIZE_MAX;
  for (int activity = 0; activity <= 3; ++activity) {
    ASSERT_TRUE(in.Compose(activity)) << in.error;
    EXPECT_LT(in.segment.chords.size(), previous) << "activity " << activity;
    previous = in.segment.chords.size();
  }
  EXPECT_FALSE(in.Compose(4));
  EXPECT_NE(in.error.find("activity 4"), std::string::npos) << in.error;
}

using namespace testsupport;

// floor(beat * 16537.5): the frame of a beat at 160 bpm and 44.1 kHz.
std::uint64_t Beat160(std::uint64_t beat) { return beat * 33075 / 2; }
std::uint64_t UpToBlock(std::uint64_t f, std::uint64_t b) { return (f + b - 1) / b * b; }

// One note-on (and its note-off a quarter beat later) per beat.
MusicSegment BeatSegment(int beats, double tempo) {
  MusicSegment segment;
  segment.lengthTicks = static_cast<std::uint32_t>(beats * ticksPerBeat);
  segment.tempo = tempo;
  segment.events.push_back({0, EventType::Program, 9, 0, 0});
  for (std::uint32_t tick = 0; tick < segment.lengthTicks; tick += ticksPerBeat) {
    segment.events.push_back({tick, EventType::NoteOn, 9, 60, 100});
    segment.events.push_back({tick + ticksPerBeat / 4, EventType::NoteOff, 9, 60, 0});
  }
  return segment;
}

// What `source` renders in `frames`, pulled `chunk` at a time.
std::vector<float> Pull(MixSource &source, std::uint64_t frames, int chunk = 441) {
  std::vector<float> out(2 * frames);
  for (std::uint64_t done = 0, n; done < frames; done += n)
    source.MixInto(out.data() + 2 * done, int(n = std::min<std::uint64_t>(chunk, frames - done)));
  return out;
}

// The synth calls of `segment` played on blocks of `block` frames for
// `frames`, pulled `chunk` at a time, with SetTempo(160) after `tempoAt`
// frames (-1: before playing).
std::vector<SynthCall> Play(const MusicSegment &segment, int block, std::uint64_t frames,
                            int chunk = 441, int tempoAt = -1) {
  std::vector<SynthCall> log;
  MusicPerformance performance(std::make_unique<FakeSynth>(log, block));
  if (tempoAt < 0)
    performance.SetTempo(160.0);
  performance.PlaySegment(segment);
  Pull(performance, std::max(tempoAt, 0), chunk);
  if (tempoAt >= 0)
    performance.SetTempo(160.0);
  Pull(performance, frames - std::max(tempoAt, 0), chunk);
  return log;
}

std::vector<std::uint64_t> NoteOns(const std::vector<SynthCall> &log) {
  std::vector<std::uint64_t> frames;
  for (const SynthCall &call : log)
    if (call.kind == SynthCall::On)
      frames.push_back(call.frame);
  return frames;
}

TEST(MusicPerformance, TheLaterOfSegmentTempoAndPerformanceTempoWins) {
  MusicSegment segment = BeatSegment(4, 120.0);
  // A beat at 160 is 16537.5 frames: the half frame is dropped, never accumulated.
  const std::vector<std::uint64_t> at120 = {0, 22050, 44100, 66150},
                                   at160 = {0, 16537, 33075, 49612},
                                   midway = {0, 22050, 44100, 60637};
  EXPECT_EQ(NoteOns(Play(segment, 1, 88200)), at120) << "played after the tempo";
  EXPECT_EQ(NoteOns(Play(segment, 1, 88200, 441, 0)), at160) << "the tempo after playing";
  EXPECT_EQ(NoteOns(Play(segment, 1, 88200, 441, 44100)), midway) << "on from where it is";
  segment.DisableTempo();
  EXPECT_EQ(NoteOns(Play(segment, 1, 88200)), at160) << "the segment's own tempo off";
}

TEST(MusicPerformance, RepeatsFollowWithoutAGapAndEventsWaitForTheNextBlockWhateverTheChunks) {
  MusicSegment segment = BeatSegment(3, 160.0); // each repetition ends on a half frame
  segment.SetRepeats(2);
  for (int block : {1, 64}) {
    std::vector<std::uint64_t> on;
    for (std::uint64_t beat = 0; beat < 9; ++beat)
      on.push_back(UpToBlock(Beat160(beat), block));
    const std::vector<SynthCall> log = Play(segment, block, Beat160(10));
    EXPECT_EQ(NoteOns(log), on) << "blocks of " << block;
    for (int chunk : {64, 1000, 37})
      EXPECT_EQ(Play(segment, block, Beat160(10), chunk), log) << "chunks of " << chunk;
  }
}

class MusicStep : public testing::Test {
protected:
  static constexpr const char *files[] = {"Template1.tpl", "Style1.sty", "Chordmap1.cdm"};
  void SetUp() override {
    for (const char *file : files)
      std::filesystem::copy_file(std::string(RUZOZ_MUSIC_CONTENT) + "/" + file, dir.path() / file,
                                 std::filesystem::copy_options::overwrite_existing);
    errorMessage = nullptr;
  }
  void TearDown() override {
    ReleaseMusic();
    errorMessage = nullptr;
    unsetenv("SDL_SOUNDFONTS");
  }
  std::unique_ptr<FakeSynth> Synth() { return std::make_unique<FakeSynth>(log, 64); }
  // What InitMusic stored and said on stderr.
  std::pair<const char *, std::string> Init(std::unique_ptr<ruzoz::Synth> synth) {
    testing::internal::CaptureStderr();
    const bool ok = InitMusic(std::move(synth), output);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ok, errorMessage == nullptr);
    EXPECT_FALSE(!ok && output.music) << "connected only when it plays";
    return {errorMessage, said};
  }
  void BreakSoundFont() {
    std::ofstream(dir.path() / "broken.sf2") << "not a SoundFont";
    setenv("SDL_SOUNDFONTS", (dir.path() / "broken.sf2").c_str(), 1);
  }

  ScratchDir dir;
  InDirectory in{dir.path()};
  FakeAudioOutput output;
  std::vector<SynthCall> log;
};

TEST_F(MusicStep, EachFailureStoresItsTextAndTheFirstOneWins) {
  const char *const badStyle = "style \"s\"\npart b channel 1 program 38 mode chord\npattern p\n";
  const char *const badForm = "template \"t\"\nlength 4\nsignpost 1 group 7\nend\n";
  const std::string gone = ": cannot be opened: No such file or directory\n";
  // The synth (0 none, 1 without instruments: the game starts without music,
  // 2 working), what becomes of `files` (null kept, "" removed), the text
  // stored and what is said.
  const std::tuple<int, std::array<const char *, 3>, const char *, std::string> cases[] = {
      {0, {""}, texts::synthFailed, ""},
      {1, {""}, texts::musicFailed, "Template1.tpl" + gone},
      {1, {}, nullptr, ""},
      {2, {"", ""}, texts::musicFailed, "Template1.tpl" + gone},
      {2, {nullptr, "", ""}, texts::musicFailed, "Style1.sty" + gone},
      {2, {nullptr, badStyle, ""}, texts::musicFailed, "Style1.sty:3: expected a quoted name\n"},
      {2, {badForm}, texts::musicFailed, "music: the chord map has no signpost chord of group 7\n"},
  };
  for (const auto &[synth, contents, stored, said] : cases) {
    SetUp();
    for (int f = 0; f < 3; ++f)
      if (contents[f] && !*contents[f])
        std::filesystem::remove(files[f]);
      else if (contents[f])
        std::ofstream(files[f]) << contents[f];
    std::unique_ptr<FakeSynth> fake = synth > 0 ? Synth() : nullptr;
    if (fake)
      fake->downloadWorks = synth == 2;
    const auto [text, stderrText] = Init(std::move(fake));
    EXPECT_EQ(text, stored) << (text ? text : "no text");
    EXPECT_EQ(stderrText, said);
    EXPECT_EQ(output.music != nullptr, synth == 2 && !stored);
    RestartMusic(); // nothing to restart, nothing to break
    SetMusicSegmentRepeats(1);
    TearDown();
  }
}

// FNV-1a over every event.
std::uint64_t Fingerprint(const MusicSegment &segment) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const MusicEvent &e : segment.events)
    for (std::uint32_t field : {e.tick, std::uint32_t(e.type), std::uint32_t(e.channel),
                                std::uint32_t(e.data1), std::uint32_t(e.data2)})
      hash = (hash ^ field) * 1099511628211ull;
  return hash;
}

TEST_F(MusicStep, ComposesTheGamesMusicAlikeAndPlaysItAt160RepeatedAndRestarted) {
  // The segment's own tempo must neither start nor restart it.
  std::string text = ReadText("Template1.tpl");
  std::ofstream("Template1.tpl") << text.replace(text.find("tempo 160"), 9, "tempo 100");
  // What the step must amount to: the composed segment, 999 repeats, 160 bpm.
  MusicTemplate form;
  MusicStyle style;
  MusicChordMap map;
  MusicSegment segment;
  std::string error;
  randomState = 4242;
  ASSERT_TRUE(LoadMusicFile("Template1.tpl", form) && LoadMusicFile("Style1.sty", style) &&
              LoadMusicFile("Chordmap1.cdm", map) &&
              ComposeSegment(style, form, 1, map, segment, error));
  EXPECT_EQ(randomState, 4242u) << "the game's generator is left alone";
  // Changes only when the music files or the composer's choices do, and
  // then the player hears something else.
  EXPECT_EQ(Fingerprint(segment), 0xd2bb0c473eb653f3u) << std::hex << Fingerprint(segment);
  segment.SetRepeats(999);
  segment.DisableTempo();
  const std::uint64_t frames = Beat160(segment.lengthTicks / ticksPerBeat) + 44100;

  replay::RecordingSound heard;
  Sound *const previous = std::exchange(sound, &heard);
  Init(Synth());
  sound = previous;
  ASSERT_NE(output.music, nullptr) << "playing";
  EXPECT_EQ(heard.MusicRestarts(), 0) << "the first start is no restart the game asked for";
  EXPECT_EQ(output.locks, 2) << "both hand-overs under the output's lock";
  Pull(*output.music, frames);
  EXPECT_EQ(log, Play(segment, 64, frames)) << "the same music again, on into the repeat";

  // A restart ends what sounds and plays once from the beginning, on a block.
  SetMusicSegmentRepeats(0);
  log.clear();
  RestartMusic();
  Pull(*output.music, frames);
  segment.SetRepeats(0);
  std::vector<SynthCall> once = Play(segment, 64, frames);
  for (SynthCall &call : once)
    call.frame += UpToBlock(frames, 64);
  once[0].frame = frames; // what sounds ends at once
  EXPECT_EQ(log, once);
  EXPECT_EQ(output.lockDepth, 0);

  ReleaseMusic();
  EXPECT_EQ(output.music, nullptr) << "a performance gone renders no more";
}

// Start-up reads the SoundFont ahead, on a thread; the music step takes it.
TEST_F(MusicStep, APreparedSynthPlaysAsAFreshOneAndItsFaultsWaitForTheMusicStep) {
  std::vector<float> prepared, fresh;
  platform::PrepareSynth();
  platform::PrepareSynth(); // a second call keeps the first preparation
  for (std::vector<float> *out : {&prepared, &fresh}) {
    const auto [text, said] = Init(platform::TakeSynth());
    ASSERT_EQ(text, nullptr) << said;
    EXPECT_EQ(said, "");
    *out = Pull(*output.music, 3 * 44100);
    ReleaseMusic();
  }
  EXPECT_TRUE(prepared == fresh);
  EXPECT_GT(*std::max_element(fresh.begin(), fresh.end()), 0.01f) << "and audible";

  // An unusable SoundFont is named at the music step, not before, in one
  // line without FluidSynth's own complaints, and the game goes on silent.
  BreakSoundFont();
  const std::string broken = "music off: " + (dir.path() / "broken.sf2").string() +
                             " is not a usable SoundFont; set SDL_SOUNDFONTS=/path/to/file.sf2\n";
  testing::internal::CaptureStderr();
  platform::PrepareSynth();
  // What the thread met stays unsaid until the step that owns it.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string early = testing::internal::GetCapturedStderr();
  EXPECT_EQ(early.find("broken.sf2"), std::string::npos) << early;
  EXPECT_EQ(early.find("fluidsynth"), std::string::npos) << early;
  const auto [text, said] = Init(platform::TakeSynth());
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(said, broken);
  EXPECT_EQ(output.music, nullptr);

  // An untaken preparation is dropped, and a fresh one follows.
  unsetenv("SDL_SOUNDFONTS");
  platform::PrepareSynth();
  platform::DiscardPreparedSynth();
  platform::DiscardPreparedSynth();
  BreakSoundFont();
  EXPECT_EQ(Init(platform::TakeSynth()).second, broken) << "not the dropped one";
}

TEST(MusicSoundFont, EnvironmentEntriesAloneElseDebiansDefaults) {
  ScratchDir dir;
  const std::string mine = (dir.path() / "mine.sf2").string(), missing = mine + ".gone";
  std::ofstream(mine) << "x";
  const std::string fallback = platform::FindSoundFont(nullptr);
  ASSERT_EQ(fallback.rfind("/usr/share/sounds/sf2/", 0), 0u) << "install timgm6mb-soundfont";
  // A folder is no SoundFont; what the player named, or nothing.
  const std::pair<std::string, std::string> cases[] = {{missing + ":" + mine, mine},
                                                       {dir.path().string() + ":" + mine, mine},
                                                       {missing, ""},
                                                       {"", fallback},
                                                       {"::", fallback}};
  for (const auto &[list, found] : cases)
    EXPECT_EQ(platform::FindSoundFont(list.c_str()), found) << list;
}

} // namespace
} // namespace ruzoz::music
