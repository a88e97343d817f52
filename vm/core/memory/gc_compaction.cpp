// Compaction of the collected region (see gc_compaction.h).
#include "vm/core/memory/gc_compaction.h"

#include <cstring>

#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/memory/gc_marking.h"
#include "vm/core/memory/global_refs.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"

namespace {

constexpr VmWord kNoImageReference = 0xffffffffu;
constexpr uint32_t kMethodOwnEntryOffset = 16;

inline bool inRange(VmWord a, VmWord from, VmWord to) { return a - from < to - from; }

VmWord* wordAt(VmWord address) { return vsWord_toPointer<VmWord>(address); }

const HeapGeometry& geometry() { return vsJavaHeap.geometry; }

uint32_t* blockTable() { return vsWord_toPointer<uint32_t>(vsJavaHeap.blockTable); }

uint32_t blockOf(VmWord object) { return ((object - vsVmGlobals.heapLow) >> 2) >> (31 - geometry().b); }

// The near-record part of a forwarding word.
uint32_t encodeNear(VmWord near) {
  const HeapGeometry& g = geometry();
  const VmGlobals& globals = vsVmGlobals;
  if (inRange(near, globals.heapLow, globals.heapHigh)) return (near - globals.heapLow) >> 2;
  const VmWord compact = vsImage_encodeReference(near);
  if (compact == kNoImageReference || compact > g.classRefMask) vsVm_fatalErrorCode(kFatalInconsistency);
  return g.classRefFlag | compact;
}

VmWord decodeNear(uint32_t low) {
  const HeapGeometry& g = geometry();
  if ((low & g.classRefFlag) != 0) return vsImage_decodeReference(low & g.classRefMask);
  return vsVmGlobals.heapLow + 4 * (low & g.classRefMask);
}

bool isForwarded(VmWord object) {
  const GcState& s = vsGC_state;
  return object >= s.firstMoved && object < s.forwardedEnd && vsGC_testBit(object);
}

// The next set bit in [from, to), or `to`.
VmWord nextSetBit(VmWord from, VmWord to) {
  from &= ~VmWord{3};
  while (from < to) {
    const VmWord group = from & ~VmWord{127};
    const uint32_t word = *vsGC_bitmapWord(from) >> ((from >> 2) & 31);
    if (word != 0) {
      const VmWord at = from + 4 * static_cast<VmWord>(__builtin_ctz(word));
      return at < to ? at : to;
    }
    from = group + 128;
  }
  return to;
}

uint32_t sizeOf(VmRef object) {
  const uint32_t size = vsJavaHeap_objectSizeOfClass(object, vsGC_classOf(object));
  if (size == 0) vsVm_fatalErrorCode(kFatalInconsistency);
  return size;
}

void updateSlot(VmWord* slot, void*) { *slot = vsGC_newAddress(*slot); }

void updateBit(VmWord address) { updateSlot(wordAt(address), nullptr); }

// The fields of one live object of the region. A stack chunk's reference
// slots are its set bits (marking set them), cleared once updated; a
// method record's own entry word points into the record itself.
void updateFields(VmRef object, uint32_t size) {
  const ClassRecord* cls = vsGC_classOf(object);
  if (cls->instanceKind == kKindStackChunk) {
    vsGC_forEachSetBit(updateBit, object + 4, object + size);
    vsGC_clearBits(object + 4, object + size);
    return;
  }
  vsObject_visitReferences(object, cls, updateSlot, nullptr);
  if (cls->instanceKind == kKindMethod) {
    MethodRecord* m = vsRef_as<MethodRecord>(object);
    if (m->entryWord.raw == object + kMethodOwnEntryOffset)
      m->entryWord.raw = vsGC_newAddress(object) + kMethodOwnEntryOffset;
  }
}

// The stack-chunk list without the dead chunks, its links updated.
void updateChunkList() {
  VmWord* link = &vsJavaHeap.stackChunkList;
  while (*link != 0) {
    const VmRef chunk = *link;
    StackChunk* c = vsRef_as<StackChunk>(chunk);
    if (!vsGC_isLive(chunk)) {
      *link = c->next;
      continue;
    }
    *link = vsGC_newAddress(chunk);
    link = &c->next;
  }
}

// A staying object's header takes its near record's new address; a moved
// object's forwarding word keeps its offset and names the new near.
void renameNear(VmWord object) {
  VmWord* header = wordAt(object);
  if (object < vsGC_state.firstMoved) {
    *header = vsGC_newAddress(*header);
    return;
  }
  const HeapGeometry& g = geometry();
  const uint32_t low = *header & (g.classRefFlag | g.classRefMask);
  if ((low & g.classRefFlag) != 0) return;
  *header = (*header & g.highMask) | encodeNear(vsGC_newAddress(decodeNear(low)));
}

void restoreHeader(VmWord object, uint32_t distance) {
  const HeapGeometry& g = geometry();
  VmWord* header = wordAt(object - distance);
  *header = decodeNear(*header & (g.classRefFlag | g.classRefMask));
}

}  // namespace

