#include "shell/ToolWindow_win32.h"

#include <windows.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

namespace {

// A message hook of this thread, set around the library's call.
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

}  // namespace

GLFWwindow* CreateToolWindow(int width, int height, const char* title, GLFWmonitor* monitor) {
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, MakeToolWindow, nullptr, GetCurrentThreadId());
  GLFWwindow* window = glfwCreateWindow(width, height, title, monitor, nullptr);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  return window;
}
