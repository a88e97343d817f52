// Names of classes and methods for the romizer (see romizer_names.h).
#include "tools/romizer/romizer_names.h"

#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"

namespace {

constexpr char kArrayLetters[] = "????ZCFDBSIJ";

}  // namespace

std::string romizer_symbolText(VmRef symbol) {
  if (symbol == 0) return "?";
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  return std::string(reinterpret_cast<const char*>(s->bytes), s->length);
}

std::string romizer_className(VmRef cls) {
  if (cls == 0) return "?";
  const ClassRecord* c = vsRef_as<ClassRecord>(cls);
  switch (vsObject_kind(cls)) {
    case kKindObjectArrayClass: {
      const std::string element = romizer_className(c->elementOrLink);
      const bool nested = vsObject_kind(c->elementOrLink) != kKindInstanceClass;
      return "[" + (nested ? element : "L" + element + ";");
    }
    case kKindTypeArrayClass: {
      const uint32_t type = c->classInfo->methods;
      return std::string("[") + (type < sizeof kArrayLetters - 1 ? kArrayLetters[type] : '?');
    }
    case kKindInstanceClass:
      return romizer_symbolText(vsRef_of(vsClass_name(c)));
    default:
      return "<kind " + std::to_string(vsObject_kind(cls)) + ">";
  }
}

std::string romizer_methodName(VmRef method) {
  const MethodRecord* m = vsRef_as<MethodRecord>(method);
  const ClassRecord* holder = vsMethod_holderClass(m);
  const ConstantPool* pool = m->constantPool.get();
  std::string name = "?";
  if (pool != nullptr && m->nameIndex < pool->count) name = romizer_symbolText(pool->entries[m->nameIndex]);
  return (holder != nullptr ? romizer_className(vsRef_of(holder)) : std::string("?")) + "." + name;
}
