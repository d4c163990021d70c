#pragma once
// Wrappers of the video and sound ports that keep what the game asked for
// since the last Clear(): every blit that reached the screen, every effect
// and every music restart. They forward each call to the port they wrap, so
// a recorded game still draws and sounds. Fixed capacity: nothing is
// allocated while frames run.

#include "ports/Sound.h"
#include "ports/Video.h"

namespace ruzoz::replay {

struct DrawCall {
  int image; // image number, 1..40
  int x, y;
  int glyph; // font code, -1 for a whole image
};

class RecordingVideo final : public Video {
public:
  static constexpr int capacity = 16384;

  // `inner` may be null: then nothing is drawn, only recorded. Without
  // `drawBlits`, blits are recorded and not passed on (nobody looks at the
  // pixels); images and flips still are.
  explicit RecordingVideo(Video *inner = nullptr, bool drawBlits = true)
      : inner_(inner), drawBlits_(drawBlits) {}

  bool LoadImage(const char *fileName, Surface &out) override;
  void ReleaseImage(Surface &surface) override;
  void SetColorKey(Surface &surface) override;
  void Blit(const Surface &image, int x, int y, const SourceRect *cell, int glyph) override;
  void Flip() override;

  const DrawCall *Draws() const { return draws_; }
  int DrawCount() const { return count_; }
  // Draws beyond the capacity are counted here, not kept.
  int Overflow() const { return overflow_; }
  void Clear() { count_ = overflow_ = 0; }

private:
  Video *inner_;
  bool drawBlits_;
  DrawCall draws_[capacity];
  int count_ = 0;
  int overflow_ = 0;
};

class RecordingSound final : public Sound {
public:
  static constexpr int capacity = 8192;

  explicit RecordingSound(Sound *inner = nullptr) : inner_(inner) {}

  void PlayEffect(int index) override;
  void PlayMusic() override;
  void SetMusicRepeats(unsigned repeats) override;

  const int *Effects() const { return effects_; }
  int EffectCount() const { return count_; }
  int MusicRestarts() const { return musicRestarts_; }
  unsigned LastRepeats() const { return lastRepeats_; }
  void Clear() { count_ = musicRestarts_ = 0; }

private:
  Sound *inner_;
  int effects_[capacity];
  int count_ = 0;
  int musicRestarts_ = 0;
  unsigned lastRepeats_ = 0;
};

} // namespace ruzoz::replay
