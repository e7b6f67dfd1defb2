#include "tools/assets/Sound.h"

#include <cmath>

#include "tools/assets/Raster.h"

namespace art {

std::vector<float> MakeClick() {
  const float rate = 44100.0f;
  std::vector<float> out(kClickSamples, 0.0f);
  // Resonances of the leaf and its frame: frequency (Hz), decay time (s), level.
  struct Mode {
    float hz, decay, level;
  };
  static const Mode kModes[] = {{190, 0.012f, 0.22f},  {520, 0.016f, 0.34f},  {1180, 0.011f, 0.48f},
                                {1930, 0.008f, 0.40f}, {2760, 0.006f, 0.30f}, {3950, 0.004f, 0.22f},
                                {5600, 0.0025f, 0.14f}};
  // Two strikes: the leaf hitting the stop, then a lighter rebound.
  struct Strike {
    float at, level, detune;
  };
  static const Strike kStrikes[] = {{0.0012f, 1.0f, 1.0f}, {0.0105f, 0.42f, 1.018f}};
  Rng rng(0xc11c4U);
  for (const Strike& s : kStrikes) {
    // The transient: a very short burst of differentiated noise.
    float previous = 0;
    for (int i = 0; i < kClickSamples; ++i) {
      const float t = i / rate - s.at;
      if (t < 0) continue;
      if (t > 0.004f) break;
      const float noise = rng.Range(-1, 1);
      const float sharp = noise - previous;
      previous = noise;
      out[i] += s.level * 0.55f * sharp * std::exp(-t / 0.00045f);
    }
    for (const Mode& m : kModes) {
      const float phase = rng.Range(0, 2 * kPi);
      const float w = 2 * kPi * m.hz * s.detune;
      for (int i = 0; i < kClickSamples; ++i) {
        const float t = i / rate - s.at;
        if (t < 0) continue;
        const float attack = 1 - std::exp(-t / 0.00008f);
        out[i] += s.level * m.level * attack * std::exp(-t / m.decay) * std::sin(w * t + phase);
      }
    }
  }
  // DC blocker (one pole near 25 Hz).
  float x1 = 0, y1 = 0;
  const float pole = std::exp(-2 * kPi * 25.0f / rate);
  for (float& v : out) {
    const float y = v - x1 + pole * y1;
    x1 = v;
    y1 = y;
    v = y;
  }
  // Fade the tail to silence over the last 20 ms.
  const int fade = static_cast<int>(0.020f * rate);
  for (int i = 0; i < fade; ++i) {
    const float t = static_cast<float>(i) / fade;
    out[kClickSamples - fade + i] *= 0.5f + 0.5f * std::cos(kPi * t);
  }
  // Remove what mean is left, shaped like the sound's own envelope so both
  // ends stay at zero.
  double mean = 0, envelopeSum = 0;
  std::vector<float> envelope(kClickSamples);
  for (int i = 0; i < kClickSamples; ++i) {
    const float t = i / rate;
    envelope[i] = t < 0.0012f ? 0.0f : std::exp(-(t - 0.0012f) / 0.015f) * (i < kClickSamples - fade ? 1.0f : 0.0f);
    mean += out[i];
    envelopeSum += envelope[i];
  }
  for (int i = 0; i < kClickSamples; ++i) out[i] -= static_cast<float>(mean / envelopeSum) * envelope[i];
  float peak = 0;
  for (float v : out) peak = std::max(peak, std::fabs(v));
  for (float& v : out) v *= 0.78f / peak;
  return out;
}

}  // namespace art
