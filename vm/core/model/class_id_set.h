// A set of class ids that keeps their order of insertion: a bitmap over all
// possible ids and the ids in order. It lives on the native stack (about
// 35 KB), so the interface walks need neither recursion nor heap space.
#pragma once

#include <cstdint>

#include "vm/core/memory/class_table.h"

struct ClassIdSet {
  uint32_t count;
  uint32_t seen[kMaxClassIds / 32 + 1];
  uint16_t ids[kMaxClassIds];
};

inline void vsClassIdSet_clear(ClassIdSet* set) {
  set->count = 0;
  for (uint32_t& w : set->seen) w = 0;
}

inline bool vsClassIdSet_contains(const ClassIdSet* set, uint32_t id) {
  return id < kMaxClassIds && (set->seen[id / 32] >> (id % 32) & 1) != 0;
}

// Adds the id unless present: true when it was added.
inline bool vsClassIdSet_add(ClassIdSet* set, uint32_t id) {
  if (id >= kMaxClassIds || vsClassIdSet_contains(set, id)) return false;
  set->seen[id / 32] |= 1u << (id % 32);
  set->ids[set->count++] = static_cast<uint16_t>(id);
  return true;
}
