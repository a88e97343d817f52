// Global-root frames and the temporary-root table (see native_roots.h).
#include "vm/core/natives/native_roots.h"

#include <cstring>

VS_VMBSS(VmWord) vsNativeMethod_globalFrames;
VS_VMBSS(VmWord) vsNativeMethod_tempRoots;

int32_t vsNativeMethod_registerGlobalFrame(uint32_t count, NativeFrame* frame, VmRef* slots) {
  frame->prev = vsNativeMethod_globalFrames;
  frame->count = count;
  frame->length = 0;
  frame->slots = vsWord_fromPointer(slots);
  std::memset(slots, 0, size_t{count} * sizeof(VmRef));
  vsNativeMethod_globalFrames = vsWord_fromPointer(frame);
  return 0;
}

void vsNativeMethod_popGlobalFrame(NativeFrame* frame) { vsNativeMethod_globalFrames = frame->prev; }

int32_t vsNativeMethod_unregisterGlobalFrame(NativeFrame* frame) {
  const VmWord target = vsWord_fromPointer(frame);
  VmWord* link = &vsNativeMethod_globalFrames;
  while (*link != 0) {
    if (*link == target) {
      *link = frame->prev;
      return 0;
    }
    link = &vsWord_toPointer<NativeFrame>(*link)->prev;
  }
  return -1;
}

void vsNativeMethod_registerTempRoots(uint32_t capacity, TempRoots* table, VmRef* slots) {
  table->capacity = capacity;
  table->count = 0;
  table->slots = vsWord_fromPointer(slots);
  vsNativeMethod_tempRoots = vsWord_fromPointer(table);
}
