#include "Sounds.h"

#include "Synth.h"

#include <cmath>

namespace soundgen {

namespace {

std::size_t FramesOf(double seconds, int rate) { return std::size_t(seconds * rate); }

} // namespace

Clip MakeDrip() {
  Clip clip{"drip.wav", 44100, 1, {}};
  const double rate = clip.rate;
  const std::size_t frames = FramesOf(0.26, clip.rate);
  clip.samples.resize(frames);
  double phase = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = i / rate;
    // A fast warble on a falling sweep is what reads as a laser.
    const double frequency = Glide(3400, 300, 0.24, t) * (1 + 0.06 * std::sin(2 * pi * 48 * t));
    phase += 2 * pi * frequency / rate;
    const double tone = std::sin(phase) + 0.4 * std::sin(3 * phase) + 0.18 * std::sin(5 * phase) +
                        0.25 * std::sin(2 * phase + 0.5);
    clip.samples[i] = float(tone * Decay(0.32, t));
  }
  Finish(clip.samples, 1, clip.rate, -4.0, 0.002, 0.02);
  return clip;
}

Clip MakeSchaden() {
  Clip clip{"Schaden.wav", 44100, 2, {}};
  const double rate = clip.rate;
  const std::size_t frames = FramesOf(0.8, clip.rate);
  clip.samples.resize(frames * 2);
  Noise mid(0x5c4ade11), side(0x0b00f5e7), crackle(0x00c0ffee);
  OnePole left1, left2, right1, right2;
  double thumpPhase = 0, grain = 1;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = i / rate;
    // Rough grain: the burst's loudness jumps about 80 times a second.
    if (i % std::size_t(rate / 80) == 0)
      grain = 0.55 + 0.45 * std::fabs(crackle.White());
    const double m = mid.White(), s = 0.35 * side.White();
    const double cutoff = Glide(7000, 220, 0.6, t);
    const double burst = grain * Decay(0.7, t) * std::min(1.0, t / 0.004);
    const double l = left2.Run(left1.Run(m + s, rate, cutoff), rate, cutoff) * burst;
    const double r = right2.Run(right1.Run(m - s, rate, cutoff), rate, cutoff) * burst;
    thumpPhase += 2 * pi * Glide(110, 38, 0.3, t) / rate;
    const double thump = std::sin(thumpPhase) * Decay(0.45, t);
    // Soft saturation gives the burst weight without a higher peak.
    clip.samples[2 * i] = float(std::tanh(2.2 * (1.1 * l + 0.9 * thump)));
    clip.samples[2 * i + 1] = float(std::tanh(2.2 * (1.1 * r + 0.9 * thump)));
  }
  Finish(clip.samples, 2, clip.rate, -2.0, 0.0015, 0.04);
  return clip;
}

Clip MakeGet() {
  Clip clip{"Get.wav", 44100, 1, {}};
  const double rate = clip.rate;
  const std::size_t frames = FramesOf(0.56, clip.rate);
  clip.samples.assign(frames, 0.0f);
  // C6 E6 G6 C7, one every 55 ms.
  const double notes[] = {1046.5, 1318.5, 1568.0, 2093.0};
  for (int n = 0; n < 4; ++n) {
    const std::size_t start = FramesOf(0.055 * n, clip.rate);
    for (std::size_t i = start; i < frames; ++i) {
      const double t = (i - start) / rate;
      const double w = 2 * pi * notes[n] * t;
      // Partials die faster the higher they are: a struck, bell-like tone.
      const double tone = std::sin(w) * Decay(0.4, t) + 0.35 * std::sin(2 * w) * Decay(0.22, t) +
                          0.12 * std::sin(3 * w) * Decay(0.12, t) +
                          0.06 * std::sin(4.2 * w) * Decay(0.07, t);
      const double attack = t < 0.003 ? 0.5 - 0.5 * std::cos(pi * t / 0.003) : 1.0;
      clip.samples[i] += float(tone * attack * (0.8 + 0.07 * n));
    }
  }
  Finish(clip.samples, 1, clip.rate, -5.0, 0.002, 0.03);
  return clip;
}

Clip MakeKollision() {
  Clip clip{"Kollision.wav", 22050, 1, {}};
  const double rate = clip.rate;
  const std::size_t frames = FramesOf(0.34, clip.rate);
  clip.samples.resize(frames);
  Noise noise(0x00b0b0b0);
  Biquad knock = Biquad::BandPass(rate, 900, 2.5);
  // Modes of a hollow shell: inharmonic, the low one lasting longest.
  const double ratio[] = {1.0, 2.31, 3.87, 5.52};
  const double level[] = {1.0, 0.5, 0.28, 0.16};
  const double decay[] = {0.24, 0.15, 0.09, 0.05};
  double phase[4] = {};
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = i / rate;
    // The pitch sags a little right after the impact: a bump, not a bell.
    const double base = 135 * (1 + 0.18 * Decay(0.04, t));
    double body = 0;
    for (int m = 0; m < 4; ++m) {
      phase[m] += 2 * pi * base * ratio[m] / rate;
      body += level[m] * std::sin(phase[m]) * Decay(decay[m], t);
    }
    const double hit = t < 0.006 ? noise.White() * std::sin(pi * t / 0.006) : 0.0;
    clip.samples[i] = float(body + 1.5 * knock.Run(hit));
  }
  Finish(clip.samples, 1, clip.rate, -3.0, 0.001, 0.03);
  return clip;
}

Clip MakeGunShot() {
  Clip clip{"GunShot.wav", 22050, 2, {}};
  const double rate = clip.rate;
  const std::size_t frames = FramesOf(0.45, clip.rate);
  clip.samples.resize(frames * 2);
  Noise mid(0x00005407), side(0x0000a11e);
  Biquad crackL = Biquad::HighPass(rate, 1800, 0.7), crackR = Biquad::HighPass(rate, 1800, 0.7);
  Biquad bodyL = Biquad::LowPass(rate, 650, 0.9), bodyR = Biquad::LowPass(rate, 650, 0.9);
  double phase = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = i / rate;
    const double m = mid.White(), s = 0.25 * side.White();
    phase += 2 * pi * Glide(95, 52, 0.2, t) / rate;
    const double boom = std::sin(phase) * Decay(0.25, t);
    const double crack = Decay(0.07, t), body = Decay(0.35, t);
    clip.samples[2 * i] =
        float(crack * crackL.Run(m + s) + 1.6 * body * bodyL.Run(m + s) + 0.7 * boom);
    clip.samples[2 * i + 1] =
        float(crack * crackR.Run(m - s) + 1.6 * body * bodyR.Run(m - s) + 0.7 * boom);
  }
  Finish(clip.samples, 2, clip.rate, -3.0, 0.001, 0.04);
  return clip;
}

std::vector<Clip> MakeAllSounds() {
  std::vector<Clip> all;
  all.push_back(MakeGunShot());
  all.push_back(MakeDrip());
  all.push_back(MakeSchaden());
  all.push_back(MakeGet());
  all.push_back(MakeKollision());
  return all;
}

} // namespace soundgen
