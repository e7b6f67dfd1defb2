// The resource store of the Linux build: a table generated at build time from
// resources/Morvane.rc, whose bytes the assembler embeds with .incbin.
#include <cstring>

#include "render/Resources.h"

struct EmbeddedResourceEntry {
  const char* type;
  std::uint16_t id;
  const unsigned char* begin;
  const unsigned char* end;
};

// Generated (EmbeddedResources.cpp in the build tree).
extern const EmbeddedResourceEntry kEmbeddedResources[];
extern const int kEmbeddedResourceCount;

std::optional<ResourceView> FindEmbeddedResource(const char* type, std::uint16_t id) {
  for (int i = 0; i < kEmbeddedResourceCount; ++i) {
    const EmbeddedResourceEntry& entry = kEmbeddedResources[i];
    if (entry.id == id && std::strcmp(entry.type, type) == 0) {
      return ResourceView{entry.begin, static_cast<std::size_t>(entry.end - entry.begin)};
    }
  }
  return std::nullopt;
}
