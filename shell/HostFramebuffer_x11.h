// The framebuffer configuration of the X11 preview and hosted window.
#pragma once

#include <GL/glx.h>

// The first GLX configuration with RGBA 8-8-8-8, depth 24, stencil 8 and
// double buffering, with 4 samples when `multisample` is set; null when the
// screen has none.
GLXFBConfig ChooseHostFramebufferConfig(Display* display, int screen, bool multisample);

// GLX_MESA_copy_sub_buffer: copies a rectangle of a drawable's back buffer
// (x, y from its lower-left corner) to the window. A drawable that is never
// swapped keeps the whole picture in its back buffer, so a frame may redraw
// and show just a part of it. Null where the screen does not offer it.
using CopySubBuffer = void (*)(Display*, GLXDrawable, int x, int y, int width, int height);
CopySubBuffer FindCopySubBuffer(Display* display, int screen);
