#include "audio/MusicComposer.h"
#include "audio/MusicHarmony.h"
#include "audio/MusicLoader.h"
#include "audio/MusicParse.h"
#include "game/World.h"

#include <gtest/gtest.h>

namespace ruzoz::music {
namespace {

constexpr std::uint32_t measureTicks = 4 * ticksPerBeat;

// FNV-1a over every event.
std::uint64_t Fingerprint(const MusicSegment &segment) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const MusicEvent &e : segment.events)
    for (std::uint32_t field : {e.tick, std::uint32_t(e.type), std::uint32_t(e.channel),
                                std::uint32_t(e.data1), std::uint32_t(e.data2)})
      hash = (hash ^ field) * 1099511628211ull;
  return hash;
}

TEST(MusicComposer, TheGamesMusicIsTheSameEveryTimeAndLeavesTheGamesGeneratorAlone) {
  const std::string dir = RUZOZ_MUSIC_CONTENT "/";
  MusicStyle style;
  MusicChordMap map;
  MusicTemplate form;
  ASSERT_TRUE(LoadMusicFile(dir + "Style1.sty", style) &&
              LoadMusicFile(dir + "Chordmap1.cdm", map) &&
              LoadMusicFile(dir + "Template1.tpl", form));
  randomState = 4242;
  MusicSegment segment, again;
  std::string error;
  ASSERT_TRUE(ComposeSegment(style, form, 1, map, segment, error)) << error;
  ASSERT_TRUE(ComposeSegment(style, form, 1, map, again, error)) << error;
  EXPECT_EQ(randomState, 4242u);
  EXPECT_EQ(Fingerprint(again), Fingerprint(segment));
  // Changes only when the music files or the composer's choices do, and
  // then the player hears something else.
  EXPECT_EQ(Fingerprint(segment), 0xd2bb0c473eb653f3u) << std::hex << Fingerprint(segment);
}

MusicChordMap AMinor() {
  MusicChordMap map;
  MusicParseError error;
  EXPECT_TRUE(ParseChordMap("chordmap \"m\"\nscale A2 minor\n"
                            "chord Am A1 0 3 7\nchord E E1 0 4 7\nchord Bb Bb1 0 4 7\n"
                            "chord D D2 0 4 7\nchord Dm7 D2 0 3 7 10\nsignpost Am groups 1\n",
                            "m.cdm", map, error))
      << error.Text();
  return map;
}

TEST(MusicHarmony, ValuesBecomeKeysAgainstChordAndScale) {
  const MusicChordMap map = AMinor();
  const Chord &am = map.chords[0], &e = map.chords[1], &dm7 = map.chords[4];
  const struct {
    const Chord *chord;
    PlayMode mode;
    MusicValue value; // octave, chord position, scale step, accidental, key
    int key;
    NoteFit fit;
  } cases[] = {
      {&am, PlayMode::Chord, {1, 0, 0, 0, 0}, 45, NoteFit::ChordTone},  // A2
      {&am, PlayMode::Chord, {1, 2, 0, 0, 0}, 52, NoteFit::ChordTone},  // E3
      {&am, PlayMode::Chord, {1, 4, 0, 0, 0}, 60, NoteFit::ChordTone},  // C4: next octave
      {&am, PlayMode::Chord, {1, 0, 1, 0, 0}, 47, NoteFit::ScaleTone},  // B2
      {&am, PlayMode::Chord, {1, 0, -1, 0, 0}, 43, NoteFit::ScaleTone}, // G2
      {&e, PlayMode::Chord, {1, 0, -1, 0, 0}, 38, NoteFit::ScaleTone},  // D2 below E2
      {&e, PlayMode::Chord, {1, 1, 1, 0, 0}, 45, NoteFit::ScaleTone},   // G#2 up to A2
      {&e, PlayMode::Chord, {1, 0, -2, 0, 0}, 36, NoteFit::ScaleTone},  // C2
      {&e, PlayMode::Scale, {0, 0, 6, 0, 0}, 56, NoteFit::ScaleTone},   // G#3: leading tone
      {&am, PlayMode::Scale, {0, 0, 6, 0, 0}, 55, NoteFit::ScaleTone},  // G3
      {&dm7, PlayMode::Chord, {0, 3, 0, 0, 0}, 48, NoteFit::ChordTone}, // C3, the seventh
      {&am, PlayMode::Chord, {1, 0, 0, 1, 0}, 46, NoteFit::Chromatic},  // A#2
      {&am, PlayMode::Chord, {8, 5, 0, 0, 0}, 124, NoteFit::ChordTone}, // folded below 128
      {&am, PlayMode::Fixed, {0, 0, 0, 0, 42}, 42, NoteFit::Fixed},
  };
  for (const auto &c : cases) {
    NoteFit fit;
    EXPECT_EQ(ApplyValue(c.value, c.mode, map, *c.chord, fit), c.key)
        << c.chord->name << " " << c.value.octave << "/" << c.value.chordPosition << "+"
        << c.value.scaleStep;
    EXPECT_EQ(fit, c.fit) << c.key;
  }
}

