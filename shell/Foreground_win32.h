// The full-screen window and the keyboard on Windows.
#pragma once

#include <windows.h>

// Windows sends keys to the foreground window only, and may refuse a
// program the foreground (SetForegroundWindow's rules: the foreground lock
// timeout, LockSetForegroundWindow, an open menu, and "the right ... even if
// it meets these conditions"). A clock that covers the screen without the
// foreground would let the key that dismisses it reach the program beneath.
// So, once the library has shown `window` and asked for the foreground: when
// the window has not got it, it asks once more, and if it is still refused
// the run ends at once with status 0, before any key: the key then goes to
// the program that the user sees. Nothing of the user's settings changes.
void EndRunUnlessForeground(HWND window);
