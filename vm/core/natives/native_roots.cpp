// Global-root frames and the temporary-root table (see native_roots.h).
#include "vm/core/natives/native_roots.h"

#include <cstring>

#include "vm/core/memory/gc_hooks.h"

VS_VMBSS(VmWord) vsNativeMethod_localFrames;
VS_VMBSS(VmWord) vsNativeMethod_globalFrames;
VS_VMBSS(VmWord) vsNativeMethod_tempRoots;

namespace {

// Fills the frame, zeroes its slots and makes it the head of the list.
void linkFrame(VmWord* head, uint32_t count, NativeFrame* frame, VmRef* slots) {
  frame->prev = *head;
  frame->count = count;
  frame->length = 0;
  frame->slots = vsWord_fromPointer(slots);
  std::memset(slots, 0, size_t{count} * sizeof(VmRef));
  *head = vsWord_fromPointer(frame);
}

// Every slot of every frame of a list.
void visitFrames(VmWord head, VsWordVisitor fn, void* context) {
  for (VmWord at = head; at != 0;) {
    const NativeFrame* frame = vsWord_toPointer<NativeFrame>(at);
    VmRef* slots = vsWord_toPointer<VmRef>(frame->slots);
    for (uint32_t i = 0; i < frame->count; ++i) fn(&slots[i], context);
    at = frame->prev;
  }
}

}  // namespace

int32_t vsNativeMethod_pushLocalFrame(uint32_t count, NativeFrame* frame, VmRef* slots) {
  linkFrame(&vsNativeMethod_localFrames, count, frame, slots);
  return 0;
}

void vsNativeMethod_popLocalFrame(NativeFrame* frame) { vsNativeMethod_localFrames = frame->prev; }

int32_t vsNativeMethod_registerGlobalFrame(uint32_t count, NativeFrame* frame, VmRef* slots) {
  linkFrame(&vsNativeMethod_globalFrames, count, frame, slots);
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

void vsNativeRoots_visit(VsWordVisitor fn, void* context) {
  visitFrames(vsNativeMethod_localFrames, fn, context);
  visitFrames(vsNativeMethod_globalFrames, fn, context);
  if (vsNativeMethod_tempRoots != 0) {
    const TempRoots* table = vsWord_toPointer<TempRoots>(vsNativeMethod_tempRoots);
    VmRef* slots = vsWord_toPointer<VmRef>(table->slots);
    const uint32_t count = table->count < table->capacity ? table->count : table->capacity;
    for (uint32_t i = 0; i < count; ++i) fn(&slots[i], context);
  }
}
