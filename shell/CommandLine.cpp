#include <climits>
#include <cstdint>

#include "shell/Startup.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// atoi's reading (leading white space, an optional sign, decimal digits up to
// the first non-digit, no digits = 0) with a defined result where atoi's is
// undefined: a number beyond the range of int saturates at INT_MIN / INT_MAX.
int ReadDecimal(const char* text) {
  while (IsSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  std::int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > static_cast<std::int64_t>(INT_MAX) + 1) value = static_cast<std::int64_t>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);  // -(INT_MAX + 1) is INT_MIN
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace

LaunchOptions ParseCommandLine(const char* text) {
  LaunchOptions options;
  if (text == nullptr) return options;
  for (const char* slash = text; *slash != '\0'; ++slash) {
    if (*slash != '/') continue;
    switch (slash[1]) {
      case 'p': options.mode = Preview; break;
      case 's': options.mode = Fullscreen; break;
      case 'c': options.mode = Configure; break;
      default: break;
    }
    if (options.mode == Default) continue;
    // The number starts three bytes after the slash: the byte after the
    // switch letter is skipped, whatever it is.
    if (slash[1] == '\0' || slash[2] == '\0') {
      options.parentWindow = 0;
    } else {
      // Like a handle made from atoi's int: negative values sign-extend.
      options.parentWindow = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(ReadDecimal(slash + 3)));
    }
  }
  return options;
}
