// Symbol interning (see symbols.h).
#include "vm/core/model/symbols.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/services/text/utf8_stream.h"

VS_VMBSS(VmPtr<RomSymbolTable>) vsSymbolTable_rom{};
VS_VMBSS(uint32_t) vsSymbolTable_count;
VS_VMBSS(VmWord[2]) vsSymbolTable_imageArea;
VS_VMBSS(VmWord[2]) vsSymbolTable_imageFieldTypes;
VS_VMBSS(VmWord[2]) vsSymbolTable_imageSignatures;

namespace {

// Bytes to intern: plain memory, or a run inside a heap object that is read
// through its handle because an allocation may move the object.
struct ByteSource {
  const uint8_t* plain;
  const VmRef* holder;
  uint32_t offset;

  const uint8_t* bytes() const { return holder != nullptr ? vsRef_as<uint8_t>(*holder) + offset : plain; }
};

VmRef* findInImage(const uint8_t* bytes, uint32_t length, uint32_t hash) {
  const RomSymbolTable* rom = vsSymbolTable_rom.get();
  if (rom == nullptr || rom->bucketCount == 0) return nullptr;
  const uint32_t b = hash % rom->bucketCount;
  for (VmRef* p = vsWord_toPointer<VmRef>(rom->starts[b]); p != vsWord_toPointer<VmRef>(rom->starts[b + 1]);
       ++p)
    if (vsSymbol_equalsBytes(vsRef_as<VmSymbol>(*p), bytes, length)) return p;
  return nullptr;
}

// The slot of an equal symbol or the first empty slot of the probe
// sequence; -1 when the table is full without either.
int32_t probe(const ObjectArray* table, const uint8_t* bytes, uint32_t length, uint32_t hash) {
  const uint32_t size = static_cast<uint32_t>(table->length);
  const uint32_t first = hash % size;
  uint32_t slot = first;
  do {
    const VmRef s = table->elements[slot];
    if (s == 0 || vsSymbol_equalsBytes(vsRef_as<VmSymbol>(s), bytes, length)) return static_cast<int32_t>(slot);
    slot = (slot + 1) % size;
  } while (slot != first);
  return -1;
}

bool grow() {
  const int32_t length = vsRoot_as<ObjectArray>(kRootSymbolTable)->length;
  const VmRef bigger = vsJavaHeap_newObjectArray(length + length / 8 + 1024);
  if (bigger == 0) return false;
  const ObjectArray* from = vsRoot_as<ObjectArray>(kRootSymbolTable);
  ObjectArray* to = vsRef_as<ObjectArray>(bigger);
  for (int32_t i = 0; i < length; ++i) {
    const VmRef s = from->elements[i];
    if (s == 0) continue;
    const VmSymbol* sym = vsRef_as<VmSymbol>(s);
    const int32_t slot = probe(to, sym->bytes, sym->length, vsSymbol_hash(sym->bytes, sym->length));
    vsJavaHeap_storeReference(&to->elements[slot], s);
  }
  vsRoot(kRootSymbolTable) = bigger;
  return true;
}

VmRef intern(const ByteSource& source, int32_t length, bool lookupOnly) {
  if (length < 0 || length > kMaxSymbolLength) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  const uint32_t n = static_cast<uint32_t>(length);
  const uint32_t hash = vsSymbol_hash(source.bytes(), n);
  if (const VmRef* found = findInImage(source.bytes(), n, hash)) return *found;
  const int32_t slot = probe(vsRoot_as<ObjectArray>(kRootSymbolTable), source.bytes(), n, hash);
  if (slot < 0) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  const VmRef existing = vsRoot_as<ObjectArray>(kRootSymbolTable)->elements[slot];
  if (existing != 0 || lookupOnly) return existing;
  const VmRef symbol = source.holder != nullptr
                           ? vsJavaHeap_newSymbolFromObject(source.holder, source.offset, static_cast<uint16_t>(n))
                           : vsJavaHeap_newSymbol(source.plain, static_cast<uint16_t>(n));
  if (symbol == 0) return 0;
  ObjectArray* table = vsRoot_as<ObjectArray>(kRootSymbolTable);
  vsJavaHeap_storeReference(&table->elements[slot], symbol);
  if (++vsSymbolTable_count > static_cast<uint32_t>(table->length) * 3 / 4) {
    VmHandle keep;
    vsHandle_push(&keep, symbol);
    const bool grown = grow();
    vsHandle_close(&keep);
    if (!grown) return 0;
    return keep.object;
  }
  return symbol;
}

VmRef internByteArray(const VmRef* array) {
  return intern({nullptr, array, kArrayElementsOffset}, vsRef_as<ByteArray>(*array)->length, false);
}

void swapSeparators(ByteArray* array) {
  for (int32_t i = 0; i < array->length; ++i) {
    if (array->elements[i] == '/')
      array->elements[i] = '.';
    else if (array->elements[i] == '.')
      array->elements[i] = '/';
  }
}

}  // namespace

