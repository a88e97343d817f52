// The VM's exit points (see exit_point.h).
#include "vm/core/startup/exit_point.h"

#include <cstdlib>

#include "ce/substrate/vm_sections.h"
#include "vm/services/memory/trace_log.h"

namespace {

VS_VMBSS(VmPtr<VmExitPoint>) gHead = {};

}  // namespace

void vsExitPoint_push(VmExitPoint* point) {
  point->previous = gHead;
  gHead = point;
}

void vsExitPoint_remove(VmExitPoint* point) { gHead = point->previous; }

void vsExitPoint_jump() {
  VmExitPoint* point = gHead.get();
  if (point == nullptr) {
    vsTraceLog_error("ERROR: VM exit outside a run.\n");
    std::abort();
  }
  std::longjmp(point->buffer, 1);
}
