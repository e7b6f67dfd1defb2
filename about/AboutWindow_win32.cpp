// The About window of configuration mode: plain Win32 with the 8-bit
// interfaces and GDI drawing, 400 x 300, light green, with the title, the
// clock picture, the notice and a "Visit website" button.
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

constexpr int kWindowWidth = 400;
constexpr int kWindowHeight = 300;
constexpr int kPictureX = 142;
constexpr int kPictureY = 55;
constexpr int kInfoId = 10;
constexpr int kButtonId = 10;  // the info text shares it; statics send no commands
constexpr int kTitleId = 30;

HWND mainWindow = nullptr;
HWND titleControl = nullptr;
HWND infoControl = nullptr;
HWND buttonControl = nullptr;
HBITMAP clockPicture = nullptr;
HBRUSH backgroundBrush = nullptr;

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
    BitBlt(dc, kPictureX, kPictureY, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK AboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (backgroundBrush == nullptr) backgroundBrush = CreateSolidBrush(kBackground);
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (clockPicture != nullptr) DeleteObject(clockPicture);
      clockPicture = nullptr;
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

HFONT MakeFont(int height, int width, int weight, bool underline) {
  return CreateFontA(height, width, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     VARIABLE_PITCH, "Arial");
}

HWND MakeStatic(HINSTANCE instance, int x, int y, int width, int height, int id, const char* text,
                HFONT font) {
  HWND control = CreateWindowExA(0, "static", "ST_U", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y,
                                 width, height, mainWindow,
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

  SetProcessDPIAware();
  HDC screen = GetDC(nullptr);
  const int screenWidth = GetDeviceCaps(screen, HORZRES);
  const int screenHeight = GetDeviceCaps(screen, VERTRES);
  ReleaseDC(nullptr, screen);
  const int x = static_cast<int>((screenWidth - kWindowWidth) * 0.5);
  const int y = static_cast<int>((screenHeight - kWindowHeight) * 0.5);

  mainWindow = CreateWindowExA(0, about_text::kWindowClassName, about_text::kCaption, WS_SYSMENU, x,
                               y, kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
  if (mainWindow == nullptr) {
    MessageBoxA(nullptr, "Window Creation Failed!", "Error!", MB_ICONWARNING);
    // No window would ever post the quit message: a loop here would never end.
    return;
  }

  clockPicture = static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(kAboutBitmap), IMAGE_BITMAP, 0, 0, LR_SHARED));

  HFONT bodyFont = MakeFont(16, 6, FW_NORMAL, false);
  HFONT titleFont = MakeFont(18, 8, FW_BOLD, true);

  infoControl = MakeStatic(instance, 20, 150, 380, 80, kInfoId, about_text::kInfoText, bodyFont);
  titleControl = MakeStatic(instance, 108, 20, 280, 20, kTitleId, about_text::kTitle, titleFont);
  buttonControl = CreateWindowExA(0, "BUTTON", about_text::kButtonCaption,
                                  WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 150, 210, 100, 32,
                                  mainWindow,
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
