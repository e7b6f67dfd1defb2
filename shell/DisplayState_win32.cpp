// The window's procedure is subclassed before the registrations, which the
// system answers at once with the current state.
#include "shell/DisplayState.h"

#include <windows.h>

#include <cstring>

namespace {

// {6FE69556-704A-47A0-8F24-C28D936FDA47}
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
// {2B84C20E-AD23-4DDF-93DB-05FFBD7EFCA5}
constexpr GUID kSessionDisplayStatus = {
    0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};

// The latest state each setting reported: -1 none yet, 0 off, 1 on, 2 dimmed.
long consoleState = -1;
long sessionState = -1;
WNDPROC watchedProcedure = nullptr;

LRESULT CALLBACK WatchPower(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_POWERBROADCAST && wParam == PBT_POWERSETTINGCHANGE) {
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    if (setting != nullptr && setting->DataLength >= sizeof(DWORD)) {
      DWORD value = 0;
      std::memcpy(&value, setting->Data, sizeof value);
      if (IsEqualGUID(setting->PowerSetting, kConsoleDisplayState)) {
        consoleState = static_cast<long>(value);
      } else if (IsEqualGUID(setting->PowerSetting, kSessionDisplayStatus)) {
        sessionState = static_cast<long>(value);
      }
      // The notification is a sent message, which a wait for posted ones
      // (WaitMessage) may handle without returning: a posted one ends it.
      PostMessageW(window, WM_NULL, 0, 0);
    }
    return TRUE;
  }
  return CallWindowProcW(watchedProcedure, window, message, wParam, lParam);
}

bool NeverOff() { return false; }

bool DisplayOff() { return (sessionState >= 0 ? sessionState : consoleState) == 0; }

}  // namespace

DisplayWatch WatchDisplay(std::uintptr_t window) {
  HWND handle = reinterpret_cast<HWND>(window);
  watchedProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchPower)));
  if (watchedProcedure == nullptr) return DisplayWatch{NeverOff, 0.0};
  const bool console = RegisterPowerSettingNotification(handle, &kConsoleDisplayState,
                                                        DEVICE_NOTIFY_WINDOW_HANDLE) != nullptr;
  const bool session = RegisterPowerSettingNotification(handle, &kSessionDisplayStatus,
                                                        DEVICE_NOTIFY_WINDOW_HANDLE) != nullptr;
  return DisplayWatch{console || session ? DisplayOff : NeverOff, 0.0};
}
