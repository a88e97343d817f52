// The internal-package restriction (see internal_package.h).
#include "vm/services/connection/internal_package.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/core/natives/native_method.h"
#include "vm/services/lifecycle/system_glue.h"
#include "vm/services/memory/trace_log.h"

namespace {

constexpr const char* kBuiltInPrefixes[] = {"jp/co/orvex/cldc/", nullptr};
constexpr char kRefusedPrefix[] = "java/";
constexpr size_t kRefusedPrefixLength = 5;

struct InternalPackageLists {
  const char* const* lists[kVsInternalPackage_maxLists];
  uint32_t count;
};

VS_VMDATA(InternalPackageLists) gLists = {{kBuiltInPrefixes}, 1};

// The prefix walk: '.' in the prefix steps over '/' in the name.
bool matches(const char* prefix, const char* name, int32_t length) {
  if (*prefix == '\0') return false;
  int32_t at = 0;
  for (; *prefix != '\0'; ++prefix, ++at) {
    if (at >= length) return false;
    if (*prefix == name[at] || (*prefix == '.' && name[at] == '/')) continue;
    return false;
  }
  return true;
}

bool refused(const char* const* prefixes) {
  for (const char* const* p = prefixes; p != nullptr && *p != nullptr; ++p)
    if (std::strlen(*p) >= kRefusedPrefixLength && std::strncmp(*p, kRefusedPrefix, kRefusedPrefixLength) == 0)
      return true;
  return false;
}

}  // namespace

void vsInternalClassAccessRestriction_initialize() {
  gLists = InternalPackageLists{};
  vsInternalClassAccessRestriction_registerPackageNames(kBuiltInPrefixes);
}

void vsInternalClassAccessRestriction_registerPackageNames(const char* const* prefixes) {
  if (gLists.count == kVsInternalPackage_maxLists) vsSys_exit(-1);
  gLists.lists[gLists.count++] = prefixes;
  if (refused(prefixes)) {
    vsTraceLog_error("vsInternalClassAccessRestriction_registerPackageNames(): java/ cannot be registered.\n");
    vsSys_exit(-1);
  }
}

void vsInternalClassAccessRestriction_check(const char* className, int32_t length) {
  for (uint32_t i = 0; i < gLists.count; ++i)
    for (const char* const* p = gLists.lists[i]; p != nullptr && *p != nullptr; ++p)
      if (matches(*p, className, length)) vsNativeMethod_fatalError("Cannot use class in Vostel internal package");
}
