// Platform seam: whether the display that shows the run is powered off, so
// that nothing is drawn that nobody can see.
//   Windows: the window is told, in WM_POWERBROADCAST, once registered for
//            the display's state (Windows 8 and later): the console's
//            display, or the session's own where that reports (a remote
//            session). Dimmed counts as on; without a registration the
//            display counts as on.
//   X11:     the DPMS power level of the server's monitors (DPMSInfo):
//            standby, suspend and off count as off; a server without DPMS,
//            or with it disabled, is on. A look is a round trip to the
//            server, so it is taken once a second at most.
#pragma once

#include <cstdint>

#include "shell/FramePacing.h"

// Starts watching the display for the run's window `window` (HWND, X11
// Window).
DisplayWatch WatchDisplay(std::uintptr_t window);
