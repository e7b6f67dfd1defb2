// The preview on Windows: the host (the small picture in the screensaver
// settings) belongs to another process, so its window procedure cannot be
// replaced from here. The clock draws into a child window of ours that covers
// the host's client area exactly, with a WGL context of OpenGL 3.0 on it. The
// child follows the host's size on every event poll and reports each change
// to OnWindowSize; a key or mouse button on it ends the run as on the full
// screen.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "shell/AppWindow.h"
#include "shell/HostWindow.h"
#include "shell/ScreensaverApp.h"

namespace {

// WGL_ARB_pixel_format, WGL_ARB_multisample, WGL_ARB_create_context(_robustness).
constexpr int kDrawToWindow = 0x2001;
constexpr int kSupportOpenGl = 0x2010;
constexpr int kDoubleBuffer = 0x2011;
constexpr int kPixelType = 0x2013;
constexpr int kTypeRgba = 0x202B;
constexpr int kColorBits = 0x2014;
constexpr int kAlphaBits = 0x201B;
constexpr int kDepthBits = 0x2022;
constexpr int kStencilBits = 0x2023;
constexpr int kAcceleration = 0x2003;
constexpr int kFullAcceleration = 0x2027;
constexpr int kSampleBuffers = 0x2041;
constexpr int kSamples = 0x2042;
constexpr int kContextMajorVersion = 0x2091;
constexpr int kContextMinorVersion = 0x2092;
constexpr int kContextFlags = 0x2094;
constexpr int kContextRobustAccess = 0x0004;
constexpr int kResetNotificationStrategy = 0x8256;
constexpr int kLoseContextOnReset = 0x8252;

using ChoosePixelFormatArb = BOOL(WINAPI*)(HDC, const int*, const FLOAT*, UINT, int*, UINT*);
using CreateContextAttribsArb = HGLRC(WINAPI*)(HDC, HGLRC, const int*);
using SwapIntervalExt = BOOL(WINAPI*)(int);
using GetExtensionsStringArb = const char*(WINAPI*)(HDC);

// wglGetProcAddress answers with a generic PROC; the void* step keeps the
// cast to the real signature explicit.
template <class Function>
Function WglFunction(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

constexpr char kChildClass[] = "MorvanePreviewWindow";
constexpr char kHelperClass[] = "MorvaneWglHelper";

bool HasExtension(const char* list, const char* name) {
  if (list == nullptr) return false;
  const std::size_t length = std::strlen(name);
  for (const char* p = list; *p != '\0';) {
    while (*p == ' ') ++p;
    const char* end = p;
    while (*end != '\0' && *end != ' ') ++end;
    if (static_cast<std::size_t>(end - p) == length && std::strncmp(p, name, length) == 0) {
      return true;
    }
    p = end;
  }
  return false;
}

// The WGL extension functions, read through a throw-away context on a hidden
// helper window (a window's pixel format can be set only once, so the
// preview child itself cannot serve).
struct WglExtensions {
  ChoosePixelFormatArb choosePixelFormat = nullptr;
  CreateContextAttribsArb createContextAttribs = nullptr;
  SwapIntervalExt swapInterval = nullptr;
  bool multisample = false;
  bool robustness = false;
};

PIXELFORMATDESCRIPTOR BasicPixelFormat() {
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cAlphaBits = 8;
  pfd.cDepthBits = 24;
  pfd.cStencilBits = 8;
  pfd.iLayerType = PFD_MAIN_PLANE;
  return pfd;
}

WglExtensions ReadWglExtensions(HINSTANCE instance) {
  WglExtensions ext;
  WNDCLASSA helperClass{};
  helperClass.style = CS_OWNDC;
  helperClass.lpfnWndProc = DefWindowProcA;
  helperClass.hInstance = instance;
  helperClass.lpszClassName = kHelperClass;
  RegisterClassA(&helperClass);
  HWND helper = CreateWindowExA(0, kHelperClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                instance, nullptr);
  if (helper == nullptr) return ext;
  HDC dc = GetDC(helper);
  const PIXELFORMATDESCRIPTOR pfd = BasicPixelFormat();
  const int format = ChoosePixelFormat(dc, &pfd);
  HGLRC context = nullptr;
  if (format != 0 && SetPixelFormat(dc, format, &pfd)) context = wglCreateContext(dc);
  if (context != nullptr && wglMakeCurrent(dc, context)) {
    auto extensionsString =
        WglFunction<GetExtensionsStringArb>("wglGetExtensionsStringARB");
    const char* extensions = extensionsString != nullptr ? extensionsString(dc) : nullptr;
    ext.choosePixelFormat =
        WglFunction<ChoosePixelFormatArb>("wglChoosePixelFormatARB");
    ext.createContextAttribs =
        WglFunction<CreateContextAttribsArb>("wglCreateContextAttribsARB");
    ext.swapInterval = WglFunction<SwapIntervalExt>("wglSwapIntervalEXT");
    ext.multisample = HasExtension(extensions, "WGL_ARB_multisample");
    ext.robustness = HasExtension(extensions, "WGL_ARB_create_context_robustness");
    wglMakeCurrent(nullptr, nullptr);
  }
  if (context != nullptr) wglDeleteContext(context);
  ReleaseDC(helper, dc);
  DestroyWindow(helper);
  return ext;
}

class HostedWindow final : public AppWindow {
 public:
  HostedWindow(HWND host, HWND child, HDC dc, HGLRC context, SwapIntervalExt swapInterval)
      : host_(host), child_(child), dc_(dc), context_(context), swapInterval_(swapInterval) {}

  void MakeContextCurrent() override { wglMakeCurrent(dc_, context_); }
  void SetSwapInterval(int interval) override {
    if (swapInterval_ != nullptr) swapInterval_(interval);
  }
  void HideCursor() override { hideCursor = true; }
  void SwapBuffers() override { ::SwapBuffers(dc_); }
  void PollEvents() override {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) closeRequested = true;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    FollowHostSize();
  }
  // The host disables its window without a message to ours: a wait ends in
  // time to see it.
  void WaitEvents(double seconds) override {
    if (seconds > 0.0) {
      const double milliseconds = std::ceil(std::fmin(seconds, kHostLookSeconds) * 1000.0);
      MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(milliseconds), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
    }
    PollEvents();
  }
  bool TakeExposed() override {
    const bool was = exposed;
    exposed = false;
    return was;
  }
  bool ShouldClose() override { return closeRequested; }
  bool HostGone() override { return !IsWindow(child_) || !IsWindowEnabled(host_); }
  std::uintptr_t NativeHandle() override { return reinterpret_cast<std::uintptr_t>(child_); }

  static bool hideCursor;
  static bool closeRequested;
  static bool exposed;

 private:
  static constexpr double kHostLookSeconds = 0.25;

  // The child keeps to the host's client area; MoveWindow sends WM_SIZE,
  // which reaches OnWindowSize.
  void FollowHostSize() {
    RECT hostRect, childRect;
    if (!GetClientRect(host_, &hostRect) || !GetClientRect(child_, &childRect)) return;
    if (hostRect.right - hostRect.left != childRect.right - childRect.left ||
        hostRect.bottom - hostRect.top != childRect.bottom - childRect.top) {
      MoveWindow(child_, 0, 0, hostRect.right - hostRect.left, hostRect.bottom - hostRect.top,
                 TRUE);
    }
  }

  HWND host_;
  HWND child_;
  HDC dc_;
  HGLRC context_;
  SwapIntervalExt swapInterval_;
};

bool HostedWindow::hideCursor = false;
bool HostedWindow::closeRequested = false;
bool HostedWindow::exposed = false;

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      OnWindowSize(nullptr, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      OnKey(nullptr, static_cast<int>(wParam), 0, 0, 0);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
      OnMouseButton(nullptr, 0, 0, 0);
      return 0;
    case WM_SETCURSOR:
      if (HostedWindow::hideCursor && LOWORD(lParam) == HTCLIENT) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      HostedWindow::closeRequested = true;
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the clock paints every pixel
    case WM_PAINT: {
      // What was on the window is gone: the next frame draws it whole.
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      HostedWindow::exposed = true;
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool HostClientSize(std::uintptr_t host, int* width, int* height) {
  HWND window = reinterpret_cast<HWND>(host);
  RECT rect;
  if (window == nullptr || !IsWindow(window) || !GetClientRect(window, &rect)) return false;
  *width = rect.right - rect.left;
  *height = rect.bottom - rect.top;
  return true;
}

namespace {

// Says why an adoption failed, the way the windowing library reports its own
// errors (an "Error" box), and gives no window.
AppWindow* Refuse(const char* format, std::uintptr_t window = 0) {
  char text[200];
  std::snprintf(text, sizeof text, format, static_cast<unsigned long long>(window));
  OnLibraryError(GLFW_PLATFORM_ERROR, text);
  return nullptr;
}

}  // namespace

AppWindow* AdoptHostWindow(std::uintptr_t host) {
  if (!windowingLibraryStarted) {
    OnLibraryError(GLFW_NOT_INITIALIZED, "The GLFW library is not initialized");
    return nullptr;
  }
  HWND hostWindow = reinterpret_cast<HWND>(host);
  RECT rect;
  if (hostWindow == nullptr || !IsWindow(hostWindow) || !GetClientRect(hostWindow, &rect)) {
    return Refuse("Win32: window %llu does not exist", host);
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const WglExtensions ext = ReadWglExtensions(instance);
  // Without WGL_ARB_create_context no 3.0 context can be asked for.
  if (ext.createContextAttribs == nullptr) {
    return Refuse("WGL: the driver does not support WGL_ARB_create_context");
  }

  WNDCLASSA childClass{};
  childClass.style = CS_OWNDC;
  childClass.lpfnWndProc = PreviewWindowProc;
  childClass.hInstance = instance;
  childClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  childClass.lpszClassName = kChildClass;
  RegisterClassA(&childClass);
  HWND child = CreateWindowExA(0, kChildClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
                                                       WS_CLIPCHILDREN,
                               0, 0, rect.right - rect.left, rect.bottom - rect.top, hostWindow,
                               nullptr, instance, nullptr);
  if (child == nullptr) return Refuse("Win32: the preview window could not be created");
  HDC dc = GetDC(child);

  // RGBA 8-8-8-8, depth 24, stencil 8, double-buffered, 4 samples where the
  // driver has them.
  int format = 0;
  if (ext.choosePixelFormat != nullptr) {
    int attributes[] = {kDrawToWindow, TRUE, kSupportOpenGl, TRUE, kDoubleBuffer, TRUE,
                        kPixelType, kTypeRgba, kAcceleration, kFullAcceleration,
                        kColorBits, 24, kAlphaBits, 8, kDepthBits, 24, kStencilBits, 8,
                        kSampleBuffers, 1, kSamples, 4, 0};
    if (!ext.multisample) attributes[18] = 0;  // end the list before the samples
    UINT count = 0;
    if (!ext.choosePixelFormat(dc, attributes, nullptr, 1, &format, &count) || count == 0) {
      format = 0;
    }
    if (format == 0 && ext.multisample) {
      attributes[18] = 0;
      if (!ext.choosePixelFormat(dc, attributes, nullptr, 1, &format, &count) || count == 0) {
        format = 0;
      }
    }
  }
  PIXELFORMATDESCRIPTOR pfd = BasicPixelFormat();
  if (format == 0) format = ChoosePixelFormat(dc, &pfd);
  if (format != 0) DescribePixelFormat(dc, format, sizeof pfd, &pfd);
  HGLRC context = nullptr;
  if (format != 0 && SetPixelFormat(dc, format, &pfd)) {
    const int robust[] = {kContextMajorVersion, 3, kContextMinorVersion, 0,
                          kContextFlags, kContextRobustAccess,
                          kResetNotificationStrategy, kLoseContextOnReset, 0};
    const int plain[] = {kContextMajorVersion, 3, kContextMinorVersion, 0, 0};
    if (ext.robustness) context = ext.createContextAttribs(dc, nullptr, robust);
    if (context == nullptr) context = ext.createContextAttribs(dc, nullptr, plain);
  }
  if (context == nullptr) {
    ReleaseDC(child, dc);
    DestroyWindow(child);
    return Refuse("WGL: no OpenGL 3.0 context could be made for window %llu", host);
  }
  return new HostedWindow(hostWindow, child, dc, context, ext.swapInterval);
}

// No Windows host owns a run the way the Linux hosts do: the switches of the
// Windows build never ask for it.
void HoldHostWindow(std::uintptr_t /*host*/) { std::exit(0); }

GlfwAppWindow* OpenDesktopWindow(int /*width*/, int /*height*/, const char* /*title*/) {
  return nullptr;
}
