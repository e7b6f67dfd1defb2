// The clock's glyphs: bold rounded figures built from round-ended strokes
// (segments and circular arcs of one pen width), their colours and their
// cells in the glyph atlas.
#pragma once

#include "tools/assets/Raster.h"

namespace art {

constexpr int kGlyphCount = 13;  // 0..9, then A, M, P
constexpr int kCellWidth = 200;
constexpr int kCellHeight = 288;
constexpr float kPenRadius = 19.0f;  // half the stroke width, in atlas pixels

struct GlyphCell {
  int left;
  int top;
};
// Cell top-left corners in the 2048 x 2048 atlas, from its top-left corner.
constexpr GlyphCell kGlyphCells[kGlyphCount] = {{30, 864},  {30, 1152}, {30, 1440}, {30, 1728},  {420, 0},
                                                {420, 288}, {420, 576}, {420, 864}, {420, 1152}, {420, 1440},
                                                {10, 30},   {24, 318},  {-4, 606}};

// The centreline distance of glyph `g` at (x, y): glyph frame in atlas
// pixels, origin at the cell centre, y up. The stroke covers distances
// below kPenRadius.
inline float GlyphCentrelineDistance(int g, float x, float y) {
  auto seg = [&](float ax, float ay, float bx, float by) { return SegmentDistance(x, y, ax, ay, bx, by); };
  auto arc = [&](float cx, float cy, float r, float a0, float a1) { return ArcDistance(x, y, cx, cy, r, a0, a1); };
  auto ring = [&](float cx, float cy, float r) { return RingDistance(x, y, cx, cy, r); };
  using std::min;
  switch (g) {
    case 0:
      return min(min(arc(0, 39, 47, 0, 180), arc(0, -39, 47, 180, 360)),
                 min(seg(-47, -39, -47, 39), seg(47, -39, 47, 39)));
    case 1:
      return min(seg(10, -86, 10, 86), seg(10, 86, -34, 54));
    case 2:
      return min(min(arc(0, 42, 44, -35, 158), seg(36.04f, 16.76f, -47, -86)), seg(-47, -86, 48, -86));
    case 3:
      return min(min(arc(0, 45, 41, -90, 150), arc(0, -41, 45, -150, 90)), seg(-14, 4, 0, 4));
    case 4:
      return min(min(seg(28, -86, 28, 86), seg(28, 86, -52, -34)), seg(-52, -34, 54, -34));
    case 5:
      return min(min(seg(-40, 86, 44, 86), seg(-40, 86, -40.4f, -9.5f)), arc(2, -36, 50, -140, 148));
    case 6:
      return min(ring(0, -38, 48), arc(76, -34, 124, 108, 180));
    case 7:
      return min(seg(-46, 86, 46, 86), seg(46, 86, -10, -86));
    case 8:
      return min(ring(0, 46, 40), ring(0, -40, 46));
    case 9:
      return min(ring(0, 38, 48), arc(-76, 34, 124, -72, 0));
    case 10:  // A
      return min(min(seg(0, 86, -54, -86), seg(0, 86, 54, -86)), seg(-36, -28, 36, -28));
    case 11:  // M
      return min(min(seg(-54, -86, -54, 86), seg(54, -86, 54, 86)), min(seg(-54, 86, 0, -18), seg(0, -18, 54, 86)));
    case 12: {  // P, its bowl to the right; shifted left to sit optically centred
      const float xs = x + 4;
      return min(min(SegmentDistance(xs, y, -42, -86, -42, 86), SegmentDistance(xs, y, -42, 86, 6, 86)),
                 min(ArcDistance(xs, y, 6, 43, 43, -90, 90), SegmentDistance(xs, y, 6, 0, -42, 0)));
    }
    default:
      return 1e9f;
  }
}

// Signed distance to the glyph outline (negative inside).
inline float GlyphDistance(int g, float x, float y) { return GlyphCentrelineDistance(g, x, y) - kPenRadius; }

// The ink colour of each glyph, scaled so that its length (the tile program's
// mixing weight) sits near 1.1: strong enough to cover the paper.
inline Rgb GlyphInk(int g) {
  static const Rgb kRaw[kGlyphCount] = {
      {0.10f, 0.80f, 0.30f},  // 0 green
      {0.12f, 0.40f, 1.00f},  // 1 blue
      {1.00f, 0.12f, 0.10f},  // 2 red
      {1.00f, 0.80f, 0.06f},  // 3 yellow
      {1.00f, 0.48f, 0.06f},  // 4 orange
      {1.00f, 0.30f, 0.62f},  // 5 pink
      {1.00f, 0.48f, 0.06f},  // 6 orange
      {0.12f, 0.40f, 1.00f},  // 7 blue
      {0.40f, 0.72f, 1.00f},  // 8 light blue
      {0.50f, 0.90f, 0.34f},  // 9 light green
      {0.12f, 0.40f, 1.00f},  // A blue
      {1.00f, 0.12f, 0.10f},  // M red
      {1.00f, 0.12f, 0.10f},  // P red
  };
  const Rgb c = kRaw[g];
  float s = 1.1f / Length(c);
  const float peak = std::max(c.r, std::max(c.g, c.b));
  if (peak * s > 1.0f) s = 1.0f / peak;
  return c * s;
}

}  // namespace art
