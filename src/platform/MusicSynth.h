#pragma once
// The music's synthesizer (FluidSynth with a GM SoundFont) and its output on
// the shared audio device. No FluidSynth or SDL types leak out of here.

#include "audio/MusicPerformance.h"

#include <memory>
#include <string>

namespace ruzoz::platform {

// The first existing file among the entries of `environmentList` (the value
// of SDL_SOUNDFONTS, ':'-separated, may be null), Debian's default GM
// SoundFont, TimGM6mb and FluidR3_GM; empty when there is none.
std::string FindSoundFont(const char *environmentList);

// FluidSynth at the mix rate with its own locking off (only the audio thread
// plays it); null when its settings or the synth cannot be created. After
// PrepareMusicSynth() it is the prepared synth, its SoundFont already read
// (DownloadInstruments then gives that result and prints what loading said).
std::unique_ptr<music::MusicSynth> CreateMusicSynth();

// Starts making the synth and reading the SoundFont on a thread of its own.
void PrepareMusicSynth();
// Waits for a preparation CreateMusicSynth() did not take, and drops it.
void DiscardPreparedMusicSynth();

// The shared audio device as the performance's port.
music::MusicPort DeviceMusicPort();

} // namespace ruzoz::platform
