// The lifecycle hook registry: up to 10 hook tables, called in
// registration order at every VM state change (vm_callback.h).
//
//   VsVmHookTable (4 words): onStarted, onSuspended, onResumed, onStopped,
//   each a VsVmHook as a word or 0 (not called).
//
// A hook receives the address of its table's registry slot. The registry is
// a VM variable: each run starts empty.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

struct VsVmHookTable;
using VsVmHook = void (*)(VmPtr<VsVmHookTable>* slot);

struct VsVmHookTable {
  VmWord onStarted;
  VmWord onSuspended;
  VmWord onResumed;
  VmWord onStopped;
};
static_assert(sizeof(VsVmHookTable) == 16 && offsetof(VsVmHookTable, onStopped) == 12);

inline constexpr int32_t kVsVmHookSlots = 10;

// Which hook of the tables to call.
enum class VsVmHookKind : int32_t { Started, Suspended, Resumed, Stopped };

// The table of the four functions (null allowed).
VsVmHookTable vsVmHooks_make(VsVmHook onStarted, VsVmHook onSuspended, VsVmHook onResumed, VsVmHook onStopped);
void vsVmHooks_reset();
// 1, or 0 when 10 tables are registered (or the table is null).
int32_t vsVmHooks_register(VsVmHookTable* table);
// Calls that hook of every table, in registration order.
void vsVmHooks_call(VsVmHookKind kind);
