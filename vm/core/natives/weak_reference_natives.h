// Natives of java.lang.ref.WeakReference over the tagged reference table
// (global_refs.h): a WeakReference keeps its referent as a weak entry of
// the table under its index field. The collector turns the entry of a dead
// referent into -1 (cleared); the clear native does the same; the
// finalizer frees the entry (0), so that a new reference can take it.
//
//   WeakReference: | class word | index (-1 for a null referent) |
//
// Naming and conventions as in thread_natives.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/core/model/object_layout.h"

struct WeakReferenceObject {
  VmWord header;
  int32_t index;
};
static_assert(offsetof(WeakReferenceObject, index) == 4 && sizeof(WeakReferenceObject) == 8);

// newSlot(Ljava/lang/Object;)I, static: -1 for null, else the index of a
// new weak entry for the referent (OutOfMemoryError pending when the table
// cannot grow).
extern "C" void Java_java_lang_ref_WeakReference_newSlot();
// getSlot(I)Ljava/lang/Object;, static: the referent of the entry; null for
// a negative index or a cleared entry.
extern "C" void Java_java_lang_ref_WeakReference_getSlot();
// clearSlot(I)V, static: a non-negative index's entry becomes -1.
extern "C" void Java_java_lang_ref_WeakReference_clearSlot();
// finalize()V: frees the entry of a non-negative index (it becomes 0).
extern "C" void Java_java_lang_ref_WeakReference_finalize();
