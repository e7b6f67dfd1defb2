#include <windows.h>

#include "shell/MessageBox.h"

void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) {
  MessageBoxA(nullptr, text, caption,
              icon == MessageIcon::Warning ? MB_ICONWARNING : MB_ICONINFORMATION);
}
