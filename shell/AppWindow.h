// What the main loop drives: a window with a current OpenGL context, made by
// GLFW (full screen) or adopted from a preview host. The loop does not care
// which.
#pragma once

#include <cstdint>

struct PixelRect;

class AppWindow {
 public:
  virtual ~AppWindow() = default;

  virtual void MakeContextCurrent() = 0;
  virtual void SetSwapInterval(int interval) = 0;
  virtual void HideCursor() = 0;
  virtual void SwapBuffers() = 0;
  virtual void PollEvents() = 0;
  // Waits at most `seconds` (infinity: until one comes) for an event of the
  // window or its host, then handles what came as PollEvents does. A window
  // that cannot wait polls.
  virtual void WaitEvents(double /*seconds*/) { PollEvents(); }
  // True once after the window's picture was lost (exposed, damaged) since
  // the last call. A window that cannot tell says so every time.
  virtual bool TakeExposed() { return true; }
  // Asked once, before the first frame: whether the window keeps every
  // pixel drawn into it from now on, so that a frame may draw and show just
  // a part of itself with PresentRegion, which then takes the place of
  // SwapBuffers. A window that cannot says false.
  virtual bool KeepPicture() { return false; }
  // Shows `region` of the frame drawn; the rest of the window shows what it
  // showed. Without KeepPicture, the whole frame.
  virtual void PresentRegion(const PixelRect& /*region*/) { SwapBuffers(); }
  // Where the window keeps its picture, before the first frame at a new
  // size: its buffers take the size only when told (the old picture may
  // show once more).
  virtual void FollowSize() {}
  virtual bool ShouldClose() = 0;
  // Preview only: the host window was disabled or destroyed.
  virtual bool HostGone() = 0;
  // The native handle (HWND, X11 Window) that the sound device is bound to.
  virtual std::uintptr_t NativeHandle() = 0;
};
