#include "clock/FlipTiles.h"

#include <algorithm>
#include <cmath>

#include "clock/ClockState.h"

const GlyphCell GlyphCells[kGlyphCount] = {
    {30, 864},  {30, 1152}, {30, 1440}, {30, 1728},  // 0 1 2 3
    {420, 0},   {420, 288}, {420, 576}, {420, 864},  // 4 5 6 7
    {420, 1152}, {420, 1440},                        // 8 9
    {10, 30},   {24, 318},  {-4, 606},               // A M P
};

const float TileColumns[2][12] = {
    {0, 0, 0, 0, -546, -354, -92, 100, 360, 552, 0, 0},
    {0, 0, 0, 0, -711, -519, -257, -65, 195, 387, 623, 759},
};

float FlapAngle(int slot, double elapsed) {
  const double d = elapsed * 10.0;
  const float angle = static_cast<float>(d * d * FlipAngleFactor(slot));
  return angle >= 180.0f ? 180.0f : angle;
}

void UpdateFlips(double t) {
  for (const FlipGroup& group : kFlipGroups) {
    const int a = group.first;
    const int b = group.second;
    if (Clock.currentDigits[a] == Clock.upcomingDigits[a] &&
        Clock.currentDigits[b] == Clock.upcomingDigits[b]) {
      Clock.flipActive[a] = Clock.flipActive[b] = 0;
    } else if (Clock.flipActive[a] == 0) {
      // A running flip is never restarted: a stall past the half second in
      // which the digits agree leaves the flags up and the new glyph simply
      // appears.
      Clock.flipStart[a] = Clock.flipStart[b] = t;
      Clock.flipActive[a] = Clock.flipActive[b] = 1;
    }
  }
  for (int i = 0; i < kClockSlots; ++i) {
    if (Clock.flipActive[i]) Clock.flipAngle[i] = FlapAngle(i, t - Clock.flipStart[i]);
  }
}

TileKind TileKindOf(int slot) {
  return slot >= 10 ? TileKind{5.0f, -38.0f} : TileKind{7.0f, 7.2f};
}

namespace {

// The farthest that a tile of the row reaches from the screen's centre,
// either way.
float RowReach(int row) {
  float reach = 0.0f;
  for (int slot = 4; slot <= (row == 1 ? 11 : 9); ++slot) {
    const float halfWidth = TileKindOf(slot).f * 20.0f / 3.6f * kPlaneHalfWidth;
    reach = std::max(reach, std::fabs(TileColumns[row][slot]) + halfWidth);
  }
  return reach;
}

}  // namespace

float ClockFit(std::int32_t width, std::int32_t height, bool twelveHour) {
  if (width <= 0 || height <= 0) return 1.0f;
  static const float reach[2] = {RowReach(0), RowReach(1)};  // 649.2 and 828.4
  // Half the window's width in world units (1000 = its height), less the margin.
  const float room = 500.0f * (1.0f - 2.0f * kFitMargin) * static_cast<float>(width) /
                     static_cast<float>(height);
  const float need = reach[twelveHour ? 1 : 0];
  return room >= need ? 1.0f : room / need;
}

Mat4 TileHalfModel(float x, float hingeY, float z, float f, float angle) {
  // The lift by 2.66 puts the plane just above the hinge axis, so the turn
  // swings it about its hinge-side edge.
  return Translate(x, hingeY, z) * Scale(f * 20.0f / 3.6f, f * 16.0f / 3.6f, 1.0f) *
         RotateEuler(angle, 0.0f, 0.0f) * Translate(0.0f, 2.66f, 0.0f);
}

int ListTileHalves(TileHalf (&halves)[kMaxTileHalves]) {
  int count = 0;
  const int lastSlot = Clock.twelveHour ? 11 : 9;
  for (int i = 4; i <= lastSlot; ++i) {
    const TileKind kind = TileKindOf(i);
    const std::int32_t now = Clock.currentDigits[i];
    const std::int32_t next = Clock.upcomingDigits[i];
    halves[count++] = {0, i, +1.0f, now, 0.0f, kRestingZ, kind.hingeY, kind.f};
    halves[count++] = {0, i, -1.0f, now, 180.0f, kRestingZ, kind.hingeY, kind.f};
    if (Clock.flipActive[i]) {
      const float angle = Clock.flipAngle[i];
      halves[count++] = {1, i, +1.0f, next, 0.0f, kRevealedZ, kind.hingeY, kind.f};
      if (angle <= 90.0f) {
        halves[count++] = {1, i, +1.0f, now, angle, kFlapZ, kind.hingeY, kind.f};
      } else {
        halves[count++] = {1, i, -1.0f, next, angle, kFlapZ, kind.hingeY, kind.f};
      }
    }
  }
  return count;
}
