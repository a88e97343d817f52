// Class-name lookup (see class_name_by_id.h).
#include "vm/core/model/class_name_by_id.h"

#include "vm/core/model/class_access.h"

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
