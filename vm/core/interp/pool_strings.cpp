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
  const bool isBytes = vsObject_isByteArray(entry);
  const uint8_t* text;
  uint32_t length;
  if (isBytes) {
    text = reinterpret_cast<const uint8_t*>(vsRef_as<ByteArray>(entry)->elements);
    length = static_cast<uint32_t>(vsRef_as<ByteArray>(entry)->length);
  } else {
    text = vsRef_as<VmSymbol>(entry)->bytes;
    length = vsRef_as<VmSymbol>(entry)->length;
  }
  const bool descriptor =
      form == Form::Descriptor || (form == Form::ByFirstCharacter && length > 1 && text[0] == '[');
  // A symbol stays, unless a descriptor is asked of a name-form symbol (a
  // string constant of the same text came first): encoded types and
  // signatures begin with a primitive letter or a byte of 0x80 and above.
  if (!isBytes && !(descriptor && (length == 0 || text[0] < 0x80))) return entry;
  VmHandle holder;
  vsHandle_push(&holder, entry);
  const uint32_t offset = isBytes ? kArrayElementsOffset : kSymbolBytesOffset;
  const VmRef symbol = descriptor ? vsDescriptor_parse({nullptr, &holder.object, offset, length})
                                  : vsSymbol_fromByteArray(&holder.object);
  if (symbol != 0) vsConstantPool_setEntry(poolOf(pool), index, kTagUtf8, symbol);
  vsHandle_close(&holder);
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
