#include "shell/Recorder.h"

namespace ruzoz::replay {

bool RecordingVideo::LoadImage(const char *fileName, Surface &out) {
  return inner_ != nullptr && inner_->LoadImage(fileName, out);
}

void RecordingVideo::ReleaseImage(Surface &surface) {
  if (inner_ != nullptr)
    inner_->ReleaseImage(surface);
}

void RecordingVideo::SetColorKey(Surface &surface) {
  if (inner_ != nullptr)
    inner_->SetColorKey(surface);
}

void RecordingVideo::Blit(const Surface &image, int x, int y, const SourceRect *cell, int glyph) {
  if (count_ < capacity)
    draws_[count_++] = DrawCall{image.number, x, y, glyph};
  else
    ++overflow_;
  if (inner_ != nullptr && drawBlits_)
    inner_->Blit(image, x, y, cell, glyph);
}

void RecordingVideo::Flip() {
  if (inner_ != nullptr)
    inner_->Flip();
}

void RecordingSound::PlayEffect(int index) {
  if (count_ < capacity)
    effects_[count_++] = index;
  if (inner_ != nullptr)
    inner_->PlayEffect(index);
}

void RecordingSound::PlayMusic() {
  ++musicRestarts_;
  if (inner_ != nullptr)
    inner_->PlayMusic();
}

void RecordingSound::SetMusicRepeats(unsigned repeats) {
  lastRepeats_ = repeats;
  if (inner_ != nullptr)
    inner_->SetMusicRepeats(repeats);
}

} // namespace ruzoz::replay
