// Names of classes and callers (see class_names.h).
#include "vm/services/lifecycle/class_names.h"

#include <algorithm>
#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_name_by_id.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/natives/native_roots.h"

namespace {

VS_VMBSS(char[kVsClassNameBufferBytes]) gNames = {};

// Copies at most `limit` bytes of the symbol to `to`: the bytes copied.
uint32_t copyName(char* to, const VmSymbol* name, uint32_t limit) {
  const uint32_t n = std::min<uint32_t>(name->length, limit);
  std::memcpy(to, name->bytes, n);
  return n;
}

}  // namespace

const char* vsSys_getCallerMethodName(int32_t depth) {
  const MethodRecord* method = vsNativeMethod_javaFrameMethod(depth);
  if (method == nullptr) return nullptr;
  const VmSymbol* cls = vsClass_name(vsMethod_holderClass(method));
  if (cls->length >= kVsClassNameBufferBytes - 1) return nullptr;
  uint32_t at = copyName(gNames, cls, kVsNamePartBytes);
  gNames[at++] = '.';
  at += copyName(gNames + at, vsRef_as<VmSymbol>(vsMethod_name(method)), kVsNamePartBytes);
  gNames[at] = '\0';
  return gNames;
}

const char* vsSys_getClassNameById(int32_t id) {
  int32_t length = 0;
  const uint8_t* name = id < 0 ? nullptr : vsClass_nameUtf8ById(static_cast<uint32_t>(id), &length);
  if (name == nullptr) return nullptr;
  const size_t n = std::min<size_t>(static_cast<size_t>(length), kVsClassNameBufferBytes - 1);
  std::memcpy(gNames, name, n);
  gNames[n] = '\0';
  return gNames;
}

int32_t vsSys_classExists(const char* name) {
  if (name == nullptr) return 0;
  enum { kEarlierException, kFound, kSlots };
  NativeFrame frame;
  VmRef slots[kSlots];
  vsNativeMethod_pushLocalFrame(kSlots, &frame, slots);
  slots[kEarlierException] = vsPendingException();
  vsPendingException() = 0;
  slots[kFound] = vsClass_findOrLoadByName(name, 0);
  vsPendingException() = slots[kEarlierException];
  const int32_t exists = slots[kFound] != 0 ? 1 : 0;
  vsNativeMethod_popLocalFrame(&frame);
  return exists;
}
