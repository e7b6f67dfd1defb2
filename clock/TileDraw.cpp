// Drawing the tile halves through the scene's digit drawable.
#include "clock/ClockState.h"
#include "clock/FlipTiles.h"
#include "clock/Scene.h"
#include "render/Drawable.h"
#include "shell/ViewSize.h"

void DrawTileHalf(std::int32_t isAnimator, std::int32_t slot, float tileMode, std::int32_t glyph,
                  float angle, float z, float hingeY, float f) {
  const float x = TileColumns[Clock.twelveHour ? 1 : 0][slot];
  // The whole clock shrinks about the centre where the window is too narrow
  // for it; its depths stay.
  const float fit = ClockFit(ViewSize.width, ViewSize.height, Clock.twelveHour != 0);
  GLFWDrawableSky* digit = Scene.digitSky;
  digit->SetModel(TileHalfModel(x * fit, hingeY * fit, z, f * fit, angle));
  const GlyphCell& cell = GlyphCells[glyph >= 0 && glyph < kGlyphCount ? glyph : 0];
  digit->SetTile(isAnimator, slot, cell.tile_top, cell.tile_left, tileMode, angle);
  digit->Draw();
}

void DrawTiles() {
  TileHalf halves[kMaxTileHalves];
  const int count = ListTileHalves(halves);
  for (int i = 0; i < count; ++i) {
    const TileHalf& h = halves[i];
    DrawTileHalf(h.isAnimator, h.slot, h.tileMode, h.glyph, h.angle, h.z, h.hingeY, h.f);
  }
}
