#include "MusicTestSupport.h"

#include "audio/MusicComposer.h"
#include "audio/MusicHarmony.h"
#include "audio/MusicParse.h"
#include "game/World.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace ruzoz::music::test {
namespace {

constexpr std::uint32_t measureTicks = 4 * ticksPerBeat;

std::size_t ChordAt(const MusicSegment &segment, std::uint32_t tick) {
  std::size_t found = 0;
  for (std::size_t i = 0; i < segment.chords.size(); ++i)
    if (segment.chords[i].tick <= tick)
      found = i;
  return found;
}

const ChordLink *FindLink(const MusicChordMap &map, int from, int to) {
  for (const ChordLink &link : map.links)
    if (link.from == from && link.to == to)
      return &link;
  return nullptr;
}

unsigned KeyScale(const MusicChordMap &map) {
  const int by = map.tonic % 12;
  return ((map.scale << by) | (map.scale >> (12 - by))) & 0xFFFu;
}

class ShippedComposition : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(composer.ComposeSegmentFromTemplate(&style, &form, 1, &map, segment), composeOk)
        << composer.LastError();
  }
  MusicStyle style = ShippedStyle();
  MusicChordMap map = ShippedChordMap();
  MusicTemplate form = ShippedTemplate();
  MusicComposer composer;
  std::unique_ptr<MusicSegment> segment;
};

TEST_F(ShippedComposition, HasTheTemplatesFormAndFindsEveryPath) {
  EXPECT_EQ(segment->measures, form.measures);
  EXPECT_EQ(segment->lengthTicks, static_cast<std::uint32_t>(form.measures) * measureTicks);
  EXPECT_EQ(segment->measurePatterns.size(), static_cast<std::size_t>(form.measures));
  EXPECT_EQ(segment->tempo, 160.0);
  EXPECT_EQ(segment->heldSpans, 0);
  EXPECT_GT(segment->notes.size(), 500u);
}

TEST_F(ShippedComposition, ChordsFollowTheChordMapAroundTheLoop) {
  const auto &chords = segment->chords;
  ASSERT_GE(chords.size(), 8u);
  EXPECT_EQ(chords.front().tick, 0u);
  for (std::size_t i = 0; i < chords.size(); ++i) {
    const SegmentChord &from = chords[i];
    const SegmentChord &to = chords[(i + 1) % chords.size()];
    const std::uint32_t end = i + 1 < chords.size() ? to.tick : segment->lengthTicks;
    const int beats = static_cast<int>((end - from.tick) / ticksPerBeat);
    ASSERT_EQ((end - from.tick) % ticksPerBeat, 0u);
    const std::string where = "chord " + std::to_string(i) + " " + map.chords[from.chord].name +
                              " -> " + map.chords[to.chord].name;
    if (from.cadence) {
      // Inside a cadence: the next is its next cadence chord or the signpost it leads to.
      bool found = false;
      for (const SignpostChord &signpost : map.signposts)
        for (std::size_t c = 0; c < signpost.cadence.size(); ++c) {
          if (signpost.cadence[c].chord != from.chord || signpost.cadence[c].beats != beats)
            continue;
          if (c + 1 < signpost.cadence.size())
            found |= to.cadence && signpost.cadence[c + 1].chord == to.chord;
          else
            found |= to.signpostGroup != 0 && signpost.chord == to.chord;
        }
      EXPECT_TRUE(found) << where;
    } else {
      const ChordLink *link = FindLink(map, from.chord, to.chord);
      ASSERT_NE(link, nullptr) << where;
      EXPECT_GE(beats, link->minBeats) << where;
      EXPECT_LE(beats, link->maxBeats) << where;
    }
  }
}

