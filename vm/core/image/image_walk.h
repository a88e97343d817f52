// The reference words of records, and the walk of the image's writable area.
//
// The reference words of an object follow from its class record alone:
//   instance (kind >= 0)      the class's embedded instance map
//   object array (kind -1)    every element
//   instance class record     the record's static map, then the kind's words
//   argument block (-18)      every entry of type 1, then the kind's words
//   constant pool (-8)        every entry whose tag holds a reference (none
//                             without a tag array), then the kind's words
//   class info (-21)          unless an array class's, the methods, local
//                             interfaces, fields and pool, the virtual table
//                             and the interfaces' method tables; the kind's words
//   stack chunk (-20)         its owner, then, when the owner still uses the
//                             chunk, the reference slots of the owner's frames
//   compressed stack map (-28) every long entry (bit 0 clear)
//   method (-6)               its entry word, when that holds compiled code
//                             (an address inside the Java heap)
//   compiled code (-7)        the references its code embeds, as the
//                             compiler's scanner finds them (compiled_code.h)
//   any other internal kind   the kind's words (kinds.h)
// A kind's own step comes before the kind's words. The header word is not
// among them; walks that relocate or trace headers visit it on their own.
//
// The writable area holds no headers the walk could trust while it is being
// relocated, so the block copied into it names the class of each record in
// the word before the record:
//
//   | C1 | record of C1 | C2 | record of C2 | ... | String | String | String ...
//   ^ area start                            block end ^      16 bytes each
//
// The block's last word names String and stands for every String after the
// block; the loader keeps it as a VM word (ImageState::stringClass), so the
// walk never has to find it again. The walk ends at the area's size rounded
// down to words.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/model/object_layout.h"

// What the loader keeps of the image besides its bounds (image_bounds.h).
struct ImageState {
  VmWord entryTable;       // the method-entry table among the VM variables
  uint32_t entrySize;      // bytes
  uint32_t blockSize;      // the part of the writable area copied from the block
  VmRef stringClass;       // the block's last word
  uint32_t classIdCount;
  VmWord heapCopy;         // where the heap part was copied
};

extern VmVariable<ImageState> vsImage_state;

// vsObject_visitReferences (gc_hooks.h) is defined here: the collector,
// the heap verifier and the image checker share it.

// Walks the writable area object by object. headers: fn on each object's
// leading words (the class word before a block record, the String class
// word once before the Strings, and each object's header). fields: fn on
// every reference word, then on every method-entry word that holds an
// address inside the Java heap (compiled code is a heap record; interpreter
// entries lie in the program and are not visited). Returns the number of
// objects, or -1 when an object measures 0 or runs past the area's end.
int32_t vsImage_walkWritableArea(VsWordVisitor fn, void* context, bool headers, bool fields);
