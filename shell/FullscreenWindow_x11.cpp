// X11: the library turns the X server's own screen saver off while its
// full-screen window owns the monitor, and only puts it back when the
// window is destroyed; it is put back once the window is made. A focus
// callback ends the run when the focus leaves the run's windows. RandR
// reporting the monitor's output gone (disconnected, or its CRTC off) ends
// it too. The covers are override-redirect windows: no window manager
// frames, moves or lists them, and each is mapped above the others. Their
// background pixel is black, so the X server itself paints every expose.
#include "shell/FullscreenWindow.h"

#include <X11/Xlib.h>

#include <cstdlib>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

namespace {

// The focus leaving one of the run's windows for another of them (a cover)
// does not end the run; leaving for any other window does.
void OnFocus(GLFWwindow* /*window*/, int focused) {
  if (focused == GLFW_TRUE) return;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(glfwGetX11Display(), &focus, &revert);
  if (!IsRunWindow(focus)) std::exit(0);
}

}  // namespace

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
  glfwSetWindowFocusCallback(window, OnFocus);
  EndRunWithMonitor(window, monitor);
  return window;
}

// Standard error does not wait for anyone: the covers stay until the run
// ends as any run does, inside the event handling.
void HoldCovers() {
  while (HaveCovers()) {
    glfwWaitEvents();
    TendCovers();
  }
}

GLFWwindow* CreateCoverWindow(int width, int height, const char* title) {
  GLFWwindow* cover = glfwCreateWindow(width, height, title, nullptr, nullptr);
  if (cover == nullptr) return nullptr;
  Display* display = glfwGetX11Display();
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
  XChangeWindowAttributes(display, glfwGetX11Window(cover), CWOverrideRedirect | CWBackPixel,
                          &attributes);
  glfwSetWindowFocusCallback(cover, OnFocus);
  return cover;
}

void PlaceCover(GLFWwindow* cover, int x, int y, int width, int height, bool /*aboveAll*/) {
  Display* display = glfwGetX11Display();
  const Window handle = glfwGetX11Window(cover);
  XMoveResizeWindow(display, handle, x, y, static_cast<unsigned>(width),
                    static_cast<unsigned>(height));
  XMapRaised(display, handle);
  XFlush(display);
}
