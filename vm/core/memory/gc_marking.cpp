// Marking from the roots (see gc_marking.h).
#include "vm/core/memory/gc_marking.h"

#include "vm/core/memory/compiled_code.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/gc_compaction.h"
#include "vm/core/memory/global_refs.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"

VS_VMBSS(GcState) vsGC_state{};

namespace {

inline bool inRange(VmWord a, VmWord from, VmWord to) { return a - from < to - from; }

bool inNativeArea(VmWord a) { return inRange(a, vsJavaHeap.nativeTop, vsJavaHeap.nativeUpper); }

void markSlot(VmWord* slot, void*) {
  const VmWord t = *slot;
  const VmGlobals& g = vsVmGlobals;
  GcState& s = vsGC_state;
  if (inRange(t, vsJavaHeap.collectionStart, g.heapHigh)) {
    if (vsGC_testAndSetBit(t)) return;
    if (vsJit_agesCompiledCode() && vsGC_classOf(t)->instanceKind == kKindCompiledCode) jitCode_ageOrUnlink(t);
    if (s.markStackPointer >= g.heapHigh + kHeapReserveBytes) {
      s.overflow = 1;
      return;
    }
    *vsWord_toPointer<VmWord>(s.markStackPointer) = t;
    s.markStackPointer += 4;
    return;
  }
  // A block's own near record has the byte[] class as its first word.
  if (s.full != 0) {
    if (inNativeArea(t) && *vsWord_toPointer<VmWord>(t) != vsRoot(kRootByteArray)) vsGC_setBit(t);
    return;
  }
  // An old slot that no longer refers into the young generation leaves
  // the remembered set.
  const VmWord a = vsWord_fromPointer(slot);
  if (inRange(a, g.heapLow, vsJavaHeap.collectionStart)) vsGC_clearBits(a, a + 4);
}

// A frame slot of a stack chunk: remembered by its bit for the update.
void markFrameSlot(VmWord* slot, void*) {
  vsGC_setBit(vsWord_fromPointer(slot));
  markSlot(slot, nullptr);
}

void scanObject(VmRef object) {
  markSlot(vsRef_as<VmWord>(object), nullptr);
  const ClassRecord* cls = vsGC_classOf(object);
  vsObject_visitReferences(object, cls, cls->instanceKind == kKindStackChunk ? markFrameSlot : markSlot, nullptr);
}

void drain() {
  GcState& s = vsGC_state;
  while (s.markStackPointer > s.markStackBase) {
    s.markStackPointer -= 4;
    scanObject(*vsWord_toPointer<VmWord>(s.markStackPointer));
  }
}

void drainSlot(VmWord* slot, void*) { vsGC_drainMarkStack(slot); }

void drainRemembered(VmWord slot) { vsGC_drainMarkStack(vsWord_toPointer<VmWord>(slot)); }

// Rescans every marked object of [from, to), stepping by object size.
void rescanRange(VmWord from, VmWord to) {
  for (VmWord at = from; at < to;) {
    const uint32_t size = vsJavaHeap_objectSize(at);
    if (size == 0) break;
    if (vsGC_testBit(at)) {
      scanObject(at);
      drain();
    }
    at += size;
  }
}

void rescanAfterOverflow() {
  GcState& s = vsGC_state;
  while (s.overflow != 0) {
    s.overflow = 0;
    rescanRange(vsVmGlobals.heapLow, vsJavaHeap.oldTop);
    rescanRange(vsJavaHeap.youngStart, s.markStackBase);
  }
}

// The class-table word holds the address of element 0 of its array.
void visitClassTableWord(VsWordVisitor fn, void* context) {
  VmWord& word = vsVmGlobals.classTable;
  if (word == 0) return;
  VmWord array = word - kArrayElementsOffset;
  fn(&array, context);
  word = array + kArrayElementsOffset;
}

}  // namespace

void vsGC_drainMarkStack(VmWord* slot) {
  markSlot(slot, nullptr);
  drain();
}

void vsGC_forEachRoot(VsWordVisitor fn, void* context) {
  for (VmRef& root : vsPersistentRoots) fn(&root, context);
  VmGlobals& g = vsVmGlobals;
  for (VmWord VmGlobals::*word : kVmGlobalsReferenceWords)
    if (word != &VmGlobals::classTable) fn(&(g.*word), context);
  visitClassTableWord(fn, context);
  for (VmRef& symbol : vsWellKnownSymbols) fn(&symbol, context);
  vsClassTables_visitRoots(fn, context);
  vsImage_visitRoots(fn, context);
  for (VmHandle* h = vsLocalRootList.get(); h != nullptr; h = h->previous.get()) fn(&h->object, context);
  vsNativeRoots_visit(fn, context);
  vsFrameIterator_visitRoots(fn, context);
  fn(&vsGlobalRef_table, context);
}

void vsGC_markRoots() {
  vsGC_forEachRoot(drainSlot, nullptr);
  if (vsGC_state.full == 0) vsGC_forEachSetBit(drainRemembered, vsVmGlobals.heapLow, vsJavaHeap.oldTop);
  vsGlobalRef_visitEntries(kGlobalRefStrong, drainSlot, nullptr);
  rescanAfterOverflow();
  vsFinalizer_selectUnreachable();
  vsFinalizer_markList(&vsFinalizer_lists.finalizable);
  vsFinalizer_markList(&vsFinalizer_lists.pending);
  rescanAfterOverflow();
  vsFinalizer_unmarkPending();
  vsWeakRef_clearUnmarked();
  vsFinalizer_markList(&vsFinalizer_lists.pending);
  rescanAfterOverflow();
}

bool vsGC_inCollectedRegion(VmWord address) {
  if (inRange(address, vsJavaHeap.collectionStart, vsVmGlobals.heapHigh)) return true;
  return vsGC_state.full != 0 && inNativeArea(address);
}

bool vsGC_isLive(VmWord target) { return !vsGC_inCollectedRegion(target) || vsGC_testBit(target); }
