#pragma once

#include "shell/AppWindow.h"

struct GLFWwindow;

// A window that GLFW made: the desktop window, and the full-screen one
// (FullscreenAppWindow, which also keeps the other monitors covered).
class GlfwAppWindow : public AppWindow {
 public:
  // Also asks GLFW to report when the window needs repainting.
  explicit GlfwAppWindow(GLFWwindow* window);

  void MakeContextCurrent() override;
  void SetSwapInterval(int interval) override;
  void HideCursor() override;
  void SwapBuffers() override;
  void PollEvents() override;
  void WaitEvents(double seconds) override;
  bool TakeExposed() override;
  bool ShouldClose() override;
  bool HostGone() override { return false; }
  std::uintptr_t NativeHandle() override;

  GLFWwindow* glfwWindow() const { return window_; }

 private:
  static void OnRefresh(GLFWwindow* window);

  GLFWwindow* window_;
  bool exposed_ = false;
};
