#include "MusicTestSupport.h"

#include "audio/MusicComposer.h"

#include <gtest/gtest.h>

namespace ruzoz::music::test {
namespace {

class PerformanceTest : public testing::Test {
protected:
  MusicPerformance &Make(int block) {
    performance = std::make_unique<MusicPerformance>(std::make_unique<FakeSynth>(log, block));
    return *performance;
  }

  void Tempo(double bpm) {
    auto message = performance->AllocTempoMessage();
    ASSERT_TRUE(message);
    message->tempo = bpm;
    performance->SendTempoMessage(std::move(message));
  }

  std::vector<std::uint64_t> Frames(SynthCall::Kind kind) const {
    std::vector<std::uint64_t> frames;
    for (const SynthCall &call : log)
      if (call.kind == kind)
        frames.push_back(call.frame);
    return frames;
  }

  std::vector<SynthCall> log;
  std::unique_ptr<MusicPerformance> performance;
};

TEST_F(PerformanceTest, BeatsAt160FallOnExactSampleFrames) {
  MusicSegment segment = BeatSegment(9, 120.0);
  MusicPerformance &p = Make(1);
  p.PlaySegment(segment);
  segment.DisableTempo();
  Tempo(160.0);
  RenderFrames(p, BeatFrame160(10), 441);
  const std::vector<std::uint64_t> on = Frames(SynthCall::On);
  ASSERT_EQ(on.size(), 9u);
  // A beat is 16537.5 frames: the half frame is dropped, never accumulated.
  EXPECT_EQ(on[1], 16537u);
  EXPECT_EQ(on[2], 33075u);
  EXPECT_EQ(on[3], 49612u);
  for (std::uint64_t beat = 0; beat < 9; ++beat)
    EXPECT_EQ(on[beat], BeatFrame160(beat)) << beat;
  EXPECT_EQ(p.BeatMicroseconds(), 375000u);
  EXPECT_FALSE(p.IsPlaying()) << "no repeats: the segment ended";
}

TEST_F(PerformanceTest, SegmentTempoHoldsUntilSwitchedOffAndTheLaterHandOverWins) {
  MusicSegment segment = BeatSegment(3, 120.0);
  MusicPerformance &p = Make(1);
  Tempo(160.0);
  p.PlaySegment(segment); // its own tempo comes later
  RenderFrames(p, 3 * 22050, 441);
  EXPECT_EQ(Frames(SynthCall::On), (std::vector<std::uint64_t>{0, 22050, 44100}));

  log.clear();
  MusicPerformance &q = Make(1);
  Tempo(160.0);
  segment.DisableTempo();
  q.PlaySegment(segment);
  RenderFrames(q, 3 * 22050, 441);
  EXPECT_EQ(Frames(SynthCall::On), (std::vector<std::uint64_t>{0, 16537, 33075}));
}

TEST_F(PerformanceTest, TempoChangeMidSegmentTakesOverFromWhereItIs) {
  MusicSegment segment = BeatSegment(5, 120.0);
  MusicPerformance &p = Make(1);
  p.PlaySegment(segment);
  RenderFrames(p, 44100, 441); // two beats at 120
  Tempo(160.0);
  RenderFrames(p, 3 * 16538, 441);
  EXPECT_EQ(Frames(SynthCall::On),
            (std::vector<std::uint64_t>{0, 22050, 44100, 44100 + 16537, 44100 + 33075}));
}

TEST_F(PerformanceTest, ABlockedSynthHearsEachEventAtTheNextBlockBoundary) {
  MusicSegment segment = BeatSegment(9, 160.0);
  MusicPerformance &p = Make(64);
  p.PlaySegment(segment);
  RenderFrames(p, BeatFrame160(10), 441);
  const std::vector<std::uint64_t> on = Frames(SynthCall::On);
  ASSERT_EQ(on.size(), 9u);
  for (std::uint64_t beat = 0; beat < 9; ++beat)
    EXPECT_EQ(on[beat], RoundUpToBlock(BeatFrame160(beat), 64)) << beat;
  for (const SynthCall &call : log)
    EXPECT_EQ(call.frame % 64, 0u);
}

TEST_F(PerformanceTest, CallbackSizeDoesNotChangeWhatIsPlayedWhen) {
  const MusicStyle style = ShippedStyle();
  const MusicChordMap map = ShippedChordMap();
  const MusicTemplate form = ShippedTemplate();
  MusicComposer composer;
  std::unique_ptr<MusicSegment> segment;
  ASSERT_EQ(composer.ComposeSegmentFromTemplate(&style, &form, 1, &map, segment), composeOk);
  std::vector<SynthCall> reference;
  for (int chunk : {441, 64, 1000, 37}) {
    log.clear();
    MusicPerformance &p = Make(64);
    p.PlaySegment(*segment);
    Tempo(160.0);
    RenderFrames(p, 16 * 44100, chunk);
    ASSERT_GT(log.size(), 500u);
    if (reference.empty())
      reference = log;
    else
      EXPECT_EQ(log, reference) << "chunks of " << chunk;
  }
}

TEST_F(PerformanceTest, PlayingAgainRestartsFromTheBeginning) {
  MusicSegment segment = BeatSegment(8, 160.0);
  MusicPerformance &p = Make(64);
  p.PlaySegment(segment);
  RenderFrames(p, 57330, 441); // 1.3 s, inside beat 3
  const std::vector<SynthCall> first(log.begin(), log.end());
  log.clear();
  p.PlaySegment(segment);
  RenderFrames(p, 6 * 16538, 441);
  ASSERT_GE(log.size(), first.size());
  EXPECT_EQ(log.front(), (SynthCall{SynthCall::AllOff, 57330, -1, -1, 0}))
      << "the notes of the old start end at once";
  const std::uint64_t start = RoundUpToBlock(57330, 64);
  EXPECT_EQ(p.SegmentStartFrame(), start);
  // After that, the same calls as the first start, shifted to the new start.
  for (std::size_t i = 1; i < first.size(); ++i) {
    SynthCall shifted = first[i];
    shifted.frame += start;
    EXPECT_EQ(log[i], shifted) << i;
  }
}

TEST_F(PerformanceTest, RepeatsFollowEachOtherWithoutAGap) {
  MusicSegment segment;
  segment.lengthTicks = 3 * ticksPerBeat; // 3 beats: each repetition ends on a half frame
  segment.events = {{0, EventType::Program, 0, 81, 0},
                    {0, EventType::NoteOn, 0, 60, 90},
                    {segment.lengthTicks, EventType::NoteOff, 0, 60, 0}};
  segment.tempo = 160.0;
  segment.SetRepeats(2);
  MusicPerformance &p = Make(1);
  p.PlaySegment(segment);
  RenderFrames(p, BeatFrame160(10), 441);
  std::vector<SynthCall> notes;
  for (const SynthCall &call : log)
    if (call.kind == SynthCall::On || call.kind == SynthCall::Off)
      notes.push_back(call);
  const std::uint64_t b3 = BeatFrame160(3), b6 = BeatFrame160(6), b9 = BeatFrame160(9);
  EXPECT_EQ(b3, 49612u);
  EXPECT_EQ(notes, (std::vector<SynthCall>{{SynthCall::On, 0, 0, 60, 90},
                                           {SynthCall::Off, b3, 0, 60, 0},
                                           {SynthCall::On, b3, 0, 60, 90},
                                           {SynthCall::Off, b6, 0, 60, 0},
                                           {SynthCall::On, b6, 0, 60, 90},
                                           {SynthCall::Off, b9, 0, 60, 0}}))
      << "three plays, each release right before the next start";
  EXPECT_FALSE(p.IsPlaying());
}

TEST_F(PerformanceTest, StopEndsTheNotesAndTheSequence) {
  MusicSegment segment = BeatSegment(8, 160.0);
  MusicPerformance &p = Make(64);
  p.PlaySegment(segment);
  RenderFrames(p, 20000, 441);
  p.Stop();
  const std::size_t before = log.size();
  RenderFrames(p, 100000, 441);
  ASSERT_EQ(log.size(), before + 1);
  EXPECT_EQ(log.back().kind, SynthCall::AllOff);
  EXPECT_FALSE(p.IsPlaying());

  MusicSegment empty;
  p.PlaySegment(empty);
  RenderFrames(p, 1000, 441);
  EXPECT_FALSE(p.IsPlaying()) << "nothing to play";
}

int locks = 0;
int unlocks = 0;
MusicRenderFunction connected = nullptr;
void *connectedContext = nullptr;

TEST_F(PerformanceTest, AfterAddPortHandOversTakeTheLockAndCloseDownDisconnects) {
  locks = unlocks = 0;
  MusicPort port;
  port.connect = [](MusicRenderFunction render, void *context) {
    connected = render;
    connectedContext = context;
  };
  port.lock = [] { ++locks; };
  port.unlock = [] { ++unlocks; };
  MusicSegment segment = BeatSegment(4, 160.0);
  MusicPerformance &p = Make(64);
  p.PlaySegment(segment);
  EXPECT_EQ(locks, 0) << "no audio thread yet";
  p.AddPort(port);
  ASSERT_NE(connected, nullptr);
  EXPECT_EQ(connectedContext, &p);
  p.PlaySegment(segment);
  Tempo(160.0);
  p.Stop();
  EXPECT_EQ(locks, 3);
  EXPECT_EQ(unlocks, 3);
  p.PlaySegment(segment);
  std::vector<float> buffer(2 * 441);
  connected(buffer.data(), 441, connectedContext);
  EXPECT_TRUE(p.IsPlaying());
  EXPECT_EQ(buffer[0], 0.25f) << "the synth's output";
  p.CloseDown();
  EXPECT_EQ(connected, nullptr);
  EXPECT_FALSE(p.IsPlaying());
}

} // namespace
} // namespace ruzoz::music::test
