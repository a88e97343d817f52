// Method entries (see method_entries.h).
#include "vm/core/interp/method_entries.h"

#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/model_flags.h"

extern "C" const uint8_t vsMethodEntries[];

namespace {

constexpr const char* kNames[kMethodEntryKindCount] = {
#define VS_METHOD_ENTRY_NAME(symbol, kind) #symbol,
    VS_METHOD_ENTRIES(VS_METHOD_ENTRY_NAME)
#undef VS_METHOD_ENTRY_NAME
};

constexpr int32_t kMostSpecialisedExtraLocals = 4;

VmWord table() { return vsWord_fromPointer(vsMethodEntries); }

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
