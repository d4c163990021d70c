#include "audio/MusicParse.h"

#include <gtest/gtest.h>

namespace ruzoz::music {
namespace {

TEST(MusicFiles, ValuesPositionsAndHitsAreRead) {
  const std::string text = "style \"t\"\ntimesig 3/4\ngrid 2\n"
                           "part drums channel 10 program 0 mode fixed ~v 3\n"
                           "part bass channel 1 program 38 mode chord\n"
                           "part line channel 2 program 81 mode scale\n"
                           "pattern \"p\" fill groove 20-40 length 2\n"
                           "  variation drums fits any\n"
                           "    hits kick X.x...|..o..X vel 110 90 50\n"
                           "    note 2.3.2 1 64 snare ~t 7\n"
                           "  variation bass fits minor sus\n"
                           "    note 1.2.1 3 100 -1/4-2b\n"
                           "  variation line fits major\n"
                           "    note 2.1.2 2 90 2/0+5#\n";
  MusicStyle style;
  MusicParseError error;
  ASSERT_TRUE(ParseStyle(text, "t.sty", style, error)) << error.Text();
  EXPECT_EQ(style.beatsPerMeasure, 3);
  EXPECT_EQ(style.grid, 2);
  ASSERT_EQ(style.patterns.size(), 1u);
  const StylePattern &pattern = style.patterns[0];
  EXPECT_EQ(pattern.embellishment, Embellishment::Fill);
  EXPECT_EQ(pattern.grooveLow, 20);
  EXPECT_EQ(pattern.grooveHigh, 40);

  const auto &drums = pattern.variations[0][0].notes;
  ASSERT_EQ(drums.size(), 5u);
  const int positions[] = {0, 2, 8, 11, 11};
  const int velocities[] = {110, 90, 50, 110, 64};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(drums[i].position, positions[i]) << i;
    EXPECT_EQ(drums[i].velocity, velocities[i]) << i;
    EXPECT_EQ(drums[i].velocityRange, 3) << "the part's default range";
  }
  EXPECT_EQ(drums[0].value.key, 36);
  EXPECT_EQ(drums[4].value.key, 38);
  EXPECT_EQ(drums[4].timeRange, 7);

