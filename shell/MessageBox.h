// Platform seam: the owner-less modal message boxes of fatal start-up errors.
// Windows shows MessageBoxA; the X11 build writes the caption and text to
// standard error, in the same order, without blocking.
#pragma once

enum class MessageIcon { Information, Warning };

void ShowMessageBox(const char* text, const char* caption, MessageIcon icon);
