// The flip tiles: flip groups and the flap's fall, the tile layout, the atlas
// cells of the glyphs, and the order in which a frame draws the tile halves.
#pragma once

#include <cstdint>

#include "render/Math.h"

// Tiles that always flip together, in the order they are examined.
struct FlipGroup {
  int first;
  int second;
};
inline constexpr FlipGroup kFlipGroups[4] = {{8, 9}, {6, 7}, {4, 5}, {10, 11}};

// Degrees per (tenth of a second)^2: hours and minutes fall at 10, seconds
// and the meridiem at 20, so they land after sqrt(0.18) s and 0.3 s.
inline double FlipAngleFactor(int slot) { return slot <= 7 ? 10.0 : 20.0; }

// The flap angle `elapsed` seconds into a flip of `slot`: 0 .. 180.
float FlapAngle(int slot, double elapsed);

// Starts, continues and ends flips from Clock's two digit sets at ClockTime t.
void UpdateFlips(double t);

// Atlas cell of a glyph value, in pixels of the 2048 x 2048 atlas from its
// top-left corner; a cell is 200 wide and 288 high, the hinge at its middle.
struct GlyphCell {
  float tile_left;
  float tile_top;
};
inline constexpr int kGlyphCount = 13;
extern const GlyphCell GlyphCells[kGlyphCount];

// World x of a slot's tile centre; [0] the 24-hour row, [1] the 12-hour row.
// Slots 0..3 are never drawn (0), nor 10 and 11 in 24-hour mode.
extern const float TileColumns[2][12];

// Size and hinge of a tile: digits (slots 4..9) f = 7, hinge at y = 7.2;
// the meridiem letters (10, 11) f = 5, hinge at y = -38.
struct TileKind {
  float f;
  float hingeY;
};
TileKind TileKindOf(int slot);

// How much the whole clock is scaled about the screen's centre to fit a
// window of width x height pixels: 1 where the row of tiles fits (16:9 and
// wider in both layouts), less where it would not (16:10, 3:2, 4:3, portrait
// screens, the settings' preview), so that the outermost tile keeps
// kFitMargin of the width from the window's edge. The layout's depths are
// not scaled. 1 for an empty window.
inline constexpr float kFitMargin = 0.02f;
float ClockFit(std::int32_t width, std::int32_t height, bool twelveHour);

// Depths of the three layers (world z).
inline constexpr float kRestingZ = -100.0f;
inline constexpr float kRevealedZ = -80.0f;
inline constexpr float kFlapZ = -40.0f;

// The plane mesh that every tile half is drawn on (resources/meshes): x from
// -2.5 to 2.5, y from -2.6302 to 2.3698, at z = 0.
inline constexpr float kPlaneHalfWidth = 2.5f;
inline constexpr float kPlaneBottom = -2.6302f;
inline constexpr float kPlaneTop = 2.3698f;

// The model matrix of one tile half on the plane mesh: lifted just above the
// hinge axis, turned about x by `angle` degrees (0 upright above the hinge,
// 180 hanging below it), scaled to the tile's size and put in place.
Mat4 TileHalfModel(float x, float hingeY, float z, float f, float angle);

// One tile-half draw of a frame.
struct TileHalf {
  std::int32_t isAnimator;  // 0 resting (soft edges), 1 flipping (hard edges)
  std::int32_t slot;
  float tileMode;           // +1 upper half of the glyph, -1 lower half
  std::int32_t glyph;
  float angle;
  float z;
  float hingeY;
  float f;
};
// 8 tiles x (2 resting + 2 flipping) halves.
inline constexpr int kMaxTileHalves = 32;

// The halves of this frame in drawing order, from Clock: for each shown slot
// its resting upper and lower halves and, while it flips, the revealed upper
// half of the new glyph and the flap (front with the old glyph up to 90
// degrees, back with the new glyph beyond). Returns the count.
int ListTileHalves(TileHalf (&halves)[kMaxTileHalves]);

// GL side (TileDraw.cpp): one half through the scene's digit drawable, and
// all halves of the frame. The digit atlas must be bound to unit 0.
void DrawTileHalf(std::int32_t isAnimator, std::int32_t slot, float tileMode, std::int32_t glyph,
                  float angle, float z, float hingeY, float f);
void DrawTiles();
