#include "clock/Scene.h"

#include <algorithm>
#include <cmath>

#include "clock/ClockState.h"
#include "clock/FlipTiles.h"
#include "clock/TimeSource.h"
#include "render/Drawable.h"
#include "render/FrameState.h"
#include "render/Math.h"
#include "render/Program.h"
#include "render/Resources.h"
#include "render/Texture.h"
#include "shell/GlEntryPoints.h"
#include "shell/ViewSize.h"
#include "sound/DirectSound.h"

FlipClockScene Scene;

namespace {

constexpr char kBackgroundProgram[] = "BackgroundProgram";
// The widest screen shape (width / height) that the background plane spans.
constexpr float kBackgroundAspect = 2.5f;
constexpr char kPanelProgram[] = "PanelProgram";
constexpr char kDigitProgram[] = "DigitProgram";

// 1000 world units are the screen height, whatever the window's shape.
Mat4 ClockProjection(float aspect) {
  return Ortho(-500.0f * aspect, 500.0f * aspect, -500.0f, 500.0f, -1000.0f, 1000.0f);
}

}  // namespace

void AssembleScene(std::uintptr_t nativeWindow, ClickSound click) {
  Scene.registry = new GLFWProgramRegistry();
  Scene.frameState = new FrameState();

  // Eye at z = 100 looking down -z: the view is a shift by -100 along z.
  Scene.camera = new GLFWCamera(0.0f, 0.0f, 100.0f);
  Scene.camera->UpdateView(0);

  Scene.backgroundAtlas = GLFWTexture::CreateFromBitmap(kBackgroundBitmap, 2048);
  Scene.digitAtlas = GLFWTexture::CreateFromBitmap(kDigitAtlasBitmap, 2048);

  Scene.registry->AddProgram(kBackgroundProgram, kBackgroundVertexShader, kBackgroundFragmentShader);
  Scene.registry->AddProgram(kPanelProgram, kPanelVertexShader, kPanelFragmentShader);
  Scene.registry->AddProgram(kDigitProgram, kDigitVertexShader, kDigitFragmentShader);

  Scene.backgroundSky = new GLFWDrawableSky(Scene.frameState, Scene.camera, Scene.registry,
                                            kBackgroundProgram, kPlaneObjText, kPlaneMtlText, 500.0f);
  Scene.backgroundSky->Init();
  Scene.panelSky = new GLFWDrawableSky(Scene.frameState, Scene.camera, Scene.registry,
                                       kPanelProgram, kPlaneObjText, kPlaneMtlText, 1.0f);
  Scene.panelSky->Init();
  Scene.digitSky = new GLFWDrawableSky(Scene.frameState, Scene.camera, Scene.registry,
                                       kDigitProgram, kPlaneObjText, kPlaneMtlText, 1.0f);
  Scene.digitSky->Init();

  // The click is loaded and kept, and never played; a failed load changes
  // nothing.
  Scene.flipSound = new CDirectSound();
  if (click == ClickSound::kDeviceBuffer) {
    Scene.flipSound->LoadWaveResource(kFlipClickWave, nativeWindow);
  } else {
    Scene.flipSound->HoldWaveResource(kFlipClickWave);
  }
}

void DestroySceneSound() {
  delete Scene.flipSound;
  Scene.flipSound = nullptr;
}

void StepFrame() {
  AdvanceFrame();
  PaintFrame();
}

void AdvanceFrame() {
  Scene.frameState->time = static_cast<float>(ClockTimeSource.timer());
  AdvanceClock();
}

void PaintFrame() {
  glViewport(0, 0, ViewSize.width, ViewSize.height);
  PaintClockFrame();
}

void PaintFrameRegion(const PixelRect& region) {
  glViewport(0, 0, ViewSize.width, ViewSize.height);
  glEnable(GL_SCISSOR_TEST);  // the clear too keeps to it
  glScissor(region.x, region.y, region.width, region.height);
  PaintClockFrame();
  glDisable(GL_SCISSOR_TEST);
}

void PaintClockFrame() {
  // The clear colour and depth are never changed: black, depth 1.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  const float a = ViewSize.aspect;
  Scene.camera->SetProjection(ClockProjection(a));
  Scene.frameState->viewportWidth = static_cast<float>(ViewSize.width);
  Scene.frameState->viewportHeight = static_cast<float>(ViewSize.height);
  Scene.camera->SelectView(0);

  // The 2500-unit plane spans the screen's width up to an aspect of 2.5;
  // wider screens (32:9) stretch it sideways to their edges. Its colour
  // comes from the screen position alone, so nothing it covered changes.
  const float stretch = a > kBackgroundAspect ? a / kBackgroundAspect : 1.0f;
  Scene.backgroundSky->SetModel(Translate(0.0f, 0.0f, -300.0f) * Scale(stretch, 1.0f, 1.0f));
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, Scene.backgroundAtlas->GetTextureId());
  Scene.backgroundSky->Draw();

  // The glyph atlas stays bound for every tile half.
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, Scene.digitAtlas->GetTextureId());
  DrawTiles();
}

