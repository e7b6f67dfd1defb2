#include "shell/FullscreenWindow.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "shell/Covers.h"

void SetFullscreenHints(GLFWmonitor* monitor) {
  // A screensaver ends when it loses the focus; it is never minimised.
  glfwWindowHint(GLFW_AUTO_ICONIFY, GLFW_FALSE);
  glfwWindowHint(GLFW_CENTER_CURSOR, GLFW_FALSE);
  // Without a rate the library picks the monitor's fastest mode of the
  // size; with the current one it keeps the current mode, and changes none.
  const GLFWvidmode* mode = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
  if (mode != nullptr) glfwWindowHint(GLFW_REFRESH_RATE, mode->refreshRate);
}

void FullscreenAppWindow::PollEvents() {
  GlfwAppWindow::PollEvents();
  if (TendCovers()) coversMoved_ = true;
}

void FullscreenAppWindow::WaitEvents(double seconds) {
  GlfwAppWindow::WaitEvents(seconds);
  if (TendCovers()) coversMoved_ = true;
}

bool FullscreenAppWindow::TakeExposed() {
  const bool moved = coversMoved_;
  coversMoved_ = false;
  return GlfwAppWindow::TakeExposed() || moved;
}
