// Marking: the collector's traversal of everything reachable from the
// roots, with the heap bitmap as its mark bits.
//
// A collection examines [collection start, heap end) of the Java part (the
// whole part when the collection is full) and, when full, the byte arrays
// of the native area. Marking an object sets the bit of its first word and
// pushes it on the mark stack, which grows upward from the allocation top
// into the free young window and the 8192-byte reserve above heap end:
//
//   | objects ... | mark stack -> ......................| reserve |
//   ^heap start   ^allocation top                heap end ^        ^ + 8192
//
// When the stack would pass heap end + 8192 the object is left marked but
// unscanned and the overflow flag is set; marking then rescans every marked
// object of the examined region until no overflow remains.
//
// Marking reports each compiled-code block it reaches to the compiler's
// aging (compiled_code.h).
//
// A native-area byte array is marked by its bit only (it holds no
// references); its block's own near record is never marked. Targets outside
// the examined region (the image) are not followed.
//
// A young collection also marks from the remembered slots of the old
// generation (the set bits of [heap start, old top)); a remembered slot
// whose target is no longer young loses its bit. Scanning a stack chunk
// sets the bit of each reference slot of its frames besides marking: the
// compaction updates those slots by their bits, so that frames are typed
// only while every header is intact.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/memory/gc_hooks.h"

struct GcState {
  uint32_t inCollection;
  uint32_t full;             // the collection examines the whole Java part
  uint32_t nonMoving;        // vsGC_fullCollection is running
  uint32_t overflow;         // the mark stack overflowed
  // The special collections, which the compiler's aging leaves alone
  // (compiled_code.h): the deferred one of the native call stubs and the
  // one a native asked for.
  uint32_t forAllocation;
  uint32_t requestedByNative;
  VmWord markStackBase;      // the allocation top when marking started
  VmWord markStackPointer;   // the next free word of the mark stack
  // Compaction (gc_compaction.h).
  VmWord regionStart;        // the first address that may be compacted
  VmWord regionEnd;          // the allocation top when the collection began
  VmWord firstGap;           // the first dead address of the region
  VmWord firstMoved;         // the first object with a forwarding word, heap end when none
  VmWord forwardedEnd;       // objects in [firstMoved, forwardedEnd) carry forwarding words
  VmWord liveEnd;            // the end of the last live object of the region
  VmWord compactionEnd;      // the new allocation top
};

extern VmVariable<GcState> vsGC_state;

// Marks the slot's target and everything reachable from it.
void vsGC_drainMarkStack(VmWord* slot);
// Calls fn on every strong root slot outside the finalization lists and
// the tagged table's elements: the persistent roots, the VM register
// words, the well-known symbols, the class tables, the image's writable
// area, the GC handles, the native roots, the open frame iterators and
// the tagged table's array.
void vsGC_forEachRoot(VsWordVisitor fn, void* context);
// Marks from every root, then selects the unreachable finalizable objects
// and clears the weak entries of the tagged table whose targets died.
void vsGC_markRoots();
// True when the address lies in the region the collection examines.
bool vsGC_inCollectedRegion(VmWord address);
// True when the target is not in the examined region or carries its mark.
bool vsGC_isLive(VmWord target);
