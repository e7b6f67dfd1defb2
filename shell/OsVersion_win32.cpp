#include <windows.h>

#include "shell/OsVersion.h"

int OsVersionTimesTen() {
  const DWORD version = GetVersion();
  const int major = static_cast<int>(version & 0xFF);
  const int minor = static_cast<int>((version >> 8) & 0xFF);
  return major * 10 + minor;
}
