// The system-package lists and their prefix test.
#include "vm/services/connection/system_package.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/services/lifecycle/system_glue.h"

namespace {

struct SystemPackageLists {
  const char* const* lists[kVsSystemPackage_maxLists];
  uint32_t count;
};

VS_VMBSS(SystemPackageLists) gSystemPackages{};

constexpr const char* kBuiltInPackages[] = {"java/", "javax/", "com/vostel/", "jp/co/orvex/cldc/"};

bool startsWith(const char* name, const char* prefix) {
  return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

// A registered prefix: '.' in the prefix also matches '/' in the name. An
// empty prefix matches nothing.
bool matchesRegistered(const char* name, const char* prefix) {
  if (*prefix == '\0') return false;
  for (; *prefix != '\0'; ++prefix, ++name) {
    if (*name == '\0') return false;
    if (*prefix == *name || (*prefix == '.' && *name == '/')) continue;
    return false;
  }
  return true;
}

}  // namespace

void vsSystemPackage_initialize() { gSystemPackages = {}; }

void vsSystemPackage_register(const char* const* prefixes) {
  if (gSystemPackages.count == kVsSystemPackage_maxLists) vsSys_exit(-1);
  gSystemPackages.lists[gSystemPackages.count++] = prefixes;
}

int32_t vsSystemPackage_isSystemClass(const char* className, const char* jarName) {
  if (jarName != nullptr && (std::strcmp(jarName, "/sys.jar") == 0 || std::strcmp(jarName, "/ext.jar") == 0))
    return 0;
  for (const char* p : kBuiltInPackages)
    if (startsWith(className, p)) return 1;
  for (uint32_t i = 0; i < gSystemPackages.count; ++i)
    for (const char* const* p = gSystemPackages.lists[i]; p != nullptr && *p != nullptr; ++p)
      if (matchesRegistered(className, *p)) return 1;
  return 0;
}
