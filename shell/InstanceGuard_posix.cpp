// The guard on Linux: a Unix socket bound to a name in the abstract
// namespace. Binding reveals whether a live process already holds the name,
// and the name disappears with the last descriptor, however its holder
// ends (SIGKILL included): no stale lock file can block a later launch.
// The name is per user and per X display (named by the display itself, not
// by its spelling), the Linux reading of one logon.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/InstanceGuard.h"

namespace {

bool IsLocalHost(const std::string& host) {
  if (host.empty() || host == "unix" || host == "localhost" || host == "127.0.0.1" ||
      host == "::1") {
    return true;
  }
  char own[256] = {};
  return gethostname(own, sizeof own - 1) == 0 && host == own;
}

// The display itself, whatever its spelling: DISPLAY is
// [protocol/][host]:[:]number[.screen], and ":0", ":0.0", "unix:0",
// "localhost:0" and this machine's name with ":0" all reach one server, the
// local display 0. A remote host keeps its name; the screen does not count.
std::string DisplayName() {
  const char* value = std::getenv("DISPLAY");
  std::string display = value != nullptr ? value : "";
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return display;
  std::string host = display.substr(0, colon);
  if (!host.empty() && host.back() == ':') host.pop_back();  // DECnet's "host::0"
  const std::size_t slash = host.find('/');
  if (slash != std::string::npos) host.erase(0, slash + 1);  // "unix/", "tcp/"
  std::string number = display.substr(colon + 1);
  const std::size_t dot = number.find('.');
  if (dot != std::string::npos) number.erase(dot);
  // "00" and "0" are one number to Xlib.
  const std::size_t digits = number.find_first_not_of('0');
  if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) {
    number = digits == std::string::npos ? "0" : number.substr(digits);
  }
  return (IsLocalHost(host) ? std::string() : host) + ":" + number;
}

}  // namespace

bool AcquireInstanceGuard() {
  const std::string display = DisplayName();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // sun_path[0] = 0 selects the abstract namespace.
  const int length = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1,
                                   "K_OPENGL_SCREENSAVER/%u/%s", static_cast<unsigned>(getuid()),
                                   display.c_str());
  if (length < 0) return true;
  const socklen_t size = static_cast<socklen_t>(
      offsetof(sockaddr_un, sun_path) + 1 +
      (static_cast<std::size_t>(length) < sizeof address.sun_path - 1 ? static_cast<std::size_t>(length)
                                                                       : sizeof address.sun_path - 2));

  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;  // no guard to be had: run unguarded
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
    return true;  // held, deliberately never closed, until the process ends
  }
  const int error = errno;
  close(fd);
  return error != EADDRINUSE;
}
