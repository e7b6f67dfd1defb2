#include "shell/FullscreenWindow.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "shell/NativeHandle.h"

namespace {

constexpr char kCoverTitle[] = "Morvane Screensaver Cover";

// The clock's window and monitor, once the window is made.
GLFWwindow* runWindow = nullptr;
GLFWmonitor* runMonitor = nullptr;

// One black window on every monitor but the clock's.
struct Cover {
  GLFWmonitor* monitor;  // only compared: the library frees a monitor that leaves
  GLFWwindow* window;
};
std::vector<Cover> covers;
bool coversStale = false;

void OnMonitor(GLFWmonitor* monitor, int event) {
  if (event == GLFW_DISCONNECTED && monitor == runMonitor) std::exit(0);
  coversStale = true;
}

// Over a cover, as over the clock, any key or button ends the run.
void EndOnKey(GLFWwindow* /*window*/, int /*key*/, int /*scancode*/, int /*action*/,
              int /*mods*/) {
  std::exit(0);
}
void EndOnButton(GLFWwindow* /*window*/, int /*button*/, int /*action*/, int /*mods*/) {
  std::exit(0);
}

GLFWwindow* MakeCover(int x, int y, int width, int height) {
  // No context and no frame; shown later, without taking the focus.
  glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
  glfwWindowHint(GLFW_DECORATED, GLFW_FALSE);
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
  glfwWindowHint(GLFW_FOCUSED, GLFW_FALSE);
  glfwWindowHint(GLFW_FOCUS_ON_SHOW, GLFW_FALSE);
  GLFWwindow* cover = CreateCoverWindow(width, height, kCoverTitle);
  // Back to the defaults, for the clock's window.
  glfwWindowHint(GLFW_CLIENT_API, GLFW_OPENGL_API);
  glfwWindowHint(GLFW_DECORATED, GLFW_TRUE);
  glfwWindowHint(GLFW_VISIBLE, GLFW_TRUE);
  glfwWindowHint(GLFW_FOCUSED, GLFW_TRUE);
  glfwWindowHint(GLFW_FOCUS_ON_SHOW, GLFW_TRUE);
  if (cover == nullptr) return nullptr;
  glfwSetKeyCallback(cover, EndOnKey);
  glfwSetMouseButtonCallback(cover, EndOnButton);
  glfwSetInputMode(cover, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
  PlaceCover(cover, x, y, width, height, runWindow != nullptr);
  return cover;
}

// Covers every monitor but the clock's (every one while there is no clock):
// a monitor that left loses its cover, one that arrived gets one, and every
// cover is fitted to its monitor's place and current mode.
void LayOutCovers() {
  coversStale = false;
  int count = 0;
  GLFWmonitor** monitors = glfwGetMonitors(&count);
  GLFWmonitor** end = monitors + count;
  for (auto cover = covers.begin(); cover != covers.end();) {
    if (cover->monitor != runMonitor && std::find(monitors, end, cover->monitor) != end) {
      ++cover;
      continue;
    }
    glfwDestroyWindow(cover->window);
    cover = covers.erase(cover);
  }
  for (GLFWmonitor** monitor = monitors; monitor != end; ++monitor) {
    const GLFWvidmode* mode = glfwGetVideoMode(*monitor);
    if (*monitor == runMonitor || mode == nullptr) continue;
    int x = 0, y = 0;
    glfwGetMonitorPos(*monitor, &x, &y);
    auto cover = std::find_if(covers.begin(), covers.end(),
                              [&](const Cover& c) { return c.monitor == *monitor; });
    if (cover != covers.end()) {
      PlaceCover(cover->window, x, y, mode->width, mode->height, runWindow != nullptr);
    } else if (GLFWwindow* made = MakeCover(x, y, mode->width, mode->height)) {
      covers.push_back({*monitor, made});
    }
  }
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

void CoverEveryMonitor(GLFWmonitor* monitor) {
  if (monitor == nullptr) return;  // the library did not start
  glfwSetMonitorCallback(OnMonitor);
  LayOutCovers();
}

void EndRunWithMonitor(GLFWwindow* window, GLFWmonitor* monitor) {
  runWindow = window;
  runMonitor = monitor;
  LayOutCovers();  // the clock's monitor needs its cover no more
}

bool TendCovers() {
  if (!coversStale) return false;
  LayOutCovers();
  return true;
}

bool HaveCovers() { return !covers.empty(); }

bool IsRunWindow(std::uintptr_t handle) {
  if (runWindow != nullptr && NativeWindowHandle(runWindow) == handle) return true;
  return std::any_of(covers.begin(), covers.end(),
                     [&](const Cover& c) { return NativeWindowHandle(c.window) == handle; });
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
