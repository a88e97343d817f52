// The tagged reference table (see global_refs.h).
#include "vm/core/memory/global_refs.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/memory/gc_marking.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/handles.h"

VS_VMBSS(VmRef) vsGlobalRef_table;

namespace {

IntArray* table() { return vsRef_as<IntArray>(vsGlobalRef_table); }

uint32_t lengthOf(VmRef array) { return array == 0 ? 0 : static_cast<uint32_t>(vsRef_as<IntArray>(array)->length); }

VmWord* element(int32_t index) {
  if (vsGlobalRef_table == 0 || index < 0 || static_cast<uint32_t>(index) >= lengthOf(vsGlobalRef_table))
    return nullptr;
  return reinterpret_cast<VmWord*>(&table()->elements[index]);
}

// Replaces the table by one twice as long (16 at first); the new elements
// follow the old ones. False with OutOfMemoryError pending.
bool grow() {
  const uint32_t old = lengthOf(vsGlobalRef_table);
  const int32_t length = old == 0 ? kGlobalRefInitialLength : static_cast<int32_t>(2 * old);
  const VmRef grown = vsJavaHeap_newIntArray(length);
  if (grown == 0) return false;
  if (old != 0) std::memcpy(vsRef_as<IntArray>(grown)->elements, table()->elements, 4 * size_t{old});
  vsGlobalRef_table = grown;
  return true;
}

}  // namespace

int32_t vsGlobalRef_new(const VmRef* object, uint32_t tag) {
  uint32_t n = lengthOf(vsGlobalRef_table);
  uint32_t index = 0;
  while (index < n && table()->elements[index] != 0) ++index;
  if (index == n) {
    if (!grow()) return 0;
    n = lengthOf(vsGlobalRef_table);
  }
  table()->elements[index] = static_cast<int32_t>(*object | (tag & kGlobalRefTagMask));
  return static_cast<int32_t>(index);
}

VmRef vsGlobalRef_get(int32_t index) {
  const VmWord* e = element(index);
  if (e == nullptr || *e == kGlobalRefCleared) return 0;
  return *e & ~kGlobalRefTagMask;
}

void vsGlobalRef_delete(int32_t index) {
  if (VmWord* e = element(index)) *e = 0;
}

void vsGlobalRef_clear(int32_t index) {
  if (VmWord* e = element(index)) *e = kGlobalRefCleared;
}

void vsGlobalRef_visitEntries(uint32_t tagMask, VsWordVisitor fn, void* context) {
  const uint32_t n = lengthOf(vsGlobalRef_table);
  for (uint32_t i = 0; i < n; ++i) {
    VmWord* e = reinterpret_cast<VmWord*>(&table()->elements[i]);
    if (*e == 0 || *e == kGlobalRefCleared || (*e & tagMask) == 0) continue;
    const VmWord tag = *e & kGlobalRefTagMask;
    *e &= ~kGlobalRefTagMask;
    fn(e, context);
    if (*e != 0 && *e != kGlobalRefCleared) *e |= tag;
  }
}

void vsWeakRef_clearUnmarked() {
  vsGlobalRef_visitEntries(
      kGlobalRefWeak,
      [](VmWord* e, void*) {
        if (!vsGC_isLive(*e)) *e = kGlobalRefCleared;
      },
      nullptr);
}
