// The branch-target counter (see jit_entry_counts.h).
#include "vm/core/interp/jit_entry_counts.h"

#include "vm/core/bytecode/bci_tables.h"
#include "vm/core/bytecode/bytecode_closure.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/vm_globals.h"

namespace {

// An exception-table entry is four shorts: start, end, handler, catch type.
constexpr int32_t kHandlerEntryShorts = 4;
constexpr int32_t kHandlerField = 2;

class EntryCounter : public vsBytecodeClosure {
 public:
  explicit EntryCounter(const VmRef* counts) {
    vsHandle_pushCopy(&this->counts, counts);
    // Only the control flow matters: string constants stay unresolved.
    resolvesStrings = false;
  }
  VmHandle counts;

  // Every instruction: the edge into the next one, when control falls
  // through.
  int32_t prolog() override {
    const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    const int32_t length = vsBytecodes_lengthAt(&method.object, bci);
    if (length > 0 && length != kLengthNotAllowed && vsBytecodes_canFallThrough(m->code[bci]))
      count(static_cast<int64_t>(bci) + length);
    return 0;
  }
  int32_t branchIf(int32_t, int32_t target) override { return count(target); }
  int32_t branchIfIntCompare(int32_t, int32_t target) override { return count(target); }
  int32_t branchIfRefCompare(int32_t, int32_t target) override { return count(target); }
  int32_t branchAlways(int32_t target) override { return count(target); }
  int32_t tableSwitch(uint32_t table, int32_t defaultTarget, int32_t low, int32_t high) override {
    count(defaultTarget);
    const int64_t entries = int64_t{high} - low + 1;
    for (int64_t k = 0; k < entries; ++k) countWord(table + 12 + 4 * static_cast<uint32_t>(k));
    return 0;
  }
  int32_t lookupSwitch(uint32_t table, int32_t defaultTarget, int32_t pairs) override {
    count(defaultTarget);
    for (int32_t k = 0; k < pairs; ++k) countWord(table + 12 + 8 * static_cast<uint32_t>(k));
    return 0;
  }

  int32_t count(int64_t target) {
    IntArray* a = vsRef_as<IntArray>(counts.object);
    if (target >= 0 && target < a->length) ++a->elements[target];
    return 0;
  }

 private:
  // A switch offset word (machine order) relative to the switch's bci.
  void countWord(uint32_t at) {
    count(vsBytecodes_target(bci, vsMethod_codeIntAt(vsRef_as<MethodRecord>(method.object), at)));
  }
};

}  // namespace

VmRef jitCompiler_countEntries(const VmRef* method) {
  const uint32_t length = vsRef_as<MethodRecord>(*method)->codeLength;
  VmHandle counts;
  vsHandle_push(&counts, vsJavaHeap_newIntArray(static_cast<int32_t>(length)));
  VmRef result = 0;
  if (counts.object != 0) {
    EntryCounter counter(&counts.object);
    counter.count(0);
    vsBytecodes_iterate(method, 0, length, &counter);
    const ShortArray* table = vsRef_as<ShortArray>(vsMethod_exceptionTable(vsRef_as<MethodRecord>(*method)));
    for (int32_t i = 0; table != nullptr && i + kHandlerEntryShorts <= table->length; i += kHandlerEntryShorts)
      counter.count(static_cast<uint16_t>(table->elements[i + kHandlerField]));
    if (!vsException_isPending()) result = counts.object;
  }
  vsHandle_close(&counts);
  return result;
}
