// Windows: the library holds ES_DISPLAY_REQUIRED while its full-screen
// window owns the monitor, and its window procedure swallows SC_MONITORPOWER
// and SC_SCREENSAVE for such windows. The execution state is cleared once the
// window is made; the window procedure is subclassed to hand SC_MONITORPOWER
// to DefWindowProc (SC_SCREENSAVE stays refused) and to end the run when
// the program is deactivated, as Windows' own screensavers do. The library
// also gives the window WS_EX_APPWINDOW and shows it inside glfwCreateWindow,
// so the shell would give it a taskbar button; a message hook of this thread
// makes it a tool window at WM_CREATE, before it is first shown. The shell's
// own guess at which windows are full screen is unreliable (the more so for a
// tool window), so the window is marked full screen to the taskbar, which
// then stays below it whenever it is active.
//
// The covers are the library's windows without a context, undecorated,
// made tool windows by the same hook, and topmost once the clock shows
// (until then a message box must come above them). The library's window class
// has no background brush and its procedure swallows WM_ERASEBKGND, so a
// cover's own procedure paints it black, on WM_PAINT only (the system asks
// on every expose). Like the clock they end the run when the program is
// deactivated and refuse SC_SCREENSAVE; SC_MONITORPOWER reaches
// DefWindowProc, as for any window that is not full screen. Until the clock's
// window is made, a key ends the run even while one of the library's error
// boxes has the keyboard.
#include "shell/FullscreenWindow.h"

#include <windows.h>
#include <shobjidl.h>

#include <cstdlib>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_WIN32
#include <GLFW/glfw3native.h>

#include "shell/Foreground_win32.h"

namespace {

WNDPROC libraryProcedure = nullptr;

LRESULT CALLBACK ScreensaverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATEAPP:
      if (wParam == FALSE) std::exit(0);  // another program has the foreground
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

// Makes the library's window a tool window (no taskbar button, no Alt+Tab
// entry) once it is created, before it is shown.
LRESULT CALLBACK MakeToolWindow(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* call = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_CREATE) {
    const LONG_PTR style = GetWindowLongPtrW(call->hwnd, GWL_EXSTYLE);
    if ((style & WS_EX_APPWINDOW) != 0) {
      SetWindowLongPtrW(call->hwnd, GWL_EXSTYLE, (style & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
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

WNDPROC coverLibraryProcedure = nullptr;

LRESULT CALLBACK CoverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATEAPP:
      if (wParam == FALSE) std::exit(0);
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

// Any key pressed or repeated on this thread ends the run; a release of a
// key held from before does not.
LRESULT CALLBACK EndOnKeyPress(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && (lParam & 0x80000000) == 0) std::exit(0);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

GLFWwindow* CreateCoverWindow(int width, int height, const char* title) {
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, MakeToolWindow, nullptr, GetCurrentThreadId());
  GLFWwindow* cover = glfwCreateWindow(width, height, title, nullptr, nullptr);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  if (cover == nullptr) return nullptr;
  coverLibraryProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      glfwGetWin32Window(cover), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CoverProcedure)));
  return cover;
}

void PlaceCover(GLFWwindow* cover, int x, int y, int width, int height, bool aboveAll) {
  HWND handle = glfwGetWin32Window(cover);
  SetWindowPos(handle, aboveAll ? HWND_TOPMOST : HWND_TOP, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(handle);
}

// The library's error box and "Failed to open window" were modal: they
// waited for the user, above the covers.
void HoldCovers() {}

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
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, MakeToolWindow, nullptr, GetCurrentThreadId());
  GLFWwindow* window = glfwCreateWindow(width, height, title, monitor, nullptr);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  if (window == nullptr) return nullptr;
  if (keys != nullptr) UnhookWindowsHookEx(keys);
  SetThreadExecutionState(ES_CONTINUOUS);
  if (trailsKept) SystemParametersInfoW(SPI_SETMOUSETRAILS, trails, nullptr, 0);
  HWND handle = glfwGetWin32Window(window);
  libraryProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ScreensaverProcedure)));
  MarkFullscreenForTaskbar(handle);
  EndRunWithMonitor(window, monitor);
  EndRunUnlessForeground(handle);
  return window;
}
