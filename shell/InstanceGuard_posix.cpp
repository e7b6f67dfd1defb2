// The guard on Linux: a Unix socket bound to a name in the abstract
// namespace. Binding reveals whether a live process already holds the name,
// and the name disappears with the last descriptor, however its holder
// ends (SIGKILL included): no stale lock file can block a later launch.
// The name is per user and per X display, the Linux reading of one logon.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/InstanceGuard.h"

namespace {

// ":0", ":0.0" and "host:0.1" of one display all name the same logon seat.
void DisplayName(char* out, std::size_t size) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr) display = "";
  std::size_t length = std::strlen(display);
  const char* colon = std::strrchr(display, ':');
  if (colon != nullptr) {
    const char* dot = std::strchr(colon, '.');
    if (dot != nullptr) length = static_cast<std::size_t>(dot - display);
  }
  std::snprintf(out, size, "%.*s", static_cast<int>(length), display);
}

}  // namespace

bool AcquireInstanceGuard() {
  char display[64];
  DisplayName(display, sizeof display);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // sun_path[0] = 0 selects the abstract namespace.
  const int length = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1,
                                   "K_OPENGL_SCREENSAVER/%u/%s", static_cast<unsigned>(getuid()),
                                   display);
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
