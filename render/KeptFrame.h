// A picture kept whole between frames in a multisampled framebuffer object
// (4 samples, as the windows ask), for windows that show a frame in part: a
// frame draws only what changed into it, and only that part is resolved into
// the window's single-sampled back buffer, so that it costs about its part.
// A multisampled window would have its whole back buffer resolved to show
// any part of it.
#pragma once

// Free of GL headers, so that GLX code may hold one.
class KeptFrame {
 public:
  // With the context current: makes (or remakes at a new size) the storage,
  // whose pixels are then undefined, and binds it for drawing. False where
  // the driver cannot make such a framebuffer complete.
  bool Resize(int width, int height);
  // Drawing goes to the kept picture.
  void Bind();
  // Resolves the rectangle at (x, y), from the lower-left corner, into
  // framebuffer `target` (0: the window's back buffer) at the same place;
  // drawing goes to the kept picture again afterwards.
  void Resolve(int x, int y, int width, int height, unsigned target = 0);
  // Drawing goes to the window again, where no picture can be kept.
  static void DrawToWindow();

 private:
  unsigned framebuffer_ = 0;
  unsigned colour_ = 0;
  unsigned depth_ = 0;
};
