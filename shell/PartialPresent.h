// Platform seam: showing a part of a GLFW window's frame.
#pragma once

struct GLFWwindow;
struct PixelRect;

// Whether `window`, its context current, can show a part of a frame alone
// (PresentPart) while its back buffer, never swapped, keeps the whole
// picture: on GLX where the screen offers GLX_MESA_copy_sub_buffer.
bool CanPresentPart(GLFWwindow* window);
// Shows `region` of the back buffer; after CanPresentPart said true only.
void PresentPart(GLFWwindow* window, const PixelRect& region);
