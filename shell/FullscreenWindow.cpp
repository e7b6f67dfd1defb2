#include "shell/FullscreenWindow.h"

#include <cstdlib>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

namespace {

GLFWmonitor* runMonitor = nullptr;

void OnMonitor(GLFWmonitor* monitor, int event) {
  if (event == GLFW_DISCONNECTED && monitor == runMonitor) std::exit(0);
}

}  // namespace

void SetFullscreenHints(GLFWmonitor* monitor) {
  // A screensaver ends when it loses the focus; it is never minimised.
  glfwWindowHint(GLFW_AUTO_ICONIFY, GLFW_FALSE);
  glfwWindowHint(GLFW_CENTER_CURSOR, GLFW_FALSE);
  // Without a rate the library picks the monitor's fastest mode of the
  // size; with the current one it keeps the current mode, and changes none.
  const GLFWvidmode* mode = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
  if (mode != nullptr) glfwWindowHint(GLFW_REFRESH_RATE, mode->refreshRate);
}

void EndRunWithMonitor(GLFWmonitor* monitor) {
  runMonitor = monitor;
  glfwSetMonitorCallback(OnMonitor);
}
