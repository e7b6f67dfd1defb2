/* What Windows sends a window registered for the display's state, which
 * Wine never sends: preview_host hooks this DLL onto the screensaver's
 * thread (WH_GETMESSAGE), so that it runs inside the screensaver's process,
 * and posts the registered message "MorvaneTestDisplayState" with the state
 * (0 off, 1 on, 2 dimmed) to its window. Taken off the queue, it becomes a
 * WM_POWERBROADCAST PBT_POWERSETTINGCHANGE with a real
 * POWERBROADCAST_SETTING for GUID_CONSOLE_DISPLAY_STATE, sent to that
 * window; then the event "MorvaneTestDisplayStateSent" is set. */
#include <windows.h>
#include <string.h>

static const GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

__declspec(dllexport) LRESULT CALLBACK DisplayStateHook(int code, WPARAM removed, LPARAM lParam) {
  MSG* message = (MSG*)lParam;
  if (code == HC_ACTION && removed == PM_REMOVE &&
      message->message == RegisterWindowMessageA("MorvaneTestDisplayState")) {
    union {
      POWERBROADCAST_SETTING setting;
      BYTE bytes[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)];
    } notice;
    const DWORD state = (DWORD)message->wParam;
    HANDLE sent = OpenEventA(EVENT_MODIFY_STATE, FALSE, "MorvaneTestDisplayStateSent");
    notice.setting.PowerSetting = kConsoleDisplayState;
    notice.setting.DataLength = sizeof state;
    memcpy(notice.setting.Data, &state, sizeof state);
    SendMessageW(message->hwnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, (LPARAM)&notice.setting);
    if (sent != NULL) {
      SetEvent(sent);
      CloseHandle(sent);
    }
  }
  return CallNextHookEx(NULL, code, removed, lParam);
}
