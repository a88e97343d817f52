// The inot peephole pass (see boolean_not.h).
#include "vm/core/interp/boolean_not.h"

#include <cstring>

#include "vm/core/bytecode/branch_relocator.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/interp/jit_entry_counts.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/vm_globals.h"

namespace {

constexpr uint32_t kSequenceBytes = 8;
constexpr int32_t kRemovedBytes = 7;

MethodRecord* methodOf(const VmRef* method) { return vsRef_as<MethodRecord>(*method); }

// No edge but the sequence's own enters b+1 .. b+7.
bool enteredOnlyFromInside(const VmRef* counts, uint32_t b) {
  const IntArray* c = vsRef_as<IntArray>(*counts);
  for (uint32_t i = b + 1; i < b + kSequenceBytes; ++i)
    if (c->elements[i] > 1) return false;
  return true;
}

// The stack-map edit of a fusion at b: the entry at b stays, those of
// b+1 .. b+7 go, later ones move down. Lowering a bci never turns a short
// entry long, so nothing is allocated.
void editStackMap(const VmRef* method, uint32_t b) {
  VmHandle map;
  vsHandle_push(&map, vsMethod_stackmap(methodOf(method)));
  if (map.object != 0) {
    vsStackMap_removeRange(&map.object, b + 1, b + kSequenceBytes);
    vsStackMap_shiftBci(&map.object, b + kSequenceBytes, -kRemovedBytes);
  }
  vsHandle_close(&map);
}

// Fuses the sequences of one pattern; false with an exception pending.
bool fuseAll(const VmRef* method, const BytePattern* pattern) {
  VmHandle counts;
  vsHandle_pushEmpty(&counts);
  uint32_t from = 0;
  bool ok = true;
  for (;;) {
    const MethodRecord* m = methodOf(method);
    const uint8_t* at = vsBytePattern_find(m->code + from, m->code + m->codeLength, pattern);
    if (at == nullptr) break;
    const uint32_t b = static_cast<uint32_t>(at - m->code);
    from = b + 1;
    // The goto's target, b+8, must lie inside the code.
    if (b + kSequenceBytes >= m->codeLength || !vsMethod_isInstructionStart(method, b)) continue;
    // The counts describe the code being searched: made again after
    // every rewrite.
    if (counts.object == 0) {
      counts.object = jitCompiler_countEntries(method);
      if (counts.object == 0) {
        ok = false;
        break;
      }
    }
    if (!enteredOnlyFromInside(&counts.object, b)) continue;
    vsMethod_rewriteBooleanNot(method, b);
    {
      vsBranchRelocator relocator(b + 1, -kRemovedBytes);
      vsBytecodes_iterate(method, 0, methodOf(method)->codeLength, &relocator);
    }
    editStackMap(method, b);
    counts.object = 0;
  }
  vsHandle_close(&counts);
  return ok;
}

}  // namespace

bool vsMethod_isInstructionStart(const VmRef* method, uint32_t bci) {
  const uint32_t end = methodOf(method)->codeLength;
  uint32_t at = 0;
  while (at < bci && at < end) {
    const int32_t length = vsBytecodes_lengthAt(method, at);
    if (length <= 0 || length == kLengthNotAllowed) return false;
    at += static_cast<uint32_t>(length);
  }
  return at == bci && bci < end;
}

void vsMethod_rewriteBooleanNot(const VmRef* method, uint32_t b) {
  MethodRecord* m = methodOf(method);
  const uint32_t length = m->codeLength;
  if (b + kSequenceBytes > length) return;
  const uint32_t oldSize = vsJavaHeap_objectSize(*method);
  m->code[b] = kOpInot;
  std::memmove(m->code + b + 1, m->code + b + kSequenceBytes, length - b - kSequenceBytes);
  std::memset(m->code + length - kRemovedBytes, 0, kRemovedBytes);
  m->codeLength = static_cast<uint16_t>(length - kRemovedBytes);
  vsJavaHeap_shrinkObject(method, oldSize, vsJavaHeap_objectSize(*method), true);
}

void vsMethod_optimizeBooleanNot(const VmRef* method) {
  const MethodRecord* m = methodOf(method);
  const VmRef handlers = vsMethod_exceptionTable(m);
  if ((handlers != 0 && vsRef_as<ShortArray>(handlers)->length > 0) || (m->accessFlags & kMethodSyntheticOrSwitch) != 0)
    return;
  if (vsMethod_stackmap(m) != 0 && !vsStackMap_isCompact(m)) return;
  if (fuseAll(method, &vsBytePattern_notIfne)) fuseAll(method, &vsBytePattern_notIfeq);
}

void vsClass_setupMethodEntries(const VmRef* cls) {
  if (!vsClass_isInstanceClass(cls)) return;
  // The image's classes keep their methods in the image (their records may
  // have been copied into the heap).
  const ClassRecord* c = vsRef_as<ClassRecord>(*cls);
  const VmRef all = vsClass_methods(c);
  if (all == 0 || vsObject_isInRomImage(all) || (c->classInfo->accessFlags & kClassAbstract) != 0) return;
  VmHandle method;
  vsHandle_pushEmpty(&method);
  for (int32_t i = 0;; ++i) {
    const VmRef methods = vsClass_methods(vsRef_as<ClassRecord>(*cls));
    if (methods == 0 || i >= vsRef_as<ObjectArray>(methods)->length) break;
    method.object = vsRef_as<ObjectArray>(methods)->elements[i];
    if (method.object == 0 || vsObject_isInRomImage(method.object)) continue;
    const MethodRecord* m = methodOf(&method.object);
    if (vsMethod_isCompiled(m) || vsMethod_isNative(m) || vsMethod_isAbstract(m)) continue;
    vsMethod_optimizeBooleanNot(&method.object);
    if (vsException_isPending()) break;
  }
  vsHandle_close(&method);
}
