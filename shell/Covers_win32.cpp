// Windows: the covers are the library's windows without a context,
// undecorated, made tool windows (ToolWindow_win32.h), and topmost once the
// clock shows (until then a message box must come above them). The
// library's window class has no background brush and its procedure swallows
// WM_ERASEBKGND, so a cover's own procedure paints it black, on WM_PAINT
// only (the system asks on every expose). Like the clock they end the run
// when the program is deactivated and refuse SC_SCREENSAVE; SC_MONITORPOWER
// reaches DefWindowProc, as for any window that is not full screen. The
// library hears of monitors that come or go, not of a new mode or position:
// every procedure of the run reports WM_DISPLAYCHANGE.
#include "shell/Covers.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_WIN32
#include <GLFW/glfw3native.h>

#include "shell/ToolWindow_win32.h"

namespace {

WNDPROC coverLibraryProcedure = nullptr;

LRESULT CALLBACK CoverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATEAPP:
      if (wParam == FALSE) std::exit(0);
      break;
    case WM_DISPLAYCHANGE:
      NoteMonitorChange();
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT paints all of it
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      EndPaint(window, &paint);
      return 0;
    }
    default:
      break;
  }
  return CallWindowProcW(coverLibraryProcedure, window, message, wParam, lParam);
}

}  // namespace

void WatchMonitorChanges() {}

namespace {

struct FindMonitor {
  const char* adapter;
  RECT rect;
  bool found;
};

BOOL CALLBACK MatchAdapter(HMONITOR handle, HDC /*dc*/, LPRECT /*clip*/, LPARAM data) {
  FindMonitor* find = reinterpret_cast<FindMonitor*>(data);
  MONITORINFOEXA info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(handle, &info) && std::strcmp(info.szDevice, find->adapter) == 0) {
    find->rect = info.rcMonitor;
    find->found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// The monitor's rectangle on the desktop, as the system lays out windows
// (turned with the monitor): the library reads the position and mode from
// the display settings, which a running process may see late after a
// change (Wine keeps them until its desktop process looks again).
ScreenRect MonitorArea(GLFWmonitor* monitor) {
  FindMonitor find{glfwGetWin32Adapter(monitor), {}, false};
  ScreenRect area;
  if (find.adapter == nullptr) return area;
  EnumDisplayMonitors(nullptr, nullptr, MatchAdapter, reinterpret_cast<LPARAM>(&find));
  if (!find.found) return area;
  area.x = find.rect.left;
  area.y = find.rect.top;
  area.width = find.rect.right - find.rect.left;
  area.height = find.rect.bottom - find.rect.top;
  return area;
}

GLFWwindow* CreateCoverWindow(int width, int height, const char* title) {
  GLFWwindow* cover = CreateToolWindow(width, height, title, nullptr);
  if (cover == nullptr) return nullptr;
  coverLibraryProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      glfwGetWin32Window(cover), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CoverProcedure)));
  return cover;
}

void PlaceCover(GLFWwindow* cover, const ScreenRect& area, bool aboveAll) {
  HWND handle = glfwGetWin32Window(cover);
  SetWindowPos(handle, aboveAll ? HWND_TOPMOST : HWND_TOP, area.x, area.y, area.width,
               area.height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(handle);
}

void EndRunOnFocusLoss(GLFWwindow* /*window*/) {}
void TakeInput(GLFWwindow* /*window*/) {}

// The library's error box and "Failed to open window" were modal: they
// waited for the user, above the covers.
void HoldCovers() {}
