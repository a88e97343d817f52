// The VM's exit points (see exit_point.h).
#include "vm/core/startup/exit_point.h"

#include "ce/substrate/fatal.h"
#include "ce/substrate/vm_sections.h"

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
    vsFatal(VsCallSite::current(), "VM exit outside a run");
  }
  std::longjmp(point->buffer, 1);
}
