// Bitmap rows through GDI: the resource is loaded as a
// device-dependent bitmap and read back as 32-bit device-independent rows,
// bottom row first, blue, green, red and an unused fourth byte per pixel.
#include <windows.h>

#include <vector>

#include "render/Texture.h"

bool OpenBitmapImage(int bitmapId, int width, int height, DibImage* image,
                     std::vector<unsigned char>* storage) {
  if (bitmapId < 0 || bitmapId > 0xFFFF || width <= 0 || height <= 0) return false;
  HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId));
  if (bitmap == nullptr) return false;
  HWND desktop = GetDesktopWindow();
  HDC screen = GetDC(desktop);

  // The first call fills the header from the bitmap. The bitmap stays out of
  // every device context while GetDIBits reads it.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bool ok = GetDIBits(screen, bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS) != 0 &&
            info.bmiHeader.biWidth == width &&
            (info.bmiHeader.biHeight == height || info.bmiHeader.biHeight == -height);
  std::vector<unsigned char>& rows = *storage;
  if (ok) {
    // Whatever the display's depth, ask for 32 bits per pixel, bottom-up.
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biSizeImage = 0;
    rows.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    ok = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), rows.data(), &info,
                   DIB_RGB_COLORS) == height;
  }
  if (ok) {
    image->width = width;
    image->height = height;
    image->bottomUp = true;
    image->bitsPerPixel = 32;
    image->stride = static_cast<std::size_t>(width) * 4;
    image->rows = rows.data();
  }
  ReleaseDC(desktop, screen);
  DeleteObject(bitmap);
  return ok;
}
