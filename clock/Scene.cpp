#include "clock/Scene.h"

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

void PaintClockFrame() {
  // The clear colour and depth are never changed: black, depth 1.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // 1000 world units are the screen height, whatever the window's shape.
  const float a = ViewSize.aspect;
  Scene.camera->SetProjection(Ortho(-500.0f * a, 500.0f * a, -500.0f, 500.0f, -1000.0f, 1000.0f));
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

bool SameFace(const FaceSignature& a, const FaceSignature& b) {
  if (a.width != b.width || a.height != b.height || a.twelveHour != b.twelveHour ||
      a.halfCount != b.halfCount) {
    return false;
  }
  for (int i = 0; i < a.halfCount; ++i) {
    const TileHalf& x = a.halves[i];
    const TileHalf& y = b.halves[i];
    if (x.isAnimator != y.isAnimator || x.slot != y.slot || x.tileMode != y.tileMode ||
        x.glyph != y.glyph || x.angle != y.angle || x.z != y.z || x.hingeY != y.hingeY ||
        x.f != y.f) {
      return false;
    }
  }
  return true;
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