unsigned Classes(std::initializer_list<int> classes) {
  unsigned set = 0;
  for (int c : classes)
    set |= 1u << c;
  return set;
}

TEST(MusicHarmony, ChordScalesBorrowTheChordsTonesButKeepTheTonic) {
  const MusicChordMap map = AMinor();
  EXPECT_EQ(ChordScale(map, map.chords[0]), Classes({9, 11, 0, 2, 4, 5, 7})) << "A minor itself";
  EXPECT_EQ(ChordScale(map, map.chords[1]), Classes({9, 11, 0, 2, 4, 5, 8})) << "G# under E";
  EXPECT_EQ(ChordScale(map, map.chords[2]), Classes({9, 10, 0, 2, 4, 5, 7})) << "Bb replaces B";
  EXPECT_EQ(ChordScale(map, map.chords[3]), Classes({9, 11, 0, 2, 4, 6, 7})) << "dorian under D";
  const std::pair<std::vector<int>, ChordType> types[] = {
      {{0, 3, 7}, chordMinor},          {{0, 4, 7, 10}, chordMajor}, {{0, 3, 6}, chordDiminished},
      {{0, 3, 6, 10}, chordDiminished}, {{0, 4, 8}, chordAugmented}, {{0, 5, 7}, chordSuspended},
      {{0, 2, 7}, chordSuspended},
  };
  for (const auto &[intervals, type] : types)
    EXPECT_EQ(ClassifyChord(intervals), unsigned(type)) << intervals[1] << " " << intervals[2];
}

// Small inputs, with a style of one bass note a measure.
struct Inputs {
  MusicStyle style;
  MusicChordMap map;
  MusicTemplate form;
  MusicSegment segment;
  std::string error;

  Inputs(const char *chordMap, const char *template_) {
    MusicParseError e;
    EXPECT_TRUE(ParseStyle("style \"s\"\npart bass channel 1 program 38 mode chord\npattern \"p\" "
                           "normal groove 1-100 length 1\nvariation bass fits any\nnote 1.1.1 16 "
                           "100 1/0\n",
                           "s.sty", style, e))
        << e.Text();
    EXPECT_TRUE(ParseChordMap(chordMap, "m.cdm", map, e)) << e.Text();
    EXPECT_TRUE(ParseTemplate(template_, "t.tpl", form, e)) << e.Text();
  }
  bool Compose(int activity = 1) {
    return ComposeSegment(style, form, activity, map, segment, error);
  }
  std::string ChordName(std::size_t i) const { return map.chords[segment.chords[i].chord].name; }
};

#define AM_F "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nchord F F1 0 4 7\n"

TEST(MusicComposer, HoldsTheFirstSignpostChordWhenNoPathFits) {
  Inputs in(AM_F "chord G G1 0 4 7\nsignpost Am groups 1\nsignpost G groups 2\n"
                 "link Am F weight 1 beats 8-8\nlink F G weight 1 beats 8-8\n"
                 "link G Am weight 1 beats 4-4\n",
            "template \"t\"\nlength 2\nsignpost 1 group 1\nsignpost 2 group 2\n");
  ASSERT_TRUE(in.Compose()) << in.error;
  EXPECT_EQ(in.segment.heldSpans, 1) << "Am -> G in one measure is impossible";
  ASSERT_EQ(in.segment.chords.size(), 2u);
  EXPECT_EQ(in.ChordName(0), "Am");
  EXPECT_EQ(in.ChordName(1), "G");
  EXPECT_EQ(in.segment.chords[1].tick, measureTicks);
}

TEST(MusicComposer, LowerActivityChangesChordsMoreOften) {
  Inputs in(AM_F "chord G G1 0 4 7\nsignpost Am groups 1\n"
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

TEST(MusicComposer, MissingEmbellishmentFallsBackToNormalOrFailsSayingWhy) {
  Inputs in(AM_F "signpost Am groups 1\n",
            "template \"t\"\nlength 2\nsignpost 1 group 1\ncommand 1 end groove 50\n");
  ASSERT_TRUE(in.Compose()) << in.error;
  in.style.patterns[0].embellishment = Embellishment::Fill;
  EXPECT_FALSE(in.Compose());
  EXPECT_NE(in.error.find("'end'"), std::string::npos) << in.error;

  in.style.patterns[0].embellishment = Embellishment::Normal;
  in.form.signposts[0].group = 2;
  EXPECT_FALSE(in.Compose());
  EXPECT_NE(in.error.find("group 2"), std::string::npos) << in.error;
  in.form.signposts[0].group = 1;
  in.form.beatsPerMeasure = 3;
  EXPECT_FALSE(in.Compose());
  EXPECT_NE(in.error.find("3/4"), std::string::npos) << in.error;
}

#undef AM_F

} // namespace
} // namespace ruzoz::music
