// The VM flags (see vm_flags.h).
#include "vm/core/startup/vm_flags.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"

namespace {

VS_VMDATA(VmFlagValues) gValues = {
#define VS_VM_FLAG_DEFAULT(type, name, value) value,
    VS_VM_FLAGS(VS_VM_FLAG_DEFAULT)
#undef VS_VM_FLAG_DEFAULT
};

constexpr VmFlag kTable[] = {
#define VS_VM_FLAG_RECORD(type, name, value) {#type, #name, &gValues.name},
    VS_VM_FLAGS(VS_VM_FLAG_RECORD)
#undef VS_VM_FLAG_RECORD
    {nullptr, nullptr, nullptr},
};
static_assert(sizeof kTable / sizeof kTable[0] == kVmFlagCount + 1);

bool hasType(const VmFlag* flag, const char* type) { return std::strcmp(flag->type, type) == 0; }

}  // namespace

VmFlagValues& vsVmFlags() { return gValues; }

const VmFlag* vsFlags_table() { return kTable; }

const VmFlag* vsFlags_find(const char* name) {
  for (const VmFlag* flag = kTable; flag->name != nullptr; ++flag) {
    if (std::strcmp(flag->name, name) == 0)
      return flag;
  }
  return nullptr;
}

int32_t vsFlags_setInt(const char* name, int32_t value) {
  const VmFlag* flag = vsFlags_find(name);
  if (flag == nullptr || !hasType(flag, "int"))
    return 0;
  *flag->value = value;
  return 1;
}

int32_t vsFlags_setBool(const char* name, int32_t value) {
  const VmFlag* flag = vsFlags_find(name);
  if (flag == nullptr || (!hasType(flag, "bool") && !hasType(flag, "int")))
    return 0;
  *flag->value = value;
  return 1;
}
