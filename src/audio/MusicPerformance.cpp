#include "audio/MusicPerformance.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace ruzoz::music {

namespace {

using Wide = unsigned __int128;

constexpr std::uint64_t microsecondsPerSecond = 1000000;

std::uint32_t BeatMicrosecondsOf(double bpm) {
  const double micro = std::round(60.0e6 / bpm);
  return static_cast<std::uint32_t>(std::clamp(micro, 1.0e4, 1.0e7));
}

} // namespace

MusicPerformance::MusicPerformance(std::unique_ptr<MusicSynth> synth) : synth_(std::move(synth)) {}

MusicPerformance::~MusicPerformance() { CloseDown(); }

bool MusicPerformance::Init() { return synth_->Configure(); }

bool MusicPerformance::SetAutoDownload(bool on) {
  if (on && !instruments_)
    instruments_ = synth_->DownloadInstruments();
  return !on || instruments_;
}

void MusicPerformance::AddPort(const MusicPort &port) {
  if (connected_ || port.connect == nullptr)
    return;
  port_ = port;
  port_.connect(&MusicPerformance::RenderInto, this);
  connected_ = true;
}

void MusicPerformance::Lock() {
  if (connected_ && port_.lock)
    port_.lock();
}

void MusicPerformance::Unlock() {
  if (connected_ && port_.unlock)
    port_.unlock();
}

void MusicPerformance::PlaySegment(const MusicSegment &segment) {
  Lock();
  transport_ = Transport::Play;
  transportOrder_ = ++handOverCount_;
  pendingSegment_ = segment.events.empty() ? nullptr : &segment;
  pendingRepeats_ = segment.repeats;
  pendingSegmentTempo_ = segment.tempoEnabled ? BeatMicrosecondsOf(segment.tempo) : 0;
  Unlock();
}

void MusicPerformance::Stop() {
  Lock();
  transport_ = Transport::Stop;
  transportOrder_ = ++handOverCount_;
  pendingSegment_ = nullptr;
  Unlock();
}

std::unique_ptr<TempoMessage> MusicPerformance::AllocTempoMessage() {
  return std::unique_ptr<TempoMessage>(new (std::nothrow) TempoMessage());
}

void MusicPerformance::SendTempoMessage(std::unique_ptr<TempoMessage> message) {
  if (!message || !(message->tempo > 0.0))
    return;
  Lock();
  pendingTempo_ = BeatMicrosecondsOf(message->tempo);
  tempoOrder_ = ++handOverCount_;
  Unlock();
}

void MusicPerformance::CloseDown() {
  if (connected_) {
    port_.connect(nullptr, nullptr);
    connected_ = false;
  }
  // No audio thread runs us any more.
  segment_ = nullptr;
  pendingSegment_ = nullptr;
  transport_ = Transport::None;
  pendingTempo_ = 0;
}

std::uint64_t MusicPerformance::FrameOf(std::uint64_t tick) const {
  if (tick <= anchorTick_)
    return anchorFrame_;
  const Wide scaled = Wide(tick - anchorTick_) * beatMicroseconds_ * performanceRate;
  return anchorFrame_ +
         static_cast<std::uint64_t>(scaled / (Wide(ticksPerBeat) * microsecondsPerSecond));
}

std::uint64_t MusicPerformance::TickAt(std::uint64_t frame) const {
  if (frame <= anchorFrame_)
    return anchorTick_;
  const Wide scaled = Wide(frame - anchorFrame_) * ticksPerBeat * microsecondsPerSecond;
  return anchorTick_ +
         static_cast<std::uint64_t>(scaled / (Wide(beatMicroseconds_) * performanceRate));
}

void MusicPerformance::TakeHandOvers() {
  const bool tempo = pendingTempo_ != 0;
  if (transport_ == Transport::None && !tempo)
    return;
  const auto applyTransport = [this] {
    synth_->AllNotesOff();
    segment_ = transport_ == Transport::Play ? pendingSegment_ : nullptr;
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
  if (tempo && transport_ != Transport::None && tempoOrder_ < transportOrder_) {
    applyTempo();
    applyTransport();
  } else {
    if (transport_ != Transport::None)
      applyTransport();
    if (tempo)
      applyTempo();
  }
  transport_ = Transport::None;
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

void MusicPerformance::Render(float *out, int frames) {
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

void MusicPerformance::RenderInto(float *out, int frames, void *context) {
  static_cast<MusicPerformance *>(context)->Render(out, frames);
}

} // namespace ruzoz::music
