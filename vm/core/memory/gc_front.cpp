// The collection front end, one compacting collection, the young window
// and the full collection that moves nothing.
//
// The front end (vsGC_collectFront), called when an allocation of n bytes
// finds no room in the young window: during the start-up phase a heap that
// cannot serve a request cannot hold the image (fatal error 130); inside a
// collection the request fails with OutOfMemoryError. Otherwise: a
// collection, and a full one when a young one left too little room; for a
// native-area block the native area takes space from the Java part;
// otherwise the Java part takes space from the native area when it is
// short of the young target or of n; last, stacks shrink and up to three
// full collections run before the preallocated OutOfMemoryError.
//
// One compacting collection (vsGC_collect): stacks prepared (frames in
// their collection form, the old generation's frame slots remembered for a
// young collection, parse positions as offsets), marking, forwarding, the
// survivor policy of a young collection, update, move, the native area's
// compaction (full collections), stacks and parse positions back, the young
// window opened, pending finalizers run and the report printed. A full one
// asked for while a compilation runs is refused (compiled_code.h): the
// young window closes and OutOfMemoryError is left pending.
//
// Young window: after a tenuring collection old top = young start =
// collection start = allocation top and the window spans the young target
// plus the request; survivors of a young collection that take under a
// tenth of the window, with at least 30720 bytes and the request to spare,
// stay young ("reused"). When the window keeps less than min(young target
// / 4, 5120) bytes beyond the request, the next collection is full.
//
// vsGC_fullCollection marks from every root with finalization selection
// and weak clearing, then sweeps the native area in place: its free list is
// rebuilt from the gaps between marked blocks. Java objects neither move
// nor die here, so callers may hold raw pointers across it; unreachable
// finalizable objects have their finalizers run before it returns.
#include "vm/core/memory/gc_front.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/compiled_code.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/gc_compaction.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/memory/gc_marking.h"
#ifdef VS_GC_DEBUG
#include "vm/core/memory/heap_verifier.h"
#endif
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/native_area.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/printf.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"

namespace {

constexpr uint32_t kRoomToReuse = 30720;
constexpr uint32_t kSmallestWindowRest = 5120;

uint32_t minOf(uint32_t a, uint32_t b) { return a < b ? a : b; }

void setBitOfSlot(VmWord* slot, void*) { vsGC_setBit(vsWord_fromPointer(slot)); }

// Calls fn with every chunk of the stack-chunk list in [from, to).
template <class Fn>
void forEachChunkIn(VmWord from, VmWord to, Fn fn) {
  for (VmRef chunk = vsJavaHeap.stackChunkList; chunk != 0; chunk = vsRef_as<StackChunk>(chunk)->next)
    if (chunk >= from && chunk < to) fn(chunk);
}

// A young collection: the frame slots of the stacks in the old generation
// act as remembered slots for this collection.
void rememberOldFrames() {
  forEachChunkIn(vsVmGlobals.heapLow, vsJavaHeap.oldTop, [](VmRef chunk) {
    vsObject_visitReferences(chunk, vsGC_classOf(chunk), setBitOfSlot, nullptr);
  });
}

void setupYoungWindow(uint32_t n, bool reused) {
  JavaHeapState& h = vsJavaHeap;
  VmGlobals& g = vsVmGlobals;
  if (reused) {
    forEachChunkIn(g.heapLow, h.oldTop, [](VmRef chunk) {
      const uint32_t size = kStackChunkHeadBytes + (vsRef_as<StackChunk>(chunk)->length & ~3u);
      vsGC_clearBits(chunk + kStackChunkHeadBytes, chunk + size);
    });
  } else {
    h.oldTop = h.youngStart = h.collectionStart = g.allocationTop;
    g.allocationEnd = g.allocationTop + minOf(g.heapHigh - g.allocationTop, (h.youngTarget + n + 3) & ~3u);
    vsGC_clearBits(g.heapLow, g.allocationTop);
  }
  if (g.allocationEnd - g.allocationTop < n ||
      g.allocationEnd - g.allocationTop - n < minOf(h.youngTarget / 4, kSmallestWindowRest))
    vsGC_requestFullCollection();
}

// The survivor policy of a young collection: true keeps them young.
bool reuseSurvivors(uint32_t n) {
  const GcState& s = vsGC_state;
  const JavaHeapState& h = vsJavaHeap;
  const uint32_t survivors = s.compactionEnd - h.oldTop;
  const uint64_t room = uint64_t{vsVmGlobals.heapHigh} - h.youngStart - survivors;
  const uint64_t window = vsVmGlobals.allocationEnd - h.collectionStart;
  return room >= n && room >= kRoomToReuse && uint64_t{survivors} * 100 < window * 10;
}

void printReport(bool full, bool reused, uint32_t oldBefore, uint32_t youngBefore) {
  const VmFlagValues& flags = vsVmFlags();
  if (!flags.ReportGC) return;
  const JavaHeapState& h = vsJavaHeap;
  const VmGlobals& g = vsVmGlobals;
  const VsOutputStream* log = vsOutputStream_log();
  const uint32_t oldAfter = h.oldTop - g.heapLow;
  char sizes[64];
  if (flags.HeapMin != flags.HeapCapacity)
    vsPrintf_snprintf(sizes, sizeof sizes, "%dK:%dK:%dK", flags.HeapMin / 1024,
                    static_cast<int32_t>(h.heapSizeSetting / 1024), flags.HeapCapacity / 1024);
  else
    vsPrintf_snprintf(sizes, sizeof sizes, "%dK", flags.HeapCapacity / 1024);
  const uint32_t after = full ? oldAfter : reused ? g.allocationTop - h.youngStart : oldAfter - oldBefore;
  vsOutputStream_printLine(log, "[%s GC <%s> %dK+%dK -> %dK%s]", full ? "full " : "young", sizes,
                           static_cast<int32_t>(oldBefore / 1024), static_cast<int32_t>(youngBefore / 1024),
                           static_cast<int32_t>(after / 1024), full ? "" : reused ? "(reused)" : "(tenured)");
  vsOutputStream_printLine(log, "Heap 0x%x-0x%x, 0x%x, 0x%x-0x%x", g.heapLow, h.oldTop, h.youngStart,
                           g.allocationTop, g.allocationEnd);
}

// Runs the pending finalizers between the two steps of the compilation
// policy: enough free memory allows compilation; too little disallows it
// when the next collection is full, and after a full collection.
void updateCompilePermission(uint32_t n, bool full) {
  uint32_t& permitted = vsJit_heapWords.compilePermitted;
  if (vsJavaHeap_freeMemory() >= kFreeBytesToCompile)
    permitted = 1;
  else if (vsJavaHeap.collectionStart == vsVmGlobals.heapLow)
    permitted = 0;
  vsFinalizer_runPending();
  const uint32_t free = vsJavaHeap_freeMemory();
  if (free >= n && free >= kFreeBytesToCompile)
    permitted = 1;
  else if (full)
    permitted = 0;
}

void clearCollectionBits() {
  vsGC_clearBits(vsVmGlobals.heapLow, vsVmGlobals.allocationTop);
  vsGC_clearBits(vsJavaHeap.nativeLower, vsJavaHeap.nativeUpper);
}

// The collector-wide state of one collection, before marking.
void beginCollection(bool full, bool nonMoving) {
  vsVerifier_releaseBciIndex();
  GcState& s = vsGC_state;
  s.inCollection = 1;
  s.full = full ? 1 : 0;
  s.nonMoving = nonMoving ? 1 : 0;
  s.firstMoved = s.forwardedEnd = vsVmGlobals.heapHigh;
  s.markStackBase = s.markStackPointer = vsVmGlobals.allocationTop;
  s.overflow = 0;
}

}  // namespace

