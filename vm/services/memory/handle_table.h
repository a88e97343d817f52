// Movable memory handles: slots of handle tables that hold the Java byte
// arrays carrying the memory.
//
//   table (the data of a locked 1024-byte array, a native block)
//   | next | frame {prev, 250, high water, slots} | used | hint | slot 0 .. 249 |
//     0      4                                     20     22     24
//
// A handle is the address of a slot. Slot 0 of every table holds the
// table's own array; the slots are a global-root frame (native_roots.h), so
// the collector keeps the arrays alive and updates the slots when they
// move. A handle whose word is 0 is a pointer block of the memory service
// (memory_service.h) whose data starts in the next word. Every handle array
// is a native block, so locking a handle pins its array in place.
//
// The tables form a list from the head; new tables go to its end. `used`
// counts the slots in use (slot 0 included), `hint` is a lower bound of the
// first empty slot, the frame's length the highest slot used + 1. A table
// other than the head whose used count falls to 1 is released when another
// table also has a used count of 1. The list head and the current table
// are VM variables: every run starts without tables.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"
#include "vm/core/natives/native_roots.h"

inline constexpr uint32_t kHandleTableSlots = 250;
inline constexpr uint32_t kHandleTableBytes = 1024;

struct HandleTable {
  VmWord next;        // the next table, 0 at the end
  NativeFrame frame;  // the slots as global roots; length = high water
  int16_t used;
  int16_t hint;
  VmRef slots[kHandleTableSlots];
};

static_assert(sizeof(HandleTable) == kHandleTableBytes);
static_assert(offsetof(HandleTable, frame) == 4 && offsetof(HandleTable, used) == 20);
static_assert(offsetof(HandleTable, hint) == 22 && offsetof(HandleTable, slots) == 24);

struct HandleTableState {
  VmWord list;     // the first table, 0 when there is none
  VmWord current;  // the table that took the last handle, or 0
};

extern VmVariable<HandleTableState> vsMemory_handleTables;

// Forgets every table (before each run).
void vsMemory_resetHandleTables();

// A handle of a zero-filled array of `size` bytes, or 0: kind 0 takes the
// array from the old space without collecting, any other kind is a native
// byte array that may collect (then with its exception pending on failure).
// Sizes above kVsMemory_largestBlock are refused.
VmWord vsMemory_allocHandle(int32_t size, int32_t ignored, int32_t kind);
// Frees a handle: 0, or -1 with a warning for 0 or a handle that is no live
// slot or pointer block.
int32_t vsMemory_freeHandle(VmWord handle);
// Pins the array and returns its data; a pointer block's data; null with a
// warning for 0, and null for anything else.
void* vsMemory_handleLock(VmWord handle);
// Unpins the array of a live slot (anything else is left alone). Returns 0.
int32_t vsMemory_handleUnlock(VmWord handle);

// The array of a live handle slot, or 0 when `handle` is none.
VmRef vsMemory_handleArray(VmWord handle);
