#pragma once

namespace ruzoz {

enum SoundEffectIndex : int {
  sfxGunShot = 0,
  sfxDrip = 1,
  sfxSchaden = 2,
  sfxGet = 3,
  sfxKollision = 4,
};

void PlaySoundEffect(int index);
// Plays the composed music segment from its beginning.
void PlayMusic();
// Repeat count of the composed segment.
void SetMusicRepeats(unsigned repeats);

// Filled in by the audio devices once they exist. Each may be null.
struct AudioHooks {
  void (*playEffect)(int index) = nullptr;
  void (*playMusic)() = nullptr;
  void (*setMusicRepeats)(unsigned repeats) = nullptr;
};
extern AudioHooks audioHooks;

// See every effect and music restart the game asks for (the replay trace).
extern void (*soundObserver)(int index);
extern void (*musicObserver)();

} // namespace ruzoz
