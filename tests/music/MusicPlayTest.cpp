#include "audio/Music.h"
#include "audio/MusicComposer.h"
#include "audio/MusicLoader.h"
#include "audio/MusicPerformance.h"
#include "audio/Sound.h"
#include "platform/Audio.h"
#include "ports/Texts.h"
#include "support/FakeAudioOutput.h"
#include "support/FakeSynth.h"
#include "support/Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace ruzoz::music {
namespace {

using testsupport::FakeAudioOutput;
using testsupport::FakeSynth;
using testsupport::SynthCall;

// floor(beat * 16537.5): the frame of a beat at 160 bpm and 44.1 kHz.
std::uint64_t Beat160(std::uint64_t beat) { return beat * 33075 / 2; }
std::uint64_t UpToBlock(std::uint64_t frame, std::uint64_t block) {
  return (frame + block - 1) / block * block;
}

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

void Pull(MixSource &source, std::uint64_t frames, int chunk = 441,
          std::vector<float> *out = nullptr) {
  std::vector<float> buffer(2 * static_cast<std::size_t>(chunk));
  for (std::uint64_t done = 0; done < frames;) {
    const int n = static_cast<int>(std::min<std::uint64_t>(std::uint64_t(chunk), frames - done));
    source.MixInto(buffer.data(), n);
    if (out != nullptr)
      out->insert(out->end(), buffer.begin(), buffer.begin() + 2 * n);
    done += static_cast<std::uint64_t>(n);
  }
}

std::vector<std::uint64_t> NoteOnFrames(const std::vector<SynthCall> &log) {
  std::vector<std::uint64_t> frames;
  for (const SynthCall &call : log)
    if (call.kind == SynthCall::On)
      frames.push_back(call.frame);
  return frames;
}

class Performance : public testing::Test {
protected:
  MusicPerformance &Make(int block) {
    log.clear();
    performance = std::make_unique<MusicPerformance>(std::make_unique<FakeSynth>(log, block));
    return *performance;
  }
  std::vector<SynthCall> log;
  std::unique_ptr<MusicPerformance> performance;
};

TEST_F(Performance, TheLaterOfSegmentTempoAndPerformanceTempoWins) {
  MusicSegment segment = BeatSegment(4, 120.0);
  // A beat at 160 is 16537.5 frames: the half frame is dropped, never accumulated.
  const std::vector<std::uint64_t> at120 = {0, 22050, 44100, 66150},
                                   at160 = {0, 16537, 33075, 49612};
  const struct {
    bool tempoFirst, segmentTempo;
    const std::vector<std::uint64_t> &on;
  } cases[] = {{true, true, at120}, {true, false, at160}, {false, true, at160}};
  for (const auto &c : cases) {
    MusicPerformance &p = Make(1);
    segment.tempoEnabled = c.segmentTempo;
    if (c.tempoFirst)
      p.SetTempo(160.0);
    p.PlaySegment(segment);
    if (!c.tempoFirst)
      p.SetTempo(160.0);
    Pull(p, 4 * 22050);
    EXPECT_EQ(NoteOnFrames(log), c.on) << c.tempoFirst << c.segmentTempo;
    EXPECT_FALSE(p.IsPlaying()) << "no repeats: the segment ended";
  }
  // Mid-segment, the new tempo takes over from where the music is.
  MusicPerformance &p = Make(1);
  p.PlaySegment(segment);
  Pull(p, 44100);
  p.SetTempo(160.0);
  Pull(p, 2 * 16538);
  EXPECT_EQ(NoteOnFrames(log), (std::vector<std::uint64_t>{0, 22050, 44100, 60637}));
}

TEST_F(Performance, ABlockedSynthHearsEveryEventAtTheNextBlockBoundaryWhateverTheChunks) {
  MusicSegment segment = BeatSegment(9, 160.0);
  std::vector<SynthCall> reference;
  for (int chunk : {441, 64, 1000, 37}) {
    MusicPerformance &p = Make(64);
    p.PlaySegment(segment);
    Pull(p, Beat160(10), chunk);
    const std::vector<std::uint64_t> on = NoteOnFrames(log);
    ASSERT_EQ(on.size(), 9u);
    for (std::uint64_t beat = 0; beat < 9; ++beat)
      EXPECT_EQ(on[beat], UpToBlock(Beat160(beat), 64)) << beat;
    if (reference.empty())
      reference = log;
    EXPECT_EQ(log, reference) << "chunks of " << chunk;
  }
}

TEST_F(Performance, RepeatsFollowEachOtherWithoutAGap) {
  MusicSegment segment;
  segment.lengthTicks = 3 * ticksPerBeat; // each repetition ends on a half frame
  segment.events = {{0, EventType::NoteOn, 0, 60, 90},
                    {segment.lengthTicks, EventType::NoteOff, 0, 60, 0}};
  segment.tempo = 160.0;
  segment.SetRepeats(2);
  MusicPerformance &p = Make(1);
  p.PlaySegment(segment);
  Pull(p, Beat160(10));
  const std::uint64_t b3 = Beat160(3), b6 = Beat160(6), b9 = Beat160(9);
  EXPECT_EQ(log, (std::vector<SynthCall>{{SynthCall::AllOff, 0, -1, -1, 0},
                                         {SynthCall::On, 0, 0, 60, 90},
                                         {SynthCall::Off, b3, 0, 60, 0},
                                         {SynthCall::On, b3, 0, 60, 90},
                                         {SynthCall::Off, b6, 0, 60, 0},
                                         {SynthCall::On, b6, 0, 60, 90},
                                         {SynthCall::Off, b9, 0, 60, 0}}));
  EXPECT_FALSE(p.IsPlaying());
}

TEST_F(Performance, ConnectedHandOversTakeTheOutputsLock) {
  FakeAudioOutput output;
  MusicSegment segment = BeatSegment(4, 160.0);
  {
    MusicPerformance &p = Make(64);
    p.PlaySegment(segment);
    EXPECT_EQ(output.locks, 0);
    p.Connect(output);
    EXPECT_EQ(output.music, &p);
    p.PlaySegment(segment);
    p.SetTempo(160.0);
    EXPECT_EQ(output.locks, 2);
    EXPECT_EQ(output.lockDepth, 0);
    std::vector<float> out(2 * 441);
    output.Mix(out.data(), 441);
    EXPECT_EQ(out[0], FakeSynth::level);
    performance.reset();
  }
  EXPECT_EQ(output.music, nullptr) << "a performance gone renders no more";
}

// ------------------------------------------------------------ the music step

class MusicStep : public testing::Test {
protected:
  void SetUp() override {
    for (const char *file : {"Template1.tpl", "Style1.sty", "Chordmap1.cdm"})
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
    return {errorMessage, said};
  }
  void BreakSoundFont() {
    std::ofstream(dir.path() / "broken.sf2") << "not a SoundFont";
    setenv("SDL_SOUNDFONTS", (dir.path() / "broken.sf2").c_str(), 1);
  }

