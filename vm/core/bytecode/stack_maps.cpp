// Compact reference maps (see stack_maps.h).
#include "vm/core/bytecode/stack_maps.h"

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/vm_globals.h"

namespace {

constexpr uint32_t kShortBit = 1;
constexpr uint32_t kStackShift = 1;
constexpr uint32_t kStackBits = 0x3;
constexpr uint32_t kLocalShift = 3;
constexpr uint32_t kLocalBits = 0xf;
constexpr uint32_t kBciShift = 7;
constexpr uint32_t kBciBits = 0x1ff;
constexpr uint32_t kMaskShift = 16;
constexpr uint32_t kShortSlots = 16;
// Elements of the long form before its mask.
constexpr uint32_t kLongLocals = 0;
constexpr uint32_t kLongStack = 1;
constexpr uint32_t kLongBci = 2;
constexpr uint32_t kLongMask = 3;

static_assert(kBciBits << kBciShift == 0xff80 && kLocalBits << kLocalShift == 0x78);

uint32_t recordBytes(uint32_t count) { return 4 * count + 8; }

const ShortArray* longOf(const CountedRecord* map, uint32_t i) { return vsRef_as<ShortArray>(map->words[i]); }

uint16_t longField(const CountedRecord* map, uint32_t i, uint32_t field) {
  return static_cast<uint16_t>(longOf(map, i)->elements[field]);
}

// A verification type that stands for a reference.
bool isReferenceType(int16_t type) { return (type >= 5 && type <= 8) || type > 10 || type < 0; }

CountedRecord* mapOf(const VmRef* map) { return vsRef_as<CountedRecord>(*map); }

// Clears entry i: a long entry also loses its remembered-set bit.
void clearEntry(CountedRecord* map, uint32_t i) {
  const VmWord address = vsRef_of(&map->words[i]);
  const bool wasLong = (map->words[i] & kShortBit) == 0 && map->words[i] != 0;
  map->words[i] = 0;
  if (wasLong) vsGC_clearBits(address, address + 4);
}

// Moves entry `from` to `to` (long entries through the write barrier).
void moveEntry(CountedRecord* map, uint32_t from, uint32_t to) {
  const VmWord value = map->words[from];
  clearEntry(map, from);
  if ((value & kShortBit) != 0) {
    map->words[to] = value;
  } else {
    vsJavaHeap_storeReference(&map->words[to], value);
  }
}

// Shortens the map to `count` entries; the freed words become a filler.
void shrinkTo(const VmRef* map, uint32_t count) {
  const uint32_t old = mapOf(map)->count;
  if (count == old) return;
  mapOf(map)->count = count;
  vsJavaHeap_shrinkObject(map, recordBytes(old), recordBytes(count), true);
}

void setBci(CountedRecord* map, uint32_t i, uint32_t bci) {
  if (vsStackMap_isShort(map, i)) {
    map->words[i] = (map->words[i] & ~(kBciBits << kBciShift)) | (bci & kBciBits) << kBciShift;
  } else {
    vsRef_as<ShortArray>(map->words[i])->elements[kLongBci] = static_cast<int16_t>(bci);
  }
}

}  // namespace

bool vsStackMap_isShort(const CountedRecord* map, uint32_t i) { return (map->words[i] & kShortBit) != 0; }

uint32_t vsStackMap_localCount(const CountedRecord* map, uint32_t i) {
  return vsStackMap_isShort(map, i) ? (map->words[i] >> kLocalShift) & kLocalBits : longField(map, i, kLongLocals);
}

uint32_t vsStackMap_stackCount(const CountedRecord* map, uint32_t i) {
  return vsStackMap_isShort(map, i) ? (map->words[i] >> kStackShift) & kStackBits : longField(map, i, kLongStack);
}

uint32_t vsStackMap_bci(const CountedRecord* map, uint32_t i) {
  return vsStackMap_isShort(map, i) ? (map->words[i] >> kBciShift) & kBciBits : longField(map, i, kLongBci);
}

bool vsStackMap_isReference(const CountedRecord* map, uint32_t i, uint32_t slot) {
  if (vsStackMap_isShort(map, i)) return slot < kShortSlots && ((map->words[i] >> (kMaskShift + slot)) & 1) != 0;
  const ShortArray* entry = longOf(map, i);
  const uint32_t element = kLongMask + slot / 16;
  if (element >= static_cast<uint32_t>(entry->length)) return false;
  return ((static_cast<uint16_t>(entry->elements[element]) >> (slot % 16)) & 1) != 0;
}

