// Any input as a storage URI: through root matching, gfs translation and CE
// path mapping it is refused, or its host path lies inside the device root.
#include <cstring>
#include <string>

#include "ce/fs/pathmap.h"
#include "ce/testing/devroot.h"
#include "port/support/strconv.h"
#include "storage/gfs.h"
#include "storage/ojfs.h"
#include "storage/roots.h"
#include "tests/support/fuzz_main.h"

namespace {

void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

void body(const uint8_t* data, size_t size) {
  static CeDeviceRoot* root = [] {
    auto* r = new CeDeviceRoot;
    ojfs_init();
    return r;
  }();
  const std::string uri(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  char physical[kOjfsPathBytes];
  if (ojfs_uriToPhysical(uri.c_str(), physical) == 0)
    check(std::strncmp(physical, "\\Storage\\Vostel\\java", 20) == 0);
  if (uri.compare(0, 4, "gfs:") != 0)
    return;
  char translated[kGfsPathBytes];
  if (gfs_translatePath(uri.c_str() + 4, translated) != 0 || translated[0] == '\0')
    return;
  check(std::strncmp(translated, "\\Storage\\Vostel\\java\\", 21) == 0);
  std::string host;
  if (!vsCeFs_hostPath(Utf8ToWString(translated).c_str(), &host))
    return;
  const std::string inside = root->host("Storage/Vostel/java/");
  check(host.compare(0, inside.size() - 1, inside, 0, inside.size() - 1) == 0);
  check(host.find("/../") == std::string::npos && host.find("/./") == std::string::npos);
}

}  // namespace

VS_FUZZ_TARGET(body)
