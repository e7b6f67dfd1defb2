#pragma once

#include <cstdint>

// The drawing surface's size in pixels: set before the window opens, updated
// by every window-size event, read by every frame.
struct ViewSizeRecord {
  std::int32_t width = 0;
  std::int32_t height = 0;
  float aspect = 1.0f;  // float(width) / float(height)
};

extern ViewSizeRecord ViewSize;

// Stores a new size and recomputes the aspect.
void SetViewSize(std::int32_t width, std::int32_t height);
