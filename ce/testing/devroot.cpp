// Temporary device roots (see devroot.h).
#include "ce/testing/devroot.h"

#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "ce/device/init.h"
#include "ce/fs/pathmap.h"
#include "ce/reg/regdb.h"

namespace {

int lRemove(const char* path, const struct stat*, int, FTW*) { return remove(path); }

}  // namespace

void vsCeTest_resetLayer() {
  vsCeReg_reset();
  vsCeFs_reset();
}

CeDeviceRoot::CeDeviceRoot() {
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/ceroot.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    abort();
  }
  path_ = pattern;
  vsCeTest_resetLayer();
  if (vsCeDevice_init(path_) != 0)
    abort();
  setenv("CE_ROOT", path_.c_str(), 1);
}

CeDeviceRoot::~CeDeviceRoot() {
  vsCeTest_resetLayer();
  nftw(path_.c_str(), lRemove, 16, FTW_DEPTH | FTW_PHYS);
  unsetenv("CE_ROOT");
}
