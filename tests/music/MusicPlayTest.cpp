#include "audio/Music.h"
#include "audio/MusicComposer.h"
#include "audio/MusicLoader.h"
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
#include <thread>
#include <tuple>

namespace ruzoz::music {
namespace {

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
