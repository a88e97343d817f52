// Names of classes and methods (see member_text.h).
#include "tools/romizer/member_text.h"

#include "vm/core/interp/method_helpers.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/object_helpers.h"

namespace {

std::string symbolText(const VmSymbol* s) { return std::string(reinterpret_cast<const char*>(s->bytes), s->length); }

std::string typeOfClass(const ClassRecord* cls) {
  switch (vsObject_kind(vsRef_of(cls))) {
    case kKindObjectArrayClass:
      return "[" + typeOfClass(vsRef_as<ClassRecord>(cls->elementOrLink));
    case kKindTypeArrayClass: {
      // Letters by basic type code (4 boolean ... 11 long).
      static const char kLetters[] = "????ZCFDBSIJ";
      const uint32_t type = cls->classInfo->methods;
      return std::string("[") + (type < sizeof kLetters - 1 ? kLetters[type] : '?');
    }
    default:
      return "L" + symbolText(vsClass_name(cls)) + ";";
  }
}

// The descriptor of the encoded type at p; *n gets its length in bytes.
std::string typeAt(const uint8_t* p, uint32_t* n) {
  if ((p[0] & 0x80) == 0) {
    *n = 1;
    return std::string(1, static_cast<char>(p[0]));
  }
  *n = 2;
  return typeOfClass(vsSignature_classAt(p));
}

}  // namespace

std::string romizer_className(const ClassRecord* cls) {
  const std::string type = typeOfClass(cls);
  return type[0] == 'L' ? type.substr(1, type.size() - 2) : type;
}

std::string romizer_methodDescriptor(const MethodRecord* method) {
  const VmSymbol* s = vsRef_as<VmSymbol>(vsMethod_signature(method));
  const uint32_t count = (s->bytes[0] & 127) * 128u + (s->bytes[1] & 127);
  uint32_t n;
  const std::string result = typeAt(s->bytes + 2, &n);
  std::string parameters;
  for (uint32_t i = 0, at = 2 + n; i < count; ++i, at += n) parameters += typeAt(s->bytes + at, &n);
  return "(" + parameters + ")" + result;
}

std::string romizer_methodName(const MethodRecord* method) {
  return symbolText(vsRef_as<VmSymbol>(vsMethod_name(method)));
}
