// Windows: the library holds ES_DISPLAY_REQUIRED while its full-screen
// window owns the monitor, and its window procedure swallows SC_MONITORPOWER
// and SC_SCREENSAVE for such windows. The execution state is cleared once the
// window is made; the window procedure is subclassed to hand SC_MONITORPOWER
// to DefWindowProc (SC_SCREENSAVE stays refused), to end the run when the
// program is deactivated, as Windows' own screensavers do, and to report
// WM_DISPLAYCHANGE to the covers (Covers_win32.cpp). The library also gives
// the window WS_EX_APPWINDOW and shows it inside glfwCreateWindow, so the
// shell would give it a taskbar button: it is made a tool window
// (ToolWindow_win32.h). The shell's own guess at which windows are full
// screen is unreliable (the more so for a tool window), so the window is
// marked full screen to the taskbar, which then stays below it whenever it is
// active. Until the clock's window is made, a key ends the run even while
// one of the library's error boxes has the keyboard.
#include "shell/FullscreenWindow.h"

#include <windows.h>
#include <shobjidl.h>

#include <cstdlib>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_WIN32
#include <GLFW/glfw3native.h>

#include "shell/Covers.h"
#include "shell/Foreground_win32.h"
#include "shell/ToolWindow_win32.h"

namespace {

WNDPROC libraryProcedure = nullptr;

LRESULT CALLBACK ScreensaverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATEAPP:
      if (wParam == FALSE) std::exit(0);  // another program has the foreground
      break;
    case WM_DISPLAYCHANGE:
      NoteMonitorChange();
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MONITORPOWER) {
        return DefWindowProcW(window, message, wParam, lParam);
      }
      if ((wParam & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    case WM_SIZE: {
      // Restored from minimised, the library asks for the display again.
      const LRESULT result = CallWindowProcW(libraryProcedure, window, message, wParam, lParam);
      SetThreadExecutionState(ES_CONTINUOUS);
      return result;
    }
    default:
      break;
  }
  return CallWindowProcW(libraryProcedure, window, message, wParam, lParam);
}

// ITaskbarList2::MarkFullscreenWindow, through COM on this thread, which
// stays initialised for the rest of the run (DirectSound is made on it too).
// The mark is the shell's; the object that sets it is released at once.
void MarkFullscreenForTaskbar(HWND window) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ITaskbarList2* taskbar = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList2,
                              reinterpret_cast<void**>(&taskbar)))) {
    return;
  }
  if (SUCCEEDED(taskbar->HrInit())) taskbar->MarkFullscreenWindow(window, TRUE);
  taskbar->Release();
}

// Any key pressed or repeated on this thread ends the run; a release of a
// key held from before does not.
LRESULT CALLBACK EndOnKeyPress(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && (lParam & 0x80000000) == 0) std::exit(0);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

GLFWwindow* CreateFullscreenWindow(int width, int height, const char* title,
                                   GLFWmonitor* monitor) {
  // The library turns mouse trails off for its full-screen windows until
  // the window is destroyed; the pointer is hidden over the clock anyway.
  UINT trails = 0;
  const bool trailsKept = SystemParametersInfoW(SPI_GETMOUSETRAILS, 0, &trails, 0) != 0;
  CoverEveryMonitor(monitor);
  HHOOK keys = HaveCovers() ? SetWindowsHookExW(WH_KEYBOARD, EndOnKeyPress, nullptr,
                                                GetCurrentThreadId())
                            : nullptr;
  SetFullscreenHints(monitor);
  GLFWwindow* window = CreateToolWindow(width, height, title, monitor);
  if (window == nullptr) return nullptr;
  if (keys != nullptr) UnhookWindowsHookEx(keys);
  SetThreadExecutionState(ES_CONTINUOUS);
  if (trailsKept) SystemParametersInfoW(SPI_SETMOUSETRAILS, trails, nullptr, 0);
  HWND handle = glfwGetWin32Window(window);
  libraryProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ScreensaverProcedure)));
  MarkFullscreenForTaskbar(handle);
  CoverAroundClock(window, monitor);
  EndRunUnlessForeground(handle);
  return window;
}
