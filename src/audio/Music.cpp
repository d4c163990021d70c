#include "audio/Music.h"

#include "audio/MusicComposer.h"
#include "audio/MusicLoader.h"
#include "audio/MusicPerformance.h"
#include "audio/Sound.h"
#include "ports/Texts.h"

#include <cstdio>
#include <optional>
#include <string>

namespace ruzoz {

namespace {

constexpr double musicTempo = 160.0;
constexpr unsigned musicRepeats = 999;
constexpr int musicActivity = 1;

// The composed segment and the performance that plays it, from InitMusic
// to ReleaseMusic.
class Music {
public:
  explicit Music(std::unique_ptr<Synth> synth) : performance_(std::move(synth)) {}

  bool LoadInstruments() { return performance_.LoadInstruments(); }

  // Reads the three files from the working directory and composes.
  bool Compose() {
    music::MusicTemplate form;
    music::MusicStyle style;
    music::MusicChordMap chordMap;
    if (!music::LoadMusicFile("Template1.tpl", form) ||
        !music::LoadMusicFile("Style1.sty", style) ||
        !music::LoadMusicFile("Chordmap1.cdm", chordMap))
      return false;
    std::string error;
    if (!music::ComposeSegment(style, form, musicActivity, chordMap, segment_, error)) {
      std::fprintf(stderr, "music: %s\n", error.c_str());
      return false;
    }
    segment_.SetRepeats(musicRepeats);
    return true;
  }

  // The segment's first start comes with its own tempo, which the
  // performance's 160 bpm replaces at once; restarts keep the 160.
  void Start(AudioOutput &output) {
    performance_.Connect(output);
    Restart();
    segment_.DisableTempo();
    performance_.SetTempo(musicTempo);
  }

  void Restart() { performance_.PlaySegment(segment_); }
  void SetRepeats(unsigned repeats) { segment_.SetRepeats(repeats); }

private:
  music::MusicPerformance performance_;
  music::MusicSegment segment_;
};

// Holds a value only while the music plays.
std::optional<Music> playing;

bool Fail(const char *text) {
  errorMessage = text;
  return false;
}

} // namespace

bool InitMusic(std::unique_ptr<Synth> synth, AudioOutput &output) {
  if (!synth)
    return Fail(texts::synthFailed);
  Music &made = playing.emplace(std::move(synth));
  const bool instruments = made.LoadInstruments();
  if (!made.Compose()) {
    playing.reset();
    return Fail(texts::musicFailed);
  }
  // Without instruments (the synth said why) the game plays on in silence:
  // the music calls find nothing to do.
  if (!instruments) {
    playing.reset();
    return true;
  }
  made.Start(output);
  return true;
}

void ReleaseMusic() { playing.reset(); }

void RestartMusic() {
  if (playing)
    playing->Restart();
}

void SetMusicSegmentRepeats(unsigned repeats) {
  if (playing)
    playing->SetRepeats(repeats);
}

} // namespace ruzoz
