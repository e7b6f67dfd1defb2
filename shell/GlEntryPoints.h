// OpenGL entry points: one process-wide function pointer per OpenGL function,
// named after the function and filled once by LoadGlEntryPoints() while the
// context is current. Every OpenGL call of the program goes through them.
//
// The pointers live in namespace gl so that they never clash with the
// functions that the system's GL library exports under the same names.
// Code that draws includes this header (never <GL/gl.h>) and calls them
// unqualified through the using-directive at the bottom.
#pragma once

#include <GL/glcorearb.h>

namespace gl {

#define MORVANE_GL_GROUP(label)
#define MORVANE_GL_ENTRY(name, type) extern type name;
#include "shell/GlEntryPointList.inc"
#undef MORVANE_GL_ENTRY
#undef MORVANE_GL_GROUP

// One row of the resolution list, for tests and diagnostics.
struct GlEntryPoint {
  const char* group;  // "OpenGL 1.0" ... "OpenGL 4.5", "Extensions"
  const char* name;
};

// The list in resolution order (700 rows).
const GlEntryPoint* GlEntryPointTable(int* count);

}  // namespace gl

using namespace gl;  // NOLINT(google-global-names-in-headers)

// Address of one entry point for the current context, or null. The platform
// lookup first (wglGetProcAddress / glXGetProcAddressARB), then the system
// GL library's own export, which is where the OpenGL 1.0/1.1 functions live
// on Windows. Only null counts as a miss.
void* ResolveGlEntryPoint(const char* name);

// Resolves all entry points in list order. Returns 0, or -1 when
// glGetIntegerv is missing or the context's major version is below 3.
int LoadGlEntryPoints();

// The version read at the end of LoadGlEntryPoints().
extern GLint glVersionMajor;
extern GLint glVersionMinor;

// Whether the current context lists the extension `name`.
bool HasGlExtension(const char* name);
