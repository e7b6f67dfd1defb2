// The launch switches: any text parses, and the mode is always one of the four.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/Startup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The command line is a zero-terminated text: cut at the first zero byte.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const LaunchOptions options = ParseCommandLine(text.c_str());
  if (options.mode != Preview && options.mode != Fullscreen && options.mode != Configure &&
      options.mode != Default) {
    std::abort();
  }
  // Without a slash there is no switch.
  if (text.find('/') == std::string::npos && (options.mode != Default || options.parentWindow != 0)) {
    std::abort();
  }
  return 0;
}
