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
  virtual bool ShouldClose() = 0;
  // Preview only: the host window was disabled or destroyed.
  virtual bool HostGone() = 0;
  // The native handle (HWND, X11 Window) that the sound device is bound to.
  virtual std::uintptr_t NativeHandle() = 0;
};
