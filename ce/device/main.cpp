// cedevice: the host's tool for a device root.
//
//   cedevice init ROOT [--link CEPATH=FILE]...
//   cedevice reg ROOT get|set|del|export ...
//   cedevice serve ROOT [--foreground]
//   cedevice run|windows|wait|post|log|stop ROOT ...   (control.h)
//   cedevice cert ROOT add root|my FILE
//
// Exit status: 0 done, 1 failed, 2 usage.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "ce/device/certcmd.h"
#include "ce/device/control.h"
#include "ce/device/init.h"
#include "ce/device/regcmd.h"
#include "ce/device/server.h"

namespace {

std::string lSelf(const char* argv0) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  return n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(argv0);
}

int lInit(const std::vector<std::string>& args, const char* argv0) {
  std::vector<std::pair<std::string, std::string>> links;
  for (size_t i = 2; i < args.size(); ++i) {
    const size_t eq = i + 1 < args.size() ? args[i + 1].find('=') : std::string::npos;
    if (args[i] != "--link" || eq == std::string::npos || eq == 0)
      return 2;
    links.emplace_back(args[i + 1].substr(0, eq), args[i + 1].substr(eq + 1));
    ++i;
  }
  const int status = vsCeDevice_init(args[1]);
  return status != 0 ? status : vsCeDevice_link(args[1], lSelf(argv0), links);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  int status = -1;
  if (args.size() >= 2 && args[0] == "init")
    status = lInit(args, argv[0]);
  else if (args.size() >= 3 && args[0] == "reg")
    return vsCeDevice_reg(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  else if (args.size() >= 2 && args[0] == "cert")
    return vsCeDevice_cert(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  else if (args.size() == 2 && args[0] == "serve")
    status = vsCeDevice_serve(args[1], false);
  else if (args.size() == 3 && args[0] == "serve" && args[2] == "--foreground")
    status = vsCeDevice_serve(args[1], true);
  else if (!args.empty())
    status = vsCeDevice_control(args);
  if (status >= 0 && status != 2)
    return status;
  std::fprintf(stderr,
               "usage: cedevice init ROOT [--link CEPATH=FILE]... | reg ROOT get|set|del|export ... |\n"
               "       serve ROOT [--foreground] | run ROOT MODULE [CMDLINE] | windows ROOT |\n"
               "       wait ROOT [--class C] [--title T] [--gone] [--timeout MS] |\n"
               "       post ROOT (HWND | --class C) MSG WPARAM LPARAM | log ROOT [--debug] | stop ROOT\n");
  return 2;
}