bool vsStackMap_fitsShort(uint32_t locals, uint32_t stack, uint32_t bci) {
  return locals <= kLocalBits && stack <= kStackBits && bci <= kBciBits && locals + stack <= kShortSlots;
}

int32_t vsStackMap_findEntry(const CountedRecord* map, uint32_t bci) {
  const uint32_t n = map->count;
  if (n == 0) return -1;
  if (bci >= vsStackMap_bci(map, n - 1)) return static_cast<int32_t>(n - 1);
  uint32_t i = 0;
  while (vsStackMap_bci(map, i) <= bci) ++i;
  return static_cast<int32_t>(i) - 1;
}

bool vsStackMap_toLongForm(const VmRef* map, uint32_t i) {
  if (!vsStackMap_isShort(mapOf(map), i)) return true;
  const uint32_t word = mapOf(map)->words[i];
  const uint32_t locals = (word >> kLocalShift) & kLocalBits;
  const uint32_t stack = (word >> kStackShift) & kStackBits;
  const VmRef array = vsJavaHeap_newShortArray(static_cast<int32_t>(kLongMask + (locals + stack + 15) / 16));
  if (array == 0) return false;
  ShortArray* entry = vsRef_as<ShortArray>(array);
  entry->elements[kLongLocals] = static_cast<int16_t>(locals);
  entry->elements[kLongStack] = static_cast<int16_t>(stack);
  entry->elements[kLongBci] = static_cast<int16_t>((word >> kBciShift) & kBciBits);
  if (entry->length > static_cast<int32_t>(kLongMask)) entry->elements[kLongMask] = static_cast<int16_t>(word >> kMaskShift);
  vsJavaHeap_storeReference(&mapOf(map)->words[i], array);
  return true;
}

bool vsStackMap_shiftBci(const VmRef* map, uint32_t from, int32_t delta) {
  for (uint32_t i = 0; i < mapOf(map)->count; ++i) {
    const uint32_t bci = vsStackMap_bci(mapOf(map), i);
    if ((bci & 0xffff) < (from & 0xffff)) continue;
    const uint32_t shifted = (bci + static_cast<uint32_t>(delta)) & 0xffff;
    if (vsStackMap_isShort(mapOf(map), i) &&
        !vsStackMap_fitsShort(vsStackMap_localCount(mapOf(map), i), vsStackMap_stackCount(mapOf(map), i), shifted) &&
        !vsStackMap_toLongForm(map, i))
      return false;
    setBci(mapOf(map), i, shifted);
  }
  return true;
}

void vsStackMap_removeRange(const VmRef* map, uint32_t from, uint32_t to) {
  CountedRecord* m = mapOf(map);
  uint32_t kept = 0;
  for (uint32_t i = 0; i < m->count; ++i) {
    const uint32_t bci = vsStackMap_bci(m, i);
    if (bci >= from && bci < to) {
      clearEntry(m, i);
    } else {
      if (kept != i) moveEntry(m, i, kept);
      ++kept;
    }
  }
  shrinkTo(map, kept);
}

void vsStackMap_removeEntry(const VmRef* map, uint32_t i) {
  CountedRecord* m = mapOf(map);
  if (i >= m->count) return;
  clearEntry(m, i);
  for (uint32_t k = i + 1; k < m->count; ++k) moveEntry(m, k, k - 1);
  shrinkTo(map, m->count - 1);
}

