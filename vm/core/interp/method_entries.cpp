// Method entries (see method_entries.h).
#include "vm/core/interp/method_entries.h"

#include "vm/core/interp/pool_resolution.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"

extern "C" const uint8_t vsMethodEntries[];

namespace {

constexpr const char* kNames[kMethodEntryKindCount] = {
#define VS_METHOD_ENTRY_NAME(symbol, kind) #symbol,
    VS_METHOD_ENTRIES(VS_METHOD_ENTRY_NAME)
#undef VS_METHOD_ENTRY_NAME
};

constexpr int32_t kMostSpecialisedExtraLocals = 4;

// Accessor entries reach fields below this byte offset.
constexpr uint32_t kAccessorOffsetLimit = 32768;

VmWord table() { return vsWord_fromPointer(vsMethodEntries); }

MethodEntryKind accessorKind(int32_t basicType) {
  switch (basicType) {
    case kTypeBoolean:
    case kTypeByte:
      return kEntryAccessorByte;
    case kTypeShort:
      return kEntryAccessorShort;
    case kTypeChar:
      return kEntryAccessorChar;
    case kTypeLong:
    case kTypeDouble:
      return kEntryAccessorLong;
    default:
      return kEntryAccessorWord;
  }
}

}  // namespace

VmWord vsMethodEntry_address(MethodEntryKind kind) {
  return table() + kind * kMethodEntryRecordBytes + kMethodEntryTrapBytes;
}

int32_t vsMethodEntry_kindOfWord(VmWord entryWord) {
  const VmWord offset = entryWord - table();
  if (offset % kMethodEntryRecordBytes != 0 || offset / kMethodEntryRecordBytes >= kMethodEntryKindCount) return -1;
  return static_cast<int32_t>(offset / kMethodEntryRecordBytes);
}

const char* vsMethodEntry_name(MethodEntryKind kind) { return kNames[kind]; }

void vsMethod_setEntryAddress(MethodRecord* method, VmWord entryAddress) {
  vsJavaHeap_storeIfHeapReference(method->entryWord.get(), entryAddress - kMethodEntryTrapBytes);
}

MethodEntryKind vsMethodEntry_interpretedKind(const MethodRecord* method) {
  const int32_t extra = static_cast<int32_t>(method->maxLocals) - method->parameterWords;
  if ((method->accessFlags & kMethodSynchronized) != 0 || extra < 0 || extra > kMostSpecialisedExtraLocals)
    return kEntryGeneral;
  return static_cast<MethodEntryKind>(kEntryNoExtraLocals + extra);
}

void jitEntry_setInterpreted(MethodRecord* method) {
  vsMethod_setEntryAddress(method, vsMethodEntry_address(vsMethodEntry_interpretedKind(method)));
}

void jitEntry_setDefault(MethodRecord* method, int32_t) { jitEntry_setInterpreted(method); }

void jitEntry_setRomEntries() {
  const uint32_t count = vsClassTable_count();
  for (uint32_t id = 0; id < count; ++id) {
    const ClassRecord* cls = vsClass_byId(id);
    const VmRef methods = cls != nullptr && !vsClass_isArrayClass(cls) ? vsClass_methods(cls) : 0;
    if (methods == 0) continue;
    const ObjectArray* array = vsRef_as<ObjectArray>(methods);
    for (int32_t i = 0; i < array->length; ++i) {
      MethodRecord* m = vsRef_as<MethodRecord>(array->elements[i]);
      if (m != nullptr && m->entryWord.get() != &m->ownEntry && !vsMethod_isCompiled(m)) jitEntry_setInterpreted(m);
    }
  }
}

void jitEntry_setFastAccessor(const VmRef* method) {
  uint32_t offset = 0;
  int32_t type = 0;
  if (vsMethod_isSimpleGetter(method, &offset, &type) == 0 || offset >= kAccessorOffsetLimit) return;
  MethodRecord* m = vsRef_as<MethodRecord>(*method);
  m->maxStack = static_cast<uint16_t>(type);
  m->maxLocals = static_cast<uint16_t>(offset);
  vsMethod_setEntryAddress(m, vsMethodEntry_address(accessorKind(type)));
}
