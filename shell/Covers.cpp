#include "shell/Covers.h"

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

// One black window on every monitor but the clock's. A monitor that
// disconnects is forgotten in the library's callback, before the library
// frees it, and its window goes at the next layout.
struct Cover {
  GLFWmonitor* monitor;
  GLFWwindow* window;
  bool placed;
};
std::vector<Cover> covers;
// The window that holds the input, and the changes of the monitors seen
// when the covers were last laid out.
GLFWwindow* inputWindow = nullptr;
unsigned monitorChanges = 0;
unsigned laidOutAt = 0;

void OnMonitor(GLFWmonitor* monitor, int event) {
  if (event == GLFW_DISCONNECTED) {
    if (monitor == runMonitor) std::exit(0);
    for (Cover& cover : covers) {
      if (cover.monitor == monitor) cover.monitor = nullptr;
    }
  }
  NoteMonitorChange();
}

// Over a cover, as over the clock, any key or button ends the run.
void EndOnKey(GLFWwindow* /*window*/, int /*key*/, int /*scancode*/, int /*action*/,
              int /*mods*/) {
  std::exit(0);
}
void EndOnButton(GLFWwindow* /*window*/, int /*button*/, int /*action*/, int /*mods*/) {
  std::exit(0);
}

GLFWwindow* MakeCover(const ScreenRect& area) {
  // No context and no frame; shown later, without taking the focus.
  glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
  glfwWindowHint(GLFW_DECORATED, GLFW_FALSE);
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
  glfwWindowHint(GLFW_FOCUSED, GLFW_FALSE);
  glfwWindowHint(GLFW_FOCUS_ON_SHOW, GLFW_FALSE);
  GLFWwindow* cover = CreateCoverWindow(area.width, area.height, kCoverTitle);
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
  EndRunOnFocusLoss(cover);
  PlaceCover(cover, area, runWindow != nullptr);
  return cover;
}

// Covers every monitor but the clock's (every one while there is no clock),
// each fitted to its monitor's place and current mode and clear of the
// clock's monitor: a monitor that arrived gets a cover, one that left (or
// that shows only the clock) loses its own. The input moves to its new
// window before the old one goes.
void LayOutCovers() {
  laidOutAt = monitorChanges;
  const ScreenRect clock = runMonitor != nullptr ? MonitorArea(runMonitor) : ScreenRect{};
  for (Cover& cover : covers) cover.placed = false;
  int count = 0;
  GLFWmonitor** monitors = glfwGetMonitors(&count);
  for (GLFWmonitor** monitor = monitors; monitor != monitors + count; ++monitor) {
    const ScreenRect area = CoverArea(MonitorArea(*monitor), clock);
    if (*monitor == runMonitor || area.width <= 0 || area.height <= 0) continue;
    auto cover = std::find_if(covers.begin(), covers.end(),
                              [&](const Cover& c) { return c.monitor == *monitor; });
    if (cover != covers.end()) {
      PlaceCover(cover->window, area, runWindow != nullptr);
      cover->placed = true;
    } else if (GLFWwindow* made = MakeCover(area)) {
      covers.push_back({*monitor, made, true});
    }
  }
  auto placed = std::find_if(covers.begin(), covers.end(), [](const Cover& c) { return c.placed; });
  GLFWwindow* input = runWindow != nullptr ? runWindow
                      : placed != covers.end() ? placed->window
                                               : nullptr;
  if (input != nullptr && input != inputWindow) TakeInput(input);
  inputWindow = input;
  for (auto cover = covers.begin(); cover != covers.end();) {
    if (cover->placed) {
      ++cover;
      continue;
    }
    glfwDestroyWindow(cover->window);
    cover = covers.erase(cover);
  }
}

}  // namespace

ScreenRect CoverArea(const ScreenRect& monitor, const ScreenRect& clock) {
  const int left = std::max(monitor.x, clock.x);
  const int top = std::max(monitor.y, clock.y);
  const int right = std::min(monitor.x + monitor.width, clock.x + clock.width);
  const int bottom = std::min(monitor.y + monitor.height, clock.y + clock.height);
  if (left >= right || top >= bottom) return monitor;
  // The bands of the monitor left, right, above and below the overlap.
  const ScreenRect bands[4] = {
      {monitor.x, monitor.y, left - monitor.x, monitor.height},
      {right, monitor.y, monitor.x + monitor.width - right, monitor.height},
      {monitor.x, monitor.y, monitor.width, top - monitor.y},
      {monitor.x, bottom, monitor.width, monitor.y + monitor.height - bottom},
  };
  const ScreenRect* largest = std::max_element(
      bands, bands + 4, [](const ScreenRect& a, const ScreenRect& b) {
        return static_cast<long long>(a.width) * a.height <
               static_cast<long long>(b.width) * b.height;
      });
  return largest->width > 0 && largest->height > 0 ? *largest : ScreenRect{};
}

void CoverEveryMonitor(GLFWmonitor* monitor) {
  if (monitor == nullptr) return;  // the library did not start
  glfwSetMonitorCallback(OnMonitor);
  WatchMonitorChanges();
  LayOutCovers();
}

void CoverAroundClock(GLFWwindow* clock, GLFWmonitor* monitor) {
  runWindow = clock;
  runMonitor = monitor;
  EndRunOnFocusLoss(clock);
  LayOutCovers();
}

bool TendCovers() {
  if (laidOutAt == monitorChanges) return false;
  LayOutCovers();
  return true;
}

bool HaveCovers() { return !covers.empty(); }

bool IsRunWindow(std::uintptr_t handle) {
  if (runWindow != nullptr && NativeWindowHandle(runWindow) == handle) return true;
  return std::any_of(covers.begin(), covers.end(),
                     [&](const Cover& c) { return NativeWindowHandle(c.window) == handle; });
}

void NoteMonitorChange() { ++monitorChanges; }
