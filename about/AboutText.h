// The words of the About window, shared by the X11 and Win32 builds. Plain
// ASCII only: the Win32 window draws them through the 8-bit interfaces.
#pragma once

#include <cstddef>
#include <initializer_list>

namespace about_text {

inline constexpr char kCaption[] = "About";
inline constexpr char kWindowClassName[] = "ValtrenneWindowClass";
inline constexpr char kButtonCaption[] = "Visit website";
inline constexpr char kTitle[] = "Morvane Screensaver";

// Three lines: the rights notice and two ways to reach us.
inline constexpr char kInfoText[] =
    "(C) 2024 Morvane Works. All rights reserved.\n"
    "Mail: hello@morvane.example\n"
    "Web: morvane.example";

// The site opened by "Visit website": its address, then path and query.
inline constexpr char kWebsiteAddress[] = "https://morvane.example";
inline constexpr char kWebsitePath[] = "/";
inline constexpr char kWebsiteQuery[] = "utm_source=About";
inline constexpr char kWebsiteUrl[] = "https://morvane.example/?utm_source=About";

namespace detail {
// True when `whole` is exactly address + path + "?" + query.
constexpr bool IsComposedUrl(const char* whole, const char* address, const char* path,
                             const char* query) {
  for (const char* part : {address, path, "?", query}) {
    for (; *part != '\0'; ++part, ++whole) {
      if (*whole != *part) return false;
    }
  }
  return *whole == '\0';
}
}  // namespace detail

static_assert(detail::IsComposedUrl(kWebsiteUrl, kWebsiteAddress, kWebsitePath, kWebsiteQuery),
              "the opened address is the site address with its path and query");

}  // namespace about_text
