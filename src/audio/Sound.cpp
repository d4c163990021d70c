#include "audio/Sound.h"

#include "audio/Music.h"
#include "audio/SoundEffects.h"

namespace ruzoz {

namespace {

// Effects through the effect buffers, music through the music object; each
// silent until its start-up step succeeded.
class AudioSubsystemSound final : public Sound {
public:
  void PlayEffect(int index) override { PlayEffectBuffer(index); }
  void PlayMusic() override { RestartMusic(); }
  void SetMusicRepeats(unsigned repeats) override { SetMusicSegmentRepeats(repeats); }
};

AudioSubsystemSound audioSound;

} // namespace

Sound *sound = &audioSound;

void PlaySoundEffect(int index) { sound->PlayEffect(index); }
void PlayMusic() { sound->PlayMusic(); }
void SetMusicRepeats(unsigned repeats) { sound->SetMusicRepeats(repeats); }

} // namespace ruzoz
