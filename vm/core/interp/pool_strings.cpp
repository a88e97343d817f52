// UTF-8 and string entries (see pool_strings.h).
#include "vm/core/interp/pool_strings.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/symbols.h"

namespace {

enum class Form { Name, Descriptor, ByFirstCharacter };

ConstantPool* poolOf(const VmRef* pool) { return vsRef_as<ConstantPool>(*pool); }

VmRef badEntry() {
  vsException_raiseWithCode(kVmErrorClass, kErrBadPoolEntry);
  return 0;
}

VmRef intern(const VmRef* pool, uint32_t index, Form form) {
  if (index >= poolOf(pool)->count || vsConstantPool_tagAt(poolOf(pool), index) != kTagUtf8) return badEntry();
  const VmRef entry = poolOf(pool)->entries[index];
  if (!vsObject_isByteArray(entry)) return entry;
  VmHandle bytes;
  vsHandle_push(&bytes, entry);
  const ByteArray* text = vsRef_as<ByteArray>(entry);
  const uint32_t length = static_cast<uint32_t>(text->length);
  const bool descriptor = form == Form::Descriptor ||
                          (form == Form::ByFirstCharacter && length > 1 && text->elements[0] == '[');
  const VmRef symbol = descriptor ? vsDescriptor_parse({nullptr, &bytes.object, kArrayElementsOffset, length})
                                  : vsSymbol_fromByteArray(&bytes.object);
  if (symbol != 0) vsConstantPool_setEntry(poolOf(pool), index, kTagUtf8, symbol);
  vsHandle_close(&bytes);
  return symbol;
}

}  // namespace

VmRef vsConstantPool_internUtf8Name(const VmRef* pool, uint32_t index) { return intern(pool, index, Form::Name); }

VmRef vsConstantPool_internUtf8Descriptor(const VmRef* pool, uint32_t index) {
  return intern(pool, index, Form::Descriptor);
}

VmRef vsConstantPool_internUtf8(const VmRef* pool, uint32_t index) {
  return intern(pool, index, Form::ByFirstCharacter);
}

VmRef vsConstantPool_resolveString(const VmRef* pool, uint32_t index) {
  if (index >= poolOf(pool)->count || vsConstantPool_tagAt(poolOf(pool), index) != kTagUnresolvedString)
    return badEntry();
  VmHandle symbol;
  vsHandle_push(&symbol, poolOf(pool)->entries[index]);
  const VmRef string = vsJavaHeap_internString(&symbol.object);
  if (string != 0) vsConstantPool_setEntry(poolOf(pool), index, kTagResolvedString, string);
  vsHandle_close(&symbol);
  return string;
}

VmRef vsConstantPool_internStringAt(const VmRef* pool, uint32_t index) {
  if (index >= poolOf(pool)->count || vsConstantPool_tagAt(poolOf(pool), index) != kTagClassFileString)
    return badEntry();
  VmHandle symbol;
  vsHandle_push(&symbol, vsConstantPool_internUtf8Name(pool, poolOf(pool)->entries[index]));
  const VmRef string = symbol.object != 0 ? vsJavaHeap_internString(&symbol.object) : 0;
  vsHandle_close(&symbol);
  return string;
}
