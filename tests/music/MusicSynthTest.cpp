#include "MusicTestSupport.h"

#include "audio/MusicComposer.h"
#include "platform/MusicSynth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace ruzoz::music::test {
namespace {

constexpr std::uint64_t rate = performanceRate;

TEST(MusicSoundFont, EnvironmentEntriesComeFirstThenDebiansDefaults) {
  TempDir dir;
  const std::string mine = (dir.Path() / "mine.sf2").string();
  std::ofstream(mine) << "x";
  const std::string missing = (dir.Path() / "missing.sf2").string();
  EXPECT_EQ(platform::FindSoundFont((missing + ":" + mine).c_str()), mine);
  EXPECT_EQ(platform::FindSoundFont((dir.Path().string() + ":" + mine).c_str()), mine)
      << "a directory is no SoundFont";
  const std::string fallback = platform::FindSoundFont(nullptr);
  EXPECT_EQ(platform::FindSoundFont(missing.c_str()), fallback);
  EXPECT_EQ(platform::FindSoundFont(""), fallback);
  ASSERT_FALSE(fallback.empty()) << "install timgm6mb-soundfont";
  EXPECT_EQ(fallback.rfind("/usr/share/sounds/sf2/", 0), 0u);
}

std::unique_ptr<MusicPerformance> FluidPerformance() {
  auto synth = platform::CreateMusicSynth();
  if (!synth)
    return nullptr;
  auto performance = std::make_unique<MusicPerformance>(std::move(synth));
  if (!performance->Init() || !performance->SetAutoDownload(true))
    return nullptr;
  return performance;
}

float Peak(const std::vector<float> &samples, std::size_t from, std::size_t to) {
  float peak = 0.0f;
  for (std::size_t i = 2 * from; i < 2 * to && i < samples.size(); ++i)
    peak = std::max(peak, std::fabs(samples[i]));
  return peak;
}

TEST(MusicSynth, KickOnsetsKeepTheBeatAt160) {
  // A dry kick on every beat, velocity 100.
  MusicSegment segment = BeatSegment(12, 160.0, 36);
  segment.events.insert(segment.events.begin() + 1, {0, EventType::Control, 9, 91, 0});
  auto performance = FluidPerformance();
  ASSERT_TRUE(performance);
  performance->PlaySegment(segment);
  std::vector<float> out;
  RenderFrames(*performance, BeatFrame160(12), 441, &out);

  const float peak = Peak(out, 0, out.size() / 2);
  EXPECT_GT(peak, 0.05f) << "audible";
  EXPECT_LT(peak, 1.0f) << "not clipped";
  // Onset: the first frame above a fifth of the loudest, after a quiet stretch.
  std::vector<std::uint64_t> onsets;
  for (std::size_t frame = 0; frame < out.size() / 2; ++frame) {
    const float level = std::max(std::fabs(out[2 * frame]), std::fabs(out[2 * frame + 1]));
    if (level > 0.2f * peak && (onsets.empty() || frame > onsets.back() + rate / 10))
      onsets.push_back(frame);
  }
  ASSERT_EQ(onsets.size(), 12u);
  // Every later kick rings into the tail of the one before, so those are
  // alike to the frame; the first one starts from silence.
  const std::uint64_t first = RoundUpToBlock(BeatFrame160(1), 64);
  for (std::uint64_t beat = 2; beat < 12; ++beat)
    EXPECT_EQ(onsets[beat] - onsets[1], RoundUpToBlock(BeatFrame160(beat), 64) - first) << beat;
  EXPECT_NEAR(double(onsets[1] - onsets[0]), double(first), 16.0);
  const double beatSeconds =
      static_cast<double>(onsets[11] - onsets[1]) / 10.0 / static_cast<double>(rate);
  EXPECT_NEAR(beatSeconds, 0.375, 64.0 / 10.0 / rate);
}

MusicSegment ShippedSegment() {
  const MusicStyle style = ShippedStyle();
  const MusicChordMap map = ShippedChordMap();
  const MusicTemplate form = ShippedTemplate();
  MusicComposer composer;
  std::unique_ptr<MusicSegment> segment;
  EXPECT_EQ(composer.ComposeSegmentFromTemplate(&style, &form, 1, &map, segment), composeOk);
  return segment ? *segment : MusicSegment{};
}

TEST(MusicSynth, OutputIsTheSameWhateverTheCallbackSize) {
  MusicSegment segment = ShippedSegment();
  std::vector<float> first, second;
  for (auto [chunk, out] : {std::pair{441, &first}, std::pair{500, &second}}) {
    auto performance = FluidPerformance();
    ASSERT_TRUE(performance);
    performance->PlaySegment(segment);
    RenderFrames(*performance, 5 * rate, chunk, out);
  }
  ASSERT_EQ(first.size(), second.size());
  EXPECT_TRUE(first == second) << "bit for bit";
}

TEST(MusicSynth, TheRepeatRunsOnWithoutAGapAndNeverClips) {
  MusicSegment segment = ShippedSegment();
  segment.SetRepeats(999);
  auto performance = FluidPerformance();
  ASSERT_TRUE(performance);
  performance->PlaySegment(segment);
  const std::uint64_t loop = BeatFrame160(static_cast<std::uint64_t>(segment.measures) * 4);
  ASSERT_EQ(loop, 2116800u) << "32 measures are 48 s";
  std::vector<float> out;
  RenderFrames(*performance, loop + 2 * rate, 441, &out);
  EXPECT_TRUE(performance->IsPlaying());
  EXPECT_LT(Peak(out, 0, out.size() / 2), 1.0f);
  // Every 20 ms from a second before the loop point to a second after it has sound.
  const std::uint64_t window = rate / 50;
  for (std::uint64_t from = loop - rate; from < loop + rate; from += window) {
    double sum = 0.0;
    for (std::uint64_t i = 2 * from; i < 2 * (from + window); ++i)
      sum += double(out[i]) * out[i];
    const double rms = std::sqrt(sum / double(2 * window));
    EXPECT_GT(rms, 0.01) << "quiet at " << double(from) / rate << " s";
  }
  // The repeat starts as loud as the piece itself did.
  EXPECT_GT(Peak(out, loop, loop + rate / 4), 0.5f * Peak(out, 0, rate / 4));
}

} // namespace
} // namespace ruzoz::music::test
