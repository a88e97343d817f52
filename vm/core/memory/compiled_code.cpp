// The heap's side of compiled code (see compiled_code.h).
#include "vm/core/memory/compiled_code.h"

#include "vm/core/model/object_layout.h"
#include "vm/core/startup/vm_flags.h"

VS_VMBSS(JitHeapWords) vsJit_heapWords{};

namespace {

inline constexpr uint32_t kAgeByteOfEntry = 0xB8;

struct CollectorCalls {
  VsCompiledCodeScanner scanner;
  VsCompiledCodeAging aging;
};

VS_VMBSS(CollectorCalls) gCalls{};

}  // namespace

void vsJit_setCollectorCalls(VsCompiledCodeScanner scanner, VsCompiledCodeAging aging) {
  gCalls.scanner = scanner;
  gCalls.aging = aging;
}

void jitReloc_forEachReference(VmRef block, VsWordVisitor visit, void* context) {
  if (gCalls.scanner != nullptr) gCalls.scanner(block, visit, context);
}

void jitCode_ageOrUnlink(VmRef block) {
  if (gCalls.aging != nullptr) gCalls.aging(block);
}

bool vsJit_agesCompiledCode() { return gCalls.aging != nullptr; }

bool vsGC_compiledCodeInUse(VmRef block) {
  const uint32_t top = vsRef_as<CompiledCodeBlock>(block)->sizeWord >> 24;
  return top != 0 && top != kAgeByteOfEntry;
}

bool vsJit_codeSizeBelowLimit() {
  const int32_t limit = vsVmFlags().MaxTotalCompiledCodeSize;
  return limit < 1 || vsJit_heapWords.totalCompiledCodeSize < static_cast<uint32_t>(limit);
}

bool vsJit_refusesCollection(bool full) {
  const VmFlagValues& flags = vsVmFlags();
  return full && flags.UseCompiler != 0 && flags.MixedMode != 0 && vsJit_heapWords.compiling != 0;
}