VmWord vsGC_originalHeader(VmRef object) {
  const VmWord word = *wordAt(object);
  if (!isForwarded(object)) return word;
  const HeapGeometry& g = geometry();
  return decodeNear(word & (g.classRefFlag | g.classRefMask));
}

const ClassRecord* vsGC_classOf(VmRef object) {
  return vsWord_toPointer<ClassRecord>(vsGC_originalHeader(vsGC_originalHeader(object)));
}

VmWord vsGC_newAddress(VmWord target) {
  const GcState& s = vsGC_state;
  if (target >= s.firstMoved && target < s.forwardedEnd) {
    if (!vsGC_testBit(target)) return target;
    return blockTable()[blockOf(target)] + 4 * (*wordAt(target) >> geometry().offsetShift);
  }
  if (s.full != 0 && inRange(target, vsJavaHeap.nativeTop, vsJavaHeap.nativeUpper) && vsGC_testBit(target))
    return *wordAt(target);
  return target;
}

void vsGC_computeForwarding(VmWord destination) {
  GcState& s = vsGC_state;
  const VmWord end = vsVmGlobals.allocationTop;
  s.regionEnd = end;
  s.firstMoved = s.forwardedEnd = vsVmGlobals.heapHigh;
  VmWord at = s.regionStart;
  if (destination == s.regionStart) {
    // The marked objects from the region start stay.
    while (at < end && vsGC_testBit(at)) at += sizeOf(at);
    destination = at;
  }
  s.firstGap = destination;
  s.liveEnd = at;
  VmWord gapWord = destination;  // the gap whose run end is still unknown
  VmWord to = destination;
  uint32_t lastBlock = 0xffffffffu;
  const HeapGeometry& g = geometry();
  for (;;) {
    const VmWord object = nextSetBit(at, end);
    if (object >= end) break;
    if (s.firstMoved == vsVmGlobals.heapHigh) {
      s.firstMoved = object;
    } else if (object != s.liveEnd) {
      // A dead run ends the live run before it.
      *wordAt(gapWord) = s.liveEnd;
      gapWord = s.liveEnd;
    }
    s.forwardedEnd = object;
    const uint32_t size = sizeOf(object);
    const uint32_t block = blockOf(object);
    if (block != lastBlock) {
      blockTable()[block] = to;
      lastBlock = block;
    }
    const uint32_t offset = (to - blockTable()[block]) >> 2;
    *wordAt(object) = (offset << g.offsetShift) | encodeNear(*wordAt(object));
    to += size;
    at = s.liveEnd = object + size;
  }
  if (s.firstMoved != vsVmGlobals.heapHigh) {
    *wordAt(gapWord) = s.liveEnd;
    s.forwardedEnd = end;
  }
  s.compactionEnd = to;
}

void vsGC_shiftDestinations(uint32_t distance) {
  GcState& s = vsGC_state;
  if (distance == 0 || s.firstMoved >= s.regionEnd) {
    s.compactionEnd += distance;
    return;
  }
  for (uint32_t b = blockOf(s.firstMoved); b <= blockOf(s.liveEnd - 4); ++b) blockTable()[b] += distance;
  s.compactionEnd += distance;
}

void vsGC_updateReferences() {
  GcState& s = vsGC_state;
  // The tagged entries before the table's own root: the elements are read
  // at the table's old place.
  vsGlobalRef_visitEntries(kGlobalRefStrong | kGlobalRefWeak, updateSlot, nullptr);
  vsGC_forEachRoot(updateSlot, nullptr);
  updateSlot(&vsFinalizer_lists.finalizable, nullptr);
  updateSlot(&vsFinalizer_lists.pending, nullptr);
  if (s.full == 0) vsGC_forEachSetBit(updateBit, vsVmGlobals.heapLow, vsJavaHeap.oldTop);
  for (VmWord at = nextSetBit(s.regionStart, s.regionEnd); at < s.regionEnd;
       at = nextSetBit(at, s.regionEnd)) {
    const uint32_t size = sizeOf(at);
    updateFields(at, size);
    at += size;
  }
  updateChunkList();
  // Only object starts carry bits in the region now.
  for (VmWord at = nextSetBit(s.regionStart, s.regionEnd); at < s.regionEnd;
       at = nextSetBit(at + 4, s.regionEnd))
    renameNear(at);
}

void vsGC_moveObjects() {
  GcState& s = vsGC_state;
  VmGlobals& g = vsVmGlobals;
  if (s.firstMoved >= s.regionEnd) {
    g.allocationTop = s.compactionEnd;
    return;
  }
  VmWord gap = s.firstGap;
  for (;;) {
    const VmWord runEnd = *wordAt(gap);
    const VmWord runStart = nextSetBit(gap, runEnd);
    const VmWord to = vsGC_newAddress(runStart);
    std::memmove(wordAt(to), wordAt(runStart), runEnd - runStart);
    const uint32_t distance = runStart - to;
    for (VmWord at = runStart; at < runEnd; at = nextSetBit(at + 4, runEnd)) restoreHeader(at, distance);
    if (runEnd >= s.liveEnd) break;
    gap = runEnd;
  }
  g.allocationTop = s.compactionEnd;
  s.firstMoved = s.forwardedEnd = g.heapHigh;
}
