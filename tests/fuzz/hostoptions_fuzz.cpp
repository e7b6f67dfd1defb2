// The Linux hosts' options: any arguments and any $XSCREENSAVER_WINDOW are
// read without a fault, and a hosted run always has either a window that
// can exist or the reason why it has none.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/HostOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Zero bytes separate the texts: first $XSCREENSAVER_WINDOW ("\x01" alone
  // for a variable that is not set), then the arguments.
  std::vector<std::string> texts(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      texts.emplace_back();
    } else {
      texts.back() += static_cast<char>(data[i]);
    }
  }
  const char* variable = texts[0] == "\x01" ? nullptr : texts[0].c_str();
  std::vector<const char*> argv{"morvane"};
  for (std::size_t i = 1; i < texts.size(); ++i) argv.push_back(texts[i].c_str());
  argv.push_back(nullptr);

  const HostOptions options =
      ReadHostOptions(static_cast<int>(argv.size() - 1), argv.data(), variable);
  switch (options.launch) {
    case HostLaunch::Classic:
      // Nothing was read: the arguments go to the Windows-style switches,
      // and only those that look like options are named as unknown.
      if (options.window != 0 || !options.problem.empty() || !options.display.empty() ||
          (!options.unknown.empty() && options.unknown[0] != '-')) {
        std::abort();
      }
      break;
    case HostLaunch::Hosted:
      if (options.problem.empty() == (options.window == 0)) std::abort();
      if (options.window > 0x1FFFFFFFu) std::abort();
      break;
    case HostLaunch::DesktopWindow:
    case HostLaunch::Help:
    case HostLaunch::Version:
      if (options.window != 0) std::abort();
      break;
    default:
      std::abort();
  }

  // A window id that reads is a non-zero 32-bit number.
  std::uintptr_t id = 0;
  if (ReadWindowId(texts.back().c_str(), &id) && (id == 0 || id > 0xFFFFFFFFu)) std::abort();
  return 0;
}
