// Platform seam: the full-screen window of "/s" and of a run without
// switches, made as a screensaver's. Left to its defaults, the windowing
// library makes a game's window: it keeps the display on, swallows the
// monitor's power-off, minimises the window when it loses the focus,
// centres the pointer, may switch the display to its fastest mode, and
// turns the window into an ordinary one, with the desktop around it, when
// its monitor leaves the system (as many DisplayPort monitors do when they
// sleep).
#pragma once

struct GLFWmonitor;
struct GLFWwindow;

// Makes the full-screen window on `monitor` in the monitor's current mode
// (its size, as asked, and its refresh rate), leaving the pointer where it
// is. Losing the focus, or the monitor, ends the run with status 0; while
// the clock shows, the display may power off on the system's schedule, but
// no other screensaver starts over it. Null when the library cannot make it.
GLFWwindow* CreateFullscreenWindow(int width, int height, const char* title,
                                   GLFWmonitor* monitor);

// What that window is on every platform (FullscreenWindow.cpp): its library
// hints, before it is made, and, once it is made, the end of the run when
// `monitor` disconnects. The library has then already made the window an
// ordinary one; a screensaver without its monitor ends, and the system
// starts it again once it is idle with a display.
void SetFullscreenHints(GLFWmonitor* monitor);
void EndRunWithMonitor(GLFWmonitor* monitor);
