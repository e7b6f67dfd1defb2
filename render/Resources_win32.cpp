// The resource store of the Windows build: the resource section of the
// executable itself, compiled from resources/Morvane.rc by the resource
// compiler.
#include <windows.h>

#include <cstring>

#include "render/Resources.h"

std::optional<ResourceView> FindEmbeddedResource(const char* type, std::uint16_t id) {
  HMODULE module = GetModuleHandleA(nullptr);
  // Pictures are standard bitmap resources; the other types go by name.
  const char* resourceType =
      std::strcmp(type, kBitmapResource) == 0 ? MAKEINTRESOURCEA(2) /* RT_BITMAP */ : type;
  HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), resourceType);
  if (info == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, info);
  if (loaded == nullptr) return std::nullopt;
  const void* data = LockResource(loaded);
  if (data == nullptr) return std::nullopt;
  return ResourceView{static_cast<const unsigned char*>(data),
                      static_cast<std::size_t>(SizeofResource(module, info))};
}
