#pragma once
// What the game asks of its sound (effects and music restarts), and what the
// audio subsystem needs from an output device and a synthesizer. The
// platform implements AudioOutput and Synth; the audio subsystem implements
// Sound, which the replay tool wraps to see every request.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ruzoz {

class Sound {
public:
  virtual ~Sound() = default;
  virtual void PlayEffect(int index) = 0;
  // The composed music from its beginning.
  virtual void PlayMusic() = 0;
  virtual void SetMusicRepeats(unsigned repeats) = 0;
};

// The 18-byte wave-format record of a "fmt " chunk.
struct WaveFormat {
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSec = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
};
constexpr std::uint16_t waveFormatPcm = 1;
constexpr std::uint16_t waveFormatFloat = 3;
constexpr std::int32_t waveFormatBytes = 18;

// The mix: interleaved stereo float frames at this rate.
constexpr int mixRate = 44100;
constexpr int mixChannels = 2;

// Pulled on the output's thread, lock held, for `frames` frames of `out`:
// the music first, into silence (it may overwrite), then the effects, which
// add to what is there.
class MixSource {
public:
  virtual ~MixSource() = default;
  virtual void MixInto(float *out, int frames) = 0;
};

// One pull of the output: silence, the music, then the effects, clamped to
// -1..1. Either source may be null.
void MixOutput(float *out, int frames, MixSource *music, MixSource *effects);

// The one audio output. Its thread mixes silence, the music source, then
// the effects source (MixOutput), while holding the lock.
class AudioOutput {
public:
  virtual ~AudioOutput() = default;
  // Opens the default output and starts mixing; false when there is none.
  virtual bool Open() = 0;
  // True when the opened output takes the mix as it is.
  virtual bool AcceptsMix() = 0;
  virtual void Close() = 0;
  // The output went away; Reopen brings the default output back.
  virtual bool IsLost() = 0;
  virtual bool Reopen() = 0;
  // Sample data of `format` into interleaved stereo float at the mix rate.
  virtual bool CanConvert(const WaveFormat &format) = 0;
  virtual bool Convert(const WaveFormat &format, const std::uint8_t *bytes, std::uint32_t count,
                       std::vector<float> &out) = 0;
  // Installs (or removes, null) what the mixing thread pulls.
  virtual void SetMusicSource(MixSource *source) = 0;
  virtual void SetEffectsSource(MixSource *source) = 0;
  // Serialise with the mixing thread.
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
  // For an output that mixes the effects away from the game (the page's
  // audio thread): a voice's converted samples, once, and each start of a
  // voice from its beginning, named by its samples. The effects source
  // still keeps their positions.
  virtual void VoiceLoaded(const float *samples, std::size_t frames) {
    static_cast<void>(samples);
    static_cast<void>(frames);
  }
  virtual void VoiceStarted(const float *samples) { static_cast<void>(samples); }
};

// The music's instruments. Only the mixing thread plays it once the music
// is connected to an output.
class Synth {
public:
  virtual ~Synth() = default;
  // Gain, reverb and chorus; false if the synth refused them.
  virtual bool Configure() = 0;
  // Loads the instruments; false when there are none to be had.
  virtual bool DownloadInstruments() = 0;
  virtual void NoteOn(int channel, int key, int velocity) = 0;
  virtual void NoteOff(int channel, int key) = 0;
  virtual void ProgramChange(int channel, int program) = 0;
  virtual void ControlChange(int channel, int controller, int value) = 0;
  virtual void AllNotesOff() = 0;
  // Interleaved stereo, overwriting `out`.
  virtual void Render(float *out, int frames) = 0;
  // Events take effect only at multiples of this many rendered frames.
  virtual int BlockFrames() const = 0;
};

} // namespace ruzoz
