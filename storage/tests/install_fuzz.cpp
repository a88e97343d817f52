// Any input as a JAD and a JAR (framed as in install_seeds.h), handed over
// as memory sources through the JAD step and the JAR step on one device
// root. A failed install leaves the index as it was and no file of the
// suite; a successful one is listed and then deleted with all its files.
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/crypt/wincrypt.h"
#include "ce/substrate/low_memory.h"
#include "ce/testing/devroot.h"
#include "storage/installer.h"
#include "storage/ojfs.h"
#include "storage/suiteindex.h"
#include "storage/suitestore.h"
#include "storage/tests/install_seeds.h"
#include "tests/support/fuzz_main.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

int32_t jadCallback(int32_t, int32_t, void*) { return 1; }

int32_t gFinal[3];
int32_t jarCallback(int32_t total, int32_t step, int32_t arg) {
  gFinal[0] = total;
  gFinal[1] = step;
  gFinal[2] = arg;
  return 1;
}

OjmsSource memorySource(void* block, const uint8_t* data, size_t size) {
  if (size != 0) std::memcpy(block, data, size);
  OjmsSource source{};
  source.kind = kOjmsSourceMemory;
  source.size = static_cast<uint32_t>(size);
  source.data = vsWord_fromPointer(block);
  return source;
}

bool exists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

void body(const uint8_t* data, size_t size) {
  static CeDeviceRoot* root = [] {
    auto* r = new CeDeviceRoot;
    const std::string der = vsInstallSeeds_signer();
    vsCertStore_add("MY", reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
    check(ojms_init() == 0);
    return r;
  }();
  if (size < 2) return;
  const size_t jadSize = std::min(static_cast<size_t>(data[0] | data[1] << 8), size - 2);
  const size_t jarSize = size - 2 - jadSize;
  void* jadBlock = vsLow_alloc(jadSize + 1);
  void* jarBlock = vsLow_alloc(jarSize + 1);
  const OjmsSource jad = memorySource(jadBlock, data + 2, jadSize);
  const OjmsSource jar = memorySource(jarBlock, data + 2 + jadSize, jarSize);
  OjmsInstallInfo info{};
  ojms_requestJadInstall(&jad, "http://host/dir/s.jad", &info, jadCallback);
  if (ojms_getLastStatus() == 900) {
    check(strnlen(info.name, sizeof info.name) < sizeof info.name);
    check(strnlen(info.jarUrl, sizeof info.jarUrl) < sizeof info.jarUrl);
    ojms_requestJarInstall(0, nullptr, nullptr, &jar, 0, jarCallback);
    const int32_t status = ojms_getLastStatus();
    if (status == 900) {
      check(gFinal[0] == gFinal[1] && gFinal[2] == 0 && ojms_getSuiteCount(-1) == 1);
      check(exists(root->host("Storage/Vostel/java/0.jar")));
      check(ojms_deleteSuiteFiles(0) == 0);
    } else {
      check(gFinal[0] == -1 && gFinal[1] == status && gFinal[2] == -1);
    }
    check(ojms_getSuiteCount(-1) == 0);
    for (const char* name : {"0.jar", "0.jdx", "0.raw", "0.mss", "0_4.tmp", "0_5.tmp"})
      check(!exists(root->host(std::string("Storage/Vostel/java/") + name)));
  }
  vsLow_free(jadBlock);
  vsLow_free(jarBlock);
}

}  // namespace

VS_FUZZ_TARGET(body)
