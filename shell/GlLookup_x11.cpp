#include <dlfcn.h>

#include "shell/GlLookup.h"

// Declared here rather than through <GL/glx.h>, which would pull the
// system's GL prototypes into scope beside our pointers.
extern "C" void (*glXGetProcAddressARB(const unsigned char* name))();

namespace {
void* library = nullptr;
}

void GlLookupOpenLibrary() { library = dlopen("libGL.so.1", RTLD_LAZY | RTLD_LOCAL); }

void GlLookupCloseLibrary() {
  // libGL stays mapped (the executable links it), so the addresses stay valid.
  if (library != nullptr) dlclose(library);
  library = nullptr;
}

void* GlLookupPlatform(const char* name) {
  return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const unsigned char*>(name)));
}

void* GlLookupLibrary(const char* name) {
  return library != nullptr ? dlsym(library, name) : nullptr;
}
