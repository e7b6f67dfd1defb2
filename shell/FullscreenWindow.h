// Platform seam: the full-screen window of "/s" and of a run without
// switches, made as a screensaver's. Left to its defaults, the windowing
// library makes a game's window: it keeps the display on, swallows the
// monitor's power-off, minimises the window when it loses the focus,
// centres the pointer and may switch the display to its fastest mode.
#pragma once

struct GLFWmonitor;
struct GLFWwindow;

// Makes the full-screen window on `monitor` in the monitor's current mode
// (its size, as asked, and its refresh rate), leaving the pointer where it
// is. Losing the focus ends the run with status 0; while the clock shows,
// the display may power off on the system's schedule, but no other
// screensaver starts over it. Null when the library cannot make it.
GLFWwindow* CreateFullscreenWindow(int width, int height, const char* title,
                                   GLFWmonitor* monitor);

// The library hints of that window, common to every platform
// (FullscreenWindow.cpp).
void SetFullscreenHints(GLFWmonitor* monitor);
