// The clock scene: built once when the main loop starts, drawn every frame.
#pragma once

#include <cstdint>

#include "clock/FlipTiles.h"

class GLFWProgramRegistry;
struct FrameState;
class GLFWCamera;
class GLFWTexture;
class GLFWDrawableSky;
class CDirectSound;

// Everything scene assembly makes; it lives until the process ends, except
// the sound player, which the main loop deletes after a normal end.
struct FlipClockScene {
  GLFWProgramRegistry* registry = nullptr;
  FrameState* frameState = nullptr;
  GLFWCamera* camera = nullptr;
  GLFWTexture* backgroundAtlas = nullptr;  // bitmap 179, brushed metal
  GLFWTexture* digitAtlas = nullptr;       // bitmap 180, glyphs and paper
  GLFWDrawableSky* backgroundSky = nullptr;
  GLFWDrawableSky* panelSky = nullptr;     // built, never drawn
  GLFWDrawableSky* digitSky = nullptr;     // every tile half
  CDirectSound* flipSound = nullptr;       // loaded, never played
};

extern FlipClockScene Scene;

// Where the never-played click is kept: in a static buffer on the sound
// device, bound to the window (the Windows modes), or only in memory, so
// that no device is opened at all.
enum class ClickSound { kDeviceBuffer, kInMemory };

// Once, with the GL context current and the entry points loaded.
// `nativeWindow` is the window the sound device binds to.
void AssembleScene(std::uintptr_t nativeWindow, ClickSound click);
// A frame in two steps that the main loop may separate: AdvanceFrame (frame
// time, then AdvanceClock: the base on the first frame, then UpdateClock) on
// every iteration, and PaintFrame (viewport, PaintClockFrame) for a frame
// that is drawn. StepFrame is both. The snapshot tool runs its lead-up
// frames through AdvanceClock alone.
void StepFrame();
void AdvanceFrame();
void PaintFrame();
// After a normal loop end: deletes flipSound, if any.
void DestroySceneSound();

// The drawing part of a frame: clear, projection, background, tiles.
void PaintClockFrame();

// A rectangle of the window's pixels from its lower-left corner, as
// glScissor takes it; empty when its width or height is 0.
struct PixelRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};
// PaintFrame held to `region`: the pixels outside it keep what they had.
void PaintFrameRegion(const PixelRect& region);

// Everything the pixels of a frame depend on: the window's size, the layout
// and every tile half in drawing order (glyph, angle, depth, ...); the size
// and the layout also decide the clock's fit to the window (ClockFit). Frames of
// equal signatures are the same picture: the background never changes, and
// the frame time ("iTime") reaches the shaders but colours no pixel.
struct FaceSignature {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t twelveHour = 0;
  std::int32_t halfCount = 0;
  TileHalf halves[kMaxTileHalves]{};
};
// The signature of the face the latest AdvanceClock left.
void TakeFaceSignature(FaceSignature* face);
bool SameFace(const FaceSignature& a, const FaceSignature& b);
// Where the picture of face `next` can differ from that of `shown`, from the
// layout alone: the whole window of `next` when the size or the layout
// differs; otherwise the smallest rectangle that holds every tile half that
// one face draws and the other does not (a falling flap where it was and
// where it is now, a new glyph), and one pixel more around it. Empty when
// the two faces draw the same halves.
PixelRect FaceDamage(const FaceSignature& shown, const FaceSignature& next);

// How long that face stays as it is. While a flap falls it changes with
// every frame (FlapFalling). Otherwise it turns next at the first half
// second of ClockTime after the frame's: a whole second starts flips, a half
// second changes the resting digits (the wall clock's half and whole
// seconds). SecondsUntilFaceTurns: from now until then, 0 once it is past.
// A jump of the wall clock cannot be foreseen; only AdvanceClock sees it.
bool FlapFalling();
double SecondsUntilFaceTurns();
