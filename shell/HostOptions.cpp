#include "shell/HostOptions.h"

#include <cstdio>
#include <cstring>

#include "shell/Startup.h"

const char kHostUsage[] =
    "Usage: morvane [OPTION]...\n"
    "A flip-clock screensaver.\n"
    "\n"
    "As a hack of a Linux screensaver host:\n"
    "  --root             draw into the window named in $XSCREENSAVER_WINDOW\n"
    "                     (XScreenSaver, xsecurelock)\n"
    "  --window-id ID     draw into the window ID, in hex (0x...) or decimal\n"
    "                     (the preview of xscreensaver-settings)\n"
    "  --window           an ordinary resizable window on the desktop, until\n"
    "                     it is closed\n"
    "  --display DISPLAY  the X display to use\n"
    "  --help             this text\n"
    "  --version          the version\n"
    "Every option takes one dash or two. The other standard hack options\n"
    "(--fps, --no-fps, --install, --noinstall, --mono, --pair, --sync,\n"
    "--visual V, --delay N, --geometry G, ...) are accepted and ignored.\n"
    "Options not understood are named on standard error and ignored; with no\n"
    "option or switch that is understood, they start nothing (status 2), or,\n"
    "with $XSCREENSAVER_WINDOW set, draw into that window as --root does.\n"
    "Drawn into a host's window, the clock takes no single-instance guard,\n"
    "leaves keyboard and mouse to the host, ends on SIGTERM or when the window\n"
    "is destroyed, and never ends on its own: a failure is reported once on\n"
    "standard error and the window is kept black until the host ends the run.\n"
    "\n"
    "The Windows screensaver switches:\n"
    "  /s                 full screen on the primary monitor until a key or a\n"
    "                     mouse button\n"
    "  (none)             the same, one such run (or preview) per display\n"
    "  /p WINDOW          draw into the X window WINDOW (decimal) until it is\n"
    "                     destroyed or unmapped\n"
    "  /c                 the About window\n";

const char kHostVersion[] = "morvane " MORVANE_VERSION "\n";

namespace {

struct OptionName {
  const char* name;
  bool takesValue;
};

// The standard options of XScreenSaver's hacks and of the X toolkit that
// the hosts or their users may pass; none of them changes the clock.
constexpr OptionName kIgnored[] = {
    {"fps", false},       {"no-fps", false},     {"install", false},  {"noinstall", false},
    {"mono", false},      {"pair", false},       {"sync", false},     {"verbose", false},
    {"visual", true},     {"delay", true},       {"geometry", true},  {"xrm", true},
    {"bg", true},         {"background", true},  {"fg", true},        {"foreground", true},
    {"name", true},       {"title", true},
};

// "-x" or "--x" (and "--x=value") give the name "x"; anything else is no
// option. `value` is set when the argument carries "=value".
bool OptionNameOf(const char* argument, std::string* name, const char** value) {
  if (argument[0] != '-' || argument[1] == '\0') return false;
  const char* start = argument[1] == '-' ? argument + 2 : argument + 1;
  if (*start == '\0' || *start == '-') return false;
  const char* equals = std::strchr(start, '=');
  *value = equals != nullptr ? equals + 1 : nullptr;
  name->assign(start, equals != nullptr ? static_cast<std::size_t>(equals - start) : std::strlen(start));
  return true;
}

const OptionName* FindIgnored(const std::string& name) {
  for (const OptionName& option : kIgnored) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

bool IsHostOption(const char* argument) {
  std::string name;
  const char* value = nullptr;
  if (!OptionNameOf(argument, &name, &value)) return false;
  return name == "root" || name == "window-id" || name == "window" || name == "display" ||
         name == "help" || name == "h" || name == "version" || FindIgnored(name) != nullptr;
}

void AddUnknown(HostOptions* options, const char* argument) {
  if (!options->unknown.empty()) options->unknown += ' ';
  options->unknown += argument;
}

// X resource ids keep their top three bits clear: a larger number names no
// window on any server.
void RefuseImpossibleWindow(HostOptions* options) {
  if (options->launch != HostLaunch::Hosted || options->window <= 0x1FFFFFFFu) return;
  char text[80];
  std::snprintf(text, sizeof text, "window 0x%lx does not exist (X window ids have 29 bits)",
                static_cast<unsigned long>(options->window));
  options->problem = text;
  options->window = 0;
}

// --root: the window named in $XSCREENSAVER_WINDOW, or why there is none.
void TakeRootWindow(const char* xscreensaverWindow, HostOptions* options) {
  options->launch = HostLaunch::Hosted;
  if (xscreensaverWindow == nullptr) {
    options->problem = "--root: XSCREENSAVER_WINDOW is not set, so there is no window to draw into";
  } else if (*xscreensaverWindow == '\0') {
    options->problem = "--root: XSCREENSAVER_WINDOW is empty, so there is no window to draw into";
  } else if (!ReadWindowId(xscreensaverWindow, &options->window)) {
    options->problem = std::string("--root: XSCREENSAVER_WINDOW=\"") + xscreensaverWindow +
                       "\" is not a window id (0x... or decimal)";
  }
}

}  // namespace

bool ReadWindowId(const char* text, std::uintptr_t* id) {
  if (text == nullptr || *text == '\0') return false;
  unsigned base = 10;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text += 2;
    if (*text == '\0') return false;
  }
  std::uint64_t value = 0;
  for (; *text != '\0'; ++text) {
    unsigned digit;
    if (*text >= '0' && *text <= '9') {
      digit = static_cast<unsigned>(*text - '0');
    } else if (base == 16 && *text >= 'a' && *text <= 'f') {
      digit = static_cast<unsigned>(*text - 'a' + 10);
    } else if (base == 16 && *text >= 'A' && *text <= 'F') {
      digit = static_cast<unsigned>(*text - 'A' + 10);
    } else {
      return false;
    }
    value = value * base + digit;
    if (value > 0xFFFFFFFFu) return false;  // X ids are 32-bit (29 bits in use)
  }
  if (value == 0) return false;
  *id = static_cast<std::uintptr_t>(value);
  return true;
}

