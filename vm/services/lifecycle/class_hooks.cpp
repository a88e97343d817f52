// Class-loading hooks (see class_hooks.h).
#include "vm/services/lifecycle/class_hooks.h"

#include <cstring>

#include "vm/services/connection/internal_package.h"

namespace {
constexpr char kApplicationArchive[] = "/app.jar";
}

int32_t vsSys_checkClassSource(const char* className, int32_t length, const char* jarName) {
  if (jarName != nullptr && std::strcmp(jarName, kApplicationArchive) == 0)
    vsInternalClassAccessRestriction_check(className, length);
  return 0;
}

VmWord vsSys_findNativeFunction(const char*, const char*) { return 0; }

bool vsSys_skipClassFileSearch() { return false; }
