#pragma once

// The window icon: 64 x 64 pixels, red, green, blue, alpha (not
// premultiplied), rows from the top. A light-blue monitor on a stand whose
// screen shows four coloured quadrants, on a transparent background.
inline constexpr int kAppIconSize = 64;
const unsigned char* AppIconPixels();
