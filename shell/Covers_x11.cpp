// X11: the covers are override-redirect windows: no window manager frames,
// moves or lists them, and each is mapped above the others. Their
// background pixel is black, so the X server itself paints every expose.
// Nothing gives such a window the focus, and a window manager may keep the
// focus from the clock's window too (focus-stealing prevention): the run
// grabs the keyboard and the pointer instead, as XScreenSaver does.
#include "shell/Covers.h"

#include <X11/Xlibint.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

namespace {

// The focus leaving one of the run's windows for another of them (a cover)
// does not end the run; leaving for any other window does. The focus
// events of a grab itself (NotifyGrab, NotifyUngrab) never get here: the
// library drops them.
void OnFocus(GLFWwindow* /*window*/, int focused) {
  if (focused == GLFW_TRUE) return;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(glfwGetX11Display(), &focus, &revert);
  if (!IsRunWindow(focus)) std::exit(0);
}

using WireToEvent = Bool (*)(Display*, XEvent*, xEvent*);
WireToEvent readRandrEvent = nullptr;

// Every RandR notification passes here as Xlib reads it off the wire,
// before the library handles it (the library only looks for monitors that
// came or went).
Bool NoteRandrEvent(Display* display, XEvent* event, xEvent* wire) {
  NoteMonitorChange();
  return readRandrEvent(display, event, wire);
}

}  // namespace

void WatchMonitorChanges() {
  Display* display = glfwGetX11Display();
  int opcode = 0, events = 0, errors = 0;
  if (readRandrEvent != nullptr || display == nullptr ||
      !XQueryExtension(display, "RANDR", &opcode, &events, &errors)) {
    return;
  }
  // The library asks the root for output changes; CRTC changes carry new
  // modes, positions and rotations. The X server keeps a client's first
  // selection on a window whatever it asks next, unless that asks for
  // nothing: the library's is dropped, then made anew, widened.
  const Window root = DefaultRootWindow(display);
  XRRSelectInput(display, root, 0);
  XRRSelectInput(display, root, RROutputChangeNotifyMask | RRCrtcChangeNotifyMask);
  readRandrEvent = XESetWireToEvent(display, events + RRNotify, NoteRandrEvent);
}

// The library reads RandR's CRTC afresh on every call; the mode it gives
// is already turned with the CRTC's rotation.
ScreenRect MonitorArea(GLFWmonitor* monitor) {
  ScreenRect area;
  const GLFWvidmode* mode = glfwGetVideoMode(monitor);
  if (mode == nullptr) return area;
  glfwGetMonitorPos(monitor, &area.x, &area.y);
  area.width = mode->width;
  area.height = mode->height;
  return area;
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
  return cover;
}

void PlaceCover(GLFWwindow* cover, const ScreenRect& area, bool /*aboveAll*/) {
  Display* display = glfwGetX11Display();
  const Window handle = glfwGetX11Window(cover);
  XMoveResizeWindow(display, handle, area.x, area.y, static_cast<unsigned>(area.width),
                    static_cast<unsigned>(area.height));
  XMapRaised(display, handle);
  XFlush(display);
}

void EndRunOnFocusLoss(GLFWwindow* window) { glfwSetWindowFocusCallback(window, OnFocus); }

// Every key and button goes to `window` (owner_events False), whichever
// window has the focus or the pointer; the pointer's motion is not asked
// for. A window that a window manager has yet to map is waited for; another
// program's grab (an open menu) is retried for a second, the first time.
void TakeInput(GLFWwindow* window) {
  static bool othersHold = false;
  Display* display = glfwGetX11Display();
  const Window handle = glfwGetX11Window(window);
  int keyboard = GrabNotViewable, pointer = GrabNotViewable;
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (keyboard != GrabSuccess) {
      keyboard = XGrabKeyboard(display, handle, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    }
    if (pointer != GrabSuccess) {
      pointer = XGrabPointer(display, handle, False, ButtonPressMask | ButtonReleaseMask,
                             GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    }
    if (keyboard == GrabSuccess && pointer == GrabSuccess) return;
    if (othersHold && keyboard != GrabNotViewable && pointer != GrabNotViewable) break;
    usleep(20000);
  }
  if (othersHold) return;
  othersHold = true;
  const bool held = keyboard == AlreadyGrabbed || keyboard == GrabFrozen ||
                    pointer == AlreadyGrabbed || pointer == GrabFrozen;
  std::fprintf(stderr, "morvane: could not grab the %s (%s); running without\n",
               keyboard != GrabSuccess && pointer != GrabSuccess ? "keyboard and the pointer"
               : keyboard != GrabSuccess                         ? "keyboard"
                                                                 : "pointer",
               held ? "another program holds it" : "the window is not shown");
}

// Standard error does not wait for anyone: the covers stay until the run
// ends as any run does, inside the event handling.
void HoldCovers() {
  while (HaveCovers()) {
    glfwWaitEvents();
    TendCovers();
  }
}
