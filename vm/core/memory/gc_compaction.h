// Compaction: the live objects of the collected region slide toward lower
// addresses, and every reference to them is updated.
//
// After marking, the region [region start, allocation top) holds live
// objects (their first word's bit set) and dead space. Forwarding walks it
// once: the objects from the region start up to the first dead address
// stay; every later live object gets its new address, and its header word
// is replaced by a forwarding word (geometry of java_heap.h, B bits):
//
//   31 ........ B+1 | B | B-1 ......... 0
//   offset in words | 1 | compact image reference of the near record
//   from the block's|---+---------------------------------------------
//   first live one  | 0 | word offset of the near record from heap start
//
//   new address = block table[(o - heap start) / 4 >> (31 - B)] + 4 * offset
//
// Each dead run after the first gap keeps, in its first word, the end of
// the live run that follows it (the gap list), so the move can slide whole
// runs without measuring objects.
//
// Updating visits every reference slot once: the roots, the tagged table,
// the finalization heads, the remembered slots of a young collection and
// the fields of every live object of the region. A stack chunk's frame
// slots are those whose bits marking set, so frames are never typed while
// headers hold forwarding words. Headers stay untouched during the update:
// the class of an object is found through its original header (a
// forwarding word decoded), and the class records are read at their old
// places, which nothing has overwritten yet. Only then do the headers take
// their new near records, and the move restores plain headers run by run.
//
// In a full collection the native area's unpinned blocks slide up
// (native_area.h); their new addresses stand in their arrays' headers
// while references are updated.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

// The class record of an object of the heap or the image, also while
// forwarding words stand in the headers of the compacted region.
const ClassRecord* vsGC_classOf(VmRef object);
// The word 0 of an object as it was before the collection.
VmWord vsGC_originalHeader(VmRef object);
// The address an object will have after the collection (its own for
// objects that stay; native blocks as the native compaction planned).
VmWord vsGC_newAddress(VmWord target);

// The steps of a compacting collection, after marking, in this order.
// `destination` is where the region's survivors begin (old top when a
// young collection's survivors join the old generation from there).
void vsGC_computeForwarding(VmWord destination);
// Moves the block table and the compaction end up by distance bytes.
void vsGC_shiftDestinations(uint32_t distance);
void vsGC_updateReferences();
void vsGC_moveObjects();
