// The framebuffer configuration of the X11 preview and hosted window.
#pragma once

#include <GL/glx.h>

// The first GLX configuration with RGBA 8-8-8-8, depth 24, stencil 8 and
// double buffering, with 4 samples when `multisample` is set; null when the
// screen has none.
GLXFBConfig ChooseHostFramebufferConfig(Display* display, int screen, bool multisample);
