#pragma once
// How every platform's FluidSynth is made and how it sounds. Defaults of
// these changed between FluidSynth versions: pinned, and the same on every
// platform; the page's script only hands them on.

#include "ports/Sound.h"

namespace ruzoz::synthSettings {

// Settings a synth is made with: a synth without them would not be the one
// we play.
struct Creation {
  const char *name;
  bool integer; // fluid_settings_setint, else setnum
  double value;
};
inline constexpr Creation creation[] = {
    {"synth.sample-rate", false, double(mixRate)},
    // Only the mixing thread plays it.
    {"synth.threadsafe-api", true, 0},
    {"synth.polyphony", true, 128},
    {"synth.cpu-cores", true, 1},
    {"synth.reverb.active", true, 1},
    {"synth.chorus.active", true, 1},
    // Every sample in memory at load: none is read while the music plays.
    {"synth.dynamic-sample-loading", true, 0},
};

// Set once the synth is made.
constexpr float gain = 0.4f;
constexpr double reverbRoomSize = 0.55;
constexpr double reverbDamping = 0.35;
constexpr double reverbWidth = 0.8;
constexpr double reverbLevel = 0.55;
constexpr int chorusVoices = 3;
constexpr double chorusLevel = 1.2;
constexpr double chorusSpeed = 0.3;
constexpr double chorusDepthMs = 8.0;
constexpr int chorusSine = 0; // FLUID_CHORUS_MOD_SINE

} // namespace ruzoz::synthSettings
