// The About window of configuration mode: plain Win32 with the 8-bit
// interfaces and GDI drawing, 400 x 300, light green, with the title, the
// clock picture, the notice and a "Visit website" button. Those sizes are
// at 96 DPI: the manifest makes the process per-monitor DPI aware, and the
// window lays itself out for its monitor's DPI, again whenever it moves to a
// monitor of another DPI (WM_DPICHANGED). At 96 DPI every number stays as
// it is.
#include <windows.h>
#include <shellapi.h>

#include <initializer_list>  // AboutText.h walks an initializer list

#include "about/AboutText.h"
#include "about/AboutWindow.h"
#include "render/Resources.h"

namespace {

constexpr COLORREF kBackground = RGB(177, 232, 179);
constexpr COLORREF kTitleColour = RGB(0, 0, 0);
constexpr COLORREF kInfoColour = RGB(0, 51, 255);

constexpr int kBaseDpi = 96;
constexpr int kWindowWidth = 400;
constexpr int kWindowHeight = 300;
constexpr int kPictureX = 142;
constexpr int kPictureY = 55;
constexpr RECT kTitleBox = {108, 20, 108 + 280, 20 + 20};
constexpr RECT kInfoBox = {20, 150, 20 + 380, 150 + 80};
constexpr RECT kButtonBox = {150, 210, 150 + 100, 210 + 32};
constexpr int kInfoId = 10;
constexpr int kButtonId = 10;  // the info text shares it; statics send no commands
constexpr int kTitleId = 30;

HWND mainWindow = nullptr;
HWND titleControl = nullptr;
HWND infoControl = nullptr;
HWND buttonControl = nullptr;
HBITMAP clockPicture = nullptr;
HBITMAP largePicture = nullptr;  // the same at twice the size, drawn above 96 DPI
HBRUSH backgroundBrush = nullptr;
HFONT bodyFont = nullptr;
HFONT titleFont = nullptr;
int windowDpi = kBaseDpi;

// A length of the 96-DPI layout at `dpi`.
int Scaled(int length, int dpi) { return MulDiv(length, dpi, kBaseDpi); }

// The DPI of the window's monitor. GetDpiForWindow came with Windows 10
// (1607); before it, the screen's LOGPIXELSY is the system's one DPI.
int DpiOf(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr && window != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

void PaintWindow(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  SetBkColor(dc, kBackground);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  if (clockPicture != nullptr) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, clockPicture);
    BITMAP info{};
    GetObjectA(clockPicture, sizeof info, &info);
    const int x = Scaled(kPictureX, windowDpi);
    const int y = Scaled(kPictureY, windowDpi);
    const int width = Scaled(info.bmWidth, windowDpi);
    const int height = Scaled(info.bmHeight, windowDpi);
    if (width == info.bmWidth && height == info.bmHeight) {
      BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    } else {
      // Larger: shrunk from the large picture where there is one.
      if (largePicture != nullptr) {
        SelectObject(memory, largePicture);
        GetObjectA(largePicture, sizeof info, &info);
      }
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchBlt(dc, x, y, width, height, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
  }
  EndPaint(window, &paint);
}

HFONT MakeFont(int height, int width, int weight, bool underline) {
  return CreateFontA(height, width, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     VARIABLE_PITCH, "Arial");
}

void Place(HWND control, const RECT& box, int dpi) {
  MoveWindow(control, Scaled(box.left, dpi), Scaled(box.top, dpi),
             Scaled(box.right - box.left, dpi), Scaled(box.bottom - box.top, dpi), TRUE);
}

// Fonts and controls for `dpi`: the body font (16 x 6 at 96 DPI) and the
// underlined bold title font (18 x 8), the controls at their scaled boxes.
void LayOut(int dpi) {
  HFONT oldBody = bodyFont;
  HFONT oldTitle = titleFont;
  windowDpi = dpi;
  bodyFont = MakeFont(Scaled(16, dpi), Scaled(6, dpi), FW_NORMAL, false);
  titleFont = MakeFont(Scaled(18, dpi), Scaled(8, dpi), FW_BOLD, true);
  if (oldBody == nullptr) return;  // first layout: the controls come next
  Place(infoControl, kInfoBox, dpi);
  Place(titleControl, kTitleBox, dpi);
  Place(buttonControl, kButtonBox, dpi);
  for (HWND control : {infoControl, buttonControl}) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(bodyFont), TRUE);
  }
  SendMessageA(titleControl, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont), TRUE);
  DeleteObject(oldBody);
  DeleteObject(oldTitle);
  InvalidateRect(mainWindow, nullptr, TRUE);
}

