#include "shell/ViewSize.h"

ViewSizeRecord ViewSize;

void SetViewSize(std::int32_t width, std::int32_t height) {
  ViewSize.width = width;
  ViewSize.height = height;
  ViewSize.aspect = static_cast<float>(width) / static_cast<float>(height);
}