  const PartVariation &bass = pattern.variations[1][0];
  EXPECT_EQ(bass.fits, unsigned(chordMinor | chordSuspended));
  const StyleNote &b = bass.notes[0];
  EXPECT_EQ(b.position, 2);
  EXPECT_EQ(b.duration, 3);
  EXPECT_EQ(b.value.octave, -1);
  EXPECT_EQ(b.value.chordPosition, 4);
  EXPECT_EQ(b.value.scaleStep, -2);
  EXPECT_EQ(b.value.accidental, -1);
  const StyleNote &l = pattern.variations[2][0].notes[0];
  EXPECT_EQ(l.position, 7);
  EXPECT_EQ(l.value.scaleStep, 5);
  EXPECT_EQ(l.value.accidental, 1);
}

TEST(MusicFiles, ChordMapAndTemplateAreRead) {
  MusicChordMap map;
  MusicParseError error;
  ASSERT_TRUE(ParseChordMap("chordmap \"m\"\nscale C#3 dorian\nchord X Bb1 0 3 6\n"
                            "chord Y C#2 0 4 7 10\nsignpost Y groups 2 5 cadence X 2 X 4\n"
                            "link X Y weight 7 beats 2-6\n",
                            "m.cdm", map, error))
      << error.Text();
  EXPECT_EQ(map.tonic, 49);
  EXPECT_EQ(map.scale, 0b011010101101u) << "dorian";
  EXPECT_EQ(map.chords[0].root, 34);
  EXPECT_EQ(map.chords[0].type, unsigned(chordDiminished));
  EXPECT_EQ(map.chords[1].type, unsigned(chordMajor));
  EXPECT_EQ(map.signposts[0].groups, 0b10010u);
  ASSERT_EQ(map.signposts[0].cadence.size(), 2u);
  EXPECT_EQ(map.signposts[0].cadence[1].beats, 4);
  EXPECT_EQ(map.links[0].minBeats, 2);
  EXPECT_EQ(map.links[0].maxBeats, 6);

  MusicTemplate form;
  ASSERT_TRUE(ParseTemplate("template \"t\"\ntempo 97.5\nlength 12\nsignpost 1 group 3 cadence\n"
                            "signpost 7 group 1\ncommand 2 break groove 70 range 9\n",
                            "t.tpl", form, error))
      << error.Text();
  EXPECT_EQ(form.tempo, 97.5);
  EXPECT_TRUE(form.signposts[0].cadence);
  EXPECT_FALSE(form.signposts[1].cadence);
  EXPECT_EQ(form.commands[0].embellishment, Embellishment::Break);
  EXPECT_EQ(form.commands[0].grooveRange, 9);
}

// kind: 's' a style, 'p' a style after a one-part head, 'c' a chord map, 't' a template.
struct Malformed {
  char kind;
  const char *text;
  int line;
  const char *message;
};

// A pattern with one variation of the head's part, ready for notes.
#define PATTERN "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits any\n"
#define AM "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\n"

const Malformed malformed[] = {
    {'s', "", 1, "must start with 'style'"},
    {'s', "template \"x\"\n", 1, "must start with 'style'"},
    {'s', "\n\nstyle \"s\n", 3, "unterminated"},
    {'s', "style\n", 1, "quoted name"},
    {'s', "style \"s\"\n# only a comment\n", 2, "no parts"},
    {'s', "style \"s\"\ntimesig 5/8\n", 2, "time signature"},
    {'s', "style \"s\"\ngrid 5\n", 2, "does not divide"},
    {'s',
     "style \"s\"\npart l channel 1 program 1 mode scale\npattern \"p\" normal groove 1-9 length "
     "1\nvariation l fits any\nnote 1.1.1 1 9 1/2\n",
     5, "chord position must be 0"},
    {'p', "pattern \"p\" normal groove 1-50 length 1\n# nothing\n", 3, "no variation"},
    {'p', "tempo 120\n", 3, "unknown statement 'tempo'"},
    {'p', "timesig 3/4\n", 3, "must come before parts"},
    {'p', "part lead channel 1 program 81 mode chord\n", 3, "channel 1 is used"},
    {'p', "part lead channel 2 program 81 mode loud\n", 3, "mode 'loud'"},
    {'p', "note 1.1.1 1 100 1/0\n", 3, "outside a variation"},
    {'p', "pattern \"p\" normal groove 60-50 length 1\n", 3, "groove range"},
    {'p', "pattern \"p\" chorus groove 1-50 length 1\n", 3, "embellishment"},
    {'p', "pattern \"p\" normal groove 1-50 length 1\nvariation drums fits any\n", 4,
     "unknown part 'drums'"},
    {'p', "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits odd\n", 4,
     "chord type 'odd'"},
    {'p', PATTERN "\npattern \"q\" normal groove 1-50 length 1\n", 4, "has no notes"},
    {'p', PATTERN "note 2.1.1 1 100 1/0\n", 5, "outside the pattern"},
    {'p', PATTERN "note 1.1 1 100 1/0\n", 5, "bar.beat.step"},
    {'p', PATTERN "note 1.1.1 1 100 1/x\n", 5, "octave/position"},
    {'p', PATTERN "note 1.1.1 1 0 1/0\n", 5, "velocity 0"},
    {'p', PATTERN "hits 1/0 x.x.\n", 5, "cover 4 grid steps, not 16"},
    {'p', PATTERN "hits 1/0 x.x.x.x.x.x.x.y.\n", 5, "step mark 'y'"},
    {'p', PATTERN "note 1.1.1 1 100 1/0 extra\n", 5, "unexpected 'extra'"},
    {'p', "pattern \"p\" normal groove 1-50 length 1\npart x channel 3 program 1 mode chord\n", 4,
     "parts must come before patterns"},
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
    {'c', AM, 3, "no signpost"},
    {'t', "template \"t\"\nsignpost 1 group 1\n", 2, "'length' must come before"},
    {'t', "template \"t\"\nlength 8\nsignpost 9 group 1\n", 3, "outside 1..8"},
    {'t', "template \"t\"\nlength 8\nsignpost 5 group 1\nsignpost 5 group 2\n", 4, "must rise"},
    {'t', "template \"t\"\nlength 8\ncommand 1 solo groove 5\n", 3, "embellishment 'solo'"},
    {'t', "template \"t\"\ntempo fast\n", 2, "tempo 'fast'"},
    {'t', "template \"t\"\ntempo 160\n\n", 3, "no 'length'"},
    {'t', "template \"t\"\nlength 4", 2, "no signposts"},
    {'t', "template \"t\"\nlength 4\ntemplate \"u\"\n", 3, "duplicate 'template'"},
};

#undef PATTERN
#undef AM

TEST(MusicFiles, MalformedFilesAreRejectedWithFileAndLine) {
  for (const Malformed &c : malformed) {
    std::string text = c.text;
    if (c.kind == 'p')
      text = "style \"s\"\npart bass channel 1 program 38 mode chord\n" + text;
    const std::string file = std::string("Broken.") + c.kind;
    MusicParseError error;
    MusicStyle style;
    MusicChordMap map;
    MusicTemplate form;
    const bool ok = c.kind == 'c'   ? ParseChordMap(text, file, map, error)
                    : c.kind == 't' ? ParseTemplate(text, file, form, error)
                                    : ParseStyle(text, file, style, error);
    EXPECT_FALSE(ok) << text;
    EXPECT_EQ(error.Text().rfind(file + ":" + std::to_string(c.line) + ": ", 0), 0u)
        << error.Text() << " for\n"
        << text;
    EXPECT_NE(error.message.find(c.message), std::string::npos) << error.Text();
  }
}

} // namespace
} // namespace ruzoz::music
