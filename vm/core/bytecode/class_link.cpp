// Linking and the verify-only walk (see class_link.h).
#include "vm/core/bytecode/class_link.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/core/bytecode/verifier.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/loader/jar_file.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"

namespace {

// Getters the dynamic compiler may inline are exactly this long.
constexpr uint32_t kFastAccessorCodeLength = 5;
constexpr uint32_t kClassSuffixLength = 6;  // ".class"

void offerFastAccessors(const VmRef* cls) {
  VmHandle methods;
  vsHandle_push(&methods, vsClass_methods(vsRef_as<ClassRecord>(*cls)));
  VmHandle method;
  vsHandle_pushEmpty(&method);
  const int32_t count = methods.object != 0 ? vsRef_as<ObjectArray>(methods.object)->length : 0;
  for (int32_t i = 0; i < count; ++i) {
    method.object = vsRef_as<ObjectArray>(methods.object)->elements[i];
    const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    if (m == nullptr || vsMethod_isNative(m) || vsMethod_isAbstract(m)) continue;
    if (m->codeLength == kFastAccessorCodeLength) jitEntry_setFastAccessor(&method.object);
  }
  vsHandle_close(&method);
  vsHandle_close(&methods);
}

// The n-th class entry of an archive. Each is loaded once the walk that
// found it has ended: loading reads the same archive again.
struct EntryPick {
  uint32_t wanted;
  uint32_t seen;
  int32_t found;
  char name[kVsClassPath_pathBuffer];
};

VS_VMBSS(EntryPick) vsClassLink_pick{};

void pickEntry(const char* name, uint32_t nameLength, VsJarFile*) {
  EntryPick& p = vsClassLink_pick;
  if (p.seen++ != p.wanted) return;
  const uint32_t length = nameLength - kClassSuffixLength;
  if (length >= sizeof p.name) {
    vsException_raiseWithCode(kVmErrorClass, kErrPathName);
    return;
  }
  std::memcpy(p.name, name, length);
  p.name[length] = 0;
  p.found = 1;
}

void linkArchive(const char* archive) {
  for (uint32_t i = 0; !vsException_isPending(); ++i) {
    vsClassLink_pick.wanted = i;
    vsClassLink_pick.seen = 0;
    vsClassLink_pick.found = 0;
    vsJarFile_forEachEntry(archive, ".class", pickEntry);
    if (vsException_isPending() || vsClassLink_pick.found == 0) return;
    VmHandle cls;
    vsHandle_push(&cls, vsClass_findOrLoadByName(vsClassLink_pick.name, 1));
    if (cls.object != 0) vsClass_link(&cls.object);
    vsHandle_close(&cls);
  }
}

}  // namespace

bool vsClass_link(const VmRef* cls) {
  const ClassRecord* c = vsRef_as<ClassRecord>(*cls);
  if (vsVmFlags().UseVerifier == 0 || !vsClass_isInstanceClass(cls) || vsClass_isVerified(c) ||
      vsObject_isInRomImage(*cls))
    return true;
  if (!vsVerifier_verifyClass(cls)) return false;
  offerFastAccessors(cls);
  return true;
}

bool vsVerifier_verifyClassPath() {
  const VsClassPath* path = vsClassPath_entries();
  for (uint32_t i = 0; i < path->count && !vsException_isPending(); ++i) {
    const char* entry = vsClassPath_entry(path, i);
    if (!vsClassPath_isArchive(entry)) {
      vsException_raiseWithCode(kVmErrorClass, kErrPathName);
    } else {
      linkArchive(entry);
    }
  }
  if (!vsException_isPending()) return true;
  const bool outOfMemory = vsPendingException() == vsRoot(kRootOutOfMemoryError);
  vsPendingException() = 0;
  vsVmState().exitCode = outOfMemory ? -2 : -1;
  return false;
}
