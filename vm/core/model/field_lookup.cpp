// Field and class-name lookups (see field_lookup.h).
#include "vm/core/model/field_lookup.h"

#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/model_flags.h"

namespace {

// The symbol of UTF-8 entry i, or 0 when i is no such entry.
VmRef symbolAt(const ConstantPool* pool, uint32_t i) {
  if (i >= pool->count || vsConstantPool_tagAt(pool, i) != kTagUtf8) return 0;
  return pool->entries[i];
}

}  // namespace

int32_t vsClass_findFieldIndex(const VmRef* cls, VmRef name, VmRef signature) {
  const ClassRecord* c = vsRef_as<ClassRecord>(*cls);
  const VmRef fields = vsClass_fields(c);
  const ConstantPool* pool = vsClass_constantPool(c);
  if (fields == 0 || pool == nullptr) return -1;
  const ShortArray* table = vsRef_as<ShortArray>(fields);
  const FieldEntry* entries = reinterpret_cast<const FieldEntry*>(table->elements);
  const int32_t count = table->length / 5;
  for (int32_t i = 0; i < count; ++i) {
    if (symbolAt(pool, entries[i].nameIndex) == name &&
        symbolAt(pool, entries[i].signatureIndex) == signature)
      return i;
  }
  return -1;
}

const uint8_t* vsClass_nameUtf8ById(uint32_t n, int32_t* length) {
  *length = 0;
  if (n == 0) return nullptr;
  const ClassRecord* cls = vsClass_byId(n - 1);
  if (cls == nullptr) return nullptr;
  const VmSymbol* name = vsClass_name(cls);
  if (name == nullptr) return nullptr;
  *length = name->length;
  return name->bytes;
}
