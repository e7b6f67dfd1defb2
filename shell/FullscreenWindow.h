// Platform seam: the full-screen window of "/s" and of a run without
// switches, made as a screensaver's. Left to its defaults, the windowing
// library makes a game's window: it keeps the display on, swallows the
// monitor's power-off, minimises the window when it loses the focus,
// centres the pointer, may switch the display to its fastest mode, and
// turns the window into an ordinary one, with the desktop around it, when
// its monitor leaves the system (as many DisplayPort monitors do when they
// sleep). And it covers one monitor only: the others would go on showing
// the desktop, and whatever is open on it, for as long as the clock runs.
#pragma once

#include <cstdint>

#include "shell/GlfwAppWindow.h"

struct GLFWmonitor;
struct GLFWwindow;

// Makes the full-screen window on `monitor` in the monitor's current mode
// (its size, as asked, and its refresh rate), leaving the pointer where it
// is. Every other monitor is covered in black for the whole run, as
// monitors come and go; until the window is made `monitor` is covered too,
// so that a failure's messages show above black everywhere. Losing the
// focus to another program, or the monitor, ends the run with status 0;
// while the clock shows, the display may power off on the system's
// schedule, but no other screensaver starts over it. Null when the library
// cannot make it.
GLFWwindow* CreateFullscreenWindow(int width, int height, const char* title,
                                   GLFWmonitor* monitor);

// The full-screen window as the main loop drives it: once its events are
// handled, the covers follow the monitors that came or went (windows are
// never made or destroyed inside the library's callbacks), and the clock is
// drawn again after they moved. Its frames are whole and swapped, each at its
// vertical blank (it keeps no picture).
class FullscreenAppWindow final : public GlfwAppWindow {
 public:
  using GlfwAppWindow::GlfwAppWindow;
  void PollEvents() override;
  void WaitEvents(double seconds) override;
  bool TakeExposed() override;

 private:
  bool coversMoved_ = false;
};

// After the messages of a window that could not be made: keeps the black
// covers up until a key, a button or another program's focus ends the run,
// where the messages did not wait for that themselves (X11 reports them on
// standard error; Windows' boxes are modal). Returns at once without covers.
void HoldCovers();

// What that window is on every platform (FullscreenWindow.cpp): its library
// hints, before it is made; the covers, before it is made and once it is
// (`window` on `monitor`); and, from then on, the end of the run when
// `monitor` disconnects. The library has then already made the window an
// ordinary one; a screensaver without its monitor ends, and the system
// starts it again once it is idle with a display.
void SetFullscreenHints(GLFWmonitor* monitor);
void CoverEveryMonitor(GLFWmonitor* monitor);
void EndRunWithMonitor(GLFWwindow* window, GLFWmonitor* monitor);
// Brings the covers up to date with the monitors, if one came or went;
// whether it did.
bool TendCovers();
bool HaveCovers();
// Whether a native window handle is the run's own (the clock's or a cover).
bool IsRunWindow(std::uintptr_t handle);

// The covers' platform side: a hidden, undecorated window of the library
// without a context, made black (the system paints it so on every expose,
// with no frame of ours) and kept off the taskbar; then placed over a
// monitor, shown above other windows without taking the focus: above all,
// even other topmost ones, once the clock shows (`aboveAll`); before that
// a failure's messages must come above them.
GLFWwindow* CreateCoverWindow(int width, int height, const char* title);
void PlaceCover(GLFWwindow* cover, int x, int y, int width, int height, bool aboveAll);
