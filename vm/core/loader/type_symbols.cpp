// Type symbols (see type_symbols.h).
#include "vm/core/loader/type_symbols.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

VmRef badDescriptor() {
  vsException_raiseWithCode(kVmErrorClass, kErrDescriptor);
  return 0;
}

const VmSymbol* sym(VmRef s) { return vsRef_as<VmSymbol>(s); }

// A field type from descriptor text; method descriptors are refused.
VmRef fieldType(const DescriptorText& text, uint8_t first) {
  if (text.length == 1) return vsType_primitiveSymbol(first);
  if (first == '(') return badDescriptor();
  return vsDescriptor_parse(text);
}

}  // namespace

VmRef vsType_symbolFromDescriptor(const uint8_t* bytes, int32_t length) {
  if (length <= 0) return badDescriptor();
  return fieldType({bytes, nullptr, 0, static_cast<uint32_t>(length)}, bytes[0]);
}

VmRef vsType_symbolFromByteArray(const VmRef* array) {
  const ByteArray* a = vsRef_as<ByteArray>(*array);
  if (a->length <= 0) return badDescriptor();
  return fieldType({nullptr, array, kArrayElementsOffset, static_cast<uint32_t>(a->length)},
                   static_cast<uint8_t>(a->elements[0]));
}

VmRef vsType_symbolFromName(const VmRef* name) {
  VmHandle copy;
  vsHandle_push(&copy, vsJavaHeap_newByteArray(sym(*name)->length));
  VmRef result = 0;
  if (copy.object != 0) {
    std::memcpy(vsRef_as<ByteArray>(copy.object)->elements, sym(*name)->bytes, sym(*name)->length);
    result = vsType_symbolFromByteArray(&copy.object);
  }
  vsHandle_close(&copy);
  return result;
}

VmRef vsType_primitiveSymbol(int32_t letter) {
  const VmRef symbol = letter > 0 && letter < 256 ? vsWellKnown_primitiveType(static_cast<uint8_t>(letter)) : 0;
  return symbol != 0 ? symbol : badDescriptor();
}

VmRef vsType_arrayClassOf(VmRef typeSymbol) {
  if (sym(typeSymbol)->length != 2) return 0;
  const ClassRecord* cls = vsSignature_classAt(sym(typeSymbol)->bytes);
  return cls != nullptr && vsClass_isArrayClass(cls) ? vsRef_of(cls) : 0;
}

int32_t vsType_fieldSize(VmRef typeSymbol, bool roundToWord) {
  const int32_t size = vsBasicType_byteSize(vsType_basicType(typeSymbol));
  return roundToWord ? (size + 3) & ~3 : size;
}

VmRef vsType_classNameOf(VmRef typeSymbol) {
  if (sym(typeSymbol)->length != 2) return 0;
  const ClassRecord* cls = vsSignature_classAt(sym(typeSymbol)->bytes);
  return cls != nullptr ? vsRef_of(vsClass_name(cls)) : 0;
}
