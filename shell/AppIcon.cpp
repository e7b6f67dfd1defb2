#include "shell/AppIcon.h"

namespace {

struct Rgb {
  unsigned char r, g, b;
};

constexpr Rgb kFrame{72, 194, 255};
constexpr Rgb kTopLeft{255, 72, 72};
constexpr Rgb kTopRight{0, 217, 70};
constexpr Rgb kBottomLeft{72, 72, 255};
constexpr Rgb kBottomRight{240, 240, 0};

// Rectangles of the drawing, in icon pixels (x0, y0 inclusive; x1, y1 exclusive).
constexpr int kScreenX0 = 6, kScreenY0 = 6, kScreenX1 = 58, kScreenY1 = 44;  // bezel outline
constexpr int kBezel = 3;
constexpr int kNeckX0 = 28, kNeckX1 = 36, kNeckY1 = 52;
constexpr int kFootX0 = 16, kFootX1 = 48, kFootY0 = 52, kFootY1 = 57;

bool Inside(int x, int y, int x0, int y0, int x1, int y1) { return x >= x0 && x < x1 && y >= y0 && y < y1; }

}  // namespace

const unsigned char* AppIconPixels() {
  static unsigned char pixels[kAppIconSize * kAppIconSize * 4];
  static bool drawn = false;
  if (drawn) return pixels;
  for (int y = 0; y < kAppIconSize; ++y) {
    for (int x = 0; x < kAppIconSize; ++x) {
      unsigned char* p = pixels + (y * kAppIconSize + x) * 4;
      Rgb colour{0, 0, 0};
      bool opaque = true;
      const int innerX0 = kScreenX0 + kBezel, innerY0 = kScreenY0 + kBezel;
      const int innerX1 = kScreenX1 - kBezel, innerY1 = kScreenY1 - kBezel;
      if (Inside(x, y, innerX0, innerY0, innerX1, innerY1)) {
        const bool left = x < (innerX0 + innerX1) / 2;
        const bool top = y < (innerY0 + innerY1) / 2;
        colour = top ? (left ? kTopLeft : kTopRight) : (left ? kBottomLeft : kBottomRight);
      } else if (Inside(x, y, kScreenX0, kScreenY0, kScreenX1, kScreenY1) ||
                 Inside(x, y, kNeckX0, kScreenY1, kNeckX1, kNeckY1) ||
                 Inside(x, y, kFootX0, kFootY0, kFootX1, kFootY1)) {
        colour = kFrame;
      } else {
        opaque = false;
      }
      p[0] = colour.r;
      p[1] = colour.g;
      p[2] = colour.b;
      p[3] = opaque ? 255 : 0;
    }
  }
  drawn = true;
  return pixels;
}
