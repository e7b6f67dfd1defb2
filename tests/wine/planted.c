/* A DLL planted beside a program under a system DLL's name (opengl32.dll,
 * dsound.dll, ...), as a web page can make a browser save one into
 * Downloads. Loaded, it appends its own path and its process's program to
 * the file named by MORVANE_PLANTED_LOG, and refuses the load. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID unused) {
  char log[MAX_PATH], line[2 * MAX_PATH + 2];
  DWORD length, written;
  HANDLE file;
  (void)unused;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  if (GetEnvironmentVariableA("MORVANE_PLANTED_LOG", log, sizeof log) - 1 >= sizeof log - 1) {
    return FALSE;
  }
  length = GetModuleFileNameA(self, line, MAX_PATH);
  line[length++] = ' ';
  length += GetModuleFileNameA(NULL, line + length, MAX_PATH);
  line[length++] = '\n';
  file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    WriteFile(file, line, length, &written, NULL);
    CloseHandle(file);
  }
  return FALSE;
}
