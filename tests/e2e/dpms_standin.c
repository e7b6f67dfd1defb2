/* The X server's DPMS extension for a test, in place of libXext's calls
 * (LD_PRELOAD): Xvfb and Xorg's dummy driver have none. The monitors' power
 * level is the first word of the file MORVANE_TEST_DPMS names ("on",
 * "standby", "suspend" or "off"; on when it cannot be read); each look
 * appends a line to the file, so that a test can count them. */
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

Bool DPMSQueryExtension(Display* display, int* event_base, int* error_base) {
  (void)display;
  *event_base = *error_base = 0;
  return True;
}

Bool DPMSCapable(Display* display) {
  (void)display;
  return True;
}

Status DPMSInfo(Display* display, CARD16* power_level, BOOL* state) {
  (void)display;
  char word[16] = "on";
  const char* path = getenv("MORVANE_TEST_DPMS");
  FILE* file = path != NULL ? fopen(path, "r+") : NULL;
  if (file != NULL) {
    if (fscanf(file, "%15s", word) != 1) strcpy(word, "on");
    fseek(file, 0, SEEK_END);
    fputs("\nlook", file);
    fclose(file);
  }
  *power_level = strcmp(word, "off") == 0       ? DPMSModeOff
                 : strcmp(word, "suspend") == 0 ? DPMSModeSuspend
                 : strcmp(word, "standby") == 0 ? DPMSModeStandby
                                                : DPMSModeOn;
  *state = True;
  return 1;
}
