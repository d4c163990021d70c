#include "audio/MusicComposer.h"
#include "audio/MusicHarmony.h"
#include "audio/MusicParse.h"

#include <gtest/gtest.h>

#include <tuple>

namespace ruzoz::music {
namespace {

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

} // namespace
} // namespace ruzoz::music
