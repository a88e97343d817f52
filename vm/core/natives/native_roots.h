// Roots that natives and VM services register with the collector: the
// local frames of running natives, the global-root frames and the
// temporary-root table.
//
//   frame (NativeFrame, 16 bytes)            slots
//   | prev | count | length | slots | -----> | ref | ref | ... (count) |
//
// A local frame lives for one native call: the native pushes it on entry
// (a frame record and its slots on the native's own stack) and pops it on
// every way out; local frames nest strictly. A global-root frame stays on the global-frame list until it is
// removed explicitly; the collector treats each of its `count` slots as a root and updates it when its object
// moves. `length` is 0 when the frame is registered; a holder may keep its own count of slots in use there
// (the memory service's handle tables keep their high-water count). The temporary-root table is one
// {capacity, count, slots} record registered at VM start; slots [0, count) are roots.
//
// The list head and the table word are VM variables, so every run starts
// with neither.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

struct NativeFrame {
  VmWord prev;
  uint32_t count;
  uint32_t length;
  VmWord slots;
};

struct TempRoots {
  uint32_t capacity;
  uint32_t count;
  VmWord slots;
};

static_assert(sizeof(NativeFrame) == 16 && offsetof(NativeFrame, count) == 4);
static_assert(offsetof(NativeFrame, length) == 8 && offsetof(NativeFrame, slots) == 12);
static_assert(sizeof(TempRoots) == 12 && offsetof(TempRoots, count) == 4 && offsetof(TempRoots, slots) == 8);

// The temporary-root table the VM start registers: 50 slots behind the
// record, 212 bytes in all.
inline constexpr uint32_t kTempRootSlots = 50;
inline constexpr uint32_t kTempRootTableBytes = sizeof(TempRoots) + 4 * kTempRootSlots;
static_assert(kTempRootTableBytes == 212);

// Heads of the local-frame and the global-frame list (the newest frame), 0
// when empty.
extern VmVariable<VmWord> vsNativeMethod_localFrames;
extern VmVariable<VmWord> vsNativeMethod_globalFrames;
// The registered temporary-root table, 0 before the VM start registers one.
extern VmVariable<VmWord> vsNativeMethod_tempRoots;

// Fills frame {prev = list head, count, 0, slots}, zeroes the count slots
// and makes the frame the head of the local-frame list. Returns 0.
int32_t vsNativeMethod_pushLocalFrame(uint32_t count, NativeFrame* frame, VmRef* slots);
// Head = frame.prev (the frame must be the head).
void vsNativeMethod_popLocalFrame(NativeFrame* frame);

// The same on the global-frame list. Returns 0.
int32_t vsNativeMethod_registerGlobalFrame(uint32_t count, NativeFrame* frame, VmRef* slots);
// Head = frame.prev (the frame must be the head).
void vsNativeMethod_popGlobalFrame(NativeFrame* frame);
// Unlinks the frame from any position: 0, or -1 when it is not listed.
int32_t vsNativeMethod_unregisterGlobalFrame(NativeFrame* frame);

// Fills {capacity, 0, slots} and registers the table.
void vsNativeMethod_registerTempRoots(uint32_t capacity, TempRoots* table, VmRef* slots);