TEST_F(ShippedComposition, SignpostsLandWhereTheTemplatePutsThem) {
  int signposts = 0;
  for (const SegmentChord &chord : segment->chords)
    signposts += chord.signpostGroup != 0;
  EXPECT_EQ(signposts, static_cast<int>(form.signposts.size()));
  for (const TemplateSignpost &wanted : form.signposts) {
    const std::uint32_t tick = static_cast<std::uint32_t>(wanted.measure - 1) * measureTicks;
    const std::size_t at = ChordAt(*segment, tick);
    const SegmentChord &chord = segment->chords[at];
    ASSERT_EQ(chord.tick, tick) << "measure " << wanted.measure;
    EXPECT_EQ(chord.signpostGroup, wanted.group);
    const SignpostChord *signpost = nullptr;
    for (const SignpostChord &s : map.signposts)
      if (s.chord == chord.chord && (s.groups & (1u << (wanted.group - 1))))
        signpost = &s;
    ASSERT_NE(signpost, nullptr) << map.chords[chord.chord].name << " is no signpost of group "
                                 << wanted.group;
    if (wanted.cadence && !signpost->cadence.empty()) {
      const auto &cadence = signpost->cadence;
      const std::size_t count = segment->chords.size();
      for (std::size_t c = 0; c < cadence.size(); ++c) {
        const SegmentChord &before = segment->chords[(at + count - cadence.size() + c) % count];
        EXPECT_TRUE(before.cadence) << "measure " << wanted.measure;
        EXPECT_EQ(before.chord, cadence[c].chord) << "measure " << wanted.measure;
      }
    }
  }
}

TEST_F(ShippedComposition, EveryNoteLiesInItsChordOrScale) {
  const unsigned keyScale = KeyScale(map);
  std::map<NoteFit, int> fits;
  for (const SegmentNote &note : segment->notes) {
    ++fits[note.fit];
    EXPECT_LT(note.Start(), segment->lengthTicks);
    EXPECT_LE(note.End(), segment->lengthTicks);
    EXPECT_GT(note.length, 0u);
    const StylePart &part = style.parts[note.part];
    EXPECT_EQ(note.channel, part.channel);
    if (part.mode == PlayMode::Fixed) {
      EXPECT_EQ(note.fit, NoteFit::Fixed);
      continue;
    }
    const Chord &chord = map.chords[segment->chords[ChordAt(*segment, note.tick)].chord];
    const unsigned tones = ChordTones(chord);
    const unsigned pitch = 1u << (note.key % 12);
    EXPECT_NE(note.fit, NoteFit::Chromatic) << "the shipped style has no accidentals";
    if (note.fit == NoteFit::ChordTone)
      EXPECT_TRUE(pitch & tones) << int(note.key) << " over " << chord.name;
    else
      EXPECT_TRUE(pitch & (tones | keyScale)) << int(note.key) << " over " << chord.name;
  }
  EXPECT_GT(fits[NoteFit::ChordTone], 300);
  EXPECT_GE(fits[NoteFit::ScaleTone], 10);
  EXPECT_GT(fits[NoteFit::Fixed], 300);
}

TEST_F(ShippedComposition, EveryMeasurePlaysAPatternThatFitsItsCommand) {
  for (int m = 0; m < form.measures; ++m) {
    const TemplateCommand *command = nullptr;
    for (const TemplateCommand &c : form.commands)
      if (c.measure <= m + 1)
        command = &c;
    ASSERT_NE(command, nullptr);
    const StylePattern &pattern = style.patterns[segment->measurePatterns[m]];
    EXPECT_EQ(pattern.embellishment, command->embellishment) << "measure " << m + 1;
    EXPECT_LE(pattern.grooveLow, command->groove + command->grooveRange) << "measure " << m + 1;
    EXPECT_GE(pattern.grooveHigh, command->groove - command->grooveRange) << "measure " << m + 1;
  }
}

TEST_F(ShippedComposition, EventsAreOrderedBalancedAndNeverOverlapAKey) {
  const auto &events = segment->events;
  std::set<int> programmed;
  std::map<int, bool> sounding; // channel * 128 + key
  for (std::size_t i = 0; i < events.size(); ++i) {
    const MusicEvent &e = events[i];
    if (i > 0) {
      const MusicEvent &p = events[i - 1];
      ASSERT_TRUE(p.tick < e.tick || (p.tick == e.tick && p.type <= e.type)) << i;
    }
    ASSERT_LE(e.tick, segment->lengthTicks);
    if (e.type == EventType::Program) {
      EXPECT_EQ(e.tick, 0u);
      programmed.insert(e.channel);
    }
    const int id = e.channel * 128 + e.data1;
    if (e.type == EventType::NoteOn) {
      EXPECT_FALSE(sounding[id]) << "key struck while sounding at tick " << e.tick;
      EXPECT_TRUE(programmed.count(e.channel));
      sounding[id] = true;
    } else if (e.type == EventType::NoteOff) {
      EXPECT_TRUE(sounding[id]) << "release without a note at tick " << e.tick;
      sounding[id] = false;
    }
  }
  for (const auto &[id, on] : sounding)
    EXPECT_FALSE(on) << "still sounding at the end: " << id;
  EXPECT_EQ(programmed.size(), style.parts.size());
}