void vsGC_requestFullCollection() { vsJavaHeap.collectionStart = vsVmGlobals.heapLow; }

int32_t vsGC_collect(uint32_t n) {
  JavaHeapState& h = vsJavaHeap;
  VmGlobals& g = vsVmGlobals;
  GcState& s = vsGC_state;
  const uint32_t oldBefore = h.oldTop - g.heapLow;
  const uint32_t youngBefore = g.allocationTop - h.youngStart;
  const bool full = h.collectionStart == g.heapLow;
  if (vsJit_refusesCollection(full)) {
    vsJit_heapWords.compilePermitted = 0;
    g.allocationEnd = g.allocationTop;
    vsException_throwOutOfMemoryError();
    return 0;
  }
#ifdef VS_GC_DEBUG
  vsHeapVerifier_run(!full);
#endif
  beginCollection(full, false);
  vsThreadStacks_prepareForCollection();
  vsClassFile_relocateContexts();
  if (full) {
    clearCollectionBits();
  } else {
    rememberOldFrames();
    vsGC_clearBits(h.oldTop, g.allocationTop);
  }
  vsGC_markRoots();

  const bool separate = !full && h.oldTop != h.youngStart;
  s.regionStart = separate ? h.youngStart : h.collectionStart;
  vsGC_computeForwarding(separate ? h.oldTop : s.regionStart);
  if (full) vsGC_planNativeCompaction();
  const bool reused = !full && reuseSurvivors(n);
  if (reused) vsGC_shiftDestinations(h.youngStart - h.oldTop);

  vsGC_updateReferences();
  const VmWord regionEnd = s.regionEnd;
  vsGC_moveObjects();
  if (full) vsGC_sweepNativeArea();
  vsThreadStacks_finishCollection();
  vsClassFile_restoreContexts();
  vsGC_clearBits(s.regionStart, regionEnd);
  if (full) vsGC_clearBits(h.nativeLower, h.nativeUpper);
  setupYoungWindow(n, reused);
  s.inCollection = 0;
#ifdef VS_GC_DEBUG
  vsHeapVerifier_run(false);
#endif

  updateCompilePermission(n, full);
  printReport(full, reused, oldBefore, youngBefore);
  return full ? 1 : 0;
}