void TakeFaceSignature(FaceSignature* face) {
  face->width = ViewSize.width;
  face->height = ViewSize.height;
  face->twelveHour = Clock.twelveHour;
  face->halfCount = ListTileHalves(face->halves);
}

namespace {

bool SameHalf(const TileHalf& x, const TileHalf& y) {
  return x.isAnimator == y.isAnimator && x.slot == y.slot && x.tileMode == y.tileMode &&
         x.glyph == y.glyph && x.angle == y.angle && x.z == y.z && x.hingeY == y.hingeY &&
         x.f == y.f;
}

}  // namespace

bool SameFace(const FaceSignature& a, const FaceSignature& b) {
  if (a.width != b.width || a.height != b.height || a.twelveHour != b.twelveHour ||
      a.halfCount != b.halfCount) {
    return false;
  }
  for (int i = 0; i < a.halfCount; ++i) {
    if (!SameHalf(a.halves[i], b.halves[i])) return false;
  }
  return true;
}

PixelRect FaceDamage(const FaceSignature& shown, const FaceSignature& next) {
  const PixelRect whole{0, 0, next.width, next.height};
  if (shown.width != next.width || shown.height != next.height ||
      shown.twelveHour != next.twelveHour) {
    return whole;
  }
  if (next.width <= 0 || next.height <= 0) return PixelRect{};
  const bool twelveHour = next.twelveHour != 0;
  const float fit = ClockFit(next.width, next.height, twelveHour);
  // What the digit program's vertices meet: the projection after the view
  // from z = 100. It is parallel: w stays 1.
  const Mat4 toClip =
      ClockProjection(static_cast<float>(next.width) / static_cast<float>(next.height)) *
      Translate(0.0f, 0.0f, -100.0f);
  bool any = false;
  float left = 0.0f, right = 0.0f, bottom = 0.0f, top = 0.0f;  // normalised
  // A pixel changes only where a half that one face draws and the other does
  // not covers it: the old place of a half that moved, and its new one.
  const auto cover = [&](const TileHalf& h) {
    const Mat4 model = toClip * TileHalfModel(TileColumns[twelveHour ? 1 : 0][h.slot] * fit,
                                              h.hingeY * fit, h.z, h.f * fit, h.angle);
    for (int corner = 0; corner < 4; ++corner) {
      const float cx = (corner & 1) ? kPlaneHalfWidth : -kPlaneHalfWidth;
      const float cy = (corner & 2) ? kPlaneTop : kPlaneBottom;
      const float x = model.At(0, 0) * cx + model.At(0, 1) * cy + model.At(0, 3);
      const float y = model.At(1, 0) * cx + model.At(1, 1) * cy + model.At(1, 3);
      left = any ? std::min(left, x) : x;
      right = any ? std::max(right, x) : x;
      bottom = any ? std::min(bottom, y) : y;
      top = any ? std::max(top, y) : y;
      any = true;
    }
  };
  const auto drawnBy = [](const TileHalf& h, const FaceSignature& face) {
    for (int i = 0; i < face.halfCount; ++i) {
      if (SameHalf(h, face.halves[i])) return true;
    }
    return false;
  };
  for (int i = 0; i < shown.halfCount; ++i) {
    if (!drawnBy(shown.halves[i], next)) cover(shown.halves[i]);
  }
  for (int i = 0; i < next.halfCount; ++i) {
    if (!drawnBy(next.halves[i], shown)) cover(next.halves[i]);
  }
  if (!any) return PixelRect{};
  // Normalised coordinates to pixels, widened to whole pixels and one more
  // each way for the anti-aliased edges, and kept within the window.
  const auto pixel = [](float normalised, std::int32_t size, float outward) {
    const float at = std::floor((normalised + 1.0f) * 0.5f * static_cast<float>(size)) + outward;
    return static_cast<std::int32_t>(std::clamp(at, 0.0f, static_cast<float>(size)));
  };
  const std::int32_t x0 = pixel(left, next.width, -1.0f);
  const std::int32_t x1 = pixel(right, next.width, 2.0f);
  const std::int32_t y0 = pixel(bottom, next.height, -1.0f);
  const std::int32_t y1 = pixel(top, next.height, 2.0f);
  return PixelRect{x0, y0, x1 - x0, y1 - y0};
}

bool FlapFalling() {
  for (int i = 0; i < kClockSlots; ++i) {
    if (Clock.flipActive[i] && Clock.flipAngle[i] < 180.0f) return true;
  }
  return false;
}

double SecondsUntilFaceTurns() {
  const double turn = (std::floor(Clock.frameTime * 2.0) + 1.0) / 2.0;
  const double left = turn - ClockTime();
  return left > 0.0 ? left : 0.0;
}
