// The About window of configuration mode ("/c"): the product's title, a
// picture of the clock, the rights notice and contact lines, and a button
// that opens the web site in the default browser.
#pragma once

class AboutWindow {
 public:
  // `instance` is the module instance handle and `showCommand` the show
  // command handed to the entry point (Win32; the X11 build has no use for
  // either). Builds and shows the window, runs its event loop until the
  // window is closed, then returns. When no window can be shown, reports
  // "Window Creation Failed!" and returns at once.
  AboutWindow(void* instance, int showCommand);
};
