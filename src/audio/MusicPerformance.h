#pragma once
// Plays a segment through a synthesizer. The sequencer runs inside the audio
// callback (Render), so only the audio thread touches the synthesizer; the
// game thread hands over play, stop and tempo under the port's lock.

#include "audio/MusicModel.h"

#include <cstdint>
#include <memory>

namespace ruzoz::music {

constexpr int performanceRate = 44100;

// What the performance drives. Called only from Render once a port exists.
class MusicSynth {
public:
  virtual ~MusicSynth() = default;
  // Gain, reverb and chorus; false if the synth refused them.
  virtual bool Configure() = 0;
  // Loads the instruments; false when there are none to be had.
  virtual bool DownloadInstruments() = 0;
  virtual void NoteOn(int channel, int key, int velocity) = 0;
  virtual void NoteOff(int channel, int key) = 0;
  virtual void ProgramChange(int channel, int program) = 0;
  virtual void ControlChange(int channel, int controller, int value) = 0;
  virtual void AllNotesOff() = 0;
  // Interleaved stereo, overwriting `out`.
  virtual void Render(float *out, int frames) = 0;
  // Events take effect only at multiples of this many rendered frames.
  virtual int BlockFrames() const = 0;
};

using MusicRenderFunction = void (*)(float *out, int frames, void *context);

// The output the performance renders into.
struct MusicPort {
  void (*connect)(MusicRenderFunction render, void *context) = nullptr;
  void (*lock)() = nullptr;
  void (*unlock)() = nullptr;
};

struct TempoMessage {
  double tempo = 0.0; // beats per minute
  bool referenceTime = false;
  std::uint64_t time = 0; // 0: at once
};

class MusicPerformance {
public:
  explicit MusicPerformance(std::unique_ptr<MusicSynth> synth);
  ~MusicPerformance();
  MusicPerformance(const MusicPerformance &) = delete;
  MusicPerformance &operator=(const MusicPerformance &) = delete;

  // Game thread.
  bool Init();
  bool SetAutoDownload(bool on);
  void AddPort(const MusicPort &port);
  // Starts `segment` from its beginning in place of the one playing, with
  // the segment's repeat count and, if enabled, its own tempo.
  void PlaySegment(const MusicSegment &segment);
  void Stop();
  std::unique_ptr<TempoMessage> AllocTempoMessage();
  void SendTempoMessage(std::unique_ptr<TempoMessage> message);
  // Disconnects from the port; afterwards nothing renders.
  void CloseDown();

  // Audio thread (or a test with no port): renders `frames` stereo frames.
  void Render(float *out, int frames);
  static void RenderInto(float *out, int frames, void *context);

  // Audio-thread state, for offline rendering and tests.
  std::uint64_t FramesRendered() const { return frame_; }
  bool IsPlaying() const { return segment_ != nullptr; }
  // Frame (since the synth started) at which the playing segment began.
  std::uint64_t SegmentStartFrame() const { return anchorFrame_; }
  // Microseconds per beat now in force.
  std::uint32_t BeatMicroseconds() const { return beatMicroseconds_; }

private:
  enum class Transport : std::uint8_t { None, Play, Stop };

  void Lock();
  void Unlock();
  void TakeHandOvers();
  std::uint64_t FrameOf(std::uint64_t tick) const;
  std::uint64_t TickAt(std::uint64_t frame) const;
  void Dispatch(const MusicEvent &event);
  void Advance();

  std::unique_ptr<MusicSynth> synth_;
  MusicPort port_;
  bool connected_ = false;
  bool instruments_ = false;

  // Handed over under the lock.
  std::uint64_t handOverCount_ = 0;
  Transport transport_ = Transport::None;
  std::uint64_t transportOrder_ = 0;
  const MusicSegment *pendingSegment_ = nullptr;
  unsigned pendingRepeats_ = 0;
  std::uint32_t pendingSegmentTempo_ = 0; // 0: the segment's tempo is off
  std::uint32_t pendingTempo_ = 0;
  std::uint64_t tempoOrder_ = 0;

  // Audio thread only.
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
