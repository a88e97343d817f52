// The options' numeric value registry and serial counter (see option.h).
#include <cstddef>

#include "ce/substrate/vm_sections.h"
#include "vm/services/memory/trace_log.h"
#include "vm/services/text/option.h"

namespace {

constexpr int32_t kIdMask = 0x7f;

struct VsOptionValue {
  int32_t id;  // low 7 bits of the id; 0: free
  int32_t value;
};
static_assert(sizeof(VsOptionValue) == 8 && offsetof(VsOptionValue, value) == 4);

struct VsOptionValues {
  VsOptionValue entries[kVsOption_valueSlots];
  int32_t serial;
};

VS_VMBSS(VsOptionValues) gValues{};

}  // namespace

int32_t vsOption_getValue(int32_t, int32_t id) {
  const int32_t key = id & kIdMask;
  for (const VsOptionValue& e : gValues.entries) {
    if (e.id == 0) break;
    if (e.id == key) return e.value;
  }
  return kVsOption_noValue;
}

void vsOption_setValue(int32_t, int32_t id, int32_t value) {
  const int32_t key = id & kIdMask;
  // Entries fill from the first: the first free one follows every taken one.
  for (VsOptionValue& e : gValues.entries) {
    if (e.id == key || e.id == 0) {
      e.id = key;
      e.value = value;
      return;
    }
  }
  vsTraceLog_error("vsOption: Error!! check MAX_VSOPTION_VALUE_REGIST_TABLE");
}

int32_t vsOption_nextSerial() { return ++gValues.serial; }
