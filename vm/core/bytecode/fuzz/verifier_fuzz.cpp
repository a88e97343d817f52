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

#include "tests/core/core_start.h"
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

constexpr uint32_t kHeapBytes = 1u << 20;
constexpr size_t kMaxInput = 1u << 18;
constexpr size_t kMaxName = 256;

bool gStarted = false;
VmRef gErrorClass = 0;

bool start() {
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    return false;
  }
  vsExitPoint_push(&point);
  vsVmFlags().UseVerifier = 1;
  const bool booted = vsTestCore_boot(vsTestCore_readFile(VS_SYSTEM_LIBRARY), {}, kHeapBytes);
  if (booted) gErrorClass = vsClass_findOrLoadByName("java/lang/Error", 1);
  vsExitPoint_remove(&point);
  if (booted && gErrorClass != 0) vsTestCore_snapshot();
  return booted && gErrorClass != 0;
}

void loadAndLink(const uint8_t* name, size_t nameLength, const uint8_t* classFile, size_t size) {
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    return;
  }
  vsExitPoint_push(&point);
  VmHandle symbol, bytes, cls;
  vsHandle_push(&symbol, vsSymbol_intern(name, static_cast<int32_t>(nameLength), false));
  vsHandle_push(&bytes, vsJavaHeap_newByteArray(static_cast<int32_t>(size)));
  vsHandle_push(&cls, 0);
  if (symbol.object != 0 && bytes.object != 0) {
    if (size != 0) std::memcpy(vsRef_as<ByteArray>(bytes.object)->elements, classFile, size);
    ClassLookup lookup;
    vsClassLookup_init(&lookup, &symbol.object, 1, 0, bytes.object);
    cls.object = vsClass_findOrLoad(&lookup);
    // fuzz_classfile checks the loader's refusals.
    vsPendingException() = 0;
  }
  if (cls.object != 0 && !vsClass_link(&cls.object)) {
    const VmRef e = vsPendingException();
    if (e == 0 || !vsClass_isSubtypeOf(vsObject_class(e), vsRef_as<ClassRecord>(gErrorClass))) std::abort();
  }
  vsHandle_close(&symbol);
  vsPendingException() = 0;
  vsExitPoint_remove(&point);
}

void body(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return;
  if (!gStarted) {
    if (!start()) std::abort();
    gStarted = true;
  } else {
    vsTestCore_restore();
  }
  const void* nul = std::memchr(data, 0, size < kMaxName ? size : kMaxName);
  if (nul == nullptr) return;
  const size_t nameLength = static_cast<const uint8_t*>(nul) - data;
  loadAndLink(data, nameLength, data + nameLength + 1, size - nameLength - 1);
  if (vsVerifier_isVerifying() || !vsJavaHeap_walksToTop()) std::abort();
}

}  // namespace

VS_FUZZ_TARGET(body)
