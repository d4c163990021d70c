#pragma once
// Plays a segment through a synthesizer. The sequencer runs inside the
// output's mixing (MixInto), so only the mixing thread touches the synth;
// the game thread hands over play and tempo under the output's lock.

#include "audio/MusicModel.h"
#include "ports/Sound.h"

#include <cstdint>
#include <memory>

namespace ruzoz::music {

class MusicPerformance final : public MixSource {
public:
  explicit MusicPerformance(std::unique_ptr<Synth> synth);
  ~MusicPerformance() override;
  MusicPerformance(const MusicPerformance &) = delete;
  MusicPerformance &operator=(const MusicPerformance &) = delete;

  // Game thread. Configures the synth (a refusal is no failure) and loads
  // its instruments; false when there are none.
  bool LoadInstruments();
  // From now on `output` pulls the music, and hand-overs take its lock.
  void Connect(AudioOutput &output);
  // Afterwards nothing renders; safe when not connected.
  void Disconnect();
  // Starts `segment` from its beginning in place of the one playing, with
  // the segment's repeat count and, if enabled, its own tempo. The segment
  // must outlive its playing.
  void PlaySegment(const MusicSegment &segment);
  void SetTempo(double beatsPerMinute);

  // Mixing thread (or a test with no output): `frames` stereo frames.
  void MixInto(float *out, int frames) override;

  // Mixing-thread state, for tests.
  bool IsPlaying() const { return segment_ != nullptr; }

private:
  void Lock();
  void Unlock();
  void TakeHandOvers();
  std::uint64_t FrameOf(std::uint64_t tick) const;
  std::uint64_t TickAt(std::uint64_t frame) const;
  void Dispatch(const MusicEvent &event);
  void Advance();

  std::unique_ptr<Synth> synth_;
  AudioOutput *output_ = nullptr;

  // Handed over under the lock; the order numbers say which came last.
  std::uint64_t handOverCount_ = 0;
  bool playPending_ = false;
  std::uint64_t playOrder_ = 0;
  const MusicSegment *pendingSegment_ = nullptr;
  unsigned pendingRepeats_ = 0;
  std::uint32_t pendingSegmentTempo_ = 0; // 0: the segment's tempo is off
  std::uint32_t pendingTempo_ = 0;
  std::uint64_t tempoOrder_ = 0;

  // Mixing thread only.
  std::uint64_t frame_ = 0;
  const MusicSegment *segment_ = nullptr;
  unsigned repeatsLeft_ = 0;
  std::size_t eventIndex_ = 0;
  std::uint64_t repetitionTick_ = 0; // ticks from the anchor to this repetition
  std::uint64_t anchorFrame_ = 0;
  std::uint64_t anchorTick_ = 0;
  std::uint32_t beatMicroseconds_ = 500000;
};

} // namespace ruzoz::music
