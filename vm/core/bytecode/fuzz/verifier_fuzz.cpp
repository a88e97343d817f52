// Verifies hostile class files. An input is a class name, a NUL byte and
// the class file (seeds: the verifier's corpus and the classdump files).
// The core is started once without a class image, with the verifier on,
// and snapshotted; every input starts from the snapshot, loads its class
// and links it (which verifies it). A refusal must leave a java/lang/Error
// (or subclass) pending, never a crash or a sanitizer report; afterwards
// nothing verifies any more and the heap still walks to its allocation
// top.
#include <cstdlib>
#include <cstring>

#include "tests/core/class_file_fuzz.h"
#include "tests/support/fuzz_main.h"
#include "vm/core/bytecode/class_link.h"
#include "vm/core/bytecode/verifier.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/subtype.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_flags.h"

namespace {

VmRef gErrorClass = 0;

void beforeBoot() { vsVmFlags().UseVerifier = 1; }

bool afterBoot() {
  gErrorClass = vsClass_findOrLoadByName("java/lang/Error", 1);
  return gErrorClass != 0;
}

// Linking verifies; a refusal leaves an Error pending.
void link(VmRef* cls) {
  if (*cls != 0 && !vsClass_link(cls)) {
    const VmRef e = vsPendingException();
    if (e == 0 || !vsClass_isSubtypeOf(vsObject_class(e), vsRef_as<ClassRecord>(gErrorClass))) std::abort();
  }
}

bool nothingVerifies() { return !vsVerifier_isVerifying(); }

void body(const uint8_t* data, size_t size) {
  static const VsClassFileFuzzTarget target = {VS_SYSTEM_LIBRARY, beforeBoot, afterBoot, link, nothingVerifies};
  vsClassFileFuzz_run(target, data, size);
}

}  // namespace

VS_FUZZ_TARGET(body)