  testsupport::ScratchDir dir;
  testsupport::InDirectory in{dir.path()};
  FakeAudioOutput output;
  std::vector<SynthCall> log;
};

TEST_F(MusicStep, EachFailureStoresItsTextAndTheFirstOneWins) {
  const char *const badStyle = "style \"s\"\npart b channel 1 program 38 mode chord\npattern p\n";
  const char *const badForm = "template \"t\"\nlength 4\nsignpost 1 group 7\n";
  const struct {
    bool synth, instruments;
    const char *gone;         // files removed, ' '-separated
    const char *style, *form; // replace the file
    const char *text, *said;  // stored, and said on stderr
  } cases[] = {
      {false, false, "Template1.tpl", nullptr, nullptr, texts::synthFailed, ""},
      {true, false, "Template1.tpl", nullptr, nullptr, texts::musicFailed, ""},
      {true, true, "Template1.tpl Style1.sty", nullptr, nullptr, texts::musicFailed,
       "Template1.tpl: cannot be opened\n"},
      {true, true, "Style1.sty Chordmap1.cdm", nullptr, nullptr, texts::musicFailed,
       "Style1.sty: cannot be opened\n"},
      {true, true, "Chordmap1.cdm", nullptr, nullptr, texts::musicFailed,
       "Chordmap1.cdm: cannot be opened\n"},
      {true, true, "Chordmap1.cdm", badStyle, nullptr, texts::musicFailed,
       "Style1.sty:3: expected a quoted name\n"},
      {true, true, "", nullptr, badForm, texts::musicFailed,
       "music: the chord map has no signpost chord of group 7\n"},
      {true, true, "", nullptr, nullptr, nullptr, ""},
  };
  for (const auto &c : cases) {
    SetUp();
    std::istringstream gone(c.gone);
    for (std::string file; gone >> file;)
      std::filesystem::remove(file);
    if (c.style)
      std::ofstream("Style1.sty") << c.style;
    if (c.form)
      std::ofstream("Template1.tpl") << c.form;
    std::unique_ptr<FakeSynth> synth = c.synth ? Synth() : nullptr;
    if (synth)
      synth->downloadWorks = c.instruments;
    const auto [text, said] = Init(std::move(synth));
    EXPECT_EQ(text, c.text) << (text ? text : "no text");
    EXPECT_EQ(said, c.said);
    EXPECT_EQ(output.music != nullptr, c.text == nullptr) << "connected only when it plays";
    TearDown();
  }
}

// Counts what reaches `sound`.
struct CountingSound final : Sound {
  void PlayEffect(int) override {}
  void PlayMusic() override { ++restarts; }
  void SetMusicRepeats(unsigned) override {}
  int restarts = 0;
};

TEST_F(MusicStep, PlaysTheComposedSegmentAt160AndRepeatsAndRestartsIt) {
  // The segment's own tempo must neither start nor restart it.
  std::string text = testsupport::ReadText("Template1.tpl");
  text.replace(text.find("tempo 160"), 9, "tempo 100");
  std::ofstream("Template1.tpl", std::ios::trunc) << text;
  // What the step must amount to: the composed segment, 999 repeats, 160 bpm.
  MusicTemplate form;
  MusicStyle style;
  MusicChordMap map;
  MusicSegment segment;
  std::string error;
  ASSERT_TRUE(LoadMusicFile("Template1.tpl", form) && LoadMusicFile("Style1.sty", style) &&
              LoadMusicFile("Chordmap1.cdm", map) &&
              ComposeSegment(style, form, 1, map, segment, error));
  segment.SetRepeats(999);
  segment.DisableTempo();
  std::vector<SynthCall> expected;
  MusicPerformance reference(std::make_unique<FakeSynth>(expected, 64));
  reference.SetTempo(160.0);
  reference.PlaySegment(segment);
  const std::uint64_t loop = Beat160(segment.lengthTicks / ticksPerBeat);
  const std::uint64_t frames = loop + 44100;
  Pull(reference, frames);

  CountingSound counting;
  Sound *const previous = sound;
  sound = &counting;
  ASSERT_EQ(Init(Synth()).first, nullptr);
  sound = previous;
  EXPECT_EQ(counting.restarts, 0) << "the first start is no restart the game asked for";
  ASSERT_NE(output.music, nullptr);
  Pull(*output.music, frames);
  EXPECT_EQ(log, expected) << "once through and into the repeat";

  // A restart ends what sounds and plays once from the beginning, on a block.
  SetMusicSegmentRepeats(0);
  log.clear();
  RestartMusic();
  Pull(*output.music, frames);
  ASSERT_EQ(log.size(), 1 + segment.events.size());
  EXPECT_EQ(log[0], (SynthCall{SynthCall::AllOff, frames, -1, -1, 0}));
  for (std::size_t i = 1; i < log.size(); ++i) {
    SynthCall shifted = expected[i];
    shifted.frame += UpToBlock(frames, 64);
    ASSERT_EQ(log[i], shifted) << i;
  }

  ReleaseMusic();
  EXPECT_EQ(output.music, nullptr);
  RestartMusic(); // nothing to restart
  SetMusicSegmentRepeats(3);
}

// Start-up reads the SoundFont ahead, on a thread; the music step takes it.
TEST_F(MusicStep, APreparedSynthPlaysSampleForSampleAsAFreshOne) {
  std::vector<float> prepared, fresh;
  platform::PrepareSynth();
  platform::PrepareSynth(); // a second call keeps the first preparation
  for (std::vector<float> *out : {&prepared, &fresh}) {
    const auto [text, said] = Init(platform::TakeSynth());
    ASSERT_EQ(text, nullptr) << said;
    EXPECT_EQ(said, "");
    Pull(*output.music, 3 * 44100, 441, out);
    ReleaseMusic();
  }
  EXPECT_TRUE(prepared == fresh);
  EXPECT_GT(*std::max_element(fresh.begin(), fresh.end()), 0.01f) << "and audible";
}

TEST_F(MusicStep, AnUnusableSoundFontFailsAtTheMusicStepNotBefore) {
  BreakSoundFont();
  testing::internal::CaptureStderr();
  platform::PrepareSynth();
  // What the thread met stays unsaid until the step that owns it.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string early = testing::internal::GetCapturedStderr();
  EXPECT_EQ(early.find("broken.sf2"), std::string::npos) << early;
  EXPECT_EQ(early.find("fluidsynth"), std::string::npos) << early;
  const auto [text, said] = Init(platform::TakeSynth());
  EXPECT_EQ(text, texts::musicFailed);
  EXPECT_NE(said.find("broken.sf2: not a usable SoundFont"), std::string::npos) << said;

  // An untaken preparation is dropped, and a fresh one follows.
  unsetenv("SDL_SOUNDFONTS");
  platform::PrepareSynth();
  platform::DiscardPreparedSynth();
  platform::DiscardPreparedSynth();
  BreakSoundFont();
  EXPECT_EQ(Init(platform::TakeSynth()).first, texts::musicFailed) << "not the dropped one";
}

TEST(MusicSoundFont, EnvironmentEntriesComeFirstThenDebiansDefaults) {
  testsupport::ScratchDir dir;
  const std::string mine = (dir.path() / "mine.sf2").string();
  const std::string missing = (dir.path() / "missing.sf2").string();
  std::ofstream(mine) << "x";
  const std::string fallback = platform::FindSoundFont(nullptr);
  ASSERT_EQ(fallback.rfind("/usr/share/sounds/sf2/", 0), 0u) << "install timgm6mb-soundfont";
  const std::pair<std::string, std::string> cases[] = {
      {missing + ":" + mine, mine},
      {dir.path().string() + ":" + mine, mine}, // a folder is no SoundFont
      {missing, fallback},
      {"", fallback},
  };
  for (const auto &[list, found] : cases)
    EXPECT_EQ(platform::FindSoundFont(list.c_str()), found) << list;
}

} // namespace
} // namespace ruzoz::music