HostOptions ReadHostOptions(int argc, const char* const* argv, const char* xscreensaverWindow) {
  HostOptions options;
  bool any = false;
  for (int i = 1; i < argc && !any; ++i) any = IsHostOption(argv[i]);
  if (!any) {
    // Classic: the Windows-style switches, and options that mean nothing.
    std::string switches;
    for (int i = 1; i < argc; ++i) {
      std::string name;
      const char* value = nullptr;
      if (OptionNameOf(argv[i], &name, &value)) AddUnknown(&options, argv[i]);
      if (i > 1) switches += ' ';
      switches += argv[i];
    }
    // Only options not understood, under a host (its window in the
    // environment): a typo in the host's command line, as "-rot" for
    // "-root". A run of its own there would fight the host's windows and
    // never get a key, so the clock draws into the host's window instead.
    if (xscreensaverWindow != nullptr && !options.unknown.empty() &&
        ParseCommandLine(switches.c_str()).mode == Default) {
      TakeRootWindow(xscreensaverWindow, &options);
      RefuseImpossibleWindow(&options);
    }
    return options;
  }

  bool help = false, version = false, root = false, windowId = false;
  std::string idProblem;
  std::uintptr_t id = 0;
  for (int i = 1; i < argc; ++i) {
    std::string name;
    const char* value = nullptr;
    if (!OptionNameOf(argv[i], &name, &value)) {
      AddUnknown(&options, argv[i]);
      continue;
    }
    // An option with a value takes "=value" or the next argument.
    auto takeValue = [&]() -> const char* {
      if (value != nullptr) return value;
      if (i + 1 < argc) return argv[++i];
      return nullptr;
    };
    if (name == "help" || name == "h") {
      help = true;
    } else if (name == "version") {
      version = true;
    } else if (name == "root") {
      root = true;
    } else if (name == "window") {
      // the default of host-style options anyway (below)
    } else if (name == "window-id") {
      windowId = true;
      const char* text = takeValue();
      idProblem.clear();
      if (text == nullptr) {
        idProblem = "--window-id needs the id of a window";
      } else if (!ReadWindowId(text, &id)) {
        idProblem = std::string("--window-id: \"") + text + "\" is not a window id (0x... or decimal)";
      }
    } else if (name == "display") {
      const char* text = takeValue();
      if (text != nullptr) options.display = text;
    } else if (const OptionName* ignored = FindIgnored(name)) {
      if (ignored->takesValue) takeValue();
    } else {
      AddUnknown(&options, argv[i]);
    }
  }

  if (help || version) {
    options.launch = help ? HostLaunch::Help : HostLaunch::Version;
    return options;
  }
  if (windowId) {
    // As in XScreenSaver's hacks, an explicit window id wins over --root.
    options.launch = HostLaunch::Hosted;
    if (idProblem.empty()) {
      options.window = id;
    } else {
      options.problem = idProblem;
    }
  } else if (root) {
    TakeRootWindow(xscreensaverWindow, &options);
  } else {
    // --window, or only options that change nothing: like a hack started
    // from a terminal, the clock opens a window of its own.
    options.launch = HostLaunch::DesktopWindow;
  }
  RefuseImpossibleWindow(&options);
  return options;
}
