// Platform seam: where OpenGL entry-point addresses come from.
#pragma once

// Opens the system GL library for the fallback lookups (opengl32.dll on
// Windows, libGL on X11); a failure leaves only the platform lookup.
void GlLookupOpenLibrary();
void GlLookupCloseLibrary();

// wglGetProcAddress / glXGetProcAddressARB for the current context.
void* GlLookupPlatform(const char* name);

// The symbol exported by the library opened above, or null.
void* GlLookupLibrary(const char* name);
