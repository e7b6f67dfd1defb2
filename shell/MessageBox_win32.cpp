#include <windows.h>

#include "shell/MessageBox.h"

// Topmost: a fatal message of a full-screen run shows above its windows.
void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) {
  MessageBoxA(nullptr, text, caption,
              (icon == MessageIcon::Warning ? MB_ICONWARNING : MB_ICONINFORMATION) | MB_TOPMOST);
}
