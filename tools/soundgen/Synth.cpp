#include "Synth.h"

#include <algorithm>
#include <cmath>

namespace soundgen {

std::uint32_t Noise::Next() {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

double Noise::White() { return double(Next()) / 2147483648.0 - 1.0; }

namespace {

struct Shape {
  double cosw, alpha;
};

Shape ShapeOf(double rate, double frequency, double q) {
  const double w = 2 * pi * frequency / rate;
  return {std::cos(w), std::sin(w) / (2 * q)};
}

} // namespace

Biquad Biquad::LowPass(double rate, double cutoff, double q) {
  const Shape s = ShapeOf(rate, cutoff, q);
  const double a0 = 1 + s.alpha;
  Biquad f;
  f.b0 = (1 - s.cosw) / 2 / a0;
  f.b1 = (1 - s.cosw) / a0;
  f.b2 = f.b0;
  f.a1 = -2 * s.cosw / a0;
  f.a2 = (1 - s.alpha) / a0;
  return f;
}

Biquad Biquad::HighPass(double rate, double cutoff, double q) {
  const Shape s = ShapeOf(rate, cutoff, q);
  const double a0 = 1 + s.alpha;
  Biquad f;
  f.b0 = (1 + s.cosw) / 2 / a0;
  f.b1 = -(1 + s.cosw) / a0;
  f.b2 = f.b0;
  f.a1 = -2 * s.cosw / a0;
  f.a2 = (1 - s.alpha) / a0;
  return f;
}

Biquad Biquad::BandPass(double rate, double centre, double q) {
  const Shape s = ShapeOf(rate, centre, q);
  const double a0 = 1 + s.alpha;
  Biquad f;
  f.b0 = s.alpha / a0;
  f.b1 = 0;
  f.b2 = -s.alpha / a0;
  f.a1 = -2 * s.cosw / a0;
  f.a2 = (1 - s.alpha) / a0;
  return f;
}

double Biquad::Run(double x) {
  const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
  x2 = x1;
  x1 = x;
  y2 = y1;
  y1 = y;
  return y;
}

double OnePole::Run(double x, double rate, double cutoff) {
  const double k = 1 - std::exp(-2 * pi * cutoff / rate);
  y += k * (x - y);
  return y;
}

double Glide(double from, double to, double seconds, double t) {
  if (t >= seconds)
    return to;
  return from * std::pow(to / from, t / seconds);
}

double Decay(double seconds, double t) { return std::pow(10.0, -3.0 * t / seconds); }

void Finish(std::vector<float> &samples, int channels, int rate, double peakDb, double fadeIn,
            double fadeOut) {
  const std::size_t frames = samples.size() / channels;
  const std::size_t in = std::size_t(fadeIn * rate);
  const std::size_t out = std::size_t(fadeOut * rate);
  for (std::size_t f = 0; f < frames; ++f) {
    double gain = 1;
    if (f < in)
      gain *= 0.5 - 0.5 * std::cos(pi * double(f) / double(in));
    const std::size_t left = frames - 1 - f;
    if (left < out)
      gain *= 0.5 - 0.5 * std::cos(pi * double(left) / double(out));
    for (int c = 0; c < channels; ++c)
      samples[f * channels + c] = float(samples[f * channels + c] * gain);
  }
  float peak = 0;
  for (float s : samples)
    peak = std::max(peak, std::fabs(s));
  if (peak > 0) {
    const double scale = std::pow(10.0, peakDb / 20) / peak;
    for (float &s : samples)
      s = float(s * scale);
  }
}

} // namespace soundgen
