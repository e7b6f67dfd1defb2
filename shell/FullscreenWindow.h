// Platform seam: the full-screen window of "/s" and of a run without
// switches, made as a screensaver's. Left to its defaults, the windowing
// library makes a game's window: it keeps the display on, swallows the
// monitor's power-off, minimises the window when it loses the focus,
// centres the pointer, may switch the display to its fastest mode, and
// turns the window into an ordinary one, with the desktop around it, when
// its monitor leaves the system (as many DisplayPort monitors do when they
// sleep). And it covers one monitor only: the others would go on showing
// the desktop, and whatever is open on it, for as long as the clock runs
// (Covers.h covers them).
#pragma once

#include "shell/GlfwAppWindow.h"

struct GLFWmonitor;
struct GLFWwindow;

// Makes the full-screen window on `monitor` in the monitor's current mode
// (its size, as asked, and its refresh rate), leaving the pointer where it
// is. Every other monitor is covered in black for the whole run; until the
// window is made `monitor` is covered too, so that a failure's messages
// show above black everywhere. The run owns the keyboard and the pointer.
// Losing the focus to another program, or the monitor, ends the run with
// status 0; while the clock shows, the display may power off on the
// system's schedule, but no other screensaver starts over it. Null when the
// library cannot make it.
GLFWwindow* CreateFullscreenWindow(int width, int height, const char* title,
                                   GLFWmonitor* monitor);

// The full-screen window as the main loop drives it: once its events are
// handled, the covers follow the monitors' changes (Covers.h), and the
// clock is drawn again after they moved. Its frames are whole and swapped,
// each at its vertical blank (it keeps no picture).
class FullscreenAppWindow final : public GlfwAppWindow {
 public:
  using GlfwAppWindow::GlfwAppWindow;
  void PollEvents() override;
  void WaitEvents(double seconds) override;
  bool TakeExposed() override;

 private:
  bool coversMoved_ = false;
};

// The full-screen hints of the library for `monitor` (FullscreenWindow.cpp),
// before the window is made: never minimised, the pointer left where it is,
// the monitor's current mode kept.
void SetFullscreenHints(GLFWmonitor* monitor);