TEST_F(ShippedComposition, IsTheSameEveryTimeAndLeavesTheGamesGeneratorAlone) {
  randomState = 4242;
  std::unique_ptr<MusicSegment> again;
  ASSERT_EQ(composer.ComposeSegmentFromTemplate(&style, &form, 1, &map, again), composeOk);
  EXPECT_EQ(randomState, 4242u);
  ASSERT_EQ(again->events.size(), segment->events.size());
  for (std::size_t i = 0; i < segment->events.size(); ++i) {
    const MusicEvent &a = segment->events[i];
    const MusicEvent &b = again->events[i];
    ASSERT_TRUE(a.tick == b.tick && a.type == b.type && a.channel == b.channel &&
                a.data1 == b.data1 && a.data2 == b.data2)
        << "event " << i;
  }
  ASSERT_EQ(again->chords.size(), segment->chords.size());
  for (std::size_t i = 0; i < segment->chords.size(); ++i)
    EXPECT_EQ(again->chords[i].chord, segment->chords[i].chord);
  EXPECT_EQ(again->measurePatterns, segment->measurePatterns);
}

// --------------------------------------------------------------- harmony

MusicChordMap AMinor() {
  MusicChordMap map;
  MusicParseError error;
  EXPECT_TRUE(ParseChordMap("chordmap \"m\"\nscale A2 minor\n"
                            "chord Am A1 0 3 7\nchord E E1 0 4 7\nchord Bb Bb1 0 4 7\n"
                            "chord D D2 0 4 7\nchord Dm7 D2 0 3 7 10\n"
                            "signpost Am groups 1\n",
                            "m.cdm", map, error))
      << error.Text();
  return map;
}

