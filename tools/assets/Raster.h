// Small raster toolkit of the art generator: float pictures, hashed noise,
// distance primitives and the dithered quantiser. Deterministic everywhere:
// every random value is a hash of integer coordinates and a fixed seed.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace art {

constexpr float kPi = 3.14159265358979f;

struct Rgb {
  float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
inline float Length(Rgb c) { return std::sqrt(c.r * c.r + c.g * c.g + c.b * c.b); }

// A picture of float RGB pixels, row 0 at the top as seen.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  Image() = default;
  Image(int w, int h, Rgb fill = {}) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  Rgb& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  const Rgb& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline float Saturate(float v) { return Clamp(v, 0.0f, 1.0f); }
inline float SmoothStep(float a, float b, float x) {
  const float t = Saturate((x - a) / (b - a));
  return t * t * (3 - 2 * t);
}

// Integer hashes (a 32-bit mix of the lowbias family).
inline std::uint32_t Hash(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}
inline std::uint32_t Hash(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  return Hash(static_cast<std::uint32_t>(x) * 0x9e3779b1U ^ Hash(static_cast<std::uint32_t>(y) + seed * 0x85ebca6bU));
}
// Uniform in [0, 1).
inline float Unit(std::uint32_t h) { return static_cast<float>(h >> 8) * (1.0f / 16777216.0f); }
// Uniform in [-1, 1).
inline float Signed(std::uint32_t h) { return Unit(h) * 2 - 1; }

// A little sequential generator for scattering things (fibres, scratches).
struct Rng {
  std::uint32_t state;
  explicit Rng(std::uint32_t seed) : state(seed) {}
  float Next() {
    state = Hash(state + 0x6d2b79f5U);
    return Unit(state);
  }
  float Range(float a, float b) { return a + (b - a) * Next(); }
};

// Value noise in [-1, 1] on an integer lattice, quintic interpolation.
inline float ValueNoise(float x, float y, std::uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
  ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
  const float a = Signed(Hash(ix, iy, seed)), b = Signed(Hash(ix + 1, iy, seed));
  const float c = Signed(Hash(ix, iy + 1, seed)), d = Signed(Hash(ix + 1, iy + 1, seed));
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Value noise that repeats every `period` lattice cells along x.
inline float PeriodicNoise(float x, float y, int period, std::uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  auto wrap = [period](int v) { return ((v % period) + period) % period; };
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
  ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
  const int x0 = wrap(ix), x1 = wrap(ix + 1);
  const float a = Signed(Hash(x0, iy, seed)), b = Signed(Hash(x1, iy, seed));
  const float c = Signed(Hash(x0, iy + 1, seed)), d = Signed(Hash(x1, iy + 1, seed));
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Fractal sum of PeriodicNoise: `cells` lattice cells per period at the
// first octave, doubling with each octave.
inline float PeriodicFbm(float x, float y, int cells, int octaves, std::uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * PeriodicNoise(x, y, cells, seed + 101u * static_cast<std::uint32_t>(i));
    norm += amp;
    x *= 2;
    y *= 2;
    cells *= 2;
    amp *= 0.5f;
  }
  return sum / norm;
}

// Fractal sum of value noise, roughly in [-1, 1].
inline float Fbm(float x, float y, int octaves, std::uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * ValueNoise(x, y, seed + 101u * static_cast<std::uint32_t>(i));
    norm += amp;
    x = x * 2.03f + 17.1f;
    y = y * 2.03f + 5.3f;
    amp *= 0.5f;
  }
  return sum / norm;
}

// Distance primitives (pixels).
inline float SegmentDistance(float px, float py, float ax, float ay, float bx, float by) {
  const float vx = bx - ax, vy = by - ay, wx = px - ax, wy = py - ay;
  const float len2 = vx * vx + vy * vy;
  const float t = len2 > 0 ? Saturate((wx * vx + wy * vy) / len2) : 0.0f;
  const float dx = wx - vx * t, dy = wy - vy * t;
  return std::sqrt(dx * dx + dy * dy);
}

// Distance to the circular arc about (cx, cy) of radius r running counter-
// clockwise from angle a0 to a1 (degrees, a0 < a1 <= a0 + 360).
inline float ArcDistance(float px, float py, float cx, float cy, float r, float a0, float a1) {
  const float dx = px - cx, dy = py - cy;
  float theta = std::atan2(dy, dx) * (180.0f / kPi);
  while (theta < a0) theta += 360.0f;
  while (theta >= a0 + 360.0f) theta -= 360.0f;
  if (theta <= a1) return std::fabs(std::sqrt(dx * dx + dy * dy) - r);
  const float r0 = a0 * (kPi / 180.0f), r1 = a1 * (kPi / 180.0f);
  const float ex0 = cx + r * std::cos(r0) - px, ey0 = cy + r * std::sin(r0) - py;
  const float ex1 = cx + r * std::cos(r1) - px, ey1 = cy + r * std::sin(r1) - py;
  return std::sqrt(std::min(ex0 * ex0 + ey0 * ey0, ex1 * ex1 + ey1 * ey1));
}

inline float RingDistance(float px, float py, float cx, float cy, float r) {
  return std::fabs(std::hypot(px - cx, py - cy) - r);
}

// Signed distance to a rounded rectangle centred at (cx, cy), half sizes hw, hh, corner radius rad.
inline float RoundRectDistance(float px, float py, float cx, float cy, float hw, float hh, float rad) {
  const float qx = std::fabs(px - cx) - hw + rad, qy = std::fabs(py - cy) - hh + rad;
  const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - rad;
}

// Bilinear sample with wrapping, in pixel coordinates (pixel centres at i + 0.5).
inline Rgb SampleWrap(const Image& img, float x, float y) {
  x -= 0.5f;
  y -= 0.5f;
  const float fx = std::floor(x), fy = std::floor(y);
  const float tx = x - fx, ty = y - fy;
  auto wrap = [](int v, int n) { return ((v % n) + n) % n; };
  const int x0 = wrap(static_cast<int>(fx), img.width), x1 = wrap(static_cast<int>(fx) + 1, img.width);
  const int y0 = wrap(static_cast<int>(fy), img.height), y1 = wrap(static_cast<int>(fy) + 1, img.height);
  return Mix(Mix(img.At(x0, y0), img.At(x1, y0), tx), Mix(img.At(x0, y1), img.At(x1, y1), tx), ty);
}

// Quantises one channel to 8 bits with triangular dither of one step, so
// that smooth gradients show no bands.
inline std::uint8_t Quantise(float v, int x, int y, int channel, std::uint32_t seed) {
  const std::uint32_t h = Hash(x, y * 4 + channel, seed);
  const float dither = Unit(h) - Unit(Hash(h ^ 0x5bd1e995U));
  const float q = std::floor(v * 255.0f + 0.5f + dither);
  return static_cast<std::uint8_t>(Clamp(q, 0.0f, 255.0f));
}

}  // namespace art
