// The clock scene: built once when the main loop starts, drawn every frame.
#pragma once

#include <cstdint>

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

// Once, with the GL context current and the entry points loaded.
// `nativeWindow` is the window the sound device binds to.
void AssembleScene(std::uintptr_t nativeWindow);
// Every loop iteration, before the swap: frame time, then DrawClockFrame.
void StepFrame();
// After a normal loop end: deletes flipSound, if any.
void DestroySceneSound();

// One frame: viewport, AdvanceClock (ClockState.h: the base on the first
// frame, then UpdateClock), then PaintClockFrame. The snapshot tool runs
// lead-up frames through AdvanceClock alone.
void DrawClockFrame();
// The drawing part of a frame: clear, projection, background, tiles.
void PaintClockFrame();
