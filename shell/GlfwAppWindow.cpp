#include "shell/GlfwAppWindow.h"

#include <cmath>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "shell/NativeHandle.h"

GlfwAppWindow::GlfwAppWindow(GLFWwindow* window) : window_(window) {
  glfwSetWindowUserPointer(window_, this);
  glfwSetWindowRefreshCallback(window_, OnRefresh);
}

// GLFW's report of an expose or damage: what was on the window may be gone.
void GlfwAppWindow::OnRefresh(GLFWwindow* window) {
  static_cast<GlfwAppWindow*>(glfwGetWindowUserPointer(window))->exposed_ = true;
}

void GlfwAppWindow::MakeContextCurrent() { glfwMakeContextCurrent(window_); }
void GlfwAppWindow::SetSwapInterval(int interval) { glfwSwapInterval(interval); }
void GlfwAppWindow::HideCursor() { glfwSetInputMode(window_, GLFW_CURSOR, GLFW_CURSOR_HIDDEN); }
void GlfwAppWindow::SwapBuffers() { glfwSwapBuffers(window_); }
void GlfwAppWindow::PollEvents() { glfwPollEvents(); }

void GlfwAppWindow::WaitEvents(double seconds) {
  if (std::isinf(seconds)) {
    glfwWaitEvents();
  } else if (seconds > 0.0) {
    glfwWaitEventsTimeout(seconds);
  } else {
    glfwPollEvents();
  }
}

bool GlfwAppWindow::TakeExposed() {
  const bool exposed = exposed_;
  exposed_ = false;
  return exposed;
}

bool GlfwAppWindow::ShouldClose() { return glfwWindowShouldClose(window_) != 0; }
std::uintptr_t GlfwAppWindow::NativeHandle() { return NativeWindowHandle(window_); }