namespace {

uint32_t windowRoom() { return vsVmGlobals.allocationEnd - vsVmGlobals.allocationTop; }
uint32_t javaFree() { return vsVmGlobals.heapHigh - vsVmGlobals.allocationTop; }

// After heap end moved up the window grows to what setupYoungWindow would
// have opened for n.
void widenWindow(uint32_t n) {
  VmGlobals& g = vsVmGlobals;
  const uint32_t want = minOf(g.heapHigh - g.allocationTop, (vsJavaHeap.youngTarget + n + 3) & ~3u);
  if (windowRoom() < want) g.allocationEnd = g.allocationTop + want;
}

// Gives the Java part the shortfall against `wanted` free bytes.
void giveToJavaPart(uint32_t wanted, uint32_t n) {
  if (javaFree() >= wanted) return;
  if (vsJavaHeap_giveSpaceToJavaPart(wanted - javaFree()) != 0) widenWindow(n);
}

// The native area has room for a block of n bytes.
bool nativeFits(uint32_t n) {
  const JavaHeapState& h = vsJavaHeap;
  return h.largestFree >= n || (h.nativeTop - h.nativeLower >= n && ((h.nativeTop - n) & ~3u) > h.nativeLower);
}

}  // namespace

void vsGC_collectFront(uint32_t n) {
  if (vsVmState().startupPhase != 0) vsVm_fatalErrorCode(kFatalHeapTooSmall);
  // No collection starts inside another one.
  if (vsGC_state.inCollection != 0) {
    vsException_throwOutOfMemoryError();
    return;
  }
  JavaHeapState& h = vsJavaHeap;
  const bool native = h.nativeAllocating != 0;
  if (vsGC_collect(n) == 0 && windowRoom() < n && !vsException_isPending()) {
    vsGC_requestFullCollection();
    vsGC_collect(n);
  }
  if (vsException_isPending()) return;
  if (native) {
    vsJavaHeap_giveSpaceToNativeArea(n);
    if (nativeFits(n)) return;
    h.nativeAllocating = 0;
    vsException_throwOutOfMemoryError();
    return;
  }
  giveToJavaPart(h.youngTarget, n);
  if (windowRoom() >= n) return;
  giveToJavaPart(n, n);
  if (windowRoom() >= n) return;
  // Last resort: stacks shrunk to their frames, then up to three full
  // collections.
  vsThread_shrinkStacks();
  for (int i = 0; i < 3; ++i) {
    vsGC_requestFullCollection();
    vsGC_collect(n);
    if (vsException_isPending()) return;
    giveToJavaPart(n, n);
    if (windowRoom() >= n) return;
  }
  vsException_throwOutOfMemoryError();
}

void vsGC_collectForAllocation(uint32_t n) {
  GcState& s = vsGC_state;
  vsGC_requestFullCollection();
  s.forAllocation = 1;
  vsGC_collectFront(n);
  s.forAllocation = 0;
  vsVmGlobals.pendingException = 0;
}

void vsGC_collectFromNative() {
  GcState& s = vsGC_state;
  s.requestedByNative = 1;
  vsGC_collectFront(1);
  s.requestedByNative = 0;
  vsVmGlobals.pendingException = 0;
}

void vsGC_collectForYield() {
  vsGC_requestFullCollection();
  vsGC_collectFront(1);
  vsVmGlobals.pendingException = 0;
}

void vsGC_fullCollection() {
  GcState& s = vsGC_state;
  if (s.inCollection != 0 || vsJavaHeap.blockStart == 0) return;
  vsGC_requestFullCollection();
#ifdef VS_GC_DEBUG
  vsHeapVerifier_run(false);
#endif
  beginCollection(true, true);
  vsThreadStacks_prepareForCollection();
  clearCollectionBits();
  vsGC_markRoots();
  vsGC_sweepNativeAreaInPlace();
  vsThreadStacks_finishCollection();
  s.inCollection = 0;
#ifdef VS_GC_DEBUG
  vsHeapVerifier_run(false);
#endif
  vsFinalizer_runPending();
  clearCollectionBits();
  s.nonMoving = 0;
}

VS_VMBSS(GcStress) vsGC_stress{};

void vsGC_stressPoint(uint32_t n) {
  GcStress& stress = vsGC_stress;
  if (stress.interval == 0 || vsVmState().startupPhase != 0 || vsGC_state.inCollection != 0 ||
      vsFinalizer_lists.running != 0)
    return;
  if (stress.countdown > 1) {
    --stress.countdown;
    return;
  }
  stress.countdown = stress.interval;
  if (stress.compacting == 0) {
    vsGC_fullCollection();
    return;
  }
  if (++stress.collections % 8 == 0) vsGC_requestFullCollection();
  // A young collection that kept its survivors young may leave the window
  // too small for the request: a full one then makes the room it can.
  if (vsGC_collect(n) == 0 && vsVmGlobals.allocationEnd - vsVmGlobals.allocationTop < n) {
    vsGC_requestFullCollection();
    vsGC_collect(n);
  }
}