uint32_t vsSymbol_hash(const uint8_t* bytes, uint32_t length) {
  uint32_t h = 0;
  for (uint32_t i = 0; i < length; ++i) h = h * 31 + bytes[i];
  return h;
}

VmRef vsSymbol_intern(const uint8_t* bytes, int32_t length, bool lookupOnly) {
  return intern({bytes, nullptr, 0}, length, lookupOnly);
}

VmRef vsSymbol_fromCString(const char* text, bool lookupOnly) {
  const size_t length = std::strlen(text);
  const int32_t n = length > static_cast<size_t>(kMaxSymbolLength) ? -1 : static_cast<int32_t>(length);
  return vsSymbol_intern(reinterpret_cast<const uint8_t*>(text), n, lookupOnly);
}

VmRef vsSymbol_fromByteArray(const VmRef* array) { return internByteArray(array); }

VmRef vsSymbol_fromClassName(const VmRef* name) {
  const uint16_t length = vsRef_as<VmSymbol>(*name)->length;
  VmHandle copy;
  vsHandle_push(&copy, vsJavaHeap_newByteArray(length));
  VmRef result = 0;
  if (copy.object != 0) {
    ByteArray* array = vsRef_as<ByteArray>(copy.object);
    std::memcpy(array->elements, vsRef_as<VmSymbol>(*name)->bytes, length);
    swapSeparators(array);
    result = internByteArray(&copy.object);
  }
  vsHandle_close(&copy);
  return result;
}

VmRef vsSymbol_fromString(const VmRef* string, bool swap) {
  const StringObject* s = vsRef_as<StringObject>(*string);
  const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
  int64_t length = 0;
  for (int32_t i = 0; i < s->count; ++i) length += vsUtf8Stream_encodedLength(nullptr, chars[i]);
  if (length > kMaxSymbolLength) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  VmHandle bytes;
  vsHandle_push(&bytes, vsJavaHeap_newByteArray(static_cast<int32_t>(length)));
  VmRef result = 0;
  if (bytes.object != 0) {
    VsUtf8ByteArrayStream out(&bytes.object);
    const StringObject* str = vsRef_as<StringObject>(*string);
    const uint16_t* from = vsRef_as<CharArray>(str->value)->elements + str->offset;
    int32_t at = 0;
    for (int32_t i = 0; i < str->count; ++i) at = vsUtf8Stream_encodeChar(&out, at, from[i]);
    if (swap) swapSeparators(vsRef_as<ByteArray>(bytes.object));
    result = internByteArray(&bytes.object);
  }
  vsHandle_close(&bytes);
  return result;
}

bool vsSymbol_equalsBytes(const VmSymbol* symbol, const uint8_t* bytes, uint32_t length) {
  return symbol->length == length && std::memcmp(symbol->bytes, bytes, length) == 0;
}

bool vsSymbol_isArrayDescriptor(const VmSymbol* symbol) {
  return symbol->length >= 2 && symbol->bytes[0] == '[';
}

bool vsObject_isSymbol(VmRef object) {
  if (object - vsSymbolTable_imageArea[0] < vsSymbolTable_imageArea[1] - vsSymbolTable_imageArea[0]) return true;
  return vsObject_kind(object) == kKindSymbol;
}
