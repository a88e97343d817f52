// cedevice: the host's tool for a device root.
//
//   cedevice init ROOT [--link CEPATH=FILE]... [--phone NUMBER] [--smsc HOST:PORT]
//   cedevice reg ROOT get|set|del|export ...
//   cedevice serve ROOT [--foreground]
//   cedevice run|windows|wait|post|log|stop ROOT ...   (control.h)
//   cedevice cert ROOT add root|my FILE
//
// Exit status: 0 done, 1 failed, 2 usage.
#include <arpa/inet.h>
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
#include "ce/wap/wire.h"

namespace {

std::string lSelf(const char* argv0) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  return n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(argv0);
}

// "A.B.C.D:PORT" with a port of 1-65535.
bool lIsCentreAddress(const std::string& text) {
  const size_t colon = text.rfind(':');
  in_addr address{};
  if (colon == std::string::npos || inet_pton(AF_INET, text.substr(0, colon).c_str(), &address) != 1)
    return false;
  const std::string port = text.substr(colon + 1);
  return !port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos &&
         std::stoul(port) >= 1 && std::stoul(port) <= 65535;
}

int lInit(const std::vector<std::string>& args, const char* argv0) {
  std::vector<std::pair<std::string, std::string>> links;
  CeDeviceInitOptions options;
  for (size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size())
      return 2;
    const std::string& value = args[i + 1];
    const size_t eq = value.find('=');
    if (args[i] == "--link" && eq != std::string::npos && eq != 0)
      links.emplace_back(value.substr(0, eq), value.substr(eq + 1));
    else if (args[i] == "--phone" && ce::wap::isWirePhoneNumber(std::u16string(value.begin(), value.end())))
      options.phone = value;
    else if (args[i] == "--smsc" && lIsCentreAddress(value))
      options.smsc = value;
    else
      return 2;
  }
  const int status = vsCeDevice_init(args[1], options);
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
               "usage: cedevice init ROOT [--link CEPATH=FILE]... [--phone NUMBER] [--smsc HOST:PORT] |\n"
               "       reg ROOT get|set|del|export ... |\n"
               "       serve ROOT [--foreground] | run ROOT MODULE [CMDLINE] | windows ROOT |\n"
               "       wait ROOT [--class C] [--title T] [--gone] [--timeout MS] |\n"
               "       post ROOT (HWND | --class C) MSG WPARAM LPARAM | log ROOT [--debug] | stop ROOT\n");
  return 2;
}
