// Finalization: the native finalizers of objects that became unreachable.
//
// A class is finalizable when its class-info flags carry 0x40000000; its
// finalizer is the native function in its class record's finalizer word,
// called with the object as parameter 0. Each finalizable object gets a
// record when it is allocated, a two-element Object[] {object, next}:
//
//   finalizable -> [obj | next] -> [obj | next] -> null   (still reachable)
//   pending     -> [obj | next] -> null                   (awaiting the call)
//
// A collection that finds a registered object unmarked moves its record to
// the pending list and keeps it (and what it references) alive for that
// collection; after the collection the pending finalizers run and the
// records are dropped, so each finalizer runs at most once. Both heads are
// roots that the collector marks in its finalization step.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

struct FinalizationLists {
  VmRef finalizable;
  VmRef pending;
  uint32_t allocationCount;  // finalizable-allocator calls since the last forced collection
  uint32_t running;          // 1 while finalizers run
};

extern VmVariable<FinalizationLists> vsFinalizer_lists;

// Registers the object of the handle: 1, or 0 with OutOfMemoryError
// pending and nothing registered.
int32_t vsFinalizer_register(const VmRef* object);
// Collection steps (inside marking): moves the records of unmarked objects
// of the examined region to the pending list, in order; marks a list's
// head, its records and their objects; clears the marks of the pending
// objects themselves.
void vsFinalizer_selectUnreachable();
void vsFinalizer_markList(VmRef* head);
void vsFinalizer_unmarkPending();
// Runs and drops every pending record, logging the count when
// RepotFinalization is on (also for 0). Returns the count. Nothing runs
// while a compilation is in progress (compiled_code.h).
int32_t vsFinalizer_runPending();
// Calls the finalizer of the record's object with the pending exception
// saved and restored around the call: what the finalizer leaves pending is
// dropped. A class whose finalizer word is 0 has nothing called.
void vsFinalizer_invoke(const VmRef* record);
// VM exit: every registered record becomes pending.
void vsFinalizer_moveAllToPending();
// VM exit: runs the finalizer of every registered or pending object
// (nothing, not even the count line, when none is registered), then
// forgets both lists.
void vsFinalizer_runAtExit();
