#include "shell/GlEntryPoints.h"

#include <cstring>

#include "shell/GlLookup.h"

namespace gl {

#define MORVANE_GL_GROUP(label)
#define MORVANE_GL_ENTRY(name, type) type name = nullptr;
#include "shell/GlEntryPointList.inc"
#undef MORVANE_GL_ENTRY
#undef MORVANE_GL_GROUP

const GlEntryPoint* GlEntryPointTable(int* count) {
  static GlEntryPoint table[700];
  static int filled = 0;
  if (filled == 0) {
    const char* group = "";
#define MORVANE_GL_GROUP(label) group = label;
#define MORVANE_GL_ENTRY(name, type) \
  if (filled < 700) table[filled++] = GlEntryPoint{group, #name};
#include "shell/GlEntryPointList.inc"
#undef MORVANE_GL_ENTRY
#undef MORVANE_GL_GROUP
  }
  *count = filled;
  return table;
}

}  // namespace gl

GLint glVersionMajor = 0;
GLint glVersionMinor = 0;

void* ResolveGlEntryPoint(const char* name) {
  void* address = GlLookupPlatform(name);
  if (address == nullptr) address = GlLookupLibrary(name);
  return address;
}

int LoadGlEntryPoints() {
  GlLookupOpenLibrary();
#define MORVANE_GL_GROUP(label)
#define MORVANE_GL_ENTRY(name, type) gl::name = reinterpret_cast<type>(ResolveGlEntryPoint(#name));
#include "shell/GlEntryPointList.inc"
#undef MORVANE_GL_ENTRY
#undef MORVANE_GL_GROUP
  GlLookupCloseLibrary();

  if (gl::glGetIntegerv == nullptr) return -1;
  gl::glGetIntegerv(GL_MAJOR_VERSION, &glVersionMajor);
  gl::glGetIntegerv(GL_MINOR_VERSION, &glVersionMinor);
  return glVersionMajor < 3 ? -1 : 0;
}

bool HasGlExtension(const char* name) {
  if (gl::glGetStringi == nullptr) return false;
  GLint count = 0;
  gl::glGetIntegerv(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; ++i) {
    const auto* extension =
        reinterpret_cast<const char*>(gl::glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
    if (extension != nullptr && std::strcmp(extension, name) == 0) return true;
  }
  return false;
}
