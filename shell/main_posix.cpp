// The Linux entry point: the arguments joined by single spaces make the
// command-line text that Windows would hand to WinMain.
#include <string>

#include "shell/Startup.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return MorvaneMain(commandLine.c_str(), nullptr, 0);
}
