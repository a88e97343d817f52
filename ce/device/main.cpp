// cedevice: the host's tool for a device root.
//
//   cedevice init ROOT [--phone NUMBER] [--smsc HOST:PORT]
//   cedevice reg ROOT get|set|del|export ...
//
// Exit status: 0 done, 1 failed, 2 usage.
#include <arpa/inet.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ce/device/init.h"
#include "ce/device/regcmd.h"
#include "ce/wap/wire.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: cedevice init ROOT [--phone NUMBER] [--smsc HOST:PORT] | "
               "cedevice reg ROOT get|set|del|export ...\n");
  return 2;
}

// "A.B.C.D:PORT" with a port of 1-65535.
bool isCentreAddress(const std::string& text) {
  const size_t colon = text.rfind(':');
  in_addr address{};
  if (colon == std::string::npos || inet_pton(AF_INET, text.substr(0, colon).c_str(), &address) != 1)
    return false;
  const std::string port = text.substr(colon + 1);
  return !port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos &&
         std::stoul(port) >= 1 && std::stoul(port) <= 65535;
}

int init(const std::vector<std::string>& args) {
  CeDeviceInitOptions options;
  for (size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return usage();
    if (args[i] == "--phone" &&
        ce::wap::isWirePhoneNumber(std::u16string(args[i + 1].begin(), args[i + 1].end())))
      options.phone = args[i + 1];
    else if (args[i] == "--smsc" && isCentreAddress(args[i + 1]))
      options.smsc = args[i + 1];
    else
      return usage();
  }
  return vsCeDevice_init(args[1], options);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "init") return init(args);
  if (args.size() >= 3 && args[0] == "reg")
    return vsCeDevice_reg(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  return usage();
}
