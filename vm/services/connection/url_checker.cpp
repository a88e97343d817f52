// The URL-checker registry (see url_checker.h).
#include "vm/services/connection/url_checker.h"

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"
#include "vm/services/memory/trace_log.h"

namespace {
VS_VMBSS(VmPtr<const char>) gChecker{};
}

void vsURLChecker_initialize() { gChecker = nullptr; }

int32_t vsURLChecker_registerClassName(const char* className) {
  if (className == nullptr) {
    vsTraceLog_error(
        "vsURLChecker: Invalid parameter passed to vsURLChecker_registerClassName() - className is NULL.\n");
    return -1;
  }
  if (const char* old = gChecker.get())
    vsTraceLog_error("vsURLChecker: Overwrite %s with %s.", className, old);
  gChecker = className;
  return 0;
}

const char* vsURLChecker_getClassName() { return gChecker.get(); }
