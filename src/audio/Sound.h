#pragma once
// The game's sound requests. They go to `sound`, which is the audio
// subsystem's own (effect buffers and music) unless a tool wrapped it.

#include "ports/Sound.h"

#include <memory>

namespace ruzoz {

enum SoundEffectIndex : int {
  sfxGunShot = 0,
  sfxDrip = 1,
  sfxSchaden = 2,
  sfxGet = 3,
  sfxKollision = 4,
};

// Never null.
extern Sound *sound;

void PlaySoundEffect(int index);
// Plays the composed music segment from its beginning.
void PlayMusic();
// Repeat count of the composed segment.
void SetMusicRepeats(unsigned repeats);

// Start-up steps. InitSound: the output and the five effect buffers.
// InitMusic: reads the three music files, composes and starts playing on
// `output` with `synth` (null when none could be made); a synth without
// instruments leaves the game without music, which is no failure. Both false
// with errorMessage set; nothing is undone (the release steps do that).
bool InitSound(AudioOutput &output);
void ReleaseSound();
bool InitMusic(std::unique_ptr<Synth> synth, AudioOutput &output);
void ReleaseMusic();

} // namespace ruzoz
