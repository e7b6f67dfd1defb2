// The Windows entry point. The screensaver host passes the switches in the
// command line ("/s", "/p HWND", "/c"); WinMain gets them without the
// program's name.
#include <windows.h>
#include <delayimp.h>

#include <cstddef>

#include "shell/Startup.h"

// The CRT's binder of one delayed import, and the delay-loaded DLLs that
// WinMain binds itself (cmake/MorvaneWindows.cmake makes the list).
extern "C" FARPROC WINAPI __delayLoadHelper2(const ImgDelayDescr* dll, FARPROC* slot);
extern const ImgDelayDescr* const kDelayedDlls[];

namespace {

// Windows looks for a DLL that is not one of its KnownDLLs in the program's
// folder first, and Morvane.scr may lie in Downloads beside whatever a web
// page made the browser save there. The program imports KnownDLLs only and
// delay-loads the rest (cmake/MorvaneWindows.cmake). Nothing before WinMain
// loads a library: from here on every load, GLFW's and the system DLLs'
// own included, searches System32 alone.
void LoadLibrariesFromSystem32Only() {
  // Windows 7 has it only with update KB2533623.
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const auto setDirectories = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDirectories != nullptr) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  // Every delayed import is bound now rather than at its first call: the
  // MinGW stub that binds on a first call does not keep floating-point
  // arguments, and a failure comes here, before any window.
  auto* image = reinterpret_cast<unsigned char*>(GetModuleHandleW(nullptr));
  for (const ImgDelayDescr* const* dll = kDelayedDlls; *dll != nullptr; ++dll) {
    auto* slots = reinterpret_cast<FARPROC*>(image + (*dll)->rvaIAT);
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(image + (*dll)->rvaINT);
    for (std::size_t i = 0; names[i].u1.AddressOfData != 0; ++i) {
      __delayLoadHelper2(*dll, &slots[i]);
    }
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  LoadLibrariesFromSystem32Only();
  return MorvaneMain(commandLine != nullptr ? commandLine : "", instance, showCommand);
}
