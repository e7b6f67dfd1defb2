#include "render/Resources.h"

#include <cstring>

bool CutShaderText(const ResourceView& view, char* buffer) {
  const std::size_t limit = view.size < kShaderTextCapacity ? view.size : kShaderTextCapacity;
  std::size_t length = 0;
  bool marked = false;
  for (; length < limit; ++length) {
    if (view.data[length] == '~') {
      marked = true;
      break;
    }
    buffer[length] = static_cast<char>(view.data[length]);
  }
  std::memset(buffer + length, 0, 4);
  return marked;
}

bool LoadShaderText(std::uint16_t id, char* buffer) {
  const std::optional<ResourceView> view = FindEmbeddedResource(kTextFileResource, id);
  if (!view) {
    std::memset(buffer, 0, 4);
    return false;
  }
  return CutShaderText(*view, buffer);
}

std::string LoadResourceText(std::uint16_t id) {
  const std::optional<ResourceView> view = FindEmbeddedResource(kTextFileResource, id);
  if (!view) return std::string();
  return std::string(reinterpret_cast<const char*>(view->data), view->size);
}
