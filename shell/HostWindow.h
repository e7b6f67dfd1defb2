// Platform seam: the preview host window (the small window of the system's
// screensaver settings, given as "/p HANDLE") and the window-and-context
// layer that draws into it.
#pragma once

#include <cstdint>

class AppWindow;
class GlfwAppWindow;

// The host's client size in pixels; false when the handle names no window.
bool HostClientSize(std::uintptr_t host, int* width, int* height);

// Binds an OpenGL 3.0 context to the host window (or to a child that exactly
// covers it) without creating a top-level window. Size changes of the host
// reach OnWindowSize; HostGone() turns true once the host is disabled or
// destroyed. Null, after a report through OnLibraryError that says why, when
// the windowing library did not start, the handle names no window or no
// context could be made.
AppWindow* AdoptHostWindow(std::uintptr_t host);

// For a run that a Linux screensaver host owns, after a failure: keeps the
// host's window black (a plain child covering it) and waits until the host
// ends the run: SIGTERM, the window destroyed, or the display gone; each of
// these ends the process with status 0. Never returns.
[[noreturn]] void HoldHostWindow(std::uintptr_t host);

// The ordinary resizable window of `--window` (X11): width x height, titled
// `title`, its frames drawn in part where the screen can show a part alone
// (KeptPicture_x11.h), and then single-sampled. Null when the library cannot
// make it. No Windows switch asks for it.
GlfwAppWindow* OpenDesktopWindow(int width, int height, const char* title);
