#include "audio/MusicParse.h"

#include <gtest/gtest.h>

#include <sstream>
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

} // namespace
} // namespace ruzoz::music
