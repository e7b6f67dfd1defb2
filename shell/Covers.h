// Platform seam: the covers of a full-screen run. While the run shows, every
// monitor but the clock's is black under a window of its own (every monitor
// until the clock's window is made, and where it cannot be), for the run's
// whole length: as monitors come and go, change mode, move or turn. The run
// owns the keyboard and the pointer: a key or a button over any of its
// windows ends it, as does the focus leaving them for another program's.
#pragma once

#include <cstdint>

struct GLFWmonitor;
struct GLFWwindow;

// Covers every monitor, and from now on follows their changes. The input
// is taken in the covers until the clock's window is made.
void CoverEveryMonitor(GLFWmonitor* monitor);
// The clock shows in `clock` on `monitor`: that monitor's cover goes, the
// input is taken in the clock's window, and the run ends with status 0 when
// `monitor` disconnects. The library has then already made the window an
// ordinary one; a screensaver without its monitor ends, and the system
// starts it again once it is idle with a display.
void CoverAroundClock(GLFWwindow* clock, GLFWmonitor* monitor);
// Brings the covers up to date with the monitors after any change since the
// last call; whether it did. Called once events are handled: windows are
// never made or destroyed inside the library's callbacks.
bool TendCovers();
bool HaveCovers();
// Whether a native window handle is the run's own (the clock's or a cover).
bool IsRunWindow(std::uintptr_t handle);

// The platform side's report of a change of the monitors (one came or went,
// took a new mode, position or rotation): the covers are laid out again
// once events are handled.
void NoteMonitorChange();

// A rectangle of the desktop, in screen coordinates.
struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
// Where the cover of `monitor` goes beside the clock on `clock`: the whole
// monitor, or where the two overlap (a mirrored or overlapping layout) the
// largest band of it that stays clear of the clock's monitor; empty when
// the monitor shows nothing but the clock.
ScreenRect CoverArea(const ScreenRect& monitor, const ScreenRect& clock);

// The platform side.
//
// Starts the reports of monitor changes that the library does not make: it
// reports monitors connected and disconnected only. X11: RandR's CRTC
// notifications (a new mode, position or rotation). Windows: the
// procedures of the run's windows report WM_DISPLAYCHANGE themselves.
void WatchMonitorChanges();
// The monitor's place on the desktop and the size of its current mode, as
// the system has it now; empty where the monitor has none.
ScreenRect MonitorArea(GLFWmonitor* monitor);
// A hidden, undecorated window of the library without a context, made black
// (the system paints it so on every expose, with no frame of ours) and kept
// off the taskbar. Null when the library cannot make it.
GLFWwindow* CreateCoverWindow(int width, int height, const char* title);
// Places a cover over `area` and shows it above other windows without
// taking the focus: above all, even other topmost ones, once the clock
// shows (`aboveAll`); before that a failure's messages must come above it.
void PlaceCover(GLFWwindow* cover, const ScreenRect& area, bool aboveAll);
// Ends the run when the focus leaves `window` for a window not the run's.
// Windows: the procedures end it when the program is deactivated.
void EndRunOnFocusLoss(GLFWwindow* window);
// Takes the keyboard and the pointer for the run's windows, reported to
// `window`, so that keys and buttons reach the run wherever the focus is.
// X11: grabs both; where another program holds a grab, retries for a
// second, then runs without and says so on standard error. Windows: keys
// reach the foreground window, which the run holds (Foreground_win32.h).
void TakeInput(GLFWwindow* window);
// After the messages of a window that could not be made: keeps the covers
// up until a key, a button or another program's focus ends the run, where
// the messages did not wait for that themselves (X11 reports them on
// standard error; Windows' boxes are modal). Returns at once without covers.
void HoldCovers();
