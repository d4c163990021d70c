#include "MusicTestSupport.h"

#include "audio/MusicLoader.h"
#include "audio/MusicParse.h"

#include <gtest/gtest.h>

#include <fstream>

namespace ruzoz::music::test {
namespace {

TEST(MusicFiles, ShippedPieceIsADrivingMinorPieceAt160) {
  const MusicTemplate form = ShippedTemplate();
  EXPECT_EQ(form.tempo, 160.0);
  EXPECT_EQ(form.beatsPerMeasure, 4);
  EXPECT_GE(form.measures, 16);
  EXPECT_LE(form.measures, 32);
  EXPECT_EQ(form.signposts.front().measure, 1);

  const MusicChordMap map = ShippedChordMap();
  EXPECT_EQ(map.tonic % 12, 9); // A
  EXPECT_EQ(map.scale, 0b010110101101u) << "natural minor";

  const MusicStyle style = ShippedStyle();
  std::vector<std::string> names;
  for (const StylePart &part : style.parts)
    names.push_back(part.name);
  for (const char *wanted : {"drums", "bass", "pad", "lead"})
    EXPECT_NE(std::find(names.begin(), names.end(), wanted), names.end()) << wanted;
  EXPECT_EQ(style.parts[0].channel, 9) << "drums on the GM percussion channel";
  EXPECT_EQ(style.parts[0].mode, PlayMode::Fixed);
  for (Embellishment e : {Embellishment::Normal, Embellishment::Fill, Embellishment::Break,
                          Embellishment::Intro, Embellishment::End})
    EXPECT_TRUE(std::any_of(style.patterns.begin(), style.patterns.end(),
                            [e](const StylePattern &p) { return p.embellishment == e; }));
}

TEST(MusicFiles, ValuesPositionsAndHitsAreRead) {
  const std::string text = "style \"t\"\n"
                           "timesig 3/4\n"
                           "grid 2\n"
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
  ASSERT_TRUE(
      ParseChordMap("chordmap \"m\"\nscale C#3 dorian\nchord X Bb1 0 3 6\nchord Y C#2 0 4 7 "
                    "10\nsignpost Y groups 2 5 cadence X 2 X 4\nlink X Y weight 7 beats 2-6\n",
                    "m.cdm", map, error))
      << error.Text();
  EXPECT_EQ(map.tonic, 49);
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

struct Malformed {
  const char *kind; // sty, cdm, tpl
  const char *text;
  int line;
  const char *message;
};

const char *const styleHead = "style \"s\"\npart bass channel 1 program 38 mode chord\n";

class MalformedFile : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedFile, IsRejectedWithFileAndLine) {
  const Malformed &c = GetParam();
  std::string text = c.text;
  if (std::string(c.kind) == "sty+")
    text = styleHead + text;
  const std::string file = std::string("Broken.") + c.kind;
  MusicParseError error;
  bool ok = false;
  if (c.kind[0] == 's') {
    MusicStyle out;
    ok = ParseStyle(text, file, out, error);
  } else if (c.kind[0] == 'c') {
    MusicChordMap out;
    ok = ParseChordMap(text, file, out, error);
  } else {
    MusicTemplate out;
    ok = ParseTemplate(text, file, out, error);
  }
  ASSERT_FALSE(ok);
  EXPECT_EQ(error.file, file);
  EXPECT_EQ(error.line, c.line) << error.Text();
  EXPECT_NE(error.message.find(c.message), std::string::npos) << error.Text();
  EXPECT_EQ(error.Text().rfind(file + ":" + std::to_string(c.line) + ": ", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedFile,
    testing::Values(
        Malformed{"sty", "", 1, "must start with 'style'"},
        Malformed{"sty", "template \"x\"\n", 1, "must start with 'style'"},
        Malformed{"sty", "\n\nstyle \"s\n", 3, "unterminated"},
        Malformed{"sty", "style\n", 1, "quoted name"},
        Malformed{"sty", "style \"s\"\n# only a comment\n", 2, "no parts"},
        Malformed{"sty+", "pattern \"p\" normal groove 1-50 length 1\n# nothing\n", 3,
                  "no variation"},
        Malformed{"sty+", "tempo 120\n", 3, "unknown statement 'tempo'"},
        Malformed{"sty", "style \"s\"\ntimesig 5/8\n", 2, "time signature"},
        Malformed{"sty+", "timesig 3/4\n", 3, "must come before parts"},
        Malformed{"sty+", "part lead channel 1 program 81 mode chord\n", 3, "channel 1 is used"},
        Malformed{"sty+", "part lead channel 2 program 81 mode loud\n", 3, "mode 'loud'"},
        Malformed{"sty+", "note 1.1.1 1 100 1/0\n", 3, "outside a variation"},
        Malformed{"sty+", "pattern \"p\" normal groove 60-50 length 1\n", 3, "groove range"},
        Malformed{"sty+", "pattern \"p\" chorus groove 1-50 length 1\n", 3, "embellishment"},
        Malformed{"sty+", "pattern \"p\" normal groove 1-50 length 1\nvariation drums fits any\n",
                  4, "unknown part 'drums'"},
        Malformed{"sty+", "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits odd\n", 4,
                  "chord type 'odd'"},
        Malformed{"sty+",
                  "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits any\n\n"
                  "pattern \"q\" normal groove 1-50 length 1\n",
                  4, "has no notes"},
        Malformed{"sty+",
                  "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits any\n"
                  "note 2.1.1 1 100 1/0\n",
                  5, "outside the pattern"},
        Malformed{"sty+",
                  "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits any\n"
                  "note 1.1 1 100 1/0\n",
                  5, "bar.beat.step"},
        Malformed{"sty+",
                  "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits any\n"
                  "note 1.1.1 1 100 1/x\n",
                  5, "octave/position"},
        Malformed{"sty+",
                  "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits any\n"
                  "note 1.1.1 1 0 1/0\n",
                  5, "velocity 0"},
        Malformed{"sty+",
                  "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits any\n"
                  "hits 1/0 x.x.\n",
                  5, "cover 4 grid steps, not 16"},
        Malformed{"sty+",
                  "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits any\n"
                  "hits 1/0 x.x.x.x.x.x.x.y.\n",
                  5, "step mark 'y'"},
        Malformed{"sty+",
                  "pattern \"p\" normal groove 1-50 length 1\nvariation bass fits any\n"
                  "note 1.1.1 1 100 1/0 extra\n",
                  5, "unexpected 'extra'"},
        Malformed{
            "sty+",
            "pattern \"p\" normal groove 1-50 length 1\npart x channel 3 program 1 mode chord\n", 4,
            "parts must come before patterns"},
        Malformed{"sty",
                  "style \"s\"\npart l channel 1 program 1 mode scale\npattern \"p\" normal "
                  "groove 1-9 length 1\nvariation l fits any\nnote 1.1.1 1 9 1/2\n",
                  5, "chord position must be 0"},
        Malformed{"sty", "style \"s\"\ngrid 5\n", 2, "does not divide"},
        Malformed{"cdm", "chordmap \"m\"\nchord Am A1 0 3 7\n", 2, "'scale' must come before"},
        Malformed{"cdm", "chordmap \"m\"\nscale H2 minor\n", 2, "note name"},
        Malformed{"cdm", "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 7 3\n", 3, "rise"},
        Malformed{"cdm", "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nchord Am A1 0 4 7\n",
                  4, "defined twice"},
        Malformed{
            "cdm",
            "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nlink Am Dm weight 1 beats 4-4\n", 4,
            "unknown chord 'Dm'"},
        Malformed{
            "cdm",
            "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nlink Am Am weight 1 beats 4-4\n", 4,
            "itself"},
        Malformed{"cdm",
                  "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nchord F F1 0 4 7\n"
                  "link Am F weight 1 beats 4-4\nlink Am F weight 2 beats 2-4\n",
                  6, "duplicate link"},
        Malformed{
            "cdm",
            "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nlink Am Am weight 1 beats 8-4\n", 4,
            "beats"},
        Malformed{"cdm", "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\nsignpost Am groups\n",
                  4, "no group"},
        Malformed{"cdm",
                  "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\n"
                  "signpost Am groups 1 cadence Am 1 Am 1 Am 1\n",
                  4, "at most two"},
        Malformed{"cdm", "chordmap \"m\"\nscale A2 minor\nchord Am A1 0 3 7\n", 3, "no signpost"},
        Malformed{"tpl", "template \"t\"\nsignpost 1 group 1\n", 2, "'length' must come before"},
        Malformed{"tpl", "template \"t\"\nlength 8\nsignpost 9 group 1\n", 3, "outside 1..8"},
        Malformed{"tpl", "template \"t\"\nlength 8\nsignpost 5 group 1\nsignpost 5 group 2\n", 4,
                  "must rise"},
        Malformed{"tpl", "template \"t\"\nlength 8\ncommand 1 solo groove 5\n", 3,
                  "embellishment 'solo'"},
        Malformed{"tpl", "template \"t\"\ntempo fast\n", 2, "tempo 'fast'"},
        Malformed{"tpl", "template \"t\"\ntempo 160\n\n", 3, "no 'length'"},
        Malformed{"tpl", "template \"t\"\nlength 4", 2, "no signposts"},
        Malformed{"tpl", "template \"t\"\nlength 4\ntemplate \"u\"\n", 3, "duplicate 'template'"}));

class LoaderTest : public testing::Test {
protected:
  void Write(const std::string &name, const std::string &text) {
    std::ofstream(dir.Path() / name, std::ios::binary) << text;
  }
  std::string Path(const std::string &name) { return (dir.Path() / name).string(); }
  TempDir dir;
  MusicLoader loader;
};

TEST_F(LoaderTest, MissingOrMalformedFilesGiveNothingAndSayWhereOnStderr) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(loader.GetObject<MusicStyle>(Path("Style1.sty")), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(Path("Style1.sty")), std::string::npos);

  Write("Template1.tpl", "template \"t\"\nlength 4\nsignpost 1 group 1\ncommand 2 normal groove\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(loader.GetObject<MusicTemplate>(Path("Template1.tpl")), nullptr);
  EXPECT_NE(
      testing::internal::GetCapturedStderr().find(Path("Template1.tpl") + ":4: missing groove"),
      std::string::npos);

  testing::internal::CaptureStderr();
  EXPECT_EQ(loader.GetObject<MusicChordMap>(dir.Path().string()), nullptr) << "a directory";
  testing::internal::GetCapturedStderr();
}

TEST_F(LoaderTest, CacheKeepsWhatWasReadUntilCleared) {
  Write("a.tpl", "template \"a\"\nlength 4\nsignpost 1 group 1\n");
  loader.EnableCache(true);
  const auto first = loader.GetObject<MusicTemplate>(Path("a.tpl"));
  ASSERT_NE(first, nullptr);
  Write("a.tpl", "template \"b\"\nlength 4\nsignpost 1 group 1\n");
  EXPECT_EQ(loader.GetObject<MusicTemplate>(Path("a.tpl")), first);
  loader.ClearCache();
  const auto second = loader.GetObject<MusicTemplate>(Path("a.tpl"));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->name, "b");

  loader.EnableCache(false);
  EXPECT_NE(loader.GetObject<MusicTemplate>(Path("a.tpl")),
            loader.GetObject<MusicTemplate>(Path("a.tpl")));
}

} // namespace
} // namespace ruzoz::music::test
