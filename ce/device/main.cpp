// cedevice: the host's tool for a device root.
//
//   cedevice init ROOT
//   cedevice reg ROOT get|set|del|export ...
//   cedevice cert ROOT add root|my FILE
//
// Exit status: 0 done, 1 failed, 2 usage.
#include <cstdio>
#include <string>
#include <vector>

#include "ce/device/certcmd.h"
#include "ce/device/init.h"
#include "ce/device/regcmd.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "init")
    return vsCeDevice_init(args[1]);
  if (args.size() >= 3 && args[0] == "reg")
    return vsCeDevice_reg(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  if (args.size() >= 2 && args[0] == "cert")
    return vsCeDevice_cert(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  std::fprintf(stderr, "usage: cedevice init ROOT | cedevice reg ROOT get|set|del|export ...\n");
  return 2;
}
