#pragma once
// Small deterministic synthesis kit for the effect sounds: a fixed-seed
// noise source, filters and envelopes. Mono float at a given rate.

#include <cstdint>
#include <vector>

namespace soundgen {

constexpr double pi = 3.14159265358979323846;

// xorshift32: the same stream on every machine and every build.
class Noise {
public:
  explicit Noise(std::uint32_t seed) : state(seed ? seed : 1) {}
  std::uint32_t Next();
  // Uniform in [-1, 1).
  double White();

private:
  std::uint32_t state;
};

// Biquad in direct form I, coefficients after the usual cookbook formulas.
class Biquad {
public:
  static Biquad LowPass(double rate, double cutoff, double q);
  static Biquad HighPass(double rate, double cutoff, double q);
  static Biquad BandPass(double rate, double centre, double q);
  double Run(double x);

private:
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// One-pole low-pass whose cutoff may change every sample.
class OnePole {
public:
  double Run(double x, double rate, double cutoff);

private:
  double y = 0;
};

// Exponential glide from `from` to `to` over `seconds`, then held.
double Glide(double from, double to, double seconds, double t);
// 1 at t = 0 falling by 60 dB over `seconds`.
double Decay(double seconds, double t);

// Scales the sound so that its largest sample is `peakDb` dBFS, then fades
// in over `fadeIn` and out over `fadeOut` seconds with raised-cosine ramps.
void Finish(std::vector<float> &samples, int channels, int rate, double peakDb, double fadeIn,
            double fadeOut);

} // namespace soundgen
