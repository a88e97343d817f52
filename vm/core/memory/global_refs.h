// The tagged reference table: references that natives hold across calls,
// strong or weak, by index.
//
// The table is an int[] (so that ordinary tracing never sees its elements)
// held in a root of its own. Each element is 0 (empty), -1 (cleared: a
// weak entry whose target died) or an object address with its tag in the
// low two bits: bit 0 strong, bit 1 weak. The collector marks from the
// strong entries, clears the weak ones whose targets are unmarked and
// updates all of them when objects move. Created with 16 elements on first
// use and doubled when full.
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/model/object_layout.h"

inline constexpr uint32_t kGlobalRefStrong = 1;
inline constexpr uint32_t kGlobalRefWeak = 2;
inline constexpr uint32_t kGlobalRefTagMask = 3;
inline constexpr VmWord kGlobalRefCleared = 0xffffffffu;
inline constexpr int32_t kGlobalRefInitialLength = 16;

// The table (an int[]), 0 before first use.
extern VmVariable<VmRef> vsGlobalRef_table;

// Stores the handle's object with the tag in the first empty element and
// returns its index; 0 with OutOfMemoryError pending when the table cannot
// grow. Index 0 is a valid index too: callers tell failure by the pending
// exception.
int32_t vsGlobalRef_new(const VmRef* object, uint32_t tag);
// The element without its tag; null for an empty or cleared element.
VmRef vsGlobalRef_get(int32_t index);
// The element becomes 0 (empty) or -1 (cleared).
void vsGlobalRef_delete(int32_t index);
void vsGlobalRef_clear(int32_t index);
// Calls fn with each element whose tag matches the mask, the tag removed
// for the call and put back unless the element became 0 or -1.
void vsGlobalRef_visitEntries(uint32_t tagMask, VsWordVisitor fn, void* context);
// Clears (-1) every weak element whose target lies in the collected
// region unmarked.
void vsWeakRef_clearUnmarked();
