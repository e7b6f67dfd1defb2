// OpenGL entry points on Windows: wglGetProcAddress answers for everything
// past OpenGL 1.1; the 1.0 and 1.1 functions are plain exports of
// opengl32.dll, found with GetProcAddress.
#include <windows.h>

#include "shell/GlLookup.h"

namespace {
HMODULE library = nullptr;
}

void GlLookupOpenLibrary() { library = LoadLibraryA("opengl32.dll"); }

void GlLookupCloseLibrary() {
  // WinMain binds the executable's delayed imports from opengl32.dll,
  // wglGetProcAddress among them, so the module stays mapped after this and
  // the stored addresses stay valid.
  if (library != nullptr) FreeLibrary(library);
  library = nullptr;
}

void* GlLookupPlatform(const char* name) {
  return reinterpret_cast<void*>(wglGetProcAddress(name));
}

void* GlLookupLibrary(const char* name) {
  return library != nullptr ? reinterpret_cast<void*>(GetProcAddress(library, name)) : nullptr;
}