VmRef vsStackMap_compressMethod(const VmRef* method, const VmRef* parserMap) {
  (void)method;
  const ObjectArray* frames = vsRef_as<ObjectArray>(*parserMap);
  if (frames->length <= 1) return 0;
  const uint32_t n = static_cast<uint32_t>(frames->length) / 2;
  // Every frame must have the parser's shape before anything is built.
  for (uint32_t i = 0; i < n; ++i) {
    const VmRef types = frames->elements[2 * i];
    if (types == 0 || vsObject_kind(types) != kKindCharArray) return 0;
    const ShortArray* t = vsRef_as<ShortArray>(types);
    if (t->length < 3) return 0;
    const uint32_t locals = static_cast<uint16_t>(t->elements[1]);
    if (2 + locals >= static_cast<uint32_t>(t->length)) return 0;
    const uint32_t stack = static_cast<uint16_t>(t->elements[2 + locals]);
    if (3 + locals + stack != static_cast<uint32_t>(t->length)) return 0;
  }
  VmHandle map;
  vsHandle_push(&map, vsJavaHeap_newCountedRecord(n));
  for (uint32_t i = 0; map.object != 0 && i < n; ++i) {
    const ShortArray* t = vsRef_as<ShortArray>(vsRef_as<ObjectArray>(*parserMap)->elements[2 * i]);
    const uint32_t bci = static_cast<uint16_t>(t->elements[0]);
    const uint32_t locals = static_cast<uint16_t>(t->elements[1]);
    const uint32_t stack = static_cast<uint16_t>(t->elements[2 + locals]);
    auto typeOf = [&](const ShortArray* types, uint32_t slot) {
      return types->elements[slot < locals ? 2 + slot : 3 + slot];
    };
    if (vsStackMap_fitsShort(locals, stack, bci)) {
      uint32_t mask = 0;
      for (uint32_t k = 0; k < locals + stack; ++k)
        if (isReferenceType(typeOf(t, k))) mask |= 1u << k;
      mapOf(&map.object)->words[i] = mask << kMaskShift | bci << kBciShift | locals << kLocalShift |
                                     stack << kStackShift | kShortBit;
      continue;
    }
    const VmRef array = vsJavaHeap_newShortArray(static_cast<int32_t>(kLongMask + (locals + stack + 15) / 16));
    if (array == 0) {
      map.object = 0;
      break;
    }
    t = vsRef_as<ShortArray>(vsRef_as<ObjectArray>(*parserMap)->elements[2 * i]);
    ShortArray* entry = vsRef_as<ShortArray>(array);
    entry->elements[kLongLocals] = static_cast<int16_t>(locals);
    entry->elements[kLongStack] = static_cast<int16_t>(stack);
    entry->elements[kLongBci] = static_cast<int16_t>(bci);
    for (uint32_t k = 0; k < locals + stack; ++k)
      if (isReferenceType(typeOf(t, k)))
        entry->elements[kLongMask + k / 16] = static_cast<int16_t>(entry->elements[kLongMask + k / 16] | 1 << (k % 16));
    vsJavaHeap_storeReference(&mapOf(&map.object)->words[i], array);
  }
  const VmRef result = map.object;
  vsHandle_close(&map);
  return result;
}

bool vsStackMap_isCompact(const MethodRecord* method) {
  const VmRef map = vsMethod_stackmap(method);
  return map == 0 || vsObject_kind(map) == kKindStackMap;
}

bool vsStackMap_ensureTagArray(uint32_t slots) {
  const VmRef tags = vsVmGlobals.stackMapTags;
  if (tags != 0 && static_cast<uint32_t>(vsRef_as<ByteArray>(tags)->length) >= slots) return true;
  const VmRef grown = vsJavaHeap_newByteArray(static_cast<int32_t>(slots));
  if (grown == 0) return false;
  vsJavaHeap_storeReference(&vsVmGlobals.stackMapTags, grown);
  return true;
}

bool vsStackMap_compressClass(const VmRef* cls) {
  VmHandle methods;
  VmHandle maps;
  VmHandle method;
  VmHandle parserMap;
  vsHandle_push(&methods, vsClass_methods(vsRef_as<ClassRecord>(*cls)));
  vsHandle_pushEmpty(&maps);
  vsHandle_pushEmpty(&method);
  vsHandle_pushEmpty(&parserMap);
  const int32_t n = methods.object != 0 ? vsRef_as<ObjectArray>(methods.object)->length : 0;
  bool ok = true;
  if (n > 0) {
    maps.object = vsJavaHeap_newObjectArray(n);
    ok = maps.object != 0;
  }
  for (int32_t i = 0; ok && i < n; ++i) {
    method.object = vsRef_as<ObjectArray>(methods.object)->elements[i];
    const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    if (m == nullptr || vsMethod_isNative(m) || vsMethod_isAbstract(m)) continue;
    ok = vsStackMap_ensureTagArray(uint32_t{m->maxLocals} + m->maxStack);
    parserMap.object = vsMethod_stackmap(m);
    if (!ok || parserMap.object == 0 || vsObject_kind(parserMap.object) != kKindObjectArray) continue;
    const VmRef compact = vsStackMap_compressMethod(&method.object, &parserMap.object);
    ok = !vsException_isPending();
    if (ok) vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(maps.object)->elements[i], compact);
  }
  for (int32_t i = 0; ok && i < n; ++i) {
    MethodRecord* m = vsRef_as<MethodRecord>(vsRef_as<ObjectArray>(methods.object)->elements[i]);
    if (m == nullptr) continue;
    const VmRef compact = vsRef_as<ObjectArray>(maps.object)->elements[i];
    if (compact == 0) {
      m->stackMap = 0;
    } else {
      vsJavaHeap_storeReference(&m->stackMap, compact);
    }
  }
  vsHandle_close(&methods);
  return ok;
}
