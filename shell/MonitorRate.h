// Platform seam: the refresh rate of the monitor that shows a window, as
// exactly as the system tells it.
#pragma once

#include <cstdint>

#include "shell/FramePacing.h"

// `window` is a native handle (HWND, X11 Window): the full-screen window, or
// the preview's, which may sit on any monitor. 60 Hz when nothing is known.
//   Windows: the monitor that MonitorFromWindow names; its vertical sync
//            frequency from the display configuration (a ratio, such as
//            60000/1001), else the display settings' whole Hz (cut).
//   X11:     the monitor that holds the window's centre, by GLFW's monitor
//            positions; GLFW rounds RandR's rate to whole Hz.
DisplayRate RefreshRateShowing(std::uintptr_t window);
