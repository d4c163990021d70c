#pragma once
// The one audio output of the game: an SDL device whose callback mixes the
// music (rendered on the audio thread) and the sound effects.

namespace ruzoz::platform {

// The mix runs in stereo float at this rate; SDL converts for the device.
constexpr int mixRate = 44100;
constexpr int mixChannels = 2;

// Pulled on the audio thread before the effects are added: write `frames`
// interleaved stereo float frames into `out` (which holds silence).
using MusicRenderer = void (*)(float *out, int frames, void *context);

// Installs or removes (null) the music source. Safe while the device runs.
void SetMusicRenderer(MusicRenderer renderer, void *context);

// Serialise the game thread's hand-overs with the audio callback.
void LockAudio();
void UnlockAudio();

} // namespace ruzoz::platform
