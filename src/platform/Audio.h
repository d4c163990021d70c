#pragma once
// The sound output over SDL2 and the music's synthesizer over FluidSynth.

#include "ports/Sound.h"

#include <memory>
#include <string>
#include <vector>

namespace ruzoz::platform {

// The SDL audio device: the effects' and the music's one output.
AudioOutput &DeviceAudioOutput();
// Starts making the synth and reading the SoundFont on a thread of its own.
void PrepareSynth();
// The prepared synth (or a new one); null when FluidSynth can't make one.
std::unique_ptr<Synth> TakeSynth();
// Waits for a preparation TakeSynth() did not take, and drops it.
void DiscardPreparedSynth();
// Where the SoundFont is looked for: the entries of `environmentList` (the
// value of SDL_SOUNDFONTS, ':'-separated, may be null) when it names any,
// else Debian's default GM SoundFont, TimGM6mb and FluidR3_GM.
std::vector<std::string> SoundFontPlaces(const char *environmentList);
// The first of those that is a file; empty when there is none.
std::string FindSoundFont(const char *environmentList);

// Event handling: an output device went away (SDL's id). When it is the
// open output, the effect buffers count as lost until the next effect is
// played, and the music, which can't wait for that, takes the default output
// at once.
void NoteAudioDeviceRemoved(unsigned deviceId, bool capture);
// Event handling: a device came. Music left without an output gets it back.
void NoteAudioDeviceAdded(bool capture);
// The open output's id as SDL names it in device events; 0 when closed.
unsigned AudioDeviceId();

} // namespace ruzoz::platform
