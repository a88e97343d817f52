// Class names and method signatures as text (see type_text.h).
#include "vm/core/startup/type_text.h"

#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/object_helpers.h"

namespace {

// The letter of a basic type code, '?' for codes without one.
char letterOf(uint32_t type) {
  const char letter = vsBasicType_letter(static_cast<int32_t>(type));
  return letter != 0 ? letter : '?';
}

void printSymbolText(const VsOutputStream* out, const VmSymbol* s) {
  if (s != nullptr) vsOutputStream_print(out, "%.*s", s->length, reinterpret_cast<const char*>(s->bytes));
}

}  // namespace

void vsTypeText_printDescriptor(const VsOutputStream* out, const ClassRecord* cls) {
  if (cls == nullptr) {
    vsOutputStream_print(out, "?");
    return;
  }
  switch (vsObject_kind(vsRef_of(cls))) {
    case kKindObjectArrayClass:
      vsOutputStream_print(out, "[");
      vsTypeText_printDescriptor(out, vsRef_as<ClassRecord>(cls->elementOrLink));
      return;
    case kKindTypeArrayClass:
      vsOutputStream_print(out, "[%c", letterOf(cls->classInfo->methods));
      return;
    default:
      vsOutputStream_print(out, "L");
      printSymbolText(out, vsClass_name(cls));
      vsOutputStream_print(out, ";");
  }
}

uint32_t vsTypeText_printEncodedType(const VsOutputStream* out, const uint8_t* p) {
  if ((p[0] & 0x80) == 0) {
    vsOutputStream_print(out, "%c", p[0]);
    return 1;
  }
  vsTypeText_printDescriptor(out, vsSignature_classAt(p));
  return 2;
}

void vsTypeText_printClassName(const VsOutputStream* out, const ClassRecord* cls) {
  if (cls != nullptr && vsObject_kind(vsRef_of(cls)) == kKindInstanceClass)
    printSymbolText(out, vsClass_name(cls));
  else
    vsTypeText_printDescriptor(out, cls);
}

void vsTypeText_printSignature(const VsOutputStream* out, VmRef signature) {
  const VmSymbol* s = vsRef_as<VmSymbol>(signature);
  if (s == nullptr || s->length < 3) {
    vsOutputStream_print(out, "?");
    return;
  }
  const uint32_t count = (s->bytes[0] & 127) * 128u + (s->bytes[1] & 127);
  const uint32_t resultLength = (s->bytes[2] & 0x80) != 0 ? 2 : 1;
  vsOutputStream_print(out, "(");
  uint32_t at = 2 + resultLength;
  for (uint32_t i = 0; i < count && at < s->length; ++i)
    at += vsTypeText_printEncodedType(out, s->bytes + at);
  vsOutputStream_print(out, ")");
  vsTypeText_printEncodedType(out, s->bytes + 2);
}
