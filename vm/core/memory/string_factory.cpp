// Strings and interned Strings (see string_factory.h).
#include "vm/core/memory/string_factory.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/string_helpers.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/services/text/utf8_stream.h"

VS_VMBSS(VmPtr<RomStringTable>) vsInternTable_rom{};
VS_VMBSS(uint32_t) vsInternTable_count;

namespace {

// The interned String equal to `string` in the image's hash, or 0.
VmRef findInImage(VmRef string, uint32_t hash) {
  const RomStringTable* rom = vsInternTable_rom.get();
  if (rom == nullptr || rom->bucketCount == 0) return 0;
  const uint32_t b = hash % rom->bucketCount;
  for (const VmWord* p = vsWord_toPointer<VmWord>(rom->starts[b]);
       p != vsWord_toPointer<VmWord>(rom->starts[b + 1]); ++p)
    if (vsString_equals(*p, string)) return *p;
  return 0;
}

// The image's String of the symbol's text, found without allocating: its
// hash and its characters come straight from the symbol's bytes.
VmRef findSymbolTextInImage(const VmRef* symbol) {
  const RomStringTable* rom = vsInternTable_rom.get();
  if (rom == nullptr || rom->bucketCount == 0) return 0;
  VsUtf8SymbolStream stream(symbol);
  const int32_t n = stream.countChars();
  if (n < 0) return 0;
  stream.rewind();
  uint32_t hash = 0;
  for (int32_t i = 0; i < n; ++i) hash = 31 * hash + static_cast<uint16_t>(stream.nextChar());
  const uint32_t b = hash % rom->bucketCount;
  for (const VmWord* p = vsWord_toPointer<VmWord>(rom->starts[b]);
       p != vsWord_toPointer<VmWord>(rom->starts[b + 1]); ++p) {
    const StringObject* s = vsRef_as<StringObject>(*p);
    if (s->count != n) continue;
    const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
    stream.rewind();
    int32_t i = 0;
    while (i < n && chars[i] == static_cast<uint16_t>(stream.nextChar())) ++i;
    if (i == n) return *p;
  }
  return 0;
}

// Probes for the string: the slot of an equal String, or of the first empty
// slot; null when the table is full without either.
VmRef* probe(ObjectArray* table, VmRef string, uint32_t hash) {
  const uint32_t length = static_cast<uint32_t>(table->length);
  uint32_t slot = hash % length;
  for (uint32_t tries = 0; tries < length; ++tries) {
    VmRef* s = &table->elements[slot];
    if (*s == 0 || vsString_equals(*s, string)) return s;
    slot = (slot + 1) % length;
  }
  return nullptr;
}

// Replaces the heap table by a larger one with every String re-inserted.
bool grow() {
  const int32_t length = vsRoot_as<ObjectArray>(kRootInternTable)->length;
  const VmRef bigger = vsJavaHeap_newObjectArray(length + length / 8 + 1024);
  if (bigger == 0) return false;
  const ObjectArray* from = vsRoot_as<ObjectArray>(kRootInternTable);
  ObjectArray* to = vsRef_as<ObjectArray>(bigger);
  for (int32_t i = 0; i < length; ++i) {
    const VmRef s = from->elements[i];
    if (s != 0)
      vsJavaHeap_storeReference(probe(to, s, static_cast<uint32_t>(vsString_hashCode(s))), s);
  }
  vsRoot(kRootInternTable) = bigger;
  return true;
}

}  // namespace

VmRef vsJavaHeap_newString(const VmRef* value, int32_t offset, int32_t count) {
  const VmRef string = vsJavaHeap_newFinalizableInstance(&vsRoot(kRootString));
  if (string == 0) return 0;
  StringObject* s = vsRef_as<StringObject>(string);
  vsJavaHeap_storeReference(&s->value, *value);
  s->offset = offset;
  s->count = count;
  return string;
}

VmRef vsJavaHeap_newStringFromStream(VsUtf8Stream* stream, int32_t prefix, int32_t suffix) {
  const int32_t n = stream->countChars();
  if (n < 0) {
    vsException_raise(kIllegalArgumentClass, nullptr);
    return 0;
  }
  const int64_t total = int64_t{prefix} + n + suffix;
  if (total > INT32_MAX) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  VmHandle string;
  VmHandle chars;
  vsHandle_push(&string, vsJavaHeap_newFinalizableInstance(&vsRoot(kRootString)));
  vsHandle_pushEmpty(&chars);
  VmRef result = 0;
  if (string.object != 0) chars.object = vsJavaHeap_newCharArray(static_cast<int32_t>(total));
  if (chars.object != 0) {
    CharArray* array = vsRef_as<CharArray>(chars.object);
    stream->rewind();
    for (int32_t i = 0; i < n; ++i) array->elements[prefix + i] = static_cast<uint16_t>(stream->nextChar());
    StringObject* s = vsRef_as<StringObject>(string.object);
    vsJavaHeap_storeReference(&s->value, chars.object);
    s->offset = 0;
    s->count = array->length;
    result = string.object;
  }
  vsHandle_close(&string);
  return result;
}

VmRef vsJavaHeap_newStringFromUtf8(const uint8_t* bytes, int32_t length) {
  VsUtf8BufferStream stream(bytes, 0, length);
  return vsJavaHeap_newStringFromStream(&stream, 0, 0);
}

VmRef vsJavaHeap_newStringFromSymbol(const VmRef* symbol) {
  VsUtf8SymbolStream stream(symbol);
  return vsJavaHeap_newStringFromStream(&stream, 0, 0);
}

VmRef vsJavaHeap_internString(const VmRef* symbol) {
  if (const VmRef image = findSymbolTextInImage(symbol)) return image;
  VmHandle string;
  vsHandle_push(&string, vsJavaHeap_newStringFromSymbol(symbol));
  const VmRef result = string.object != 0 ? vsJavaHeap_internStringObject(&string.object) : 0;
  vsHandle_close(&string);
  return result;
}

VmRef vsJavaHeap_internStringObject(const VmRef* string) {
  const uint32_t hash = static_cast<uint32_t>(vsString_hashCode(*string));
  VmRef result = findInImage(*string, hash);
  if (result != 0) return result;
  VmRef* slot = probe(vsRoot_as<ObjectArray>(kRootInternTable), *string, hash);
  if (slot == nullptr) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  if (*slot != 0) return *slot;
  vsJavaHeap_storeReference(slot, *string);
  result = *string;
  const int32_t length = vsRoot_as<ObjectArray>(kRootInternTable)->length;
  VmHandle kept;
  vsHandle_push(&kept, result);
  if (++vsInternTable_count >= static_cast<uint32_t>(length / 4 * 3) && !grow()) kept.object = 0;
  result = kept.object;
  vsHandle_close(&kept);
  return result;
}
