// The certificate sub-command (see certcmd.h).
#include "ce/device/certcmd.h"

#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "ce/crypt/wincrypt.h"

int vsCeDevice_cert(const std::string& root, const std::vector<std::string>& arguments) {
  if (arguments.size() != 3 || arguments[0] != "add" || (arguments[1] != "root" && arguments[1] != "my")) {
    std::fprintf(stderr, "usage: cedevice cert ROOT add root|my FILE\n");
    return 2;
  }
  std::ifstream in(arguments[2], std::ios::binary);
  const std::string der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    std::fprintf(stderr, "cedevice cert: cannot read %s\n", arguments[2].c_str());
    return 1;
  }
  setenv("CE_ROOT", root.c_str(), 1);
  const DWORD status =
      vsCertStore_add(arguments[1] == "root" ? "ROOT" : "MY", reinterpret_cast<const BYTE*>(der.data()),
                      static_cast<DWORD>(der.size()));
  if (status != ERROR_SUCCESS) {
    std::fprintf(stderr, "cedevice cert: %s: error %lu\n", arguments[2].c_str(),
                 static_cast<unsigned long>(status));
    return 1;
  }
  return 0;
}
