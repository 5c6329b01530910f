// Runs the program's WinMain from a POSIX main.
#include "platform/program_entry.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/display.h"
#include "platform/kernel32.h"
#include "platform/user32.h"

int GVRunWinMain(int argc, char** argv, GVWinMainFunction winMain) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (!line.empty()) line += ' ';
    std::string a = argv[i] ? argv[i] : "";
    if (a.empty() || a.find_first_of(" \t") != std::string::npos) line += '"' + a + '"';
    else line += a;
  }
  // The program shows itself on the X display when there is one; GV_HEADLESS=1
  // keeps it off-screen (scripted runs).
  const char* headless = std::getenv("GV_HEADLESS");
  if (!headless || !*headless || *headless == '0') GVDisplayStart();
  int status = winMain(GetModuleHandleA(nullptr), nullptr, &line[0], SW_SHOWDEFAULT);
  GVDisplayStop();
  fflush(stdout);
  fflush(stderr);
  return status;
}
