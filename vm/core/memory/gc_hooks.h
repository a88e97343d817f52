// What the collector needs from the layers above the heap: the object
// scanner and the root slots that those layers keep. Each function is
// defined by the layer that owns the records it reads:
//
//   vsObject_visitReferences        image (image_walk.cpp)
//   vsImage_visitRoots              image (image_walk.cpp)
//   vsClassTables_visitRoots        loader (class_tables.cpp)
//   vsNativeRoots_visit             natives (native_roots.cpp)
//   vsFrameIterator_visitRoots,
//   vsThreadStacks_*                interp (frame_iterator.cpp)
//   vsVerifier_releaseBciIndex      bytecode (verifier.cpp)
//   vsImage_encodeReference,
//   vsImage_decodeReference         image (image_bounds.cpp)
//   vsClassFile_relocateContexts,
//   vsClassFile_restoreContexts     loader (class_file_context.cpp)
//   vsThread_shrinkStacks           threads (stack_growth.cpp)
//
// A visitor receives the address of a word that holds a reference (or 0);
// it may read the word and, once objects move, rewrite it.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/core/model/object_layout.h"

using VsWordVisitor = void (*)(VmWord* word, void* context);

// Calls fn on every reference word of the object, classified by cls (the
// header word is not among them).
void vsObject_visitReferences(VmRef object, const ClassRecord* cls, VsWordVisitor fn, void* context);

// The image's writable area (the reference fields of its records, the
// String class word) and the method-entry words that hold heap addresses.
void vsImage_visitRoots(VsWordVisitor fn, void* context);
// Every searched class table and the table of loaded classes.
void vsClassTables_visitRoots(VsWordVisitor fn, void* context);
// The slots of every global-root frame and the temporary-root table's
// slots [0, count).
void vsNativeRoots_visit(VsWordVisitor fn, void* context);
// The thread word of every open frame iterator.
void vsFrameIterator_visitRoots(VsWordVisitor fn, void* context);
// Every live stack (a chunk of the stack-chunk list that its owner still
// uses): before a collection its frames are prepared (saved bytecode
// pointers in their offset form, locked headers back at their near
// records); afterwards they are finished again.
// Finishing also moves each live stack's addresses (frames, thread record,
// open iterators) by its chunk's move, when a compaction moved the chunk.
void vsThreadStacks_prepareForCollection();
void vsThreadStacks_finishCollection();
// The reference slots of every frame of the thread's stack (frames in
// their prepared form).
void vsThreadStack_visitRoots(VmRef thread, VsWordVisitor fn, void* context);
// The heap verifier's look at every live stack: `fault` for a saved pointer
// of its thread record (locals, frame, stack) that lies outside its chunk,
// and `lock` with each lock record that names an object (the owner's, or a
// recursive or contending one): the object and the address of the record's
// near copy.
struct VsStackCheck {
  void (*fault)(const char* what, VmWord address, void* context);
  void (*lock)(VmRef object, VmWord nearCopy, void* context);
  void* context;
};
void vsThreadStacks_verify(const VsStackCheck* check);
// Calls a native finalizer (interp, native_calls.cpp) with the word at
// `parameter` as its parameter 0: the native parameter and pop pointers
// point at that word for the call and are restored afterwards.
void vsNative_callFinalizer(VmWord function, VmRef* parameter);
// Drops the verifier's bci table (VM globals word 1064) unless a
// verification is under way; called before every collection.
void vsVerifier_releaseBciIndex();

// The compact reference of an address of the image (its read-only part:
// offset * 2; its writable area: offset * 2 + 1), or 0xffffffff for any
// other address; and the address of such a reference. A forwarding word
// names a near record of the image by it.
VmWord vsImage_encodeReference(VmWord address);
VmWord vsImage_decodeReference(VmWord reference);
// Every open class-file parse context: its reading position and end become
// offsets from its array's data before objects move, addresses after.
void vsClassFile_relocateContexts();
void vsClassFile_restoreContexts();
// The collector's last resort: every thread whose stack is longer than
// StackSize gives back what its frames do not need (stack_growth.h).
void vsThread_shrinkStacks();
