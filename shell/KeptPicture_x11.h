// How the X11 windows that keep their picture (the hosted window, the desktop
// window) show a frame drawn in part: the frame is kept whole in a
// multisampled framebuffer object (KeptFrame); a frame resolves only its part
// into the window's single-sampled back buffer, which is never swapped while
// it keeps the picture, and GLX_MESA_copy_sub_buffer copies just that part to
// the window. Mesa offers the extension, llvmpipe under Xvfb included.
#pragma once

#include <GL/glx.h>

#include "render/KeptFrame.h"

struct PixelRect;

class KeptPicture {
 public:
  // Whether `screen` can show a part of a window's frame alone: a window
  // that is to keep its picture is then made single-sampled.
  static bool Offered(Display* display, int screen);

  // With the window's context current: false where the screen or the driver
  // cannot keep the picture; the window then swaps whole frames.
  bool Start(Display* display, GLXDrawable drawable, int width, int height);
  // Before the first frame at a new size: the window's buffers take it only
  // at a swap (the old picture may show once more), the kept frame is made
  // anew.
  void Resize(int width, int height);
  // Shows `region` of the kept frame; the rest of the window stays as it was.
  void Show(const PixelRect& region);

 private:
  using CopySubBuffer = void (*)(Display*, GLXDrawable, int x, int y, int width, int height);
  static CopySubBuffer Find(Display* display, int screen);

  Display* display_ = nullptr;
  GLXDrawable drawable_ = None;
  CopySubBuffer copySubBuffer_ = nullptr;
  KeptFrame frame_;
};
