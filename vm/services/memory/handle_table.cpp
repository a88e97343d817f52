// Handle tables (see handle_table.h).
#include "vm/services/memory/handle_table.h"

#include <cstring>

#include "vm/core/memory/native_area.h"
#include "vm/core/natives/native_arrays.h"
#include "vm/core/natives/object_pin.h"
#include "vm/services/memory/memory_service.h"
#include "vm/services/memory/trace_log.h"

VS_VMBSS(HandleTableState) vsMemory_handleTables = {};

namespace {

HandleTable* tableAt(VmWord t) { return vsWord_toPointer<HandleTable>(t); }
VmWord wordOf(const void* p) { return vsWord_fromPointer(p); }

VmRef newArray(int32_t size, int32_t kind) {
  if (kind == 0) {
    VmRef array;
    return vsJavaHeap_newOldByteArray(size, &array);
  }
  return vsNativeMethod_newByteArray(nullptr, size);
}

// The table whose slots 1 to 249 hold `handle`, or 0.
VmWord tableOfSlot(VmWord handle) {
  for (VmWord t = vsMemory_handleTables.list; t != 0; t = tableAt(t)->next) {
    const VmWord first = wordOf(&tableAt(t)->slots[1]);
    const VmWord end = wordOf(&tableAt(t)->slots[kHandleTableSlots]);
    if (handle >= first && handle < end && (handle - first) % sizeof(VmRef) == 0) return t;
  }
  return 0;
}

// A new table of the kind, pinned, zeroed, at the end of the list with its
// slots registered as roots and its own array in slot 0; it becomes current.
VmWord newTable(int32_t kind) {
  const VmRef array = newArray(kHandleTableBytes, kind);
  if (array == 0) return 0;
  vsObject_pin(array);
  HandleTable* table = vsRef_as<HandleTable>(array + offsetof(ByteArray, elements));
  std::memset(table, 0, sizeof *table);
  const VmWord t = wordOf(table);
  VmWord* link = &vsMemory_handleTables.list;
  while (*link != 0) link = &tableAt(*link)->next;
  *link = t;
  vsNativeMethod_registerGlobalFrame(kHandleTableSlots, &table->frame, table->slots);
  table->slots[0] = array;
  table->used = 1;
  table->hint = 1;
  table->frame.length = 1;
  vsMemory_handleTables.current = t;
  return t;
}

// The first empty slot of a table with room, from its hint on.
int32_t firstEmpty(const HandleTable* table) {
  int32_t from = table->hint < 1 ? 1 : table->hint;
  for (int32_t s = from; s < static_cast<int32_t>(kHandleTableSlots); ++s)
    if (table->slots[s] == 0) return s;
  for (int32_t s = 1; s < from; ++s)
    if (table->slots[s] == 0) return s;
  return 0;
}

bool hasRoom(VmWord t) { return t != 0 && tableAt(t)->used < static_cast<int16_t>(kHandleTableSlots); }

// The table for the next handle: the current one, else the first with room
// (made current), else a new one; 0 when none can be had.
VmWord tableWithRoom(int32_t kind) {
  if (hasRoom(vsMemory_handleTables.current)) return vsMemory_handleTables.current;
  for (VmWord t = vsMemory_handleTables.list; t != 0; t = tableAt(t)->next) {
    if (hasRoom(t)) {
      vsMemory_handleTables.current = t;
      return t;
    }
  }
  return newTable(kind);
}

// Releases a table whose used count fell to 1 when it is not the head and
// another table also has a used count of 1: 0, or -1 after the warning.
int32_t releaseIfSpare(VmWord t) {
  const VmWord head = vsMemory_handleTables.list;
  if (t == head) return 0;
  bool otherSpare = false;
  VmWord predecessor = 0;
  for (VmWord u = head; u != 0; u = tableAt(u)->next) {
    if (u != t && tableAt(u)->used == 1) otherSpare = true;
    if (tableAt(u)->next == t) predecessor = u;
  }
  if (!otherSpare) return 0;
  HandleTable* table = tableAt(t);
  if (predecessor == 0 || vsNativeMethod_unregisterGlobalFrame(&table->frame) != 0) {
    vsTraceLog_warning("vsMemory_freeHandle: internal handle state is illegal\n");
    return -1;
  }
  tableAt(predecessor)->next = table->next;
  if (vsMemory_handleTables.current == t) vsMemory_handleTables.current = 0;
  // Unreachable now: unpinned, the collector may take it back.
  vsObject_unpin(table->slots[0]);
  return 0;
}

}  // namespace

void vsMemory_resetHandleTables() { vsMemory_handleTables = {}; }

VmWord vsMemory_allocHandle(int32_t size, int32_t, int32_t kind) {
  if (size < 0 || static_cast<uint32_t>(size) > kVsMemory_largestBlock) return 0;
  // The table comes first: making the array of a kind other than 0 may
  // collect, and the array must not wait unrooted meanwhile.
  const VmWord t = tableWithRoom(kind);
  if (t == 0) return 0;
  const VmRef array = newArray(size, kind);
  if (array == 0) return 0;
  HandleTable* table = tableAt(t);
  const int32_t s = firstEmpty(table);
  table->slots[s] = array;
  ++table->used;
  table->hint = static_cast<int16_t>(s + 1);
  if (table->frame.length < static_cast<uint32_t>(s + 1)) table->frame.length = static_cast<uint32_t>(s + 1);
  return wordOf(&table->slots[s]);
}

VmRef vsMemory_handleArray(VmWord handle) {
  if (tableOfSlot(handle) == 0) return 0;
  return *vsWord_toPointer<VmRef>(handle);
}

int32_t vsMemory_freeHandle(VmWord handle) {
  if (handle == 0) {
    vsTraceLog_warning("freeHandle: invalid memory handle NULL\n");
    return -1;
  }
  const VmWord t = tableOfSlot(handle);
  if (t == 0) {
    if (vsMemory_isPointerBlock(handle)) return vsMemory_freePointer(vsWord_toPointer(handle));
    vsTraceLog_warning("vsMemory_freeHandle: internal handle state is illegal\n");
    return -1;
  }
  VmRef* slot = vsWord_toPointer<VmRef>(handle);
  if (*slot == 0) {
    vsTraceLog_warning("vsMemory_freeHandle: internal handle state is illegal\n");
    return -1;
  }
  *slot = 0;
  HandleTable* table = tableAt(t);
  const int32_t s = static_cast<int32_t>((handle - wordOf(table->slots)) / sizeof(VmRef));
  if (s < table->hint) table->hint = static_cast<int16_t>(s);
  --table->used;
  if (table->used == 1) return releaseIfSpare(t);
  return 0;
}

void* vsMemory_handleLock(VmWord handle) {
  if (handle == 0) {
    vsTraceLog_warning("handleLock: invalid memory handle NULL\n");
    return nullptr;
  }
  const VmRef array = vsMemory_handleArray(handle);
  if (array != 0) return vsObject_pin(array) == 0 ? nullptr : vsRef_as<ByteArray>(array)->elements;
  return vsMemory_isPointerBlock(handle) ? vsWord_toPointer(handle + 4) : nullptr;
}

int32_t vsMemory_handleUnlock(VmWord handle) {
  const VmRef array = vsMemory_handleArray(handle);
  if (array != 0) vsObject_unpin(array);
  return 0;
}