TEST(MusicHarmony, ValuesBecomeKeysAgainstChordAndScale) {
  const MusicChordMap map = AMinor();
  const Chord &am = map.chords[0];
  const Chord &e = map.chords[1];
  const Chord &dm7 = map.chords[4];
  struct Case {
    const Chord *chord;
    PlayMode mode;
    MusicValue value;
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
  for (const Case &c : cases) {
    NoteFit fit;
    EXPECT_EQ(ApplyValue(c.value, c.mode, map, *c.chord, fit), c.key)
        << c.chord->name << " " << c.value.octave << "/" << c.value.chordPosition << "+"
        << c.value.scaleStep;
    EXPECT_EQ(fit, c.fit) << c.key;
  }
}

TEST(MusicHarmony, ChordScalesBorrowTheChordsTonesButKeepTheTonic) {
  const MusicChordMap map = AMinor();
  const auto set = [](std::initializer_list<int> classes) {
    unsigned s = 0;
    for (int c : classes)
      s |= 1u << c;
    return s;
  };
  // A B C D E F G#: harmonic minor under the dominant.
  EXPECT_EQ(ChordScale(map, map.chords[1]), set({9, 11, 0, 2, 4, 5, 8}));
  // A Bb C D E F G: the flat second replaces B, not the tonic.
  EXPECT_EQ(ChordScale(map, map.chords[2]), set({9, 10, 0, 2, 4, 5, 7}));
  // A B C D E F# G: dorian under the major IV.
  EXPECT_EQ(ChordScale(map, map.chords[3]), set({9, 11, 0, 2, 4, 6, 7}));
  EXPECT_EQ(ChordScale(map, map.chords[0]), KeyScale(map));

  EXPECT_EQ(ClassifyChord({0, 3, 7}), unsigned(chordMinor));
  EXPECT_EQ(ClassifyChord({0, 4, 7, 10}), unsigned(chordMajor));
  EXPECT_EQ(ClassifyChord({0, 3, 6}), unsigned(chordDiminished));
  EXPECT_EQ(ClassifyChord({0, 3, 6, 10}), unsigned(chordDiminished));
  EXPECT_EQ(ClassifyChord({0, 4, 8}), unsigned(chordAugmented));
  EXPECT_EQ(ClassifyChord({0, 5, 7}), unsigned(chordSuspended));
  EXPECT_EQ(ClassifyChord({0, 2, 7}), unsigned(chordSuspended));
}

// ------------------------------------------------------ small inputs

struct Inputs {
  MusicStyle style;
  MusicChordMap map;
  MusicTemplate form;
};

Inputs Parse(const std::string &style, const std::string &map, const std::string &form) {
  Inputs in;
  MusicParseError error;
  EXPECT_TRUE(ParseStyle(style, "s.sty", in.style, error)) << error.Text();
  EXPECT_TRUE(ParseChordMap(map, "m.cdm", in.map, error)) << error.Text();
  EXPECT_TRUE(ParseTemplate(form, "t.tpl", in.form, error)) << error.Text();
  return in;
}

std::unique_ptr<MusicSegment> Compose(const Inputs &in, int activity = 1) {
  MusicComposer composer;
  std::unique_ptr<MusicSegment> segment;
  EXPECT_EQ(composer.ComposeSegmentFromTemplate(&in.style, &in.form, activity, &in.map, segment),
            composeOk)
      << composer.LastError();
  return segment;
}

const char *const oneBass = "style \"s\"\npart bass channel 1 program 38 mode chord\n"
                            "pattern \"p\" normal groove 1-100 length 1\n"
                            "variation bass fits any\nnote 1.1.1 16 100 1/0\n";

TEST(MusicComposer, HoldsTheFirstSignpostChordWhenNoPathFits) {
  const Inputs in = Parse(oneBass,
                          "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nchord F F1 0 4 7\n"
                          "chord G G1 0 4 7\nsignpost Am groups 1\nsignpost G groups 2\n"
                          "link Am F weight 1 beats 8-8\nlink F G weight 1 beats 8-8\n"
                          "link G Am weight 1 beats 4-4\n",
                          "template \"t\"\nlength 2\nsignpost 1 group 1\nsignpost 2 group 2\n");
  const auto segment = Compose(in);
  ASSERT_TRUE(segment);
  EXPECT_EQ(segment->heldSpans, 1) << "Am -> G in one measure is impossible";
  ASSERT_EQ(segment->chords.size(), 2u);
  EXPECT_EQ(in.map.chords[segment->chords[0].chord].name, "Am");
  EXPECT_EQ(in.map.chords[segment->chords[1].chord].name, "G");
  EXPECT_EQ(segment->chords[1].tick, measureTicks);
}

TEST(MusicComposer, LowerActivityChangesChordsMoreOften) {
  const Inputs in = Parse(oneBass,
                          "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nchord F F1 0 4 7\n"
                          "chord G G1 0 4 7\nsignpost Am groups 1\n"
                          "link Am F weight 1 beats 2-16\nlink F G weight 1 beats 2-16\n"
                          "link G Am weight 1 beats 2-16\nlink F Am weight 1 beats 2-16\n"
                          "link Am G weight 1 beats 2-16\nlink G F weight 1 beats 2-16\n",
                          "template \"t\"\nlength 64\nsignpost 1 group 1\n");
  std::size_t previous = SIZE_MAX;
  for (int activity = 0; activity <= 3; ++activity) {
    const auto segment = Compose(in, activity);
    ASSERT_TRUE(segment);
    EXPECT_LT(segment->chords.size(), previous) << "activity " << activity;
    previous = segment->chords.size();
  }
}

TEST(MusicComposer, VariationsPlayOnlyOverChordsTheyFit) {
  const Inputs in = Parse("style \"s\"\npart bass channel 1 program 38 mode chord\n"
                          "part pad channel 2 program 89 mode chord\n"
                          "pattern \"p\" normal groove 1-100 length 1\n"
                          "variation bass fits minor\nnote 1.1.1 4 11 1/0\n"
                          "variation bass fits major\nnote 1.1.1 4 22 1/0\n"
                          "variation pad fits dim\nnote 1.1.1 4 33 2/0\n",
                          "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nchord F F1 0 4 7\n"
                          "signpost Am groups 1\nsignpost F groups 2\n"
                          "link Am F weight 1 beats 4-4\nlink F Am weight 1 beats 4-4\n",
                          "template \"t\"\nlength 8\nsignpost 1 group 1\nsignpost 2 group 2\n"
                          "signpost 3 group 1\nsignpost 4 group 2\nsignpost 5 group 1\n"
                          "signpost 6 group 2\nsignpost 7 group 1\nsignpost 8 group 2\n");
  const auto segment = Compose(in);
  ASSERT_TRUE(segment);
  ASSERT_EQ(segment->notes.size(), 8u) << "one bass note a measure, no pad";
  for (const SegmentNote &note : segment->notes) {
    const unsigned type = in.map.chords[segment->chords[ChordAt(*segment, note.tick)].chord].type;
    EXPECT_EQ(note.velocity, type == chordMinor ? 11 : 22) << "tick " << note.tick;
  }
}

TEST(MusicComposer, HeldNotesFollowChordChangesAndTieWhereTheKeyStays) {
  const Inputs in = Parse("style \"s\"\npart pad channel 2 program 89 mode chord\n"
                          "part drone channel 3 program 89 mode scale\n"
                          "pattern \"p\" normal groove 1-100 length 2\n"
                          "variation pad fits any\nnote 1.1.1 32 90 1/0\n"
                          "variation drone fits any\nnote 1.1.1 32 90 0/0\n",
                          "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nchord F F1 0 4 7\n"
                          "signpost Am groups 1\nsignpost F groups 2\n"
                          "link Am F weight 1 beats 4-4\nlink F Am weight 1 beats 4-4\n",
                          "template \"t\"\nlength 2\nsignpost 1 group 1\nsignpost 2 group 2\n");
  const auto segment = Compose(in);
  ASSERT_TRUE(segment);
  std::vector<std::pair<int, int>> pad, drone; // key, length in measures
  for (const SegmentNote &note : segment->notes)
    (note.part == 0 ? pad : drone).push_back({note.key, int(note.length / measureTicks)});
  EXPECT_EQ(pad, (std::vector<std::pair<int, int>>{{45, 1}, {41, 1}})) << "A2 then F2";
  EXPECT_EQ(drone, (std::vector<std::pair<int, int>>{{45, 2}})) << "the tonic stays: one note";
}

TEST(MusicComposer, MissingEmbellishmentFallsBackToNormalOrFails) {
  Inputs in =
      Parse(oneBass, "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nsignpost Am groups 1\n",
            "template \"t\"\nlength 2\nsignpost 1 group 1\ncommand 1 end groove 50\n");
  ASSERT_TRUE(Compose(in));

  in.style.patterns[0].embellishment = Embellishment::Fill;
  MusicComposer composer;
  std::unique_ptr<MusicSegment> segment;
  EXPECT_EQ(composer.ComposeSegmentFromTemplate(&in.style, &in.form, 1, &in.map, segment),
            composeMismatch);
  EXPECT_EQ(segment, nullptr);
  EXPECT_NE(composer.LastError().find("'end'"), std::string::npos) << composer.LastError();
}

TEST(MusicComposer, RejectsMissingOrMismatchedInputs) {
  Inputs in =
      Parse(oneBass, "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nsignpost Am groups 1\n",
            "template \"t\"\nlength 2\nsignpost 1 group 2\n");
  MusicComposer composer;
  std::unique_ptr<MusicSegment> segment;
  EXPECT_EQ(composer.ComposeSegmentFromTemplate(nullptr, &in.form, 1, &in.map, segment),
            composeInvalidArgument);
  EXPECT_EQ(composer.ComposeSegmentFromTemplate(&in.style, &in.form, 4, &in.map, segment),
            composeInvalidArgument);
  EXPECT_EQ(composer.ComposeSegmentFromTemplate(&in.style, &in.form, 1, &in.map, segment),
            composeMismatch)
      << "no signpost chord of group 2";
  EXPECT_NE(composer.LastError().find("group 2"), std::string::npos);
  in.form.signposts[0].group = 1;
  in.form.beatsPerMeasure = 3;
  EXPECT_EQ(composer.ComposeSegmentFromTemplate(&in.style, &in.form, 1, &in.map, segment),
            composeMismatch);
  EXPECT_EQ(segment, nullptr);
}

} // namespace
} // namespace ruzoz::music::test
