// The section reset (see section_reset.h).
#include "vm/core/startup/section_reset.h"

#include <cstring>

#include "port/host/section_snapshot.h"
#include "vm/services/memory/trace_log.h"

namespace {

constexpr uint32_t kMaxSectionType = 10;

bool chosen(int32_t mode, uint32_t type) { return mode == 0 || type == 1 || type == 2; }

}  // namespace

int32_t vsSectionReset_run(int32_t mode) {
  int32_t count = 0;
  const JKT_Section_Info* records = JkSectionGetInfoR2(&count);
  if (records == nullptr) {
    vsTraceLog_error("ERROR: the return value of JkSectionGetInfoR2() is NULL.\n");
    return -1;
  }
  if (count < 1) {
    vsTraceLog_error("ERROR: the arg of JkSectionGetInfoR2() is illegal.\n");
    return -2;
  }
  for (int32_t i = 0; i < count; ++i) {
    const JKT_Section_Info& r = records[i];
    if (r.type > kMaxSectionType) {
      vsTraceLog_error("ERROR: JKT_Section_Info: type is illegal %d\n", static_cast<int32_t>(r.type));
      return -3;
    }
    if (!chosen(mode, r.type))
      continue;
    vsTraceLog_trace("  type: %d\n", static_cast<int32_t>(r.type));
    vsTraceLog_trace("  bssAddress: 0x%08x bssSize: 0x%x\n", r.bssAddress, r.bssSize);
    vsTraceLog_trace("  dataAddress: 0x%08x dataSize: 0x%x\n", r.dataAddress, r.dataSize);
    vsTraceLog_trace("  initDataAddress: 0x%08x\n", r.initDataAddress);
    if (r.bssSize != 0)
      std::memset(vsWord_toPointer(r.bssAddress), 0, r.bssSize);
    if (r.dataSize != 0)
      std::memcpy(vsWord_toPointer(r.dataAddress), vsWord_toPointer(r.initDataAddress), r.dataSize);
    // Everything the compiler might keep of VM variables is stale now.
    asm volatile("" ::: "memory");
  }
  return 0;
}
