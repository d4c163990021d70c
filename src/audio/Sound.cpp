#include "audio/Sound.h"

namespace ruzoz {

AudioHooks audioHooks;
void (*soundObserver)(int) = nullptr;
void (*musicObserver)() = nullptr;

void PlaySoundEffect(int index) {
  if (soundObserver)
    soundObserver(index);
  if (audioHooks.playEffect)
    audioHooks.playEffect(index);
}

void PlayMusic() {
  if (musicObserver)
    musicObserver();
  if (audioHooks.playMusic)
    audioHooks.playMusic();
}

void SetMusicRepeats(unsigned repeats) {
  if (audioHooks.setMusicRepeats)
    audioHooks.setMusicRepeats(repeats);
}

} // namespace ruzoz
