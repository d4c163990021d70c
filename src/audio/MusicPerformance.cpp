#include "audio/MusicPerformance.h"

#include <algorithm>
#include <cmath>

namespace ruzoz::music {

namespace {

using Wide = unsigned __int128;

constexpr std::uint64_t microsecondsPerSecond = 1000000;

std::uint32_t BeatMicrosecondsOf(double bpm) {
  const double micro = std::round(60.0e6 / bpm);
  return static_cast<std::uint32_t>(std::clamp(micro, 1.0e4, 1.0e7));
}

} // namespace

MusicPerformance::MusicPerformance(std::unique_ptr<Synth> synth) : synth_(std::move(synth)) {}

MusicPerformance::~MusicPerformance() { Disconnect(); }

bool MusicPerformance::LoadInstruments() {
  synth_->Configure();
  return synth_->DownloadInstruments();
}

void MusicPerformance::Connect(AudioOutput &output) {
  output_ = &output;
  output.SetMusicSource(this);
}

void MusicPerformance::Disconnect() {
  if (output_ == nullptr)
    return;
  output_->SetMusicSource(nullptr);
  output_ = nullptr;
}

void MusicPerformance::Lock() {
  if (output_ != nullptr)
    output_->Lock();
}

void MusicPerformance::Unlock() {
  if (output_ != nullptr)
    output_->Unlock();
}

void MusicPerformance::PlaySegment(const MusicSegment &segment) {
  Lock();
  playPending_ = true;
  playOrder_ = ++handOverCount_;
  pendingSegment_ = segment.events.empty() ? nullptr : &segment;
  pendingRepeats_ = segment.repeats;
  pendingSegmentTempo_ = segment.tempoEnabled ? BeatMicrosecondsOf(segment.tempo) : 0;
  Unlock();
}

void MusicPerformance::SetTempo(double beatsPerMinute) {
  if (!(beatsPerMinute > 0.0))
    return;
  Lock();
  pendingTempo_ = BeatMicrosecondsOf(beatsPerMinute);
  tempoOrder_ = ++handOverCount_;
  Unlock();
}

std::uint64_t MusicPerformance::FrameOf(std::uint64_t tick) const {
  if (tick <= anchorTick_)
    return anchorFrame_;
  const Wide scaled = Wide(tick - anchorTick_) * beatMicroseconds_ * mixRate;
  return anchorFrame_ +
         static_cast<std::uint64_t>(scaled / (Wide(ticksPerBeat) * microsecondsPerSecond));
}

std::uint64_t MusicPerformance::TickAt(std::uint64_t frame) const {
  if (frame <= anchorFrame_)
    return anchorTick_;
  const Wide scaled = Wide(frame - anchorFrame_) * ticksPerBeat * microsecondsPerSecond;
  return anchorTick_ + static_cast<std::uint64_t>(scaled / (Wide(beatMicroseconds_) * mixRate));
}

void MusicPerformance::TakeHandOvers() {
  const bool tempo = pendingTempo_ != 0;
  if (!playPending_ && !tempo)
    return;
  const auto applyPlay = [this] {
    synth_->AllNotesOff();
    segment_ = pendingSegment_;
    if (segment_ == nullptr)
      return;
    // Start on a block boundary so every restart lines up with the synth the same way.
    const std::uint64_t block = static_cast<std::uint64_t>(synth_->BlockFrames());
    anchorFrame_ = (frame_ + block - 1) / block * block;
    anchorTick_ = 0;
    repetitionTick_ = 0;
    eventIndex_ = 0;
    repeatsLeft_ = pendingRepeats_;
    if (pendingSegmentTempo_ != 0)
      beatMicroseconds_ = pendingSegmentTempo_;
  };
  const auto applyTempo = [this] {
    if (segment_ != nullptr && frame_ > anchorFrame_) {
      anchorTick_ = TickAt(frame_);
      anchorFrame_ = frame_;
    }
    beatMicroseconds_ = pendingTempo_;
  };
  if (tempo && playPending_ && tempoOrder_ < playOrder_) {
    applyTempo();
    applyPlay();
  } else {
    if (playPending_)
      applyPlay();
    if (tempo)
      applyTempo();
  }
  playPending_ = false;
  pendingSegment_ = nullptr;
  pendingTempo_ = 0;
}

void MusicPerformance::Dispatch(const MusicEvent &event) {
  switch (event.type) {
  case EventType::NoteOff:
    synth_->NoteOff(event.channel, event.data1);
    break;
  case EventType::Program:
    synth_->ProgramChange(event.channel, event.data1);
    break;
  case EventType::Control:
    synth_->ControlChange(event.channel, event.data1, event.data2);
    break;
  case EventType::NoteOn:
    synth_->NoteOn(event.channel, event.data1, event.data2);
    break;
  }
}

void MusicPerformance::Advance() {
  if (++eventIndex_ < segment_->events.size())
    return;
  if (repeatsLeft_ == 0) {
    segment_ = nullptr;
    return;
  }
  --repeatsLeft_;
  eventIndex_ = 0;
  repetitionTick_ += segment_->lengthTicks;
}

void MusicPerformance::MixInto(float *out, int frames) {
  TakeHandOvers();
  const std::uint64_t block = static_cast<std::uint64_t>(synth_->BlockFrames());
  int done = 0;
  while (done < frames) {
    std::uint64_t chunk = static_cast<std::uint64_t>(frames - done);
    if (segment_ != nullptr) {
      const MusicEvent &event = segment_->events[eventIndex_];
      // The synth hears events only between its blocks: hold each to the next boundary.
      const std::uint64_t due = (FrameOf(repetitionTick_ + event.tick) + block - 1) / block * block;
      if (due <= frame_) {
        Dispatch(event);
        Advance();
        continue;
      }
      chunk = std::min(chunk, due - frame_);
    }
    synth_->Render(out + 2 * done, static_cast<int>(chunk));
    frame_ += chunk;
    done += static_cast<int>(chunk);
  }
}

} // namespace ruzoz::music
