// The monitor's rate on X11: GLFW's monitors by position, the one that
// holds the window's centre (the primary when none does). GLFW computes the
// rate from the RandR mode (dot clock / (htotal x vtotal)) and rounds it to
// whole Hz.
#include "shell/MonitorRate.h"

#include <X11/Xlib.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

namespace {

int IgnoreError(Display* /*display*/, XErrorEvent* /*event*/) { return 0; }

// The window's centre on the root window; false when it cannot be read.
bool WindowCentre(Window window, int* x, int* y) {
  Display* display = glfwGetX11Display();
  XWindowAttributes attributes;
  if (display == nullptr || window == 0 || !XGetWindowAttributes(display, window, &attributes)) {
    return false;
  }
  Window child;
  return XTranslateCoordinates(display, window, attributes.root, attributes.width / 2,
                               attributes.height / 2, x, y, &child) != 0;
}

// The same, where a window that is gone (a host's) is no error.
bool WindowCentreIfThere(Window window, int* x, int* y) {
  Display* display = glfwGetX11Display();
  if (display == nullptr) return false;
  XSync(display, False);
  auto previous = XSetErrorHandler(IgnoreError);
  const bool read = WindowCentre(window, x, y);
  XSync(display, False);
  XSetErrorHandler(previous);
  return read;
}

}  // namespace

DisplayRate RefreshRateShowing(std::uintptr_t window) {
  const GLFWvidmode* shown = nullptr;
  int x = 0;
  int y = 0;
  if (WindowCentreIfThere(static_cast<Window>(window), &x, &y)) {
    int count = 0;
    GLFWmonitor** monitors = glfwGetMonitors(&count);
    for (int i = 0; i < count && shown == nullptr; ++i) {
      const GLFWvidmode* mode = glfwGetVideoMode(monitors[i]);
      int left = 0;
      int top = 0;
      glfwGetMonitorPos(monitors[i], &left, &top);
      if (mode != nullptr && x >= left && x < left + mode->width && y >= top &&
          y < top + mode->height) {
        shown = mode;
      }
    }
  }
  if (shown == nullptr) {
    GLFWmonitor* primary = glfwGetPrimaryMonitor();
    shown = primary != nullptr ? glfwGetVideoMode(primary) : nullptr;
  }
  return WholeHertzRate(shown != nullptr ? shown->refreshRate : 0, 0.5, 0.5);
}