LRESULT CALLBACK AboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (backgroundBrush == nullptr) backgroundBrush = CreateSolidBrush(kBackground);
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      for (HBITMAP picture : {clockPicture, largePicture}) {
        if (picture != nullptr) DeleteObject(picture);
      }
      clockPicture = largePicture = nullptr;
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      PaintWindow(window);
      return 0;
    case WM_COMMAND:
      // The button's click: control id 10, notification 0.
      if (wParam == static_cast<WPARAM>(kButtonId)) {
        ShellExecuteA(window, "open", about_text::kWebsiteUrl, nullptr, nullptr, SW_SHOWNORMAL);
      }
      return 0;
    case WM_DPICHANGED: {
      // Another monitor: Windows suggests the window's new outer box.
      const RECT* box = reinterpret_cast<const RECT*>(lParam);
      LayOut(HIWORD(wParam));
      SetWindowPos(window, nullptr, box->left, box->top, box->right - box->left,
                   box->bottom - box->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, reinterpret_cast<HWND>(lParam) == titleControl ? kTitleColour : kInfoColour);
      SetBkColor(dc, kBackground);
      return reinterpret_cast<LRESULT>(backgroundBrush);
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

HWND MakeStatic(HINSTANCE instance, const RECT& box, int id, const char* text, HFONT font) {
  HWND control = CreateWindowExA(0, "static", "ST_U", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                 Scaled(box.left, windowDpi), Scaled(box.top, windowDpi),
                                 Scaled(box.right - box.left, windowDpi),
                                 Scaled(box.bottom - box.top, windowDpi), mainWindow,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                 nullptr);
  SetWindowTextA(control, text);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return control;
}

}  // namespace

AboutWindow::AboutWindow(void* instanceHandle, int showCommand) {
  HINSTANCE instance = static_cast<HINSTANCE>(instanceHandle);
  if (instance == nullptr) instance = GetModuleHandleA(nullptr);

  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA("user32.dll"), MAKEINTRESOURCEA(104),
                                             IMAGE_ICON, 16, 16, LR_SHARED));
  WNDCLASSA windowClass{};
  windowClass.style = 0;
  windowClass.lpfnWndProc = AboutWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszClassName = about_text::kWindowClassName;
  if (RegisterClassA(&windowClass) == 0) {
    MessageBoxA(nullptr, "Window Registration Failed!", "Error!", MB_ICONWARNING);
  }

  // Without the manifest's per-monitor awareness (an older Windows reads
  // only its dpiAware fallback), at least system aware.
  SetProcessDPIAware();
  HDC screen = GetDC(nullptr);
  const int screenWidth = GetDeviceCaps(screen, HORZRES);
  const int screenHeight = GetDeviceCaps(screen, VERTRES);
  ReleaseDC(nullptr, screen);
  // Centred on the primary monitor, sized for its DPI (the system's).
  int dpi = DpiOf(nullptr);
  const int width = Scaled(kWindowWidth, dpi);
  const int height = Scaled(kWindowHeight, dpi);
  const int x = static_cast<int>((screenWidth - width) * 0.5);
  const int y = static_cast<int>((screenHeight - height) * 0.5);

  mainWindow = CreateWindowExA(0, about_text::kWindowClassName, about_text::kCaption, WS_SYSMENU, x,
                               y, width, height, nullptr, nullptr, instance, nullptr);
  if (mainWindow == nullptr) {
    MessageBoxA(nullptr, "Window Creation Failed!", "Error!", MB_ICONWARNING);
    // No window would ever post the quit message: a loop here would never end.
    return;
  }
  // The monitor's own DPI, where it differs from the system's.
  if (DpiOf(mainWindow) != dpi) {
    dpi = DpiOf(mainWindow);
    SetWindowPos(mainWindow, nullptr, 0, 0, Scaled(kWindowWidth, dpi), Scaled(kWindowHeight, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  clockPicture = static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(kAboutBitmap), IMAGE_BITMAP, 0, 0, LR_SHARED));
  largePicture = static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(kAboutBitmapLarge), IMAGE_BITMAP, 0, 0, LR_SHARED));

  LayOut(dpi);
  infoControl = MakeStatic(instance, kInfoBox, kInfoId, about_text::kInfoText, bodyFont);
  titleControl = MakeStatic(instance, kTitleBox, kTitleId, about_text::kTitle, titleFont);
  buttonControl = CreateWindowExA(0, "BUTTON", about_text::kButtonCaption,
                                  WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                  Scaled(kButtonBox.left, dpi), Scaled(kButtonBox.top, dpi),
                                  Scaled(kButtonBox.right - kButtonBox.left, dpi),
                                  Scaled(kButtonBox.bottom - kButtonBox.top, dpi), mainWindow,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                  instance, nullptr);
  SendMessageA(buttonControl, WM_SETFONT, reinterpret_cast<WPARAM>(bodyFont), TRUE);

  ShowWindow(mainWindow, showCommand);
  UpdateWindow(mainWindow);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}
