// What the main loop drives: a window with a current OpenGL context, made by
// GLFW (full screen) or adopted from a preview host. The loop does not care
// which.
#pragma once

#include <cstdint>

class AppWindow {
 public:
  virtual ~AppWindow() = default;

  virtual void MakeContextCurrent() = 0;
  virtual void SetSwapInterval(int interval) = 0;
  virtual void HideCursor() = 0;
  virtual void SwapBuffers() = 0;
  virtual void PollEvents() = 0;
  // Waits at most `seconds` for an event of the window or its host, then
  // handles what came as PollEvents does. A window that cannot wait polls.
  virtual void WaitEvents(double /*seconds*/) { PollEvents(); }
  // True once after the window's picture was lost (exposed, damaged) since
  // the last call. A window that cannot tell says so every time.
  virtual bool TakeExposed() { return true; }
  virtual bool ShouldClose() = 0;
  // Preview only: the host window was disabled or destroyed.
  virtual bool HostGone() = 0;
  // The native handle (HWND, X11 Window) that the sound device is bound to.
  virtual std::uintptr_t NativeHandle() = 0;
};
