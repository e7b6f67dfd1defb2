// X11: the library turns the X server's own screen saver off while its
// full-screen window owns the monitor, and only puts it back when the
// window is destroyed; it is put back once the window is made. The covers
// (Covers_x11.cpp) end the run when the focus leaves the run's windows, and
// take the keyboard and the pointer; RandR reporting the monitor's output
// gone (disconnected, or its CRTC off) ends it too.
#include "shell/FullscreenWindow.h"

#include <X11/Xlib.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

#include "shell/Covers.h"

GLFWwindow* CreateFullscreenWindow(int width, int height, const char* title,
                                   GLFWmonitor* monitor) {
  // Without a monitor (the library did not start) nothing is taken over.
  Display* display = monitor != nullptr ? glfwGetX11Display() : nullptr;
  int timeout = 0, interval = 0, blanking = 0, exposures = 0;
  if (display != nullptr) XGetScreenSaver(display, &timeout, &interval, &blanking, &exposures);
  CoverEveryMonitor(monitor);
  SetFullscreenHints(monitor);
  GLFWwindow* window = glfwCreateWindow(width, height, title, monitor, nullptr);
  if (window == nullptr) return nullptr;
  if (display != nullptr) XSetScreenSaver(display, timeout, interval, blanking, exposures);
  CoverAroundClock(window, monitor);
  return window;
}
