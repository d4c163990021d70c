#pragma once
// The one audio output of the game: an SDL device whose callback mixes the
// music (rendered on the audio thread) and the sound effects.

namespace ruzoz::platform {

// The mix runs in stereo float at this rate; SDL converts for the device.
constexpr int mixRate = 44100;
constexpr int mixChannels = 2;
// Frames per callback: 10 ms, the most an effect waits for the mix.
constexpr int mixFrames = 441;

// Pulled on the audio thread before the effects are added: write `frames`
// interleaved stereo float frames into `out` (which holds silence).
using MusicRenderer = void (*)(float *out, int frames, void *context);

// Installs or removes (null) the music source. Safe while the device runs.
void SetMusicRenderer(MusicRenderer renderer, void *context);

// Serialise the game thread's hand-overs with the audio callback.
void LockAudio();
void UnlockAudio();

// Opens the default output device and starts its callback; false when there
// is none. Brings up SDL's audio subsystem on first use.
bool OpenAudioDevice();
// Closes the device (waiting for its callback to end) and the subsystem.
void CloseAudioDevice();
// Closes the device and opens the default one again, keeping the subsystem.
bool ReopenAudioDevice();
// The open device's id as SDL names it in device events; 0 when closed.
unsigned AudioDeviceId();
// True when the opened device runs exactly the mix format.
bool AudioDeviceTakesMix();
// The device went away: marked by a removal event, or SDL stopped it.
void MarkAudioDeviceLost();
bool AudioDeviceLost();

// One callback's work: silence, the music, then the effects, clamped.
void MixOutput(float *out, int frames);

} // namespace ruzoz::platform
