#pragma once
// The sound output and the music's synthesizer, as every platform gives
// them (SDL's audio device or the page's audio, FluidSynth either way).

#include "ports/Sound.h"
#include "ports/SoundFonts.h"

#include <memory>
#include <string>
#include <vector>

namespace ruzoz::platform {

// The effects' and the music's one output.
AudioOutput &DeviceAudioOutput();
// Starts making the synth and reading the SoundFont on a thread of its own.
void PrepareSynth();
// The prepared synth (or a new one); null when FluidSynth can't make one.
std::unique_ptr<Synth> TakeSynth();
// Waits for a preparation TakeSynth() did not take, and drops it.
void DiscardPreparedSynth();
// The SoundFont search is the same everywhere (ports/SoundFonts.h).
using ruzoz::FindSoundFont;

} // namespace ruzoz::platform
