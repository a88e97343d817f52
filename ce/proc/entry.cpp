// The program entry of the device's programs: main, which calls the
// program's WinMain.
//
// It needs CE_ROOT (else "CE_ROOT is not set" and exit status 2). The
// command line is argv[1] when the device started the program (CE_MODULE set:
// the device passes the caller's text as one argument), else argv[1..]
// joined by single blanks. WinMain gets the fixed instance kProgramInstance,
// no previous instance and SW_SHOW; its result is the exit status. Mutex
// names are device-wide from the start (vsCeProc_start).
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "ce/base/codepage.h"
#include "ce/proc/process.h"
#include "ce/user/window.h"

int main(int argc, char** argv) {
  const char* root = getenv("CE_ROOT");
  if (root == nullptr || *root == '\0') {
    std::fprintf(stderr, "CE_ROOT is not set\n");
    return 2;
  }
  std::string line;
  if (getenv("CE_MODULE") != nullptr) {
    line = argc > 1 ? argv[1] : "";
  } else {
    for (int i = 1; i < argc; ++i)
      line += (i > 1 ? " " : "") + std::string(argv[i]);
  }
  std::u16string commandLine = vsCeCodepage_utf16(line);
  vsCeProc_start();
  return WinMain(kProgramInstance, nullptr, commandLine.data(), SW_SHOW);
}
