#pragma once

#include "shell/AppWindow.h"

struct GLFWwindow;

// The full-screen window that GLFW made.
class GlfwAppWindow final : public AppWindow {
 public:
  explicit GlfwAppWindow(GLFWwindow* window) : window_(window) {}

  void MakeContextCurrent() override;
  void SetSwapInterval(int interval) override;
  void HideCursor() override;
  void SwapBuffers() override;
  void PollEvents() override;
  bool ShouldClose() override;
  bool HostGone() override { return false; }
  std::uintptr_t NativeHandle() override;

  GLFWwindow* glfwWindow() const { return window_; }

 private:
  GLFWwindow* window_;
};
